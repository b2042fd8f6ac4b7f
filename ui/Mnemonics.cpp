#include "ui/Mnemonics.h"

#include <QSet>

namespace {

// Position in `caption` of the letter to mark, -1 when none is free.
qsizetype chooseLetter(const QString& caption, const QSet<QChar>& used)
{
    qsizetype anyFree = -1;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption.at(i);
        if (c == QLatin1Char('&')) {
            ++i; // "&&", a literal ampersand
            continue;
        }
        if (!c.isLetterOrNumber() || used.contains(c.toLower()))
            continue;
        const bool wordStart = i == 0 || !caption.at(i - 1).isLetterOrNumber();
        if (wordStart)
            return i;
        if (anyFree < 0)
            anyFree = i;
    }
    return anyFree;
}

} // namespace

QStringList withMnemonics(const QStringList& captions)
{
    QSet<QChar> used;
    QStringList marked;
    for (const QString& caption : captions) {
        const qsizetype at = chooseLetter(caption, used);
        if (at < 0) {
            marked << caption;
            continue;
        }
        used.insert(caption.at(at).toLower());
        marked << caption.left(at) + QLatin1Char('&') + caption.mid(at);
    }
    return marked;
}

#include "ui/UiText.h"

#include <QRegularExpression>
#include <QStringList>
#include <array>

#include "engine/Settings.h"

bool isValidUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        char32_t min;
        char32_t code;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            min = 0x80;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            min = 0x800;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            min = 0x10000;
            code = c & 0x07;
        } else {
            return false; // continuation byte first, C0/C1 overlong lead, or beyond F4
        }
        if (end - p <= extra)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[k] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

std::string_view utf8Prefix(std::string_view bytes, std::size_t room)
{
    if (bytes.size() <= room)
        return bytes;
    std::string_view line = bytes.substr(0, room);
    // Drop a sequence that the cut leaves incomplete.
    std::size_t lead = line.size();
    while (lead > 0 && line.size() - lead < 4 &&
           (static_cast<unsigned char>(line[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead > 0) {
        const auto c = static_cast<unsigned char>(line[lead - 1]);
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (length > 1 && line.size() - (lead - 1) < length)
            line = line.substr(0, lead - 1);
    }
    return line;
}

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. The bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their C1 code point.
static constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

QString decodeWindows1252(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        *out++ = (c >= 0x80 && c <= 0x9F) ? QChar(kCp1252High[c - 0x80]) : QChar(c);
    }
    return text;
}

QString settingsTextToQString(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return decodeWindows1252(bytes);
}

QString sourceLineToQString(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString uiText(int language, int key)
{
    return settingsTextToQString(lookupText(language, key));
}

QString menuText(int language, int key)
{
    QString text = uiText(language, key);
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    return text;
}

QString anyCasePattern(const QString& pattern)
{
    if (pattern.contains(QLatin1Char('[')))
        return pattern;
    QString out;
    for (const QChar c : pattern) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (c.isLetter() && lower != upper)
            out += QLatin1Char('[') + lower + upper + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

QString qtFileFilter(const QString& pipeFilter, bool anyCase)
{
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(separators, Qt::SkipEmptyParts)) {
            QString p = pattern.trimmed();
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
            if (!p.isEmpty() && !patterns.contains(p))
                patterns << p;
        }
        if (patterns.isEmpty())
            continue;
        const QString joined = patterns.join(QLatin1Char(' '));
        if (description.isEmpty())
            description = joined;
        QString entry = description + QLatin1String(" (") + joined + QLatin1Char(')');
        if (anyCase) {
            QStringList matched;
            for (const QString& p : patterns)
                matched << anyCasePattern(p);
            entry += QLatin1String(" (") + matched.join(QLatin1Char(' ')) + QLatin1Char(')');
        }
        entries << entry;
    }
    return entries.join(QLatin1String(";;"));
}

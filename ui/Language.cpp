#include "ui/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace {

int applied = 0;
// Owned by the application, which deletes it with itself.
QPointer<QTranslator> installed;

} // namespace

QString qtCatalogue(int language)
{
    switch (language) {
    case 1:
        return QStringLiteral("qtbase_de");
    case 2:
        return {};
    default:
        return QStringLiteral("qtbase_fr");
    }
}

bool applyLanguage(int language)
{
    applied = language;
    // Qt's own dialogs write dates, sizes and numbers the language's way.
    QLocale::setDefault(QLocale(language == 1   ? QLocale::German
                                : language == 2 ? QLocale::English
                                                : QLocale::French,
                                language == 1   ? QLocale::Germany
                                : language == 2 ? QLocale::UnitedKingdom
                                                : QLocale::France));
    auto* app = QCoreApplication::instance();
    if (app == nullptr)
        return false;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    const QString catalogue = qtCatalogue(language);
    if (catalogue.isEmpty())
        return true;
    auto* translator = new QTranslator(app);
    if (!translator->load(catalogue, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

int currentLanguage()
{
    return applied;
}

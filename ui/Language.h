// The language of the user interface, as the settings file's Langue/current
// holds it: 0 French, 1 German, 2 English. Our own texts come from the text
// table in that language; Qt's own texts (the file dialogs, standard buttons,
// the names of keys in menus) from Qt's translations, which Debian ships in
// qt6-translations-l10n.
#pragma once

#include <QString>

// Remembers `language` for the texts that belong to no window of their own
// (message boxes, their buttons) and puts Qt's translations of that language
// in place of the previous ones. A value that names no language gives French,
// as the text table does. Returns false when Qt's translation of the
// language could not be loaded; Qt's own texts then stay in English.
bool applyLanguage(int language);

// The language last applied (0 before any).
int currentLanguage();

// Qt's translation catalogue of a language ("qtbase_fr", "qtbase_de"), and
// empty for English, which Qt speaks untranslated.
QString qtCatalogue(int language);

// Alt+letter keys for the menus. The captions come from the text table of
// the user's language (where "&" stands for itself), so the keys are chosen
// when the menus get their texts: one letter per caption, a different one
// for each caption of the same menu.
#pragma once

#include <QString>
#include <QStringList>

// `captions` (menu texts in which every "&" is already doubled) with "&"
// before one letter each: the first letter of a word when one is free,
// otherwise any free letter; a caption without a free letter stays as it is.
QStringList withMnemonics(const QStringList& captions);

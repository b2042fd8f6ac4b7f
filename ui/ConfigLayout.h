// What the two settings dialogs share: placing their elements at their
// designed pixel positions, and the report of a settings file that could
// not be written.
//
// Placing: The designs were drawn for an 11-pixel sans-serif font; labels
// size themselves to their (translated) caption, and a right-aligned label
// keeps its right edge next to its field and grows to the left.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

class QLabel;
class QLineEdit;
class QWidget;

// The dialogs' font: 11 pixels, a sans-serif close to the design's.
void applyDesignFont(QWidget* widget, int pixelSize = 11,
                     const QStringList& families = {
                         QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                         QStringLiteral("Arial"), QStringLiteral("Nimbus Sans")});

// A label at its designed place. `width` 0: as wide as its caption.
QLabel* designLabel(QWidget* parent, const char* name, int left, int top, int width = 0,
                    bool rightAligned = false);
// Sizes a label made by designLabel to its current caption.
void fitLabel(QLabel* label);
// Every label made by designLabel below `root`.
void fitLabels(QWidget* root);

// A one-line edit at its designed place (design height 21).
QLineEdit* designEdit(QWidget* parent, const char* name, int left, int top, int width);

// "The settings could not be saved:" in the user's language (French for an
// unknown one), then `error` (the file and the reason) on its own line.
QString settingsNotSavedText(int language, const std::string& error);

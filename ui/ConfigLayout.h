// What the two settings dialogs share: placing their elements at their
// designed pixel positions.
//
// Placing: The designs were drawn for an 11-pixel sans-serif font; labels
// size themselves to their (translated) caption, and a right-aligned label
// keeps its right edge next to its field and grows to the left.
#pragma once

#include <QString>
#include <QStringList>

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

// Any other element at its designed place.
void designPlace(QWidget* widget, int left, int top, int width, int height);

// The width an edit needs to show `digits` digits whole, frame and margins
// included, in its own font and style.
int editWidthForDigits(const QLineEdit* edit, int digits);

// Widens every edit made by designEdit below `root` that is too narrow to
// show `digits` digits, and moves every element placed to the right of it
// in its row by as much, so that positions and order stay as designed.
// Returns how far the rightmost element moved right (0 when nothing had to
// change): the room the page must gain.
int widenEditsForDigits(QWidget* root, int digits);

// A right-aligned caption longer than designed grows to the left
// (fitLabel); where it would reach the element before it in its row (a
// field widened for its digits, a wider font, a longer translation), it and
// everything after it in the row move right instead, by what it lacks.
// Returns how far the rightmost element moved right.
int keepCaptionsClear(QWidget* root);

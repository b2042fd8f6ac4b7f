#include "ui/ConfigLayout.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <algorithm>

#include "ui/UiText.h"

namespace {

const char* const kLeft = "designLeft";
const char* const kTop = "designTop";
const char* const kWidth = "designWidth";
const char* const kRight = "designRightAligned";

} // namespace

void applyDesignFont(QWidget* widget, int pixelSize, const QStringList& families)
{
    QFont font = widget->font();
    QStringList all = families;
    all << font.families() << font.family();
    font.setFamilies(all);
    font.setPixelSize(pixelSize);
    widget->setFont(font);
}

QLabel* designLabel(QWidget* parent, const char* name, int left, int top, int width,
                    bool rightAligned)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setProperty(kLeft, left);
    label->setProperty(kTop, top);
    label->setProperty(kWidth, width);
    label->setProperty(kRight, rightAligned);
    label->setAlignment((rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    fitLabel(label);
    return label;
}

void fitLabel(QLabel* label)
{
    const int left = label->property(kLeft).toInt();
    const int top = label->property(kTop).toInt();
    const int width = label->property(kWidth).toInt();
    const bool right = label->property(kRight).toBool();
    const QSize hint = label->sizeHint();
    if (width <= 0) {
        label->setGeometry(left, top, hint.width(), hint.height());
        return;
    }
    // Longer captions (translations) grow away from the field they name.
    const int w = std::max(width, hint.width());
    const int x = right ? std::max(0, left + width - w) : left;
    label->setGeometry(x, top, right ? left + width - x : w, hint.height());
}

void fitLabels(QWidget* root)
{
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->property(kLeft).isValid())
            fitLabel(label);
    }
}

QLineEdit* designEdit(QWidget* parent, const char* name, int left, int top, int width)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(left, top, width, 21);
    return edit;
}

QString settingsNotSavedText(int language, const std::string& error)
{
    static const char* const texts[3] = {
        "Impossible d'enregistrer les r\xC3\xA9glages :",
        "Die Einstellungen konnten nicht gespeichert werden:",
        "The settings could not be saved:",
    };
    const int l = (language >= 0 && language <= 2) ? language : 0;
    return QString::fromUtf8(texts[l]) + QLatin1Char('\n') + settingsTextToQString(error);
}

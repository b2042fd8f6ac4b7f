#include "ui/ConfigLayout.h"


#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

#include "ui/UiText.h"

namespace {

const char* const kLeft = "designLeft";
const char* const kTop = "designTop";
const char* const kWidth = "designWidth";
const char* const kRight = "designRightAligned";
const char* const kHeight = "designHeight";

// What QLineEdit keeps free on either side of its text, inside the frame.
constexpr int kEditTextMargin = 2;

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
    designPlace(edit, left, top, width, 21);
    return edit;
}

void designPlace(QWidget* widget, int left, int top, int width, int height)
{
    widget->setProperty(kLeft, left);
    widget->setProperty(kTop, top);
    widget->setProperty(kWidth, width);
    widget->setProperty(kHeight, height);
    widget->setGeometry(left, top, width, height);
}

int editWidthForDigits(const QLineEdit* edit, int digits)
{
    // The digits as the edit lays them out: a whole run of each, in
    // fractional pixels, so that rounding of one digit's advance cannot add
    // up to a cut value (fonts that hint to fractions, such as Nimbus Sans
    // standing in for Arial).
    const QFontMetricsF exact(edit->font());
    const QFontMetrics metrics(edit->font());
    qreal widest = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        widest = std::max(widest, exact.horizontalAdvance(QString(digits, QChar(digit))));
    // The text, the cursor after it, the edit's margins, then the frame as
    // the style draws it.
    const QMargins text = edit->textMargins();
    const int inner = static_cast<int>(std::ceil(widest)) + 1 + 2 * kEditTextMargin + text.left() +
                      text.right();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    const QSize size = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option,
                                                       QSize(inner, metrics.height()), edit);
    return size.width();
}

int widenEditsForDigits(QWidget* root, int digits)
{
    struct Placed {
        QWidget* widget;
        int left, top, width, height;
    };
    std::vector<Placed> placed;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->property(kLeft).isValid())
            continue;
        const int height =
            w->property(kHeight).isValid() ? w->property(kHeight).toInt() : w->sizeHint().height();
        placed.push_back({w, w->property(kLeft).toInt(), w->property(kTop).toInt(),
                          w->property(kWidth).toInt(), height});
    }
    // How much each edit must grow, from the designed sizes.
    std::vector<std::pair<const Placed*, int>> growing;
    for (const Placed& p : placed) {
        auto* edit = qobject_cast<QLineEdit*>(p.widget);
        if (edit == nullptr || !edit->property(kHeight).isValid())
            continue;
        const int growth = editWidthForDigits(edit, digits) - p.width;
        if (growth > 0)
            growing.emplace_back(&p, growth);
    }
    const auto rightmost = [&placed] {
        int right = 0;
        for (const Placed& p : placed)
            right = std::max(right, p.widget->geometry().right());
        return right;
    };
    const int designRight = rightmost();
    for (const Placed& p : placed) {
        // Everything that stands right of a growing edit and in its row
        // (its middle within the edit's height) moves by the growth.
        const int middle = p.top + p.height / 2;
        int shift = 0;
        int own = 0;
        for (const auto& [edit, growth] : growing) {
            if (edit == &p)
                own = growth;
            else if (p.left >= edit->left + edit->width && middle >= edit->top &&
                     middle < edit->top + edit->height)
                shift += growth;
        }
        if (shift == 0 && own == 0)
            continue;
        p.widget->setProperty(kLeft, p.left + shift);
        p.widget->setProperty(kWidth, p.width + own);
        if (auto* label = qobject_cast<QLabel*>(p.widget))
            fitLabel(label);
        else
            p.widget->setGeometry(p.left + shift, p.top, p.width + own, p.height);
    }
    return std::max(0, rightmost() - designRight);
}

int keepCaptionsClear(QWidget* root)
{
    constexpr int kGap = 6;
    std::vector<QWidget*> placed;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (w->property(kLeft).isValid())
            placed.push_back(w);
    const auto rightmost = [&placed] {
        int right = 0;
        for (const QWidget* w : placed)
            right = std::max(right, w->geometry().right());
        return right;
    };
    const int before = rightmost();
    const auto inRow = [](const QWidget* a, const QWidget* b) {
        const int middle = a->geometry().center().y();
        return middle >= b->y() && middle < b->y() + b->height();
    };
    for (QWidget* w : placed) {
        auto* label = qobject_cast<QLabel*>(w);
        if (label == nullptr || !label->property(kRight).toBool())
            continue;
        const int left = label->property(kLeft).toInt();
        int neighbourRight = -1;
        for (const QWidget* q : placed)
            if (q != label && q->property(kLeft).toInt() < left && inRow(label, q))
                neighbourRight = std::max(neighbourRight, q->geometry().right());
        const int lack = neighbourRight < 0 ? 0 : neighbourRight + kGap + 1 - label->x();
        if (lack <= 0)
            continue;
        for (QWidget* q : placed) {
            if (q->property(kLeft).toInt() < left || !inRow(label, q))
                continue;
            q->setProperty(kLeft, q->property(kLeft).toInt() + lack);
            if (auto* moved = qobject_cast<QLabel*>(q))
                fitLabel(moved);
            else
                q->move(q->x() + lack, q->y());
        }
    }
    return std::max(0, rightmost() - before);
}

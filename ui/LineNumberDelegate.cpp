#include "ui/LineNumberDelegate.h"

#include <QPainter>
#include <algorithm>

#include "ui/LineListModel.h"

namespace {

constexpr int kGap = 6; // between the numbers and the line

int digitsOf(std::size_t count)
{
    int digits = 1;
    for (; count >= 10; count /= 10)
        ++digits;
    return digits;
}

} // namespace

LineNumberDelegate::LineNumberDelegate(const LineListModel* model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model)
{
}

int LineNumberDelegate::marginWidth(const QFontMetrics& metrics) const
{
    // At least three digits, so that the margin does not jump for small
    // programs.
    const int digits = std::max(3, digitsOf(model_->size()));
    return digits * metrics.horizontalAdvance(QLatin1Char('0')) + 2 * kGap;
}

void LineNumberDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    const int margin = marginWidth(option.fontMetrics);
    const QRect numberRect(option.rect.left(), option.rect.top(), margin - kGap,
                           option.rect.height());
    painter->save();
    painter->fillRect(QRect(option.rect.left(), option.rect.top(), margin, option.rect.height()),
                      option.palette.window());
    painter->setPen(option.palette.color(QPalette::Disabled, QPalette::Text));
    painter->setFont(option.font);
    painter->drawText(numberRect, Qt::AlignRight | Qt::AlignVCenter,
                      QString::number(index.row() + 1));
    painter->restore();

    QStyleOptionViewItem rest(option);
    rest.rect.setLeft(option.rect.left() + margin);
    QStyledItemDelegate::paint(painter, rest, index);
}

QSize LineNumberDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    // The list asks for one row only (its rows are all alike): the answer is
    // the width of the longest line, so that the list scrolls to its end.
    const int longest = model_->longestRow();
    if (longest >= 0 && longest != index.row()) {
        const QSize widest =
            QStyledItemDelegate::sizeHint(option, model_->index(longest, 0));
        size.setWidth(std::max(size.width(), widest.width()));
    }
    size.setWidth(size.width() + marginWidth(option.fontMetrics));
    return size;
}

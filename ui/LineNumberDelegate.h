// Draws the source list's rows with their line numbers in a grey margin on
// the left (the numbers the reports, the status line and Ctrl+G speak of),
// and makes every row as wide as the program's longest line, so that the
// list scrolls sideways instead of cutting lines short.
#pragma once

#include <QStyledItemDelegate>

class LineListModel;

class LineNumberDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    LineNumberDelegate(const LineListModel* model, QObject* parent);

    // Width of the margin that holds the numbers, for `font`'s digits.
    int marginWidth(const QFontMetrics& metrics) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    const LineListModel* model_;
};

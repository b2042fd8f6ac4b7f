// The link from a source line to the command lines it produced.
#include <QItemSelection>
#include <QListView>

#include "ui/LineListModel.h"
#include "ui/Mainform.h"

void TForm1::SourceClick()
{
    QItemSelectionModel* destSelection = Dest->selectionModel();
    destSelection->clearSelection();

    const QModelIndexList selected = Source->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    int i = selected.constFirst().row();
    const int sourceCount = static_cast<int>(lineMap_.size());
    if (i < 0 || i >= sourceCount)
        return; // no run since the program was loaded
    const int first = lineMap_[static_cast<std::size_t>(i)];
    // 0 or less: the line had an ignored word group.
    if (first <= 0)
        return;

    // The block ends just before the next source line with a valid entry; a
    // line whose entry is -1 (it had an ignored group) is skipped.
    const int destCount = static_cast<int>(destModel_->size());
    int last = -1;
    for (;;) {
        if (i < sourceCount - 1) {
            ++i;
            last = lineMap_[static_cast<std::size_t>(i)] - 1;
            if (last >= 0)
                break;
        } else {
            last = destCount - 1;
            break;
        }
    }
    if (last < 0)
        last = first;
    last = std::min(last, destCount - 1);
    if (last < first)
        return; // the line produced no command line

    // One range: selecting a million rows one by one would take seconds.
    const QModelIndex top = destModel_->index(first);
    destSelection->select(QItemSelection(top, destModel_->index(last)),
                          QItemSelectionModel::Select);
    destSelection->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
    Dest->scrollTo(top, QAbstractItemView::PositionAtTop);
}

void TForm1::setSourceCurrentRow(int row)
{
    settingSourceRow_ = true;
    QItemSelectionModel* selection = Source->selectionModel();
    if (row < 0) {
        selection->clear();
    } else {
        const QModelIndex index = sourceModel_->index(row);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        Source->scrollTo(index, QAbstractItemView::EnsureVisible);
    }
    settingSourceRow_ = false;
}

void TForm1::clickSourceLine(int row)
{
    setSourceCurrentRow(row);
    SourceClick();
}

std::pair<int, int> TForm1::selectedDestRange() const
{
    const QItemSelection selection = Dest->selectionModel()->selection();
    if (selection.isEmpty())
        return {-1, -1};
    int first = selection.constFirst().top();
    int last = selection.constFirst().bottom();
    for (const QItemSelectionRange& range : selection) {
        first = std::min(first, range.top());
        last = std::max(last, range.bottom());
    }
    return {first, last};
}

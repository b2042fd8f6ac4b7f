#include "ui/LineListModel.h"

#include <QBrush>
#include <QColor>

#include "ui/UiText.h"

LineListModel::LineListModel(Decoding decoding, QObject* parent)
    : QAbstractListModel(parent), decoding_(decoding)
{
}

void LineListModel::setLines(std::vector<std::string> lines)
{
    beginResetModel();
    lines_ = std::move(lines);
    commands_.release();
    highlighted_ = -1;
    endResetModel();
}

void LineListModel::setLines(CommandLines lines)
{
    beginResetModel();
    std::vector<std::string>().swap(lines_);
    commands_ = std::move(lines);
    highlighted_ = -1;
    endResetModel();
}

void LineListModel::clear()
{
    beginResetModel();
    std::vector<std::string>().swap(lines_); // give the memory back now
    commands_.release();
    highlighted_ = -1;
    endResetModel();
}

void LineListModel::setHighlightedRow(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= size())
        row = -1;
    if (row == highlighted_)
        return;
    const int old = highlighted_;
    highlighted_ = row;
    const QList<int> roles{Qt::BackgroundRole, Qt::ForegroundRole};
    if (old >= 0)
        emit dataChanged(index(old), index(old), roles);
    if (row >= 0)
        emit dataChanged(index(row), index(row), roles);
}

QString LineListModel::displayText(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= size())
        return {};
    std::string_view line = this->line(static_cast<std::size_t>(row));
    const bool cut = line.size() > kMaxShownBytes;
    if (cut) {
        line = line.substr(0, kMaxShownBytes);
        // Do not split a UTF-8 sequence: drop an incomplete one at the cut.
        std::size_t lead = line.size();
        while (lead > 0 && line.size() - lead < 4 &&
               (static_cast<unsigned char>(line[lead - 1]) & 0xC0) == 0x80)
            --lead;
        if (lead > 0) {
            const auto c = static_cast<unsigned char>(line[lead - 1]);
            const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (length > 1 && line.size() - (lead - 1) < length)
                line = line.substr(0, lead - 1);
        }
    }
    QString text = decoding_ == Decoding::SourceText
                       ? sourceLineToQString(line)
                       : QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    if (cut)
        text += QChar(0x2026);
    return text;
}

int LineListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(size());
}

QVariant LineListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row());
    case Qt::BackgroundRole:
        if (index.row() == highlighted_)
            return QBrush(QColor(255, 224, 130));
        return {};
    case Qt::ForegroundRole:
        if (index.row() == highlighted_)
            return QBrush(Qt::black);
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags LineListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

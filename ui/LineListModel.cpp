#include "ui/LineListModel.h"

#include <QBrush>
#include <QColor>
#include <QStringList>

#include "ui/ReportBox.h"
#include "ui/UiText.h"

namespace {

// The line being translated, and the lines with an ignored word group.
const QColor kHighlight(255, 224, 130);
const QColor kReported(255, 205, 205);
// Groups listed in a tooltip; a line rarely holds more.
constexpr std::size_t kToolTipGroups = 20;

} // namespace

LineListModel::LineListModel(Decoding decoding, QObject* parent)
    : QAbstractListModel(parent), decoding_(decoding)
{
}

void LineListModel::stopGrowing()
{
    growing_ = nullptr;
    shownRows_ = 0;
}

void LineListModel::setLines(std::vector<std::string> lines)
{
    beginResetModel();
    stopGrowing();
    lines_ = std::move(lines);
    commands_.release();
    highlighted_ = -1;
    longest_ = -1;
    std::size_t longestBytes = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (longest_ < 0 || lines_[i].size() > longestBytes) {
            longest_ = static_cast<int>(i);
            longestBytes = lines_[i].size();
        }
    }
    reports_.clear();
    endResetModel();
}

void LineListModel::setLines(CommandLines lines)
{
    beginResetModel();
    stopGrowing();
    std::vector<std::string>().swap(lines_);
    commands_ = std::move(lines);
    highlighted_ = -1;
    longest_ = -1;
    reports_.clear();
    endResetModel();
}

void LineListModel::clear()
{
    beginResetModel();
    stopGrowing();
    std::vector<std::string>().swap(lines_); // give the memory back now
    commands_.release();
    highlighted_ = -1;
    longest_ = -1;
    reports_.clear();
    endResetModel();
}

void LineListModel::showGrowing(const CommandLines* lines)
{
    beginResetModel();
    std::vector<std::string>().swap(lines_);
    commands_.release();
    highlighted_ = -1;
    longest_ = -1;
    growing_ = lines;
    shownRows_ = 0;
    endResetModel();
}

void LineListModel::growTo(std::size_t rows)
{
    if (!growing_)
        return;
    rows = std::min(rows, growing_->size());
    if (rows <= shownRows_)
        return;
    beginInsertRows(QModelIndex(), static_cast<int>(shownRows_), static_cast<int>(rows) - 1);
    shownRows_ = rows;
    endInsertRows();
}

void LineListModel::setHighlightedRow(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= size())
        row = -1;
    if (row == highlighted_)
        return;
    highlighted_ = row;
    emit marksChanged();
}

void LineListModel::reportsChanged()
{
    emit marksChanged();
}

void LineListModel::setReportTexts(int language, const QString& emptyGroup)
{
    reportLanguage_ = language;
    emptyGroup_ = emptyGroup;
}

QString LineListModel::reportToolTip(int row) const
{
    const std::vector<ReportedLines::Group> groups = reports_.groupsOf(row);
    if (groups.empty())
        return {};
    QStringList shown;
    for (std::size_t i = 0; i < groups.size() && i < kToolTipGroups; ++i) {
        const ReportedLines::Group& g = groups[i];
        shown << reportToolTipEntry(reportLanguage_, g.text, g.cut, g.info, emptyGroup_);
    }
    if (groups.size() > kToolTipGroups)
        shown << QString(QChar(0x2026));
    return shown.join(QLatin1Char('\n'));
}

QString LineListModel::displayText(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= size())
        return {};
    const std::string_view whole = this->line(static_cast<std::size_t>(row));
    const std::string_view line = utf8Prefix(whole, kMaxShownBytes);
    QString text = decoding_ == Decoding::SourceText
                       ? sourceLineToQString(line)
                       : QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    if (line.size() < whole.size())
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
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return displayText(row);
    case Qt::BackgroundRole:
        if (row == highlighted_)
            return QBrush(kHighlight);
        if (reports_.lineCount() > 0 && reports_.contains(row))
            return QBrush(kReported);
        return {};
    case Qt::ForegroundRole:
        if (row == highlighted_ || (reports_.lineCount() > 0 && reports_.contains(row)))
            return QBrush(Qt::black);
        return {};
    case Qt::ToolTipRole: {
        if (reports_.lineCount() == 0)
            return {};
        const QString tip = reportToolTip(row);
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
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

// A read-only list model over text lines kept as the engine has them (source
// lines as strings, command lines in the engine's own list), decoded for
// display only when the view asks for a visible row. A program of a million
// lines costs no widget items and no second copy in UTF-16.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <string>
#include <vector>

#include "engine/CommandLines.h"
#include "ui/ReportedLines.h"

class LineListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    enum class Decoding {
        SourceText, // G-code: UTF-8 when valid, otherwise Latin-1
        Ascii,      // machine command lines: plain bytes
    };

    // Lines longer than this are shown cut, with an ellipsis: laying out a
    // 50 MB line would freeze the window.
    static constexpr std::size_t kMaxShownBytes = 4096;

    explicit LineListModel(Decoding decoding, QObject* parent = nullptr);

    // The model shows either source lines or command lines.
    void setLines(std::vector<std::string> lines);
    void setLines(CommandLines lines);
    void clear();
    const std::vector<std::string>& lines() const { return lines_; }
    const CommandLines& commandLines() const { return commands_; }
    std::size_t size() const { return growing_ ? shownRows_ : lines_.size() + commands_.size(); }

    // Shows the command lines of a run while the run writes them: the rows
    // written so far become visible at each growTo(), in one step however
    // many they are. `lines` must outlive the showing, which ends with
    // setLines() or clear().
    void showGrowing(const CommandLines* lines);
    void growTo(std::size_t rows);
    bool isGrowing() const { return growing_ != nullptr; }

    // The line being translated, drawn with a marker colour; -1 for none.
    // Changes of colour are told by marksChanged(), not dataChanged(): a
    // list view lays all its rows out again after any dataChanged(), which
    // costs tens of milliseconds for a million rows.
    void setHighlightedRow(int row);
    int highlightedRow() const { return highlighted_; }

    // The word groups the last run reported, by line: their lines are
    // tinted and list their groups in a tooltip. The run adds to them as it
    // goes; reportsChanged() tells the views once it is over.
    ReportedLines& reports() { return reports_; }
    const ReportedLines& reports() const { return reports_; }
    void reportsChanged();
    // The language of the tooltips (each group with what happened to it and
    // why), and what stands for an empty group (an empty line).
    void setReportTexts(int language, const QString& emptyGroup);
    // The tooltip of a row, empty for a line without report.
    QString reportToolTip(int row) const;

    // The row of the longest line (in bytes), -1 when empty: what the source
    // list measures to know how far it scrolls sideways.
    int longestRow() const { return longest_; }

    // The text a row shows.
    QString displayText(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  signals:
    // The colours or tooltips of some rows changed: views repaint.
    void marksChanged();

  private:
    std::string_view line(std::size_t row) const
    {
        if (growing_)
            return (*growing_)[row];
        return lines_.empty() ? commands_[row] : std::string_view(lines_[row]);
    }
    void stopGrowing();

    Decoding decoding_;
    std::vector<std::string> lines_;
    CommandLines commands_;
    const CommandLines* growing_ = nullptr;
    std::size_t shownRows_ = 0;
    int highlighted_ = -1;
    int longest_ = -1;
    ReportedLines reports_;
    int reportLanguage_ = 0;
    QString emptyGroup_;
};

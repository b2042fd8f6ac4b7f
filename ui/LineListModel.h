// A read-only list model over text lines kept as the engine has them: one
// std::string per line, decoded for display only when the view asks for a
// visible row. A program of a million lines costs no widget items and no
// second copy in UTF-16.
#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

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

    void setLines(std::vector<std::string> lines);
    void clear();
    const std::vector<std::string>& lines() const { return lines_; }
    std::size_t size() const { return lines_.size(); }

    // The line being translated, drawn with a marker colour; -1 for none.
    void setHighlightedRow(int row);
    int highlightedRow() const { return highlighted_; }

    // The text a row shows.
    QString displayText(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    Decoding decoding_;
    std::vector<std::string> lines_;
    int highlighted_ = -1;
};

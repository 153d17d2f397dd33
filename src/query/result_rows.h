#pragma once
// Rows of a result held compactly: each row's cells as one string with the
// end of every cell, so a grid of a hundred thousand rows stays small.
#include <QString>
#include <QStringView>

#include <vector>

namespace norvane {

class ResultRows {
public:
    explicit ResultRows(int fieldCount = 0) : fieldCount_(fieldCount) {}

    int fieldCount() const { return fieldCount_; }
    qsizetype size() const { return static_cast<qsizetype>(texts_.size()); }
    bool empty() const { return texts_.empty(); }

    // Cells are added one at a time; endRow closes the row.
    void addCell(const QString& text)
    {
        building_ += text;
        ends_.push_back(static_cast<quint32>(building_.size()));
    }
    void endRow()
    {
        building_.squeeze();
        texts_.push_back(std::move(building_));
        building_ = QString();
    }
    QStringView cell(qsizetype row, int column) const
    {
        const std::size_t first = static_cast<std::size_t>(row) * static_cast<std::size_t>(fieldCount_);
        const quint32 begin = column == 0 ? 0 : ends_[first + static_cast<std::size_t>(column) - 1];
        const quint32 end = ends_[first + static_cast<std::size_t>(column)];
        return QStringView(texts_[static_cast<std::size_t>(row)]).mid(begin, end - begin);
    }
    // Moves every row of the other block to the end of this one.
    void append(ResultRows&& other)
    {
        if (texts_.empty()) {
            texts_ = std::move(other.texts_);
            ends_ = std::move(other.ends_);
        } else {
            texts_.insert(texts_.end(), std::make_move_iterator(other.texts_.begin()),
                          std::make_move_iterator(other.texts_.end()));
            ends_.insert(ends_.end(), other.ends_.begin(), other.ends_.end());
        }
        other.texts_.clear();
        other.ends_.clear();
    }
    void clear()
    {
        texts_.clear();
        ends_.clear();
        building_.clear();
    }

private:
    int fieldCount_ = 0;
    std::vector<QString> texts_;
    std::vector<quint32> ends_;
    QString building_;
};

}  // namespace norvane

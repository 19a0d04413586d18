// The rows of the news grid: a title, a category and a date each, and how
// the row looks (bold while unread, a star). Rows cost no widget each, so a
// channel of 20,000 items is shown as fast as its texts can be copied.
#pragma once

#include "base/Dates.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QIcon>

#include <cstdint>
#include <string>
#include <vector>

// The grid's columns.
enum TNewsColumn { ncTitle, ncCategory, ncDate, ncColumns };

// The order of the rows: by one column, either way.
struct TNewsSort {
    int Column = ncDate;
    bool Descending = true;
    bool operator==(const TNewsSort&) const = default;
};

struct TGridRow {
    // The title and the category.
    std::string Cells[2];
    double Date = kNoDate;
    bool Bold = false;
    bool Starred = false;
};

class TGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TGridModel(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void SetRowCount(int count);
    const std::string& Cell(int col, int row) const;
    void SetCell(int col, int row, std::string_view text);
    // Every row at once: one reset of the view.
    void SetRows(std::vector<TGridRow> rows);
    const TGridRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    void SetLook(int row, bool bold, bool starred);
    void SetBoldFont(const QFont& font) { bold_ = font; }
    // The mark before an unread row's title, and the room it takes in a read one.
    void SetUnreadMarks(const QIcon& unread, const QIcon& read) {
        unreadMark_ = unread;
        readMark_ = read;
    }

private:
    std::vector<TGridRow> rows_;
    QFont bold_;
    QIcon unreadMark_;
    QIcon readMark_;
};

#include "ui/GridModel.h"

#include "ui/QtText.h"

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= 2)
        return {};
    const TGridRow& row = Row(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        const QString text = ToQString(row.Cells[index.column()]);
        return index.column() == 0 && row.Starred ? QString::fromUtf8("\u2605 ") + text : text;
    }
    case Qt::FontRole:
        return row.Bold ? QVariant(bold_) : QVariant();
    case Qt::DecorationRole:
        // Bold alone is hard to see in some faces: an unread row has a dot.
        if (index.column() != 0 || unreadMark_.isNull())
            return {};
        return row.Bold ? unreadMark_ : readMark_;
    default:
        return {};
    }
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void TGridModel::SetColumnCount(int count) {
    if (count == columns_)
        return;
    if (count > columns_) {
        beginInsertColumns({}, columns_, count - 1);
        columns_ = count;
        endInsertColumns();
    } else {
        beginRemoveColumns({}, count, columns_ - 1);
        columns_ = count;
        endRemoveColumns();
    }
}

void TGridModel::SetRowCount(int count) {
    const int now = rowCount();
    if (count > now) {
        beginInsertRows({}, now, count - 1);
        rows_.resize(static_cast<std::size_t>(count));
        endInsertRows();
    } else if (count < now) {
        beginRemoveRows({}, count, now - 1);
        rows_.resize(static_cast<std::size_t>(count));
        endRemoveRows();
    }
}

const std::string& TGridModel::Cell(int col, int row) const {
    static const std::string none;
    return row >= 0 && row < rowCount() && col >= 0 && col < 2 ? Row(row).Cells[col] : none;
}

void TGridModel::SetCell(int col, int row, std::string_view text) {
    if (row < 0 || row >= rowCount() || col < 0 || col >= 2)
        return;
    rows_[static_cast<std::size_t>(row)].Cells[col].assign(text);
    emit dataChanged(index(row, col), index(row, col), {Qt::DisplayRole});
}

void TGridModel::SetRows(std::vector<TGridRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void TGridModel::SetLook(int row, bool bold, bool starred) {
    if (row < 0 || row >= rowCount())
        return;
    TGridRow& shown = rows_[static_cast<std::size_t>(row)];
    if (shown.Bold == bold && shown.Starred == starred)
        return;
    shown.Bold = bold;
    shown.Starred = starred;
    emit dataChanged(index(row, 0), index(row, columns_ - 1));
}

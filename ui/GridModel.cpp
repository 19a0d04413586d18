#include "ui/GridModel.h"

#include "ui/QtText.h"

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ncColumns; }

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ncColumns)
        return {};
    const TGridRow& row = Row(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        if (index.column() == ncDate)
            return ToQString(FormatDateYmd(row.Date));
        const QString text = ToQString(row.Cells[index.column()]);
        return index.column() == ncTitle && row.Starred ? QString::fromUtf8("\u2605 ") + text : text;
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

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        static const char* const kNames[ncColumns] = {"Title", "Category", "Date"};
        return section >= 0 && section < ncColumns ? QString(kNames[section]) : QVariant();
    }
    case Qt::InitialSortOrderRole:
        // A first click on the date shows the newest first, on a text A to Z.
        return section == ncDate ? Qt::DescendingOrder : Qt::AscendingOrder;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
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
    emit dataChanged(index(row, 0), index(row, ncColumns - 1));
}

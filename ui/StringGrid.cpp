#include "ui/StringGrid.h"

#include "ui/Controls.h"
#include "ui/QtText.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolTip>

#include <algorithm>

namespace {

// The least width a drag leaves a column, and the least the title keeps
// before the other columns give way to it.
constexpr int kLeastColumn = 24;
constexpr int kLeastTitle = 60;

}  // namespace

TStringGrid::TStringGrid(int colCount, int rowCount, QWidget* parent)
    : QTableView(parent), model_(new TGridModel(this)) {
    setModel(model_);
    model_->SetRowCount(rowCount);
    QFont bold = font();
    bold.setBold(true);
    model_->SetBoldFont(bold);
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(1);
    header->setSortIndicator(sort_.Column, Qt::DescendingOrder);
    header->viewport()->installEventFilter(this);
    SetColCount(colCount);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(21);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SetDefaultColWidth(150);
    // The date has room for its widest text in bold (an unread row), and
    // for its header with the order's mark.
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 4;
    wanted_[ncDate] = std::max(QFontMetrics(bold).horizontalAdvance("0000-00-00") + margins,
                               header->sectionSizeHint(ncDate));
    wanted_[ncCategory] = std::max(100, header->sectionSizeHint(ncCategory));
    setShowGrid(false);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.row() >= 0)
            emit selectCell(current.column(), current.row());
    });
    connect(this, &QAbstractItemView::pressed, this,
            [this](const QModelIndex& index) { emit selectCell(index.column(), index.row()); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit topLeftChanged(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit topLeftChanged(); });
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int oldWidth, int newWidth) {
        if (!fitting_ && headerHeld_ && !isColumnHidden(column))
            ColumnDragged(column, oldWidth, newWidth);
    });
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
        const TNewsSort sort{column, order == Qt::DescendingOrder};
        if (sort == sort_)
            return;
        sort_ = sort;
        emit sortChanged();
    });
}

void TStringGrid::SetColCount(int count) {
    colCount_ = std::clamp(count, 1, 2);
    fitting_ = true;
    setColumnHidden(ncCategory, colCount_ < 2);
    fitting_ = false;
    FitColumns();
}

std::string TStringGrid::Cells(int col, int row) const { return model_->Cell(col, row); }

void TStringGrid::SetCells(int col, int row, std::string_view text) { model_->SetCell(col, row, text); }

void TStringGrid::setCurrentCell(int row, int col) { setCurrentIndex(model_->index(row, col)); }

int TStringGrid::DefaultColWidth() const { return horizontalHeader()->defaultSectionSize(); }

void TStringGrid::SetDefaultColWidth(int width) {
    fitting_ = true;
    horizontalHeader()->setDefaultSectionSize(width);
    for (int c = 0; c < model_->columnCount(); ++c)
        setColumnWidth(c, width);
    fitting_ = false;
}

void TStringGrid::SetWantedWidth(int column, int width) {
    if (column <= ncTitle || column >= ncColumns)
        return;
    wanted_[column] = std::max(kLeastColumn, width);
    FitColumns();
}

void TStringGrid::FitColumns() {
    const int room = viewport()->width();
    int others = 0;
    for (int c = ncCategory; c < ncColumns; ++c)
        if (!isColumnHidden(c))
            others += wanted_[c];
    // Short of room, the other columns give way in proportion.
    const double scale = others > 0 && room - kLeastTitle < others
                             ? std::max(0, room - kLeastTitle) / static_cast<double>(others)
                             : 1.0;
    fitting_ = true;
    int used = 0;
    for (int c = ncCategory; c < ncColumns; ++c)
        if (!isColumnHidden(c)) {
            const int width = std::max(1, static_cast<int>(wanted_[c] * scale));
            setColumnWidth(c, width);
            used += width;
        }
    setColumnWidth(ncTitle, std::max(1, room - used));
    fitting_ = false;
}

// A border dragged moves width between the two columns beside it; the
// date's right edge takes its width from the title.
void TStringGrid::ColumnDragged(int column, int oldWidth, int newWidth) {
    const int change = newWidth - oldWidth;
    if (column == ncTitle) {
        const int next = isColumnHidden(ncCategory) ? ncDate : ncCategory;
        wanted_[next] = std::max(kLeastColumn, columnWidth(next) - change);
    } else if (column == ncCategory) {
        wanted_[ncCategory] = std::max(kLeastColumn, newWidth);
        wanted_[ncDate] = std::max(kLeastColumn, columnWidth(ncDate) - change);
    } else {
        wanted_[ncDate] = std::max(kLeastColumn, newWidth);
    }
    FitColumns();
}

void TStringGrid::SetSort(TNewsSort sort) {
    if (sort.Column < 0 || sort.Column >= ncColumns)
        return;
    sort_ = sort;
    const QSignalBlocker quiet(horizontalHeader());
    horizontalHeader()->setSortIndicator(sort.Column,
                                         sort.Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    horizontalHeader()->viewport()->update();
}

int TStringGrid::LeftCol() const { return horizontalScrollBar()->value(); }

void TStringGrid::SetLeftCol(int col) { horizontalScrollBar()->setValue(col); }

void TStringGrid::updateGeometries() {
    QTableView::updateGeometries();
    const int rowHeight = verticalHeader()->defaultSectionSize();
    if (rowHeight <= 0)
        return;
    const int wholeRows = std::max(1, viewport()->height() / rowHeight);
    verticalScrollBar()->setMaximum(std::max(0, RowCount() - wholeRows));
}

void TStringGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    // At its maximum the view would put the last row at the bottom edge
    // and cut the top row.
    if (verticalHeader()->offset() != verticalHeader()->sectionPosition(verticalScrollBar()->value())) {
        verticalHeader()->setOffsetToSectionPosition(verticalScrollBar()->value());
        viewport()->update();
    }
}

bool TStringGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) {
        const bool handled = QTableView::viewportEvent(event);
        FitColumns();
        return handled;
    }
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    if (index.isValid()) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(index);
        if (itemDelegateForIndex(index)->sizeHint(option, index).width() > option.rect.width()) {
            // Rich text, which a tooltip wraps to a few lines.
            QToolTip::showText(help->globalPos(), "<qt>" + index.data().toString().toHtmlEscaped() + "</qt>",
                               viewport(), option.rect);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            headerHeld_ = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            headerHeld_ = false;
    }
    return QTableView::eventFilter(watched, event);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        emit enterPressed(currentRow());
        event->accept();
        return;
    }
    const QModelIndex current = currentIndex();
    const QPoint at = current.isValid() ? visualRect(current).center() : QPoint(4, 4);
    if (!OpenContextMenuByKey(this, event, at))
        QTableView::keyPressEvent(event);
}

void TStringGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        emit focusEnteredByKey();
}

#include "ui/StringGrid.h"

#include "ui/Controls.h"
#include "ui/QtText.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

TStringGrid::TStringGrid(int colCount, int rowCount, QWidget* parent)
    : QTableView(parent), model_(new TGridModel(this)) {
    setModel(model_);
    model_->SetRowCount(rowCount);
    QFont bold = font();
    bold.setBold(true);
    model_->SetBoldFont(bold);
    SetColCount(colCount);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(21);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    SetDefaultColWidth(150);
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
}

void TStringGrid::SetColCount(int count) {
    colCount_ = std::clamp(count, 1, 2);
    for (int c = 0; c < model_->columnCount(); ++c)
        setColumnHidden(c, c >= colCount_);
}

std::string TStringGrid::Cells(int col, int row) const { return model_->Cell(col, row); }

void TStringGrid::SetCells(int col, int row, std::string_view text) { model_->SetCell(col, row, text); }

void TStringGrid::setCurrentCell(int row, int col) { setCurrentIndex(model_->index(row, col)); }

int TStringGrid::DefaultColWidth() const { return horizontalHeader()->defaultSectionSize(); }

void TStringGrid::SetDefaultColWidth(int width) {
    horizontalHeader()->setDefaultSectionSize(width);
    for (int c = 0; c < model_->columnCount(); ++c)
        setColumnWidth(c, width);
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

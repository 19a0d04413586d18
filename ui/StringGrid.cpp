#include "ui/StringGrid.h"

#include "ui/QtText.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace {
constexpr int kCellBytes = Qt::UserRole;
}

TStringGrid::TStringGrid(int colCount, int rowCount, QWidget* parent) : QTableWidget(rowCount, 0, parent) {
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

    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
        if (row >= 0)
            emit selectCell(col, row);
    });
    connect(this, &QTableWidget::cellPressed, this, [this](int row, int col) { emit selectCell(col, row); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit topLeftChanged(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit topLeftChanged(); });
}

void TStringGrid::SetColCount(int count) {
    colCount_ = std::max(count, 1);
    if (columnCount() < std::max(colCount_, 2))
        setColumnCount(std::max(colCount_, 2));
    for (int c = 0; c < columnCount(); ++c)
        setColumnHidden(c, c >= colCount_);
}

std::string TStringGrid::Cells(int col, int row) const {
    const QTableWidgetItem* cell = item(row, col);
    return cell ? cell->data(kCellBytes).toByteArray().toStdString() : std::string();
}

void TStringGrid::SetCells(int col, int row, std::string_view text) {
    if (col >= columnCount()) {
        setColumnCount(col + 1);
        SetColCount(colCount_);
    }
    QTableWidgetItem* cell = item(row, col);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        setItem(row, col, cell);
    }
    cell->setText(ToQString(text));
    cell->setData(kCellBytes, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

int TStringGrid::DefaultColWidth() const { return horizontalHeader()->defaultSectionSize(); }

void TStringGrid::SetDefaultColWidth(int width) {
    horizontalHeader()->setDefaultSectionSize(width);
    for (int c = 0; c < columnCount(); ++c)
        setColumnWidth(c, width);
}

int TStringGrid::LeftCol() const { return horizontalScrollBar()->value(); }

void TStringGrid::SetLeftCol(int col) { horizontalScrollBar()->setValue(col); }

void TStringGrid::updateGeometries() {
    QTableWidget::updateGeometries();
    const int rowHeight = verticalHeader()->defaultSectionSize();
    if (rowHeight <= 0)
        return;
    const int wholeRows = std::max(1, viewport()->height() / rowHeight);
    verticalScrollBar()->setMaximum(std::max(0, rowCount() - wholeRows));
}

void TStringGrid::scrollContentsBy(int dx, int dy) {
    QTableWidget::scrollContentsBy(dx, dy);
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
    QTableWidget::keyPressEvent(event);
}

void TStringGrid::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        emit focusEnteredByKey();
}

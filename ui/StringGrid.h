// A grid of text cells: rows of a title, a category and a date under a
// header, whole-row selection, no grid lines and no editing. A view over a
// TGridModel. The columns always fill the grid's width: the title takes
// what the others leave, and dragging a border between two columns moves
// width from one to the other. A click on a header asks for that order.
#pragma once

#include "ui/GridModel.h"

#include <QTableView>

#include <string>
#include <string_view>

class TStringGrid : public QTableView {
    Q_OBJECT
public:
    TStringGrid(int colCount, int rowCount, QWidget* parent);

    // The text columns shown: 2 (title and category) or 1 (the title); the
    // date is always shown. A hidden category keeps its cells.
    int ColCount() const { return colCount_; }
    void SetColCount(int count);
    int RowCount() const { return model_->rowCount(); }
    void SetRowCount(int count) { model_->SetRowCount(count); }
    std::string Cells(int col, int row) const;
    void SetCells(int col, int row, std::string_view text);
    // Setting it gives every column that width, until the columns are fitted.
    int DefaultColWidth() const;
    void SetDefaultColWidth(int width);
    // The leftmost visible column.
    int LeftCol() const;
    void SetLeftCol(int col);

    // The width the category or the date column takes when there is room;
    // the title takes the rest.
    int WantedWidth(int column) const { return wanted_[column]; }
    void SetWantedWidth(int column, int width);
    // Gives the visible columns the grid's width.
    void FitColumns();
    TNewsSort Sort() const { return sort_; }
    // Shows the order in the header; sortChanged is not sent.
    void SetSort(TNewsSort sort);

    TGridModel& Rows() const { return *model_; }
    int currentRow() const { return currentIndex().row(); }
    void setCurrentCell(int row, int col);

signals:
    // A cell is selected: by the keyboard, by a click, also a click on the
    // cell that is selected already.
    void selectCell(int col, int row);
    void topLeftChanged();
    // Return or Enter on a row.
    void enterPressed(int row);
    // The grid took the focus from the keyboard (Tab, Shift+Tab).
    void focusEnteredByKey();
    // A click on a header changed the order.
    void sortChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    // The top visible row is always whole, also at the end of the list:
    // the space below the last row stays empty instead.
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    // A cell whose text is cut shows it whole as a tooltip.
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ColumnDragged(int column, int oldWidth, int newWidth);

    TGridModel* model_;
    int colCount_ = 0;
    int wanted_[ncColumns] = {0, 0, 0};
    TNewsSort sort_;
    // The columns are being fitted, not dragged.
    bool fitting_ = false;
    // A mouse button is down on the header.
    bool headerHeld_ = false;
};

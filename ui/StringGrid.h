// A grid of text cells: rows of UTF-8 texts, whole-row selection, no
// header, no grid lines and no editing. A view over a TGridModel.
#pragma once

#include "ui/GridModel.h"

#include <QTableView>

#include <string>
#include <string_view>

class TStringGrid : public QTableView {
    Q_OBJECT
public:
    TStringGrid(int colCount, int rowCount, QWidget* parent);

    // Columns past ColCount are hidden but keep their cells.
    int ColCount() const { return colCount_; }
    void SetColCount(int count);
    int RowCount() const { return model_->rowCount(); }
    void SetRowCount(int count) { model_->SetRowCount(count); }
    std::string Cells(int col, int row) const;
    void SetCells(int col, int row, std::string_view text);
    // Setting it gives every column that width.
    int DefaultColWidth() const;
    void SetDefaultColWidth(int width);
    // The leftmost visible column.
    int LeftCol() const;
    void SetLeftCol(int col);

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

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    // The top visible row is always whole, also at the end of the list:
    // the space below the last row stays empty instead.
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

private:
    TGridModel* model_;
    int colCount_ = 0;
};

// A grid of text cells: rows of Windows-1250 texts, whole-row selection,
// no header, no grid lines and no editing.
#pragma once

#include <QTableWidget>

#include <string>
#include <string_view>

class TStringGrid : public QTableWidget {
    Q_OBJECT
public:
    TStringGrid(int colCount, int rowCount, QWidget* parent);

    // Columns past ColCount are hidden but keep their cells.
    int ColCount() const { return colCount_; }
    void SetColCount(int count);
    int RowCount() const { return rowCount(); }
    void SetRowCount(int count) { setRowCount(count); }
    std::string Cells(int col, int row) const;
    void SetCells(int col, int row, std::string_view text);
    // Setting it gives every column that width.
    int DefaultColWidth() const;
    void SetDefaultColWidth(int width);
    // The leftmost visible column.
    int LeftCol() const;
    void SetLeftCol(int col);

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
    int colCount_ = 0;
};

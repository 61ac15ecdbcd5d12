#pragma once

#include <QTableWidget>
#include <string>

#include "platform/xls/xls_writer.h"

namespace brivo {

// A read-only text grid addressed the way the program's grids are: row 0 is the heading row
// (shown as the fixed header, so it stays in view while the rows scroll), rows 1.. the data.
class FlexGrid : public QTableWidget {
  Q_OBJECT

 public:
  explicit FlexGrid(QWidget* parent = nullptr);

  // Rows and columns, the heading row included.
  int Rows() const { return rowCount() + 1; }
  int Cols() const { return columnCount(); }
  // Sets the size; new cells are empty, cells that stay keep their text.
  void SetRows(int rows);
  void SetCols(int cols);

  QString Text(int row, int col) const;
  void SetText(int row, int col, const QString& text);

  // Column widths in twips (1/1440 inch), as the program gives them.
  void SetColWidthTwips(int col, int twips);
  int ColWidthTwips(int col) const;

  // Every cell's text, row 0 the headings.
  SheetCells Cells() const;
  // Makes the last cell (last row, last column) the current one without scrolling the view.
  void SelectLastCell();

  // The first data row in view (1 when not scrolled).
  int TopRow() const;
  // Brings the last row into view when not all rows fit.
  void ShowLastRow();

 private:
  int TwipsToPixels(int twips) const;
};

}  // namespace brivo

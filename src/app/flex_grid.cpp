#include "app/flex_grid.h"

#include <QHeaderView>
#include <QScrollBar>

namespace brivo {

FlexGrid::FlexGrid(QWidget* parent) : QTableWidget(parent) {
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setMinimumSectionSize(10);
  setWordWrap(false);
}

void FlexGrid::SetRows(int rows) { setRowCount(rows > 1 ? rows - 1 : 0); }

void FlexGrid::SetCols(int cols) {
  const int old = columnCount();
  setColumnCount(cols > 0 ? cols : 0);
  for (int c = old; c < columnCount(); ++c) setHorizontalHeaderItem(c, new QTableWidgetItem());
}

QString FlexGrid::Text(int row, int col) const {
  if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return {};
  const QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
  return cell != nullptr ? cell->text() : QString();
}

void FlexGrid::SetText(int row, int col, const QString& text) {
  if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return;
  if (row == 0) {
    setHorizontalHeaderItem(col, new QTableWidgetItem(text));
  } else if (QTableWidgetItem* cell = item(row - 1, col)) {
    cell->setText(text);
  } else {
    setItem(row - 1, col, new QTableWidgetItem(text));
  }
}

int FlexGrid::TwipsToPixels(int twips) const { return (twips * logicalDpiX() + 720) / 1440; }

void FlexGrid::SetColWidthTwips(int col, int twips) { setColumnWidth(col, TwipsToPixels(twips)); }

int FlexGrid::ColWidthTwips(int col) const {
  const int dpi = logicalDpiX();
  return dpi > 0 ? (columnWidth(col) * 1440 + dpi / 2) / dpi : 0;
}

SheetCells FlexGrid::Cells() const {
  SheetCells cells(static_cast<std::size_t>(Rows()));
  for (int r = 0; r < Rows(); ++r) {
    auto& row = cells[static_cast<std::size_t>(r)];
    row.reserve(static_cast<std::size_t>(Cols()));
    for (int c = 0; c < Cols(); ++c) row.push_back(Text(r, c).toStdString());
  }
  return cells;
}

void FlexGrid::SelectLastCell() {
  if (rowCount() == 0 || columnCount() == 0) return;
  // A new current cell is scrolled into view, at once or when the grid is next shown; the user
  // keeps the rows they were reading.
  const int across = horizontalScrollBar()->value();
  const int down = verticalScrollBar()->value();
  const bool scrolls = hasAutoScroll();
  setAutoScroll(false);
  setCurrentCell(rowCount() - 1, columnCount() - 1);
  setAutoScroll(scrolls);
  horizontalScrollBar()->setValue(across);
  verticalScrollBar()->setValue(down);
}

int FlexGrid::TopRow() const {
  const int first = rowAt(0);
  return first < 0 ? 1 : first + 1;
}

void FlexGrid::ShowLastRow() { scrollToBottom(); }

}  // namespace brivo

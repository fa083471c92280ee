#include "xlsx/QVExcelAIOSWriter.h"

#include <algorithm>
#include <unordered_map>

#include "xlsx/QVExcelPage.h"

namespace {

// The highest row and column the page's grid uses.
struct Extent {
  uint64_t rows = 0;
  uint64_t columns = 0;
};

Extent extentOf(const QVExcelPage& page) {
  Extent e;
  for (const QVExcelRow& row : page.sheetRows) e.rows = std::max(e.rows, row.rowIndex());
  for (const QVExcelColumn& column : page.columns) e.columns = std::max(e.columns, column.columnIndex());
  for (const QVMergedCell& range : page.mergeCells) {
    e.rows = std::max(e.rows, range.end.r);
    e.columns = std::max(e.columns, range.end.c);
  }
  return e;
}

}  // namespace

QVExcelAIOSWriter::QVExcelAIOSWriter(const std::string& rootFolder)
    : sheetXMLPath_(rootFolder + "/xl/worksheets/sheet1.xml") {}

void QVExcelAIOSWriter::collectPageXMLToRow(QVExcelPage& page) {
  const Extent extent = extentOf(page);
  const uint64_t offset = lastRow_;
  const uint64_t room = QVExcelPage::kMaxSheetRows - std::min(offset, QVExcelPage::kMaxSheetRows);

  std::unordered_map<uint64_t, size_t> columnAt;
  for (size_t i = 0; i < columns.size(); ++i) columnAt.emplace(columns[i].columnIndex(), i);
  for (QVExcelColumn& column : page.columns) {
    const auto same = columnAt.find(column.columnIndex());
    if (same == columnAt.end()) {
      columnAt.emplace(column.columnIndex(), columns.size());
      columns.push_back(std::move(column));
    } else {
      QVExcelColumn& kept = columns[same->second];
      kept.setWidth(std::max(kept.frame().size.width, column.frame().size.width));
    }
  }
  for (QVExcelRow& row : page.sheetRows) {
    if (row.rowIndex() > room) continue;
    row.setRowIndex(row.rowIndex() + offset);
    sheetRows.push_back(std::move(row));
  }
  for (QVMergedCell range : page.mergeCells) {
    if (range.end.r > room) continue;
    range.start.r += offset;
    range.end.r += offset;
    mergeCells.push_back(range);
  }
  lastRow_ = offset + std::min(extent.rows, room);
  lastColumn_ = std::max(lastColumn_, extent.columns);
  page.columns.clear();
  page.sheetRows.clear();
  page.mergeCells.clear();
}

void QVExcelAIOSWriter::collectPageXMLToColumn(QVExcelPage& page) {
  const Extent extent = extentOf(page);
  const uint64_t offset = lastColumn_;
  const uint64_t room = QVExcelPage::kMaxSheetColumns - std::min(offset, QVExcelPage::kMaxSheetColumns);

  // Cells past the last column a worksheet has stay out, judged by the
  // page's own numbering before the columns move on.
  for (QVExcelRow& row : page.sheetRows)
    std::erase_if(row.cells,
                  [&](const QVExcelCellPtr& cell) { return !cell->stringItem || cell->stringItem->columnIndex > room; });
  for (QVExcelColumn& column : page.columns) {
    if (column.columnIndex() > room) continue;
    column.setColumnIndex(column.columnIndex() + offset);
    columns.push_back(std::move(column));
  }
  std::unordered_map<uint64_t, size_t> rowAt;
  for (size_t i = 0; i < sheetRows.size(); ++i) rowAt.emplace(sheetRows[i].rowIndex(), i);
  for (QVExcelRow& row : page.sheetRows) {
    if (row.cells.empty()) continue;
    const auto same = rowAt.find(row.rowIndex());
    if (same == rowAt.end()) {
      rowAt.emplace(row.rowIndex(), sheetRows.size());
      sheetRows.push_back(std::move(row));
    } else {
      QVExcelRow& kept = sheetRows[same->second];
      kept.setHeight(std::max(kept.frame().size.height, row.frame().size.height));
      kept.cells.insert(kept.cells.end(), row.cells.begin(), row.cells.end());
    }
  }
  for (QVMergedCell range : page.mergeCells) {
    if (range.end.c > room) continue;
    range.start.c += offset;
    range.end.c += offset;
    mergeCells.push_back(range);
  }
  lastColumn_ = offset + std::min(extent.columns, room);
  lastRow_ = std::max(lastRow_, extent.rows);
  page.columns.clear();
  page.sheetRows.clear();
  page.mergeCells.clear();
}

void QVExcelAIOSWriter::writeSheetXML(const QVExcelManager& manager) {
  QVExcelPage::writeWorksheet(sheetXMLPath_, columns, sheetRows, mergeCells, manager, true);
}

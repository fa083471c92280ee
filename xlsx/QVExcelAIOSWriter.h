#pragma once
// The single worksheet of a workbook that holds every page: each page's
// grid, once built, is taken over and renumbered to continue after what the
// pages before it used, stacked below (rows continue) or placed beside
// (columns continue), and the one worksheet is written when the package is
// packed.
//
// A page goes on after the highest row (or column) used so far, merged
// ranges included, so grids with gaps in their numbering never overlap.
// Rows past the 1,048,576th and columns past the 16,384th that a worksheet
// has are left out, with the ranges that reach them.
#include <string>
#include <vector>

#include "xlsx/QVExcelColumn.h"
#include "xlsx/QVExcelRow.h"
#include "xlsx/QVMergedCell.h"

class QVExcelManager;
class QVExcelPage;

class QVExcelAIOSWriter {
 public:
  // The worksheet goes to "xl/worksheets/sheet1.xml" below the work folder.
  explicit QVExcelAIOSWriter(const std::string& rootFolder);

  // Takes the page's grid below the collected one. Columns of the same
  // number are one column, as wide as the wider of the two.
  void collectPageXMLToRow(QVExcelPage& page);
  // Takes the page's grid beside the collected one. Rows of the same number
  // are one row, as high as the higher, holding the cells of both.
  void collectPageXMLToColumn(QVExcelPage& page);
  // Throws XMLWriterException when the part cannot be written.
  void writeSheetXML(const QVExcelManager& manager);

  const std::string& sheetXMLPath() const { return sheetXMLPath_; }
  std::vector<QVExcelColumn> columns;
  std::vector<QVExcelRow> sheetRows;
  std::vector<QVMergedCell> mergeCells;

 private:
  std::string sheetXMLPath_;
  // The highest row and column numbers used so far.
  uint64_t lastRow_ = 0;
  uint64_t lastColumn_ = 0;
};

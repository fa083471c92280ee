#pragma once
// The spreadsheet output's page: the exporter appends the text runs of one
// PDF page to it, and when the page ends the writer asks it for the text of
// its CSV file, or for a workbook for its sheet: rows, columns, cells and
// merged ranges, which it writes as a worksheet part.
//
// Both begin with the table reconstruction: typesetRunTexts gives every run
// a 1-based row and column and the further rows and columns its cell spans,
// and getStringItemsFromRuns groups the runs of each slot into one string
// item. Rows come from a rows-first cut of the runs (row bands, then column
// bands, four levels deep, with continuing lines and blocks joined), columns
// from a columns-first cut of the joined runs (see QVExcelTempRow.h).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xlsx/QVExcelCell.h"
#include "xlsx/QVExcelColumn.h"
#include "xlsx/QVExcelNestedRuns.h"
#include "xlsx/QVExcelRow.h"
#include "xlsx/QVExcelRunText.h"
#include "xlsx/QVExcelStringItem.h"
#include "xlsx/QVExcelTempCell.h"
#include "xlsx/QVExcelTempRow.h"
#include "xlsx/QVMergedCell.h"

class QVExcelManager;

class QVExcelPage {
 public:
  // The most text (UTF-8 bytes) one page's CSV file may hold. A real table
  // stays far below; runs set out in a staircase would otherwise ask for a
  // tab per row and column, the square of their number.
  static constexpr size_t kMaxCSVTextBytes = size_t{16} << 20;
  // The rows and columns a worksheet has: cells beyond them are left out.
  static constexpr uint64_t kMaxSheetRows = 1'048'576;
  static constexpr uint64_t kMaxSheetColumns = 16'384;

  // The manager must outlive the page.
  QVExcelPage(uint64_t pageNumber, std::string rootFolder, QVExcelManager& manager);

  // 1-based number of the page in the output.
  uint64_t pageNumber() const { return pageNumber_; }
  // The writer's work folder.
  const std::string& rootFolder() const { return rootFolder_; }
  // "xl/worksheets/sheetN.xml" of the page's number, below the work folder.
  std::string sheetXMLPath() const;
  // The exporter collects runs into the page while this holds (always).
  bool isCollectingRunText() const { return true; }

  // The page's runs; after typesetRunTexts the joined runs, by xLeft.
  QVExcelRunList allRunTextArray;
  // Top row bands of the rows-first cut, top column bands of the
  // columns-first cut.
  std::vector<QVExcelTempRow> allTempRowArray;
  std::vector<QVExcelTempCell> allTempCellArray;

  // The whole reconstruction.
  void typesetRunTexts();
  // One item per slot of the runs, in the order of each slot's first run;
  // items holding nothing but blanks are left out.
  std::vector<QVExcelStringItemPtr> getStringItemsFromRuns(const QVExcelRunList& runs) const;

  // The page's table as CSV text (UTF-8): one line per row number from 1 to
  // the largest, fields separated by tabs and placed by their columns;
  // nothing when the page holds no text. Throws std::runtime_error when the
  // text would exceed kMaxCSVTextBytes.
  std::optional<std::string> creatCSV();
  // A field as written: enclosed in double quotes (and its quotes doubled)
  // when it holds a tab, a line break, a double quote, a comma or a semicolon.
  static std::string csvField(std::string_view text);

  // ---- The worksheet
  // The page's sheet: its table reconstructed, every item a number cell (a
  // one-run item whose text is a number) or a shared-string cell with its
  // style, rows and columns with their sizes, and merged ranges that span
  // the slots a cell's text reaches into (when the options merge). With
  // merging off, rows and columns are renumbered without gaps.
  void creatSheet();
  // The cell of an item; a text cell takes the next shared-string index and
  // its item joins stringItems.
  QVExcelCellPtr createCellWithStringItem(const QVExcelStringItemPtr& item);
  // Makes the cell a number cell and answers false when the run's text is a
  // number; answers true, leaving the cell alone, when it is not.
  bool valideNumbers(QVExcelRunText& run, QVExcelCell& cell);
  // The horizontal extent of a cell (x, 0, width, 0): its column, or the
  // columns its item spans; `columns` in ascending order.
  static platform::Rect getCellFrame(const QVExcelCell& cell, const std::vector<QVExcelColumn>& columns);
  // Writes the page's worksheet part at sheetXMLPath(); `tabSelected` for the
  // sheet the workbook opens on. Throws XMLWriterException when it cannot.
  void writeSheetXML(bool tabSelected);
  // A worksheet part of those columns, rows and merged ranges. Rows, the
  // cells of each row and columns are put in ascending order first, as a
  // worksheet must hold them.
  static void writeWorksheet(const std::string& path, std::vector<QVExcelColumn>& columns,
                             std::vector<QVExcelRow>& rows, const std::vector<QVMergedCell>& mergeCells,
                             const QVExcelManager& manager, bool tabSelected);

  // The sheet, after creatSheet.
  std::vector<QVExcelColumn> columns;
  std::vector<QVExcelRow> sheetRows;
  std::vector<QVMergedCell> mergeCells;
  // The items of the text cells, in the order of their shared-string indexes.
  std::vector<QVExcelStringItemPtr> stringItems;

  // ---- Steps of the reconstruction, in the order typesetRunTexts runs them
  void sortAllRunTextsByX();
  void sortAllRunTextsByY();
  // Cuts allRunTextArray into top row bands / top column bands.
  void creatTempRowsByY();
  void creatTempCellsByX();
  QVExcelNestedRuns tempRowDataStructureArray() const;
  QVExcelNestedRuns tempCellDataStructureArray() const;
  static QVExcelRunList collectAllRunTextsInArray(const std::vector<QVExcelTempRow>& rows);
  // Rows from the rows-first tree, columns from the columns-first tree.
  void caculateRowNumber();
  void caculateColumnNumber();
  // Moves a run one column on while it starts right of its column and its
  // centre lies past the start of the next column; at most one pass per run.
  void correctColumnNumber();
  // The further rows and columns each run reaches into while they are free.
  void caculateRunTextMergeLength();
  // In a column of labels that span rows, a label standing in the middle of
  // as many free slots above it as below it, between taken ones, is such a
  // label too, centred on an odd number of rows: it moves to the first of
  // them and spans them all.
  void placeCentredLabels();
  // The runs grouped by row (in the order of each row's topmost run) / by
  // column (in the order of each column's leftmost run).
  std::vector<QVExcelRunList> creatRowArray() const;
  std::vector<QVExcelRunList> creatColumnArray() const;
  // True when some run's baseline is more than a point from the first's.
  static bool isRowsInRunTexts(const QVExcelRunList& runs);

 private:
  // The mutually recursive numbering walks over the nested lists of a cut
  // tree. maxIndex is shared with the caller (the walk raises it); the row
  // or column index is the caller's value, changed only in the walk's own
  // copy. Inner walks get a private copy of maxIndex, so siblings start from
  // the same maximum and the largest of their results wins.
  //
  // Row walk: lists of lists get the band walk element by element, each next
  // element starting at the maximum reached; a leaf's runs get rows from its
  // last run back to its first, one row each when they stand on different
  // baselines, else all the same row.
  static void loopCellArrayRowIndex(const QVExcelNestedRuns& list, uint64_t& maxIndex, uint64_t rowIndex);
  // Band walk: each element gets the row walk from the same row.
  static void loopColumnArrayRowIndex(const QVExcelNestedRuns& list, uint64_t& maxIndex, uint64_t rowIndex);
  // Column walk: runs take consecutive columns; lists get the stack walk,
  // each next element starting at the maximum reached.
  static void loopColumnArrayColumnIndex(const QVExcelNestedRuns& list, uint64_t& maxIndex, uint64_t columnIndex);
  // Stack walk: each element gets the column walk from the same column.
  static void loopCellArrayColumnIndex(const QVExcelNestedRuns& list, uint64_t& maxIndex, uint64_t columnIndex);

  uint64_t pageNumber_;
  std::string rootFolder_;
  QVExcelManager& manager_;
};

#pragma once
// A row band of the table reconstruction's cut trees: its runs and, once
// cut, the column bands (QVExcelTempCell) it falls into. A node without
// children is a leaf.
//
// The page cuts its runs into two fixed four-level trees:
// - rows first: each top row band runs creatTempCell1 (sort by x, join the
//   runs that continue a line, cut into column bands); each of those runs
//   creatTempRow1 (sort by y, join the lines of a block, cut into row bands);
//   each of those runs creatCell (sort by x, cut into column bands).
// - columns first, without joining: each top column band runs creatTempRow2
//   (sort by y, cut into row bands); each of those runs creatTempCell2 (sort
//   by x, cut into column bands); each of those runs creatRow (sort by y, cut
//   into row bands).
#include <vector>

#include "xlsx/QVExcelNestedRuns.h"
#include "xlsx/QVExcelRunText.h"

class QVExcelManager;
class QVExcelTempCell;

class QVExcelTempRow {
 public:
  QVExcelTempRow();
  explicit QVExcelTempRow(QVExcelRunList runs);
  QVExcelTempRow(QVExcelTempRow&&) noexcept;
  QVExcelTempRow& operator=(QVExcelTempRow&&) noexcept;
  ~QVExcelTempRow();

  void sortRunTextsByX();
  void sortRunTextsByY();
  // Joins the runs that continue one another on a line.
  void mergeRunTextsStringByX();
  // Cuts the runs into column bands.
  void creatTempCellsByX();
  // Level 1 of the rows-first cut (and everything below it).
  void creatTempCell1(const QVExcelManager& manager);
  // Level 2 of the columns-first cut (and everything below it).
  void creatTempCell2();
  // The last level of the columns-first cut.
  void creatCell();

  QVExcelNestedRuns dataStructureArray() const;
  // The runs of every leaf, depth first.
  QVExcelRunList collectAllRunTexts() const;

  QVExcelRunList runTexts;
  std::vector<QVExcelTempCell> tempCells;
};

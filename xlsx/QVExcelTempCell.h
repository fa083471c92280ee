#pragma once
// A column band of the table reconstruction's cut trees: its runs and, once
// cut, the row bands (QVExcelTempRow) it falls into. See QVExcelTempRow.h
// for the two trees.
#include <vector>

#include "xlsx/QVExcelNestedRuns.h"
#include "xlsx/QVExcelRunText.h"
#include "xlsx/QVExcelTempRow.h"

class QVExcelManager;

class QVExcelTempCell {
 public:
  QVExcelTempCell() = default;
  explicit QVExcelTempCell(QVExcelRunList runs) : runTexts(std::move(runs)) {}

  void sortRunTextsByX();
  void sortRunTextsByY();
  // Joins the lines that continue one another as a block.
  void mergeRunTextsStringByY(const QVExcelManager& manager);
  // Cuts the runs into row bands.
  void creatTempRowsByY();
  // Level 2 of the rows-first cut (and everything below it).
  void creatTempRow1(const QVExcelManager& manager);
  // Level 1 of the columns-first cut (and everything below it).
  void creatTempRow2();
  // The last level of the rows-first cut.
  void creatRow();

  QVExcelNestedRuns dataStructureArray() const;
  // The runs of every leaf, depth first.
  QVExcelRunList collectAllRunTexts() const;

  QVExcelRunList runTexts;
  std::vector<QVExcelTempRow> tempRows;
};

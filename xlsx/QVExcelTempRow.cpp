#include "xlsx/QVExcelTempRow.h"

#include "xlsx/QVExcelSortUtilities.h"
#include "xlsx/QVExcelTempCell.h"
#include "xlsx/QVExcelTempCut.h"

using Sort = QVExcelSortUtilities;

QVExcelTempRow::QVExcelTempRow() = default;
QVExcelTempRow::QVExcelTempRow(QVExcelRunList runs) : runTexts(std::move(runs)) {}
QVExcelTempRow::QVExcelTempRow(QVExcelTempRow&&) noexcept = default;
QVExcelTempRow& QVExcelTempRow::operator=(QVExcelTempRow&&) noexcept = default;
QVExcelTempRow::~QVExcelTempRow() = default;

void QVExcelTempRow::sortRunTextsByX() { runTexts = Sort::SortRunTextsByX(runTexts); }

void QVExcelTempRow::sortRunTextsByY() { runTexts = Sort::SortRunTextsByY(runTexts); }

void QVExcelTempRow::mergeRunTextsStringByX() {
  runTexts = qvexcelcut::joinedGroups(runTexts, Sort::Grouping::LineContinuations, Sort::MergeRunTextsInWidth);
}

void QVExcelTempRow::creatTempCellsByX() {
  tempCells = qvexcelcut::bands<QVExcelTempCell>(runTexts, Sort::Grouping::ColumnBands);
}

void QVExcelTempRow::creatTempCell1(const QVExcelManager& manager) {
  sortRunTextsByX();
  mergeRunTextsStringByX();
  creatTempCellsByX();
  for (QVExcelTempCell& cell : tempCells) cell.creatTempRow1(manager);
}

void QVExcelTempRow::creatTempCell2() {
  sortRunTextsByX();
  creatTempCellsByX();
  for (QVExcelTempCell& cell : tempCells) cell.creatRow();
}

void QVExcelTempRow::creatCell() {
  sortRunTextsByX();
  creatTempCellsByX();
}

QVExcelNestedRuns QVExcelTempRow::dataStructureArray() const { return qvexcelcut::nested(runTexts, tempCells); }

QVExcelRunList QVExcelTempRow::collectAllRunTexts() const { return qvexcelcut::leaves(runTexts, tempCells); }

#include "xlsx/QVExcelTempCell.h"

#include "xlsx/QVExcelSortUtilities.h"
#include "xlsx/QVExcelTempCut.h"

using Sort = QVExcelSortUtilities;

void QVExcelTempCell::sortRunTextsByX() { runTexts = Sort::SortRunTextsByX(runTexts); }

void QVExcelTempCell::sortRunTextsByY() { runTexts = Sort::SortRunTextsByY(runTexts); }

void QVExcelTempCell::mergeRunTextsStringByY(const QVExcelManager& manager) {
  runTexts = qvexcelcut::joinedGroups(runTexts, Sort::Grouping::BlockContinuations,
                                      [&](const QVExcelRunList& group) {
                                        return Sort::MergeRunTextsInHeight(group, manager);
                                      });
}

void QVExcelTempCell::creatTempRowsByY() {
  tempRows = qvexcelcut::bands<QVExcelTempRow>(runTexts, Sort::Grouping::RowBands);
}

void QVExcelTempCell::creatTempRow1(const QVExcelManager& manager) {
  sortRunTextsByY();
  mergeRunTextsStringByY(manager);
  creatTempRowsByY();
  for (QVExcelTempRow& row : tempRows) row.creatCell();
}

void QVExcelTempCell::creatTempRow2() {
  sortRunTextsByY();
  creatTempRowsByY();
  for (QVExcelTempRow& row : tempRows) row.creatTempCell2();
}

void QVExcelTempCell::creatRow() {
  sortRunTextsByY();
  creatTempRowsByY();
}

QVExcelNestedRuns QVExcelTempCell::dataStructureArray() const { return qvexcelcut::nested(runTexts, tempRows); }

QVExcelRunList QVExcelTempCell::collectAllRunTexts() const { return qvexcelcut::leaves(runTexts, tempRows); }

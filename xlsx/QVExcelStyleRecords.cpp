#include "xlsx/QVExcelStyleRecords.h"

#include "xlsx/QVExcelUtilities.h"

bool QVExcel_FontIsEqual(const QVExcel_Font& a, const QVExcel_Font& b) { return a.sz == b.sz && a.name == b.name; }

QVExcel_Xf_Alignment QVExcel_AlignmentMake(std::optional<std::string> horizontal,
                                           std::optional<std::string> vertical, bool wrapText) {
  return QVExcel_Xf_Alignment{std::move(horizontal), std::move(vertical), wrapText, false};
}

bool QVExcel_AlignmentIsEqual(const QVExcel_Xf_Alignment& a, const QVExcel_Xf_Alignment& b) {
  return QVExcelUtilities::isPresentAndEqual(a.horizontal, b.horizontal) &&
         QVExcelUtilities::isPresentAndEqual(a.vertical, b.vertical) &&
         a.wrapText == b.wrapText && a.rightToLeft == b.rightToLeft;
}

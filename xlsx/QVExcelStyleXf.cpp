#include "xlsx/QVExcelStyleXf.h"

QVExcelStyleXf::QVExcelStyleXf(int32_t numFmtID, int32_t fontID, int32_t fillID, int32_t borderID,
                               const QVExcel_Xf_Alignment& algn) {
  formatedElm.numFmtId = numFmtID;
  formatedElm.fontId = fontID;
  formatedElm.fillId = fillID;
  formatedElm.borderId = borderID;
  formatedElm.applyNumberFormat = true;
  formatedElm.applyAlignment = true;
  formatedElm.alignment = QVExcel_AlignmentMake(algn.horizontal, algn.vertical, false);
}

bool QVExcelStyleXf::isEqualXf(const QVExcelStyleXf& other) const {
  const QVExcel_Xf& a = formatedElm;
  const QVExcel_Xf& b = other.formatedElm;
  return a.numFmtId == b.numFmtId && a.fontId == b.fontId && a.fillId == b.fillId && a.borderId == b.borderId &&
         QVExcel_AlignmentIsEqual(a.alignment, b.alignment) && a.applyNumberFormat == b.applyNumberFormat;
}

#include "xlsx/QVMergedCell.h"

#include "xlsx/QVExcelUtilities.h"

std::string QVMergedCell::mergerCellInfo() const {
  return QVExcelUtilities::cellReference(start.r, start.c) + ":" + QVExcelUtilities::cellReference(end.r, end.c);
}

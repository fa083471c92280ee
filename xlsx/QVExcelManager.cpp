#include "xlsx/QVExcelManager.h"

#include <algorithm>

void QVExcelManager::setOptions(const std::optional<QVExcelOptions>& options) {
  excelOptions_ = options;
  thousandSepartor_ = std::string(options && options->thousandSepartor == 1 ? "." : ",");
}

void QVExcelManager::reset() { amountOfStringItems_ = 0; }

bool QVExcelManager::isBlankSpace(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

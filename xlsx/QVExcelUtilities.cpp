#include "xlsx/QVExcelUtilities.h"

#include <algorithm>

#include "platform/text/text.h"

std::optional<std::string> QVExcelUtilities::getColumnName(int64_t column) {
  if (column < 1) return std::nullopt;
  std::string letters;
  // Bijective base 26: there is no zero digit, so each step takes one off.
  for (int64_t n = column; n > 0; n = (n - 1) / 26) letters.push_back(static_cast<char>('A' + (n - 1) % 26));
  std::reverse(letters.begin(), letters.end());
  return letters;
}

int64_t QVExcelUtilities::getColumnNumber(std::string_view letters) {
  // Unsigned, so that a text too long for the type wraps rather than
  // overflows.
  uint64_t value = 0;
  for (char c : letters) value = value * 26 + static_cast<uint64_t>(static_cast<unsigned char>(c)) - 64;
  return static_cast<int64_t>(value);
}

std::string QVExcelUtilities::cellReference(uint64_t row, uint64_t column) {
  std::string text = getColumnName(static_cast<int64_t>(column)).value_or("");
  platform::text::appendInteger(text, static_cast<int64_t>(row));
  return text;
}

QVExcel_SI_PhoneticPr QVExcelUtilities::defaultPhoneticProperty() { return {1, "noConversion", "left"}; }

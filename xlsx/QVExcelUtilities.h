#pragma once
// Stateless helpers of the spreadsheet output: column letters, the default
// font, and the phonetic properties every string item starts with.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The phonetic properties of a shared-string entry.
struct QVExcel_SI_PhoneticPr {
  int32_t fontId = 0;
  std::string type;
  std::string algn;

  bool operator==(const QVExcel_SI_PhoneticPr&) const = default;
};

class QVExcelUtilities {
 public:
  QVExcelUtilities() = delete;

  // The letters of a 1-based column (1 "A", 26 "Z", 27 "AA", 16384 "XFD");
  // nothing below 1.
  static std::optional<std::string> getColumnName(int64_t column);
  // The inverse: "A" 1, "AA" 27, "" 0. Letters are not checked.
  static int64_t getColumnNumber(std::string_view letters);
  // A cell reference: the column's letters, then the row number ("C7").
  static std::string cellReference(uint64_t row, uint64_t column);

  static double defaultFontSize() { return 10.0; }
  static const char* defaultFontName() { return "Arial Unicode MS"; }
  // Font 1, "noConversion", "left".
  static QVExcel_SI_PhoneticPr defaultPhoneticProperty();
};

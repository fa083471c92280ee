#pragma once
// Stateless helpers of the spreadsheet output: column letters, the default
// font, the phonetic properties every string item starts with, and the font
// properties and colours as the workbook's parts write them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class XMLFileWriter;

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

  // Both present and equal: an absent string equals nothing.
  static bool isPresentAndEqual(const std::optional<std::string>& a, const std::optional<std::string>& b);
  // A colour as six hexadecimal digits: an ARGB value loses its alpha, and
  // an absent or unreadable one is black, so that a colour attribute never
  // holds anything but eight digits.
  static std::string sixDigitColor(const std::optional<std::string>& color);
  // The ARGB attribute value of a colour: opaque, then its six digits.
  static std::string argbColor(const std::optional<std::string>& color);
  // The children of a font ("font" of the styles, "rPr" of a shared-string
  // run): size in whole points within what spreadsheets accept (1 to 409),
  // colour, the name in an element called `nameElement`, bold and italic.
  static void writeFontProperties(XMLFileWriter& writer, std::string_view nameElement, std::string_view name,
                                  double size, const std::optional<std::string>& color, bool bold, bool italic);
};

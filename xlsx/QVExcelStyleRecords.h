#pragma once
// The records of the workbook's style entries, mirroring the SpreadsheetML
// style elements of the same names, and the two small entry kinds that hold
// nothing but a record (number formats and borders). Fonts, fills and cell
// formats, which are compared, have classes of their own.
//
// Absent strings (std::nullopt) are attributes that are not written; for
// comparison an absent string equals nothing, not even another absent one.
#include <cstdint>
#include <optional>
#include <string>

struct QVExcel_Font {
  // Points.
  double sz = 12.0;
  std::string name = "Times New Roman";
  // The family number and character set as text.
  std::string famliy = "3";
  std::string charset = "134";
  std::string scheme = "minor";
  bool b = false;
  bool i = false;
};

// Same size (NaN never equal) and the same name, byte for byte.
bool QVExcel_FontIsEqual(const QVExcel_Font& a, const QVExcel_Font& b);

struct QVExcel_PatternFill {
  std::string patternType = "none";
};

struct QVExcel_PatternBorderElement {
  std::optional<std::string> style;
  std::optional<std::string> color;
};

// The sides a border writes, in the order it writes them.
struct QVExcel_PatternBorder {
  QVExcel_PatternBorderElement left, right, top, bottom, diagonal;
};

struct QVExcel_Xf_Alignment {
  std::optional<std::string> horizontal;
  std::optional<std::string> vertical;
  bool wrapText = false;
  bool rightToLeft = false;  // the cell's text reads from the right
};

QVExcel_Xf_Alignment QVExcel_AlignmentMake(std::optional<std::string> horizontal,
                                           std::optional<std::string> vertical, bool wrapText);
// Equal horizontal and vertical strings (absent ones never equal) and the
// same wrap flag and reading order.
bool QVExcel_AlignmentIsEqual(const QVExcel_Xf_Alignment& a, const QVExcel_Xf_Alignment& b);

// A cell format: indexes into the registry's lists, the apply flags it
// writes, and its alignment.
struct QVExcel_Xf {
  int32_t numFmtId = 0;
  int32_t fontId = 0;
  int32_t fillId = 0;
  int32_t borderId = 0;
  int32_t xfId = 0;
  bool applyNumberFormat = false;
  bool applyFill = false;
  bool applyBorder = false;
  bool applyAlignment = false;
  bool applyProtection = false;
  QVExcel_Xf_Alignment alignment{std::string("left"), std::string("center"), false};
};

struct QVExcelStyleNumFmt {
  int32_t numFmtID = 0;
  std::string formatCode;
};

struct QVExcelStyleBorder {
  QVExcel_PatternBorder border;
};

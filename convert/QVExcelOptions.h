#pragma once
// Options of the spreadsheet output (xlsx and csv), as the spreadsheet state
// reads them.
#include <cstdint>

struct QVExcelOptions {
  // Worksheet layout: 0 recognises numbers, wraps text and merges cells;
  // 1 and every value above 2 use default font sizes and row heights; 2 also
  // the default font name and no number recognition.
  uint64_t excelFormatOption = 0;
  // Thousands separator of recognised numbers: 1 gives ".", anything else ",".
  uint64_t thousandSepartor = 0;
  // All pages in one worksheet instead of one worksheet per page.
  bool allInOneSheet = false;
  // With allInOneSheet: each page's grid goes below the previous one rather
  // than beside it.
  bool aiosAddToRow = false;
  // The spreadsheet exporter collects painted paths.
  bool collectCGPaths = false;
  // Filled rectangles become cell fills; only together with collectCGPaths.
  bool collectFills = false;

  bool operator==(const QVExcelOptions&) const = default;
};

#pragma once
// Checks that a workbook package would open without a repair prompt, and
// reads its cells back: the package checks of package_checker.h plus what a
// spreadsheet application insists on in the workbook's own parts.
//
//   EXPECT_THAT(qvtest::checkWorkbookPackage(file), testing::IsEmpty());
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qvtest {

// The OPC checks, and: a workbook listing at least one sheet, with unique
// names and ids, whose sheet count matches the application properties; in
// every worksheet rows in strictly ascending order inside the sheet's 1,048,576
// rows, cells of a row in strictly ascending columns inside its 16,384 and on
// their row, column ranges ascending and apart, row heights and column widths
// within what spreadsheets accept, merged ranges that neither overlap nor hide a cell, style
// indexes inside the cell formats, shared-string indexes inside the shared
// strings, numeric values that read as numbers; in the styles part cell
// formats that refer to existing fonts, fills and number formats (custom ids
// from 164 on), and colours of eight hex digits there and in the shared
// strings.
std::vector<std::string> checkWorkbookPackage(const std::filesystem::path& file);

// One cell as a user reads it back.
struct WorkbookCell {
  // "s" text (from the shared strings), "n" number.
  std::string type;
  // The text, or the number as written.
  std::string value;
  // The format code of its style ("General" without one).
  std::string numberFormat;
};

// The cells of a workbook by sheet name, then by reference ("C2"). Throws
// std::runtime_error when the package cannot be read.
std::map<std::string, std::map<std::string, WorkbookCell>> readWorkbookCells(const std::filesystem::path& file);

// Zero-based grid positions of a cell reference ("B3" → row 2, column 1).
std::optional<std::pair<uint64_t, uint64_t>> parseCellReference(const std::string& reference);

}  // namespace qvtest

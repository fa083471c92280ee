#pragma once
// Helpers of the spreadsheet tests: runs placed by hand, CSV files read back
// as a user's spreadsheet program reads them, conversions through the
// exporter, and the command-line driver.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "convert/QVExcelOptions.h"
#include "xlsx/QVExcelRunText.h"

namespace xlsxtest {

namespace fs = std::filesystem;

// An upright run of `size` points with its baseline at `baseline` (display
// space, y down), from `left` to `left + width`: its top one size above the
// baseline, its bottom 0.35 size below. Black, Helvetica.
QVExcelRunTextPtr makeRun(const std::string& text, double left, double baseline, double width, double size = 10.0);

// The text of a CSV file: nothing unless it starts with the UTF-16
// little-endian byte-order mark and holds whole code units.
std::optional<std::string> readCsvFile(const fs::path& file);
// Lines of fields separated by tabs (or `separator`); a field in double
// quotes may hold separators, line breaks and doubled quotes.
std::vector<std::vector<std::string>> parseCsv(const std::string& text, char separator = '\t');
// The names of the files in a folder, sorted.
std::vector<std::string> fileNames(const fs::path& folder);

// The CSV files of every page of the PDF, by file name, converted by the
// spreadsheet exporter as the converter drives it (inside a private work
// folder) into the output folder `output`.
std::map<std::string, std::string> convertToCsv(const fs::path& pdf, const fs::path& output);
// Converts every page of the PDF into the workbook at `output`, as the
// converter drives the exporter, with those options. Throws what the
// exporter throws.
void convertToXlsx(const fs::path& pdf, const fs::path& output, const std::optional<QVExcelOptions>& options = {});
// The rows of one sheet as python3-openpyxl reads them: each cell's value as
// Python prints it, tab-separated, one line per row; nothing when the
// workbook cannot be read.
std::optional<std::string> openpyxlRows(const fs::path& workbook, const std::string& sheet);

struct ToolResult {
  int exitCode = -1;
  std::string output;
};
// Runs pdfconvert with the arguments (each quoted for the shell).
ToolResult runPdfconvert(const std::vector<std::string>& arguments);
bool pdfconvertAvailable();

}  // namespace xlsxtest

// Every PDF of the corpus converts to a workbook that opens in LibreOffice
// and holds the words of its pages' upright text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "platform/pdf/document.h"
#include "tests/pptx/e2e_support.h"
#include "tests/support/corpus_stand_ins.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/support/workbook_checker.h"
#include "tests/xlsx/csv_support.h"
#include "xlsx/QVExcelNumber.h"
#include "xlsx/QVExcelUtilities.h"

namespace {

namespace fs = std::filesystem;

// The share of a file's words that its workbook shows.
constexpr double kMinWordShare = 0.95;
// Files with words that are not upright text, which a workbook leaves out,
// or that a spreadsheet shows otherwise, with the share they reach.
const std::map<std::string, double> kExceptions = {
    // Page 2 is set vertically: its characters stand down their columns, so
    // a row of the worksheet reads across the columns and gives none of its
    // words; page 1 gives all of its own.
    {"cjk-zh-vertical.pdf", 0.42},
    // Pages 2 to 4 are shown turned by a quarter, a half and three quarters.
    {"rotated-pages-qpdf.pdf", 0.15},
    // The month labels are turned on their side, and axis numbers such as
    // 1.0 show as the General format shows them (1).
    {"gofpdf-grid-chart.pdf", 0.55},
    // Table numbers with trailing zeros (1.150) show as 1.15, equations and
    // raised or lowered letters fall into cells of their own.
    {"paper2col-aps-revtex.pdf", 0.9},
    // Table cells set vertically.
    {"cjk-ja-ptex-manual.pdf", 0.9},
};

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(WorkbookCorpus, EveryFileOpensAndHoldsTheWordsOfItsPages) {
  if (qvtest::corpusFiles().empty()) GTEST_SKIP() << qvtest::noCorpus();
  qvtest::TempDir dir;
  const std::vector<fs::path> corpus = qvtest::corpusFilesWithStandIns(dir.file("made"));
  std::vector<fs::path> workbooks;
  for (const fs::path& pdf : corpus) {
    SCOPED_TRACE(pdf.filename().string());
    const fs::path out = dir.file(pdf.stem().string() + ".xlsx");
    const std::string password = qvtest::corpusPassword(pdf);
    if (const std::string why = qvtest::corpusFileUnreadable(pdf); !why.empty()) {
      ADD_FAILURE() << why;
      continue;
    }
    if (!password.empty()) {
      if (!xlsxtest::pdfconvertAvailable()) continue;
      const auto result = xlsxtest::runPdfconvert({"--password", password, "--to", "xlsx", pdf.string(), out.string()});
      EXPECT_EQ(result.exitCode, 0) << result.output;
    } else {
      EXPECT_NO_THROW(xlsxtest::convertToXlsx(pdf, out));
    }
    if (!fs::exists(out)) continue;
    EXPECT_THAT(qvtest::checkWorkbookPackage(out), testing::IsEmpty());
    workbooks.push_back(out);
  }
  if (!qvtest::officeAvailable()) GTEST_SKIP() << "LibreOffice not installed";
  const auto sheets = qvtest::officeConvertWorkbooksToCsv(workbooks, dir.file("csv"));
  int64_t wholeFound = 0, wholeTotal = 0;

  for (const fs::path& pdf : corpus) {
    const fs::path workbook = dir.file(pdf.stem().string() + ".xlsx");
    if (!fs::exists(workbook)) continue;
    SCOPED_TRACE(pdf.filename().string());
    ASSERT_EQ(sheets.count(workbook), 1u) << "LibreOffice could not open the workbook";
    std::string shown;
    for (const fs::path& sheet : sheets.at(workbook))
      for (const auto& line : xlsxtest::parseCsv(readText(sheet), ',')) {
        for (const std::string& field : line) shown += field + "\t";
        shown += "\n";
      }
    std::string reference;
    const std::string password = qvtest::corpusPassword(pdf);
    const int pages = platform::PdfDocument::open(pdf.string(), password)->pageCount();
    for (int page = 1; page <= pages; ++page) reference += pptxe2e::pdftotextPage(pdf, page, password) + "\n";
    const pptxe2e::WordCoverage coverage = pptxe2e::wordCoverage(reference, shown);
    std::cout << pdf.filename().string() << ": " << coverage.found << " of " << coverage.total << " words\n";
    const auto exception = kExceptions.find(pdf.filename().string());
    EXPECT_GE(coverage.fraction(), exception == kExceptions.end() ? kMinWordShare : exception->second)
        << coverage.found << " of " << coverage.total;
    if (exception != kExceptions.end()) continue;
    // Whole words too: over the other files, words are rarely run together
    // or cut apart by the cells.
    const pptxe2e::WordCoverage whole = pptxe2e::wholeWordCoverage(reference, shown);
    wholeFound += whole.found;
    wholeTotal += whole.total;
  }
  ASSERT_GT(wholeTotal, 10000);
  EXPECT_GE(static_cast<double>(wholeFound) / static_cast<double>(wholeTotal), kMinWordShare)
      << wholeFound << " of " << wholeTotal;
}

// How well the tables of a conversion keep the cells of the sheets a PDF was
// printed from: the share of the sheets' non-empty cells found whole in the
// tables, of horizontal neighbours (each cell and the next non-empty cell of
// its row) found side by side in a table row, and of vertical neighbours
// found one above the other in a table column. Each found cell or pair of the
// tables counts once: a value printed twice must be found twice.
struct TableScore {
  double cells = 0, besides = 0, aboves = 0;
};

using Table = std::vector<std::vector<std::string>>;

struct Neighbours {
  std::multiset<std::string> cells;
  std::multiset<std::pair<std::string, std::string>> besides, aboves;
};

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

void addNeighbours(const Table& table, Neighbours& n) {
  size_t columns = 0;
  for (const auto& row : table) {
    columns = std::max(columns, row.size());
    std::string previous;
    for (const std::string& field : row) {
      const std::string cell = trimmed(field);
      if (cell.empty()) continue;
      n.cells.insert(cell);
      if (!previous.empty()) n.besides.insert({previous, cell});
      previous = cell;
    }
  }
  for (size_t c = 0; c < columns; ++c) {
    std::string previous;
    for (const auto& row : table) {
      const std::string cell = c < row.size() ? trimmed(row[c]) : std::string();
      if (cell.empty()) continue;
      if (!previous.empty()) n.aboves.insert({previous, cell});
      previous = cell;
    }
  }
}

template <typename T>
double foundShare(const std::multiset<T>& wanted, std::multiset<T> found) {
  if (wanted.empty()) return 1.0;
  size_t hits = 0;
  for (const T& item : wanted) {
    const auto it = found.find(item);
    if (it == found.end()) continue;
    found.erase(it);
    ++hits;
  }
  return static_cast<double>(hits) / static_cast<double>(wanted.size());
}

TableScore scoreTables(const std::vector<Table>& source, const std::vector<Table>& converted) {
  Neighbours wanted, found;
  for (const Table& table : source) addNeighbours(table, wanted);
  for (const Table& table : converted) addNeighbours(table, found);
  return {foundShare(wanted.cells, found.cells), foundShare(wanted.besides, found.besides),
          foundShare(wanted.aboves, found.aboves)};
}

// The printed spreadsheet: every number of its sheets a cell of its own in
// its own row, as the cells of the workbook it was printed from stand, and
// the workbook made of it holds the same cells as the CSV tables.
TEST(WorkbookCorpus, TheOfficePrintedSpreadsheetKeepsItsCellsRowsAndColumns) {
  const fs::path pdf = qvtest::corpusDir() / "office-calc-generated.pdf";
  const fs::path cellsFolder = qvtest::corpusDir() / "tables" / "office-calc-generated";
  if (!fs::exists(pdf) || !fs::is_directory(cellsFolder)) GTEST_SKIP() << qvtest::missingCorpusFile(pdf);
  std::vector<Table> source;
  for (const std::string& name : xlsxtest::fileNames(cellsFolder))
    source.push_back(xlsxtest::parseCsv(readText(cellsFolder / name), ','));
  ASSERT_EQ(source.size(), 3u);

  qvtest::TempDir dir;
  const std::map<std::string, std::string> files = xlsxtest::convertToCsv(pdf, dir.file("csv"));
  std::vector<Table> tables;
  for (const auto& [name, text] : files) tables.push_back(xlsxtest::parseCsv(text));
  const TableScore score = scoreTables(source, tables);
  std::cout << "office-calc-generated.pdf: cells " << score.cells << ", side by side " << score.besides
            << ", above and below " << score.aboves << "\n";
  EXPECT_GE(score.cells, 0.99);
  EXPECT_GE(score.besides, 0.93);
  EXPECT_GE(score.aboves, 0.94);

  const fs::path workbook = dir.file("sheets.xlsx");
  xlsxtest::convertToXlsx(pdf, workbook);
  EXPECT_THAT(qvtest::checkWorkbookPackage(workbook), testing::IsEmpty());
  const auto sheets = qvtest::readWorkbookCells(workbook);
  ASSERT_EQ(sheets.size(), tables.size());
  size_t page = 0;
  std::multiset<std::string> numbers;
  for (const auto& [name, text] : files) {
    SCOPED_TRACE(name);
    const auto& cells = sheets.at("Sheet " + std::to_string(++page));
    size_t fields = 0;
    const Table& table = tables[page - 1];
    for (size_t r = 0; r < table.size(); ++r)
      for (size_t c = 0; c < table[r].size(); ++c) {
        const std::string& field = table[r][c];
        if (field.empty()) continue;
        ++fields;
        const std::string reference = QVExcelUtilities::cellReference(r + 1, c + 1);
        ASSERT_EQ(cells.count(reference), 1u) << reference << " " << field;
        const qvtest::WorkbookCell& cell = cells.at(reference);
        if (cell.type == "n") {
          numbers.insert(cell.value);
          EXPECT_EQ(cell.value, QVExcelNumber(field, ",").readNumber()) << reference << " " << field;
        } else {
          EXPECT_EQ(cell.value, field) << reference;
          EXPECT_FALSE(QVExcelNumber(field, ",").isNumber()) << reference << " " << field;
        }
      }
    EXPECT_EQ(cells.size(), fields);
  }
  // Every number of the printed sheets is a number cell of the workbook.
  std::multiset<std::string> printed;
  for (const Table& table : source)
    for (const auto& row : table)
      for (const std::string& field : row)
        if (QVExcelNumber number(trimmed(field), ","); number.isNumber()) printed.insert(number.readNumber());
  EXPECT_GT(printed.size(), 70u);
  EXPECT_EQ(foundShare(printed, numbers), 1.0);
}

}  // namespace

// Every PDF of the corpus converts to a workbook that opens in LibreOffice
// and holds the words of its pages' upright text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "platform/pdf/document.h"
#include "tests/pptx/e2e_support.h"
#include "tests/support/corpus_stand_ins.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/support/workbook_checker.h"
#include "tests/xlsx/csv_support.h"

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

}  // namespace

// PDFs converted to CSV by pdfconvert, checked as a user opening the files
// would see them.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/pdf/document.h"
#include "tests/pptx/e2e_support.h"
#include "tests/support/fixtures.h"
#include "tests/xlsx/csv_support.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::vector<std::string>>;
using xlsxtest::fileNames;
using xlsxtest::parseCsv;
using xlsxtest::readCsvFile;
using xlsxtest::runPdfconvert;

class CsvConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!xlsxtest::pdfconvertAvailable()) GTEST_SKIP() << "pdfconvert not built";
  }
  qvtest::TempDir dir;
};

Lines tableOf(const fs::path& file) {
  const std::optional<std::string> text = readCsvFile(file);
  EXPECT_TRUE(text) << file << " is not UTF-16 with a byte-order mark";
  return text ? parseCsv(*text) : Lines{};
}

TEST_F(CsvConversion, GofpdfTablesGiveOneTablePerPageWithTheirRowsAndColumns) {
  const fs::path pdf = qvtest::corpusDir() / "gofpdf-tables.pdf";
  if (!fs::exists(pdf)) GTEST_SKIP() << qvtest::missingCorpusFile(pdf);
  const fs::path out = dir.file("tables");
  const auto result = runPdfconvert({"--to", "csv", pdf.string(), out.string()});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  ASSERT_EQ(fileNames(out), (std::vector<std::string>{"Table 1.csv", "Table 2.csv", "Table 3.csv"}));

  const Lines first = tableOf(out / "Table 1.csv");
  ASSERT_EQ(first.size(), 16u);
  for (const auto& line : first) EXPECT_EQ(line.size(), 4u);
  EXPECT_EQ(first[0], (std::vector<std::string>{"Country", "Capital", "Area (sq km)", "Pop. (thousands)"}));
  EXPECT_EQ(first[1], (std::vector<std::string>{"Austria", "Vienna", "83859", "8075"}));
  EXPECT_EQ(first[15], (std::vector<std::string>{"United Kingdom", "London", "243820", "58862"}));

  // Thousands separators are commas: those fields are quoted, one field each.
  const std::string raw = readCsvFile(out / "Table 2.csv").value_or("");
  EXPECT_NE(raw.find("Austria\tVienna\t\"83,859\"\t\"8,075\"\n"), std::string::npos) << raw;
  const Lines second = tableOf(out / "Table 2.csv");
  ASSERT_GE(second.size(), 2u);
  EXPECT_EQ(second[1], (std::vector<std::string>{"Austria", "Vienna", "83,859", "8,075"}));
}

TEST_F(CsvConversion, APageWithoutTextGivesNoFileAndKeepsTheNumbersOfTheOthers) {
  qvtest::PdfBuilder b;
  const auto font = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  b.addPage("BT /F1 12 Tf 72 700 Td (first) Tj ET", font);
  b.addPage("0 0 m 100 100 l S 10 10 50 50 re f");
  b.addPage("BT /F1 12 Tf 72 700 Td (third) Tj ET", font);
  b.write(dir.file("in.pdf"));
  const auto result = runPdfconvert({"--to", "csv", dir.file("in.pdf").string(), dir.file("out.csv").string()});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(fileNames(dir.file("out.csv")), (std::vector<std::string>{"Table 1.csv", "Table 3.csv"}));
  EXPECT_EQ(tableOf(dir.file("out.csv") / "Table 3.csv"), (Lines{{"third"}}));
}

// A table whose heading cell breaks "Area (sq km)" over two lines beside a
// heading centred on both.
TEST_F(CsvConversion, AHeadingBrokenOverTwoLinesKeepsItsWordsApart) {
  qvtest::PdfBuilder b;
  b.addPage("BT /F1 10 Tf 72 705 Td (Country) Tj ET\n"
            "BT /F1 10 Tf 200 710 Td (Area \\(sq) Tj 0 -11.5 Td (km\\)) Tj ET\n"
            "BT /F1 10 Tf 72 680 Td (Austria) Tj 128 0 Td (83859) Tj ET\n",
            b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  b.write(dir.file("in.pdf"));
  const auto result = runPdfconvert({"--to", "csv", dir.file("in.pdf").string(), dir.file("out").string()});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(tableOf(dir.file("out") / "Table 1.csv"), (Lines{{"Country", "Area (sq km)"}, {"Austria", "83859"}}));
}

TEST_F(CsvConversion, AnOutputThatCannotBeMadeIsAnErrorAndTouchesNothing) {
  qvtest::PdfBuilder b;
  b.addPage("BT /F1 12 Tf 72 700 Td (text) Tj ET", b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  b.write(dir.file("in.pdf"));

  // A folder of the user's own at the output path.
  fs::create_directories(dir.file("taken"));
  { std::ofstream(dir.file("taken") / "mine.txt") << "keep"; }
  const auto taken = runPdfconvert({"--to", "csv", dir.file("in.pdf").string(), dir.file("taken").string()});
  EXPECT_EQ(taken.exitCode, 2) << taken.output;
  EXPECT_NE(taken.output.find("is a folder, not a file"), std::string::npos) << taken.output;
  EXPECT_EQ(fileNames(dir.file("taken")), (std::vector<std::string>{"mine.txt"}));

  // An output folder that does not exist.
  const auto missing =
      runPdfconvert({"--to", "csv", dir.file("in.pdf").string(), dir.file("no such folder/out").string()});
  EXPECT_EQ(missing.exitCode, 1) << missing.output;
  EXPECT_FALSE(fs::exists(dir.file("no such folder")));

  // Nothing half-made stays beside the outputs.
  EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"in.pdf", "taken"}));
}

TEST_F(CsvConversion, AnEncryptedFileConvertsWithItsPassword) {
  const fs::path pdf = qvtest::corpusDir() / "gofpdf-encrypted-userpw.pdf";
  if (!fs::exists(pdf)) GTEST_SKIP() << qvtest::missingCorpusFile(pdf);
  const auto result = runPdfconvert(
      {"--password", qvtest::corpusPassword(pdf), "--to", "csv", pdf.string(), dir.file("out").string()});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(fileNames(dir.file("out")), (std::vector<std::string>{"Table 1.csv"}));
}

// The words of real documents: every word pdftotext reads on the pages
// should be a word of some field of the tables.
TEST_F(CsvConversion, CorpusTablesHoldTheWordsOfTheirPages) {
  int64_t found = 0, total = 0;
  std::vector<std::string> missing;
  for (const char* name : {"tables-booktabs.pdf", "office-calc-generated.pdf", "paper2col-aps-revtex.pdf"}) {
    const fs::path pdf = qvtest::corpusDir() / name;
    // A corpus fetched from packages lacks the printed spreadsheet; the
    // other two still hold thousands of words.
    if (!fs::exists(pdf)) {
      missing.push_back(qvtest::missingCorpusFile(pdf));
      std::cout << missing.back() << "\n";
      continue;
    }
    const fs::path out = dir.file(pdf.stem().string());
    const auto result = runPdfconvert({"--to", "csv", pdf.string(), out.string()});
    ASSERT_EQ(result.exitCode, 0) << name << "\n" << result.output;
    EXPECT_EQ(result.output.find("failed"), std::string::npos) << result.output;

    std::string reference, fields;
    const int pages = platform::PdfDocument::open(pdf.string())->pageCount();
    for (int page = 1; page <= pages; ++page) reference += pptxe2e::pdftotextPage(pdf, page) + "\n";
    for (const std::string& file : fileNames(out))
      for (const auto& line : tableOf(out / file)) {
        for (const std::string& field : line) fields += field + "\t";
        fields += "\n";
      }
    const pptxe2e::WordCoverage coverage = pptxe2e::wholeWordCoverage(reference, fields);
    std::cout << name << ": " << coverage.found << " of " << coverage.total << " words\n";
    found += coverage.found;
    total += coverage.total;
  }
  if (missing.size() == 3) GTEST_SKIP() << missing.front();
  ASSERT_GT(total, missing.empty() ? 10000 : 1000);
  EXPECT_GE(static_cast<double>(found) / static_cast<double>(total), 0.95) << found << " of " << total;
}

}  // namespace

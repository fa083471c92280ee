// PDFs converted to workbooks, checked as a user opening them would see
// them: the package opens, LibreOffice and openpyxl read the cells, numbers
// are numbers with their formats, and the text is the page's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <qpdf/QPDFObjectHandle.hh>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/fs/files.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/support/workbook_checker.h"
#include "tests/xlsx/csv_support.h"
#include "xlsx/QVExcelPDFExporter.h"

namespace {

namespace fs = std::filesystem;
using qvtest::WorkbookCell;
using testing::IsEmpty;

using Cells = std::map<std::string, WorkbookCell>;

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

fs::path tablesPdf() { return qvtest::corpusDir() / "gofpdf-tables.pdf"; }

class WorkbookConversion : public ::testing::Test {
 protected:
  // Writes the built PDF, converts it to `name`, checks the package and
  // returns the cells of its first sheet.
  Cells firstSheet(qvtest::PdfBuilder& b, const std::string& name) {
    b.write(dir.file("in.pdf"));
    const fs::path out = dir.file(name);
    xlsxtest::convertToXlsx(dir.file("in.pdf"), out);
    EXPECT_THAT(qvtest::checkWorkbookPackage(out), IsEmpty());
    return qvtest::readWorkbookCells(out).at("Sheet 1");
  }

  qvtest::TempDir dir;
};

TEST_F(WorkbookConversion, GofpdfTablesOpenWithTheirNumbersAndTexts) {
  if (!fs::exists(tablesPdf())) GTEST_SKIP() << qvtest::missingCorpusFile(tablesPdf());
  if (!xlsxtest::pdfconvertAvailable()) GTEST_SKIP() << "pdfconvert not built";
  const fs::path out = dir.file("tables.xlsx");
  const auto result = xlsxtest::runPdfconvert({"--to", "xlsx", tablesPdf().string(), out.string()});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(std::system(("unzip -tq '" + out.string() + "' > /dev/null").c_str()), 0);
  // xmllint over every part, the package's relationships and the workbook's
  // own rules.
  EXPECT_THAT(qvtest::checkWorkbookPackage(out), IsEmpty());

  const auto workbook = qvtest::readWorkbookCells(out);
  ASSERT_EQ(workbook.size(), 3u);
  const Cells& second = workbook.at("Sheet 2");
  EXPECT_EQ(second.at("A2").type, "s");
  EXPECT_EQ(second.at("A2").value, "Austria");
  EXPECT_EQ(second.at("C2").type, "n");
  EXPECT_EQ(second.at("C2").value, "83859");
  EXPECT_EQ(second.at("C2").numberFormat, "#,##0");
  // The first page prints its numbers without separators: plain numbers.
  EXPECT_EQ(workbook.at("Sheet 1").at("C2").value, "83859");
  EXPECT_EQ(workbook.at("Sheet 1").at("C2").numberFormat, "General");

  const auto rows = xlsxtest::openpyxlRows(out, "Sheet 2");
  ASSERT_TRUE(rows) << "python3-openpyxl cannot read the workbook";
  const std::vector<std::string> table = lines(*rows);
  ASSERT_EQ(table.size(), 16u) << *rows;
  EXPECT_EQ(table[0], "Country\tCapital\tArea (sq km)\tPop. (thousands)");
  EXPECT_EQ(table[1], "Austria\tVienna\t83859\t8075");
  EXPECT_EQ(table[15], "United Kingdom\tLondon\t243820\t58862");

  if (!qvtest::officeAvailable()) GTEST_SKIP() << "LibreOffice not installed";
  const auto sheets = qvtest::officeConvertWorkbooksToCsv({out}, dir.file("csv"));
  ASSERT_EQ(sheets.count(out), 1u) << "LibreOffice could not read the workbook";
  ASSERT_EQ(sheets.at(out).size(), 3u);
  const std::vector<std::string> shown = lines(readText(sheets.at(out)[1]));
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[1], "Austria,Vienna,\"83,859\",\"8,075\"");
}

// The three pages of the tables in one sheet, stacked and side by side.
TEST_F(WorkbookConversion, AllPagesInOneSheetStackOrStandSideBySide) {
  if (!fs::exists(tablesPdf())) GTEST_SKIP() << qvtest::missingCorpusFile(tablesPdf());
  for (const bool stacked : {true, false}) {
    SCOPED_TRACE(stacked ? "stacked" : "side by side");
    QVExcelOptions options;
    options.allInOneSheet = true;
    options.aiosAddToRow = stacked;
    const fs::path out = dir.file(stacked ? "stacked.xlsx" : "beside.xlsx");
    xlsxtest::convertToXlsx(tablesPdf(), out, options);
    EXPECT_THAT(qvtest::checkWorkbookPackage(out), IsEmpty());
    const auto workbook = qvtest::readWorkbookCells(out);
    ASSERT_EQ(workbook.size(), 1u);
    const Cells& cells = workbook.begin()->second;
    EXPECT_EQ(cells.size(), 3u * 16u * 4u);
    const std::string third = stacked ? "A33" : "I1";
    const std::string thirdNumber = stacked ? "C34" : "K2";
    ASSERT_TRUE(cells.count(third) && cells.count(thirdNumber));
    EXPECT_EQ(cells.at(third).value, "Country");
    EXPECT_EQ(cells.at(thirdNumber).value, "83859");
    EXPECT_EQ(cells.at(thirdNumber).numberFormat, "#,##0");
  }
}

// Pages that are never begun (the converter could not read them) leave no
// announced sheet behind; a conversion of none still gives a workbook with
// one empty sheet.
TEST_F(WorkbookConversion, TheWorkbookListsTheSheetsItHas) {
  qvtest::PdfBuilder b;
  const auto font = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  for (const char* word : {"one", "two", "three"})
    b.addPage(std::string("BT /F1 12 Tf 72 700 Td (") + word + ") Tj ET", font);
  b.write(dir.file("in.pdf"));
  auto document = platform::PdfDocument::open(dir.file("in.pdf").string());
  ASSERT_TRUE(document);

  for (const std::vector<int>& pages : {std::vector<int>{3}, std::vector<int>{}}) {
    const fs::path out = dir.file("pages" + std::to_string(pages.size()) + ".xlsx");
    {
      platform::fs::WorkFolder work;
      platform::fs::WorkFolderScope scope(work);
      QVExcelPDFExporter exporter(std::nullopt, true);
      exporter.setNumberOfPagesToConvert(3);
      exporter.begainConvertPDF(out.string());
      for (int n : pages) ASSERT_TRUE(exporter.convertPDFPage(*document->page(n)));
      exporter.endConvertPDF(*document);
    }
    EXPECT_THAT(qvtest::checkWorkbookPackage(out), IsEmpty());
    const auto workbook = qvtest::readWorkbookCells(out);
    ASSERT_EQ(workbook.size(), 1u);
    if (pages.empty()) EXPECT_TRUE(workbook.begin()->second.empty());
    else EXPECT_EQ(workbook.begin()->second.at("A1").value, "three");
  }
}

TEST_F(WorkbookConversion, AWorkbookThatCannotBeWrittenFailsAndLeavesNothing) {
  qvtest::PdfBuilder b;
  const auto font = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  b.addPage("BT /F1 12 Tf 72 700 Td (text) Tj ET", font);
  b.write(dir.file("in.pdf"));
  auto document = platform::PdfDocument::open(dir.file("in.pdf").string());
  ASSERT_TRUE(document);
  std::ofstream(dir.file("plain-file")) << "not a folder";

  platform::fs::WorkFolder work;
  {
    platform::fs::WorkFolderScope scope(work);
    // The archive cannot be made inside a file.
    const fs::path out = dir.file("plain-file") / "out.xlsx";
    QVExcelPDFExporter exporter(std::nullopt, true);
    exporter.setNumberOfPagesToConvert(1);
    exporter.begainConvertPDF(out.string());
    ASSERT_TRUE(exporter.convertPDFPage(*document->page(1)));
    EXPECT_THROW(exporter.endConvertPDF(*document), std::runtime_error);
    EXPECT_FALSE(fs::exists(out));

    // A cancelled conversion leaves nothing either.
    QVExcelPDFExporter cancelled(std::nullopt, true);
    cancelled.setNumberOfPagesToConvert(1);
    cancelled.begainConvertPDF(dir.file("cancelled.xlsx").string());
    ASSERT_TRUE(cancelled.convertPDFPage(*document->page(1)));
    cancelled.cleanConvertPDF();
    EXPECT_FALSE(fs::exists(dir.file("cancelled.xlsx")));
  }
  EXPECT_TRUE(fs::is_empty(work.path()));
}

// Text colours as the page shows them, fills under numbers when asked, and
// the document's title.
TEST_F(WorkbookConversion, ColoursFillsAndDocumentProperties) {
  qvtest::PdfBuilder b;
  const auto font = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  b.addPage("BT /F1 12 Tf 72 700 Td (plain) Tj ET\n"
            "BT /F1 12 Tf 1 0 0 rg 200 700 Td (red) Tj ET\n"
            "1 1 0 rg 66 640 120 30 re f\n"
            "BT /F1 12 Tf 0 0 0 rg 72 650 Td (1,234.50) Tj ET\n"
            "BT /F1 12 Tf 1 1 1 rg 200 650 Td (white) Tj ET",
            font);
  // "Tabelle" as UTF-16 with a byte-order mark.
  b.qpdf().getTrailer().replaceKey(
      "/Info", b.qpdf().makeIndirectObject(QPDFObjectHandle::parse("<< /Title <FEFF0054006100620065006C006C0065> >>")));
  b.write(dir.file("in.pdf"));

  const fs::path plain = dir.file("plain.xlsx");
  xlsxtest::convertToXlsx(dir.file("in.pdf"), plain);
  EXPECT_THAT(qvtest::checkWorkbookPackage(plain), IsEmpty());
  const qvtest::ZipPackage package(plain);
  const std::string strings = package.data("xl/sharedStrings.xml");
  // Text in the interpreter's initial colour is black; white text without
  // its fill is written black, so that it can be seen.
  EXPECT_THAT(strings, testing::Not(testing::HasSubstr("FF010101")));
  EXPECT_THAT(strings, testing::HasSubstr("<color rgb=\"FFff0000\"/>"));
  EXPECT_THAT(strings, testing::Not(testing::HasSubstr("FFffffff")));
  EXPECT_THAT(package.data("docProps/core.xml"), testing::HasSubstr("<dc:title>Tabelle</dc:title>"));
  EXPECT_THAT(package.data("xl/styles.xml"), testing::Not(testing::HasSubstr("solid")));

  QVExcelOptions options;
  options.collectCGPaths = true;
  options.collectFills = true;
  const fs::path filled = dir.file("filled.xlsx");
  xlsxtest::convertToXlsx(dir.file("in.pdf"), filled, options);
  EXPECT_THAT(qvtest::checkWorkbookPackage(filled), IsEmpty());
  const qvtest::ZipPackage withFills(filled);
  const std::string styles = withFills.data("xl/styles.xml");
  EXPECT_THAT(styles, testing::HasSubstr("<patternFill patternType=\"solid\">"));
  EXPECT_THAT(styles, testing::HasSubstr("<fgColor rgb=\"FFffff00\"/>"));
  EXPECT_THAT(styles, testing::HasSubstr("fillId=\"2\""));
  EXPECT_THAT(withFills.data("xl/sharedStrings.xml"), testing::HasSubstr("FFffffff"));
  const Cells cells = qvtest::readWorkbookCells(filled).begin()->second;
  bool number = false;
  for (const auto& [reference, cell] : cells)
    if (cell.type == "n") number = cell.value == "1234.50" && cell.numberFormat == "#,##0.00";
  EXPECT_TRUE(number);
}

// Values that read as minus one are numbers like any other: none of them is
// taken for a cell without a value.
TEST_F(WorkbookConversion, MinusOneInEveryFormIsANumberCellOfItsValue) {
  qvtest::PdfBuilder b;
  const auto font = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  const std::vector<std::string> texts = {"-1", "(1)", "-1.0", "-100%", "(100%)"};
  std::string content;
  for (size_t i = 0; i < texts.size(); ++i)
    content += "BT /F1 10 Tf 72 " + std::to_string(700 - 20 * static_cast<int>(i)) + " Td (" + texts[i] + ") Tj ET\n";
  b.addPage(content, font);
  const Cells cells = firstSheet(b, "minus.xlsx");
  ASSERT_EQ(cells.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string reference = "A" + std::to_string(i + 1);
    SCOPED_TRACE(texts[i]);
    ASSERT_EQ(cells.count(reference), 1u);
    EXPECT_EQ(cells.at(reference).type, "n");
    ASSERT_FALSE(cells.at(reference).value.empty());
    EXPECT_EQ(std::stod(cells.at(reference).value), -1.0);
  }
  const auto rows = xlsxtest::openpyxlRows(dir.file("minus.xlsx"), "Sheet 1");
  ASSERT_TRUE(rows) << "python3-openpyxl cannot read the workbook";
  for (const std::string& line : lines(*rows)) EXPECT_EQ(std::stod(line), -1.0) << *rows;
}

// Justified text in an embedded composite font, one string a word and the
// words 1.8 points apart, less than the font's blank: the words stay apart.
TEST_F(WorkbookConversion, WordsSetCloserThanABlankStayApart) {
  qvtest::PdfBuilder b;
  const std::u32string line = U"Tous les rois de la Grèce qui descendaient de Minos";
  const qvtest::EmbeddedFont font =
      qvtest::embedTrueTypeFont(b, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", U"TouslerisdaGècqntmM");
  std::string content = "BT /F1 10 Tf\n";
  double x = 72;
  for (size_t start = 0; start < line.size();) {
    const size_t end = std::min(line.find(U' ', start), line.size());
    const std::u32string word = line.substr(start, end - start);
    content += "1 0 0 1 " + std::to_string(x) + " 700 Tm <" + font.hex(word) + "> Tj\n";
    x += font.advance(word, 10) + 1.8;
    start = end + 1;
  }
  b.addPage(content + "ET", b.resources({{"Font", {{"F1", font.font}}}}));
  const Cells cells = firstSheet(b, "words.xlsx");
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells.at("A1").value, "Tous les rois de la Grèce qui descendaient de Minos");
  const auto tables = xlsxtest::convertToCsv(dir.file("in.pdf"), dir.file("words"));
  EXPECT_EQ(tables.at("Table 1.csv"), "Tous les rois de la Grèce qui descendaient de Minos\n");
}

// A label centred beside two rows of figures (a merged cell of the printed
// sheet) does not tie the rows into one: each figure keeps its own cell in
// its own row, and the label takes a merged cell across both rows.
TEST_F(WorkbookConversion, ALabelBesideTwoRowsTakesAMergedCellAndTheRowsStayApart) {
  qvtest::PdfBuilder b;
  const auto font = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  auto show = [](double x, double y, const std::string& s) {
    return "BT /F1 10 Tf " + std::to_string(x) + " " + std::to_string(y) + " Td (" + s + ") Tj ET\n";
  };
  // Rows set solid, 11 points apart, as a spreadsheet prints them.
  b.addPage(show(72, 694.5, "Americas") + show(160, 700, "210,009.99") + show(260, 700, "198,776.00") +
                show(160, 689, "30,500.00") + show(260, 689, "28,001.45"),
            font);
  const Cells cells = firstSheet(b, "label.xlsx");
  ASSERT_EQ(cells.size(), 5u);
  EXPECT_EQ(cells.at("A1").value, "Americas");
  const std::map<std::string, std::string> figures = {
      {"B1", "210009.99"}, {"C1", "198776.00"}, {"B2", "30500.00"}, {"C2", "28001.45"}};
  for (const auto& [reference, value] : figures) {
    ASSERT_EQ(cells.count(reference), 1u) << reference;
    EXPECT_EQ(cells.at(reference).type, "n") << reference;
    EXPECT_EQ(cells.at(reference).value, value) << reference;
  }
  EXPECT_THAT(qvtest::ZipPackage(dir.file("label.xlsx")).data("xl/worksheets/sheet1.xml"),
              testing::HasSubstr("<mergeCell ref=\"A1:A2\"/>"));
}

}  // namespace

// How the spreadsheet exporter turns a page's shown strings into runs: which
// strings it keeps, how it joins them, their properties, and what it leaves
// in its work folder.
#include <cmath>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "tests/support/fixtures.h"
#include "tests/xlsx/csv_support.h"
#include "xlsx/QVExcelPDFExporter.h"
#include "xlsx/QVExcelPage.h"
#include "xlsx/QVExcelWriter.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::vector<std::string>>;

class ExporterTest : public ::testing::Test {
 protected:
  qvtest::TempDir dir;
  qvtest::PdfBuilder builder;
  QPDFObjectHandle helvetica = builder.standardFont("Helvetica");
  QPDFObjectHandle bold = builder.standardFont("Helvetica-Bold");

  QPDFObjectHandle fonts() { return builder.resources({{"Font", {{"F1", helvetica}, {"F2", bold}}}}); }
  void addPage(const std::string& content) { builder.addPage(content, fonts()); }

  // The lines of each page's CSV file, by file name.
  std::map<std::string, Lines> convert() {
    builder.write(dir.file("in.pdf"));
    std::map<std::string, Lines> tables;
    for (const auto& [name, text] : xlsxtest::convertToCsv(dir.file("in.pdf"), dir.file("out")))
      tables[name] = xlsxtest::parseCsv(text);
    return tables;
  }
};

std::string text(double x, double y, const std::string& string, const char* font = "F1", double size = 10) {
  return "BT /" + std::string(font) + " " + std::to_string(size) + " Tf " + std::to_string(x) + " " +
         std::to_string(y) + " Td (" + string + ") Tj ET\n";
}

// "Hello" in 10-point Helvetica is 22.78 points wide; its blank 2.78.
TEST_F(ExporterTest, StringsOnABaselineJoinDirectlyOrWithOneBlankWhenTheyContinueEachOther) {
  addPage(text(72, 700, "Hello") + text(94.78, 700, "World") +   // touching
          text(72, 680, "Hello") + text(97.56, 680, "World") +   // one blank further
          text(72, 660, "Hello") + text(300, 660, "World"));     // far apart
  const auto tables = convert();
  ASSERT_EQ(tables.count("Table 1.csv"), 1u);
  EXPECT_EQ(tables.at("Table 1.csv"), (Lines{{"HelloWorld"}, {"Hello World"}, {"Hello", "World"}}));
}

TEST_F(ExporterTest, ALoneBlankIsDroppedOnlyBeforeThePagesFirstRun) {
  addPage("BT /F1 10 Tf 72 700 Td ( ) Tj (X) Tj ET\n"
          "BT /F1 10 Tf 72 680 Td (A) Tj ( ) Tj (B) Tj ET\n");
  EXPECT_EQ(convert().at("Table 1.csv"), (Lines{{"X"}, {"A B"}}));
}

// Angles of the text direction on the page as seen (y down): 3 degrees is a
// line that falls slightly to the right, 357 one that rises.
TEST_F(ExporterTest, OnlyUprightStringsBecomeRuns) {
  std::string content;
  auto turned = [&](double degrees, double x, double y, const std::string& s) {
    const double r = -degrees * std::numbers::pi / 180;
    content += "BT /F1 10 Tf " + std::to_string(std::cos(r)) + " " + std::to_string(std::sin(r)) + " " +
               std::to_string(-std::sin(r)) + " " + std::to_string(std::cos(r)) + " " + std::to_string(x) + " " +
               std::to_string(y) + " Tm (" + s + ") Tj ET\n";
  };
  turned(3, 72, 700, "Three");
  turned(357, 72, 600, "ThreeFiftySeven");
  turned(90, 300, 500, "Ninety");
  turned(270, 400, 500, "TwoSeventy");
  content += "BT /F1 10 Tf -1 0 0 1 300 300 Tm (Mirrored) Tj ET\n";
  // A column of a vertical font, upright on the page.
  const auto vertical =
      qvtest::embedTrueTypeFont(builder, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", U"Column", true);
  content += "BT /F3 10 Tf 500 700 Td <" + vertical.hex(U"Column") + "> Tj ET\n";
  builder.addPage(content, builder.resources({{"Font", {{"F1", helvetica}, {"F3", vertical.font}}}}));
  EXPECT_EQ(convert().at("Table 1.csv"), (Lines{{"Three"}}));
}

TEST_F(ExporterTest, RunsKeepTheFirstFragmentsPropertiesAndAtLeastTenPoints) {
  addPage("BT /F2 8 Tf 72 700 Td (Bo) Tj /F1 8 Tf (ld) Tj ET\n");
  addPage(text(72, 700, "second page"));
  builder.write(dir.file("in.pdf"));
  auto document = platform::PdfDocument::open(dir.file("in.pdf").string());
  ASSERT_TRUE(document);
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  QVExcelPDFExporter exporter;
  exporter.setNumberOfPagesToConvert(2);
  exporter.begainConvertPDF(dir.file("out").string());

  ASSERT_TRUE(exporter.convertPDFPage(*document->page(1)));
  const QVExcelRunList& first = exporter.pdfConverter()->currentPage()->allRunTextArray;
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0]->text, "Bold");
  EXPECT_TRUE(first[0]->rPr.b);
  EXPECT_EQ(first[0]->rPr.sz, 10.0);
  EXPECT_EQ(first[0]->drawIndex, 0u);
  EXPECT_EQ(exporter.runTextCount(), 2u);

  ASSERT_TRUE(exporter.convertPDFPage(*document->page(2)));
  const QVExcelRunList& second = exporter.pdfConverter()->currentPage()->allRunTextArray;
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0]->drawIndex, 2u);
  EXPECT_EQ(second[0]->rPr.sz, 10.0);
  exporter.endConvertPDF(*document);
}

// A picture of a page costs nothing in this output: no image is decoded or
// written, not even one drawn inline or inside a form.
TEST_F(ExporterTest, ImagesAreNeitherDecodedNorWritten) {
  QPDFObjectHandle image = builder.stream(std::string(4 * 4 * 3, '\x80'),
                                          "<< /Type /XObject /Subtype /Image /Width 4 /Height 4 "
                                          "/ColorSpace /DeviceRGB /BitsPerComponent 8 >>");
  QPDFObjectHandle form = builder.stream("q 10 0 0 10 0 0 cm /Im0 Do Q",
                                         "<< /Type /XObject /Subtype /Form /BBox [0 0 20 20] >>");
  form.getDict().replaceKey("/Resources", builder.resources({{"XObject", {{"Im0", image}}}}));
  builder.addPage("q 100 0 0 100 72 500 cm /Im0 Do Q q 1 0 0 1 300 500 cm /Fm0 Do Q\n"
                  "q 50 0 0 50 72 300 cm BI /W 2 /H 2 /CS /G /BPC 8 ID \x10\x20\x30\x40 EI Q\n" +
                      text(72, 700, "Caption"),
                  builder.resources({{"Font", {{"F1", helvetica}}}, {"XObject", {{"Im0", image}, {"Fm0", form}}}}));
  builder.write(dir.file("in.pdf"));
  auto document = platform::PdfDocument::open(dir.file("in.pdf").string());
  ASSERT_TRUE(document);
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  {
    QVExcelPDFExporter exporter;
    exporter.setNumberOfPagesToConvert(1);
    exporter.begainConvertPDF(dir.file("out").string());
    ASSERT_TRUE(exporter.convertPDFPage(*document->page(1)));
    // Only the writer's own folder, holding the page's table.
    const auto items = xlsxtest::fileNames(work.path());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(xlsxtest::fileNames(fs::path(work.path()) / items[0]), (std::vector<std::string>{"Table 1.csv"}));
    exporter.endConvertPDF(*document);
  }
  EXPECT_TRUE(xlsxtest::fileNames(work.path()).empty());
  EXPECT_EQ(xlsxtest::parseCsv(xlsxtest::readCsvFile(dir.file("out") / "Table 1.csv").value_or("")),
            (Lines{{"Caption"}}));
}

TEST_F(ExporterTest, APageOverTheRunsAPageMayHoldFailsInsteadOfLosingItsLastRows) {
  // Strings a few points apart on a fine grid: none continues another. The
  // second page is an ordinary one.
  std::string content = "BT /F1 2 Tf\n";
  for (int i = 0; i < 25000; ++i)
    content += "1 0 0 1 " + std::to_string(6 * (i % 100)) + " " + std::to_string(790 - 3 * (i / 100)) + " Tm (x) Tj\n";
  addPage(content + "ET");
  addPage(text(72, 700, "after"));
  builder.write(dir.file("in.pdf"));
  auto document = platform::PdfDocument::open(dir.file("in.pdf").string());
  ASSERT_TRUE(document);
  {
    platform::fs::WorkFolder work;
    platform::fs::WorkFolderScope scope(work);
    QVExcelPDFExporter exporter;
    exporter.setNumberOfPagesToConvert(2);
    exporter.begainConvertPDF(dir.file("out").string());
    EXPECT_THROW(exporter.convertPDFPage(*document->page(1)), std::runtime_error);
    EXPECT_EQ(exporter.pdfConverter()->currentPage()->allRunTextArray.size(), QVExcelPDFExporter::kMaxRunsPerPage);
    ASSERT_TRUE(exporter.convertPDFPage(*document->page(2)));
    exporter.endConvertPDF(*document);
  }
  // No table of 200 of the page's 250 rows passes for the page's table.
  EXPECT_EQ(xlsxtest::fileNames(dir.file("out")), (std::vector<std::string>{"Table 2.csv"}));

  // As a user sees it: the page is reported failed, the rest converted.
  if (!xlsxtest::pdfconvertAvailable()) GTEST_SKIP() << "pdfconvert not built";
  for (const char* format : {"xlsx", "csv"}) {
    SCOPED_TRACE(format);
    const auto result =
        xlsxtest::runPdfconvert({"--to", format, dir.file("in.pdf").string(), dir.file(std::string("tool.") + format).string()});
    EXPECT_NE(result.output.find("page 1 failed: 400"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("page 2 converted"), std::string::npos) << result.output;
  }
}

TEST_F(ExporterTest, ACancelledConversionLeavesNothingBehind) {
  addPage(text(72, 700, "text"));
  builder.write(dir.file("in.pdf"));
  auto document = platform::PdfDocument::open(dir.file("in.pdf").string());
  ASSERT_TRUE(document);
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  QVExcelPDFExporter exporter;
  exporter.setNumberOfPagesToConvert(1);
  exporter.begainConvertPDF(dir.file("out").string());
  ASSERT_TRUE(exporter.convertPDFPage(*document->page(1)));
  EXPECT_FALSE(xlsxtest::fileNames(work.path()).empty());
  exporter.cleanConvertPDF();
  EXPECT_TRUE(xlsxtest::fileNames(work.path()).empty());
  EXPECT_FALSE(fs::exists(dir.file("out")));
}

TEST_F(ExporterTest, AFailedMoveIsAnErrorAndLeavesNothingHalfMade) {
  addPage(text(72, 700, "text"));
  builder.write(dir.file("in.pdf"));
  auto document = platform::PdfDocument::open(dir.file("in.pdf").string());
  ASSERT_TRUE(document);
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  QVExcelPDFExporter exporter;
  exporter.setNumberOfPagesToConvert(1);
  exporter.begainConvertPDF(dir.file("missing folder/out").string());
  ASSERT_TRUE(exporter.convertPDFPage(*document->page(1)));
  EXPECT_THROW(exporter.endConvertPDF(*document), std::runtime_error);
  EXPECT_FALSE(fs::exists(dir.file("missing folder")));
}

}  // namespace

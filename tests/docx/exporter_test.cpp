// The Word exporter on PDFs made here: page rotation, the run properties it
// takes from fonts and colours, cancelling, and pages whose geometry or
// number of strings would otherwise make a conversion hang or balloon.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "docx/QVDocxPDFExporter.h"
#include "docx/QVDocxWriter.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "tests/docx/docx_test_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"

namespace {

namespace fs = std::filesystem;
using docxtest::Document;
using docxtest::find;
using docxtest::findAll;
using docxtest::wAttr;

class DocxExporterTest : public testing::Test {
 protected:
  DocxExporterTest() : scope(work) {}

  fs::path write(qvtest::PdfBuilder& b) {
    const fs::path pdf = dir.file("in.pdf");
    b.write(pdf);
    return pdf;
  }

  // The runs of the converted document: text and the w:rPr of each.
  std::vector<const qvtest::XmlElement*> runs(const Document& d) {
    std::vector<const qvtest::XmlElement*> out;
    for (const qvtest::XmlElement* r : findAll(*d.body, "r"))
      if (!Document::textOf(*r).empty() && Document::textOf(*r) != " ") out.push_back(r);
    return out;
  }

  qvtest::TempDir dir;
  fs::path output = dir.file("out.docx");
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope;
};

TEST_F(DocxExporterTest, PageRotationsAreTakenIntoOneTurn) {
  qvtest::PdfBuilder b;
  auto resources = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  for (int rotate : {-90, 450}) {
    auto page = b.addPage("BT /F1 12 Tf 72 700 Td (Turned) Tj ET", resources);
    page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
  }
  auto document = platform::PdfDocument::open(write(b).string(), "");
  ASSERT_TRUE(document);
  QVDocxPDFExporter exporter;
  exporter.setNumberOfPagesToConvert(2);
  exporter.begainConvertPDF(output.string());
  ASSERT_TRUE(exporter.convertPDFPage(*document->page(1)));
  EXPECT_EQ(exporter.currentPageRotationAngle(), 270);
  EXPECT_EQ(exporter.currentPageMediaBox().size, (platform::Size{792, 612}));
  ASSERT_TRUE(exporter.convertPDFPage(*document->page(2)));
  EXPECT_EQ(exporter.currentPageRotationAngle(), 90);
  exporter.endConvertPDF(*document);
  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
}

TEST_F(DocxExporterTest, RunsTakeFontFaceSizeAndColourFromThePage) {
  qvtest::PdfBuilder b;
  auto resources =
      b.resources({{"Font", {{"F1", b.standardFont("Helvetica-Bold")}, {"F2", b.standardFont("Helvetica")}}}});
  b.addPage(
      "BT /F1 16 Tf 0.2 0.4 0.6 rg 72 700 Td (Bold) Tj ET "
      "BT /F2 2 Tf 0 g 72 650 Td (tiny) Tj ET "
      "BT /F2 12 Tf 1 0 0 rg 72 600 Td (plain) Tj ET",
      resources);
  ASSERT_EQ(docxtest::convertToDocx(write(b), output), 1);
  const Document d(output);
  const auto r = runs(d);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(Document::textOf(*r[0]), "Bold");
  EXPECT_NE(find(*r[0], "b"), nullptr);
  EXPECT_EQ(wAttr(find(*r[0], "rFonts"), "ascii"), "Arial");
  EXPECT_EQ(wAttr(find(*r[0], "sz"), "val"), "32");
  EXPECT_EQ(wAttr(find(*r[0], "color"), "val"), "336699");
  EXPECT_EQ(wAttr(find(*r[1], "sz"), "val"), "4");
  EXPECT_EQ(find(*r[2], "b"), nullptr);
  EXPECT_EQ(wAttr(find(*r[2], "rFonts"), "ascii"), "Arial");
  EXPECT_EQ(wAttr(find(*r[2], "color"), "val"), "FF0000");
}

TEST_F(DocxExporterTest, StringsWhileCancellingLeaveNoTrace) {
  qvtest::PdfBuilder b;
  auto resources = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  b.addPage("BT /F1 12 Tf 72 700 Td (Ignored) Tj ET", resources);
  auto document = platform::PdfDocument::open(write(b).string(), "");
  QVDocxPDFExporter exporter;
  exporter.setNumberOfPagesToConvert(1);
  exporter.begainConvertPDF(output.string());
  exporter.setIsShouldCancel(true);
  ASSERT_TRUE(exporter.convertPDFPage(*document->page(1)));
  exporter.endConvertPDF(*document);
  const Document d(output);
  EXPECT_THAT(d.text(), testing::Not(testing::HasSubstr("Ignored")));
}

TEST_F(DocxExporterTest, ACancelledConversionLeavesNoFilesBehind) {
  qvtest::PdfBuilder b;
  auto resources = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  b.addPage("BT /F1 12 Tf 72 700 Td (Gone) Tj ET", resources);
  auto document = platform::PdfDocument::open(write(b).string(), "");
  QVDocxPDFExporter exporter;
  exporter.setNumberOfPagesToConvert(1);
  exporter.begainConvertPDF(output.string());
  ASSERT_TRUE(exporter.convertPDFPage(*document->page(1)));
  const std::string folder = exporter.pdfConverter()->savedWorkFolder();
  EXPECT_TRUE(fs::exists(folder));
  exporter.cleanConvertPDF();
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_FALSE(fs::exists(output));
}

TEST_F(DocxExporterTest, TextFarOffThePageAndAlmostWidthlessSpacesStayBounded) {
  qvtest::PdfBuilder b;
  // A font whose space is a billionth of the em: every gap between strings
  // would be millions of blanks.
  std::string widths = "[0.000001";
  for (int c = 33; c <= 122; ++c) widths += " 500";
  widths += "]";
  auto font =
      b.qpdf().makeIndirectObject(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                                          "/FirstChar 32 /LastChar 122 /Widths " +
                                          widths + " >>"));
  auto resources = b.resources({{"Font", {{"F1", font}}}});
  std::string content =
      "BT /F1 12 Tf 72 700 Td (top) Tj 300 0 Td (gap) Tj ET BT /F1 12 Tf 1 0 0 1 72 -1e9 Tm (deep) Tj ET "
      "BT /F1 12 Tf 1 0 0 1 1e9 400 Tm (right) Tj ET";
  b.addPage(content, resources);
  ASSERT_EQ(docxtest::convertToDocx(write(b), output), 1);
  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
  const Document d(output);
  EXPECT_LE(d.paragraphs().size(), 200u);
  EXPECT_LE(d.text().size(), 4000u);
  for (const char* word : {"top", "gap", "deep", "right"}) EXPECT_THAT(d.text(), testing::HasSubstr(word));
}

TEST_F(DocxExporterTest, TwentyThousandOneGlyphStringsConvertWhole) {
  qvtest::PdfBuilder b;
  auto resources = b.resources({{"Font", {{"F1", b.standardFont("Courier")}}}});
  std::string content = "BT /F1 6 Tf 20 770 Td ";
  for (int i = 0; i < 20000; ++i) {
    content += "(x) Tj ";
    content += (i % 150 == 149) ? "-536.4 -5 Td " : "3.6 0 Td ";
  }
  content += "ET";
  b.addPage(content, resources);
  ASSERT_EQ(docxtest::convertToDocx(write(b), output), 1);
  const Document d(output);
  const std::string text = d.text();
  EXPECT_EQ(std::count(text.begin(), text.end(), 'x'), 20000);
}

}  // namespace

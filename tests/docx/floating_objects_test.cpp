// What is not upright flowing text reaches the Word document as floating
// VML objects: painted paths as freeform shapes (thin fills as lines),
// images as pictures cut to the page's clip, quarter-turned text as text
// boxes and text at other angles or mirrored as text paths, all anchored in
// the page's first paragraph and stacked as the page drew them. Checked on
// documents converted from PDFs made here, on an upright page and on a page
// turned by /Rotate 90, as a user would open them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tests/docx/docx_test_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "platform/text/text.h"
#include "tests/support/text_coverage.h"

namespace {

namespace fs = std::filesystem;
using docxtest::Document;
using docxtest::findAll;

constexpr const char* kRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The VML shapes of the body by kind.
struct Shapes {
  std::vector<const qvtest::XmlElement*> pictures, freeforms, textBoxes, textPaths;
};

Shapes shapesOf(const Document& doc) {
  Shapes out;
  for (const qvtest::XmlElement* shape : findAll(*doc.body, "shape")) {
    const std::string type = shape->attr("type").value_or("");
    if (type == "#_x0000_t75") out.pictures.push_back(shape);
    if (type == "Shape12") out.freeforms.push_back(shape);
    if (type == "#_x0000_t202") out.textBoxes.push_back(shape);
    if (type == "#_x0000_t136") out.textPaths.push_back(shape);
  }
  return out;
}

// A declaration of a VML style string ("" when absent).
std::string styleValue(const qvtest::XmlElement& shape, const std::string& name) {
  const std::string style = shape.attr("style").value_or("");
  size_t at = 0;
  while (at < style.size()) {
    size_t end = style.find(';', at);
    if (end == std::string::npos) end = style.size();
    const std::string item = style.substr(at, end - at);
    const size_t colon = item.find(':');
    if (colon != std::string::npos && item.substr(0, colon) == name) return item.substr(colon + 1);
    at = end + 1;
  }
  return {};
}

// A shape drawn with others in turn is a member of their group, which is
// placed and stacked as one.
const qvtest::XmlElement* groupOf(const qvtest::XmlElement& shape) {
  return shape.parent && shape.parent->local == "group" ? shape.parent : nullptr;
}

long zIndex(const qvtest::XmlElement& shape) {
  const qvtest::XmlElement* group = groupOf(shape);
  return std::strtol(styleValue(group ? *group : shape, "z-index").c_str(), nullptr, 10);
}

// A length of the shape's style in points: a group member's are twentieths
// of a point.
std::string lengthPt(const qvtest::XmlElement& shape, const std::string& name) {
  if (!groupOf(shape)) return styleValue(shape, name);
  return platform::text::formatFixed(std::strtod(styleValue(shape, name).c_str(), nullptr) / 20.0, 2) + "pt";
}

double pt(const qvtest::XmlElement& shape, const std::string& name) {
  return std::strtod(styleValue(shape, name).c_str(), nullptr);
}

class DocxFloatingObjects : public testing::TestWithParam<bool> {};

TEST_P(DocxFloatingObjects, EveryKindOfMarkReachesTheDocumentStackedAsDrawn) {
  const bool turned = GetParam();
  qvtest::TempDir dir;
  const fs::path pdf = dir.file("marks.pdf");
  docxtest::writeFloatingObjectsPdf(pdf, turned);
  const fs::path docx = dir.file("marks.docx");
  ASSERT_EQ(docxtest::convertToDocx(pdf, docx), 1);
  EXPECT_THAT(qvtest::checkWordPackage(docx), testing::IsEmpty());

  Document doc(docx);
  const Shapes shapes = shapesOf(doc);
  ASSERT_EQ(shapes.pictures.size(), 2u);
  // The filled rectangle, the two boxes (one path), the hairline and the
  // thin fill; the white background is the page's paper.
  ASSERT_EQ(shapes.freeforms.size(), 4u);
  ASSERT_EQ(shapes.textBoxes.size(), 1u);
  ASSERT_EQ(shapes.textPaths.size(), 2u);

  // Every floating object is anchored in the page's first paragraph.
  const auto paragraphs = doc.paragraphs();
  ASSERT_FALSE(paragraphs.empty());
  EXPECT_EQ(findAll(*paragraphs.front(), "shape").size(), 9u);

  // The fill with text drawn over it stays behind the text; the boxes, the
  // lines and the whole picture, which nothing covers, come in front of it,
  // in drawing order.
  const auto& blue = *shapes.freeforms[0];
  EXPECT_LT(zIndex(blue), 0);
  for (size_t i = 1; i < 4; ++i) EXPECT_GT(zIndex(*shapes.freeforms[i]), 3000) << i;
  // Drawn one after another, they are one group, in their order.
  EXPECT_NE(groupOf(*shapes.freeforms[1]), nullptr);
  EXPECT_EQ(groupOf(*shapes.freeforms[1]), groupOf(*shapes.freeforms[3]));
  EXPECT_LE(zIndex(*shapes.freeforms[1]), zIndex(*shapes.freeforms[2]));
  // The clipped picture lies under the text box drawn after it: it stays
  // below the box.
  const auto& clipped = *shapes.pictures[0];
  EXPECT_LT(zIndex(clipped), zIndex(*shapes.textBoxes[0]));
  EXPECT_GT(zIndex(*shapes.pictures[1]), zIndex(*shapes.textBoxes[0]));
  EXPECT_GT(zIndex(*shapes.textBoxes[0]), 0);

  // The two stroked boxes are two closed subpaths.
  const std::string boxes = shapes.freeforms[1]->attr("path").value_or("");
  EXPECT_EQ(std::count(boxes.begin(), boxes.end(), 'x'), 2) << boxes;
  EXPECT_EQ(std::count(boxes.begin(), boxes.end(), 'm'), 2) << boxes;
  // The hairline gets a visible weight; the thin fill is a line of its colour.
  EXPECT_EQ(shapes.freeforms[2]->attr("stroked"), "t");
  EXPECT_GT(std::strtod(shapes.freeforms[2]->attr("strokeweight").value_or("0").c_str(), nullptr), 0.0);
  EXPECT_EQ(shapes.freeforms[3]->attr("filled"), "f");
  EXPECT_EQ(shapes.freeforms[3]->attr("strokecolor"), "#990000");
  // Two boxes of 2-point lines weigh 2 points on either page.
  EXPECT_EQ(shapes.freeforms[1]->attr("strokeweight"), "2.00pt");

  // The picture cut by the clip is the clip's box, upright; the whole one
  // keeps its place: 120 x 80 at (420, 612 - 200).
  EXPECT_NEAR(pt(clipped, "width"), 150, 1.5);
  EXPECT_NEAR(pt(clipped, "height"), 150, 1.5);
  EXPECT_NEAR(pt(clipped, "margin-left"), 100, 1.5);
  EXPECT_NEAR(pt(clipped, "margin-top"), 612 - 270, 1.5);
  EXPECT_EQ(styleValue(clipped, "rotation"), "");
  const auto& whole = *shapes.pictures[1];
  EXPECT_NEAR(pt(whole, "margin-left"), 420, 0.01);
  EXPECT_NEAR(pt(whole, "margin-top"), 412, 0.01);
  EXPECT_NEAR(pt(whole, "width"), 120, 0.01);
  EXPECT_NEAR(pt(whole, "height"), 80, 0.01);

  // One media part per image, each of a kind the package declares.
  std::vector<std::string> media;
  for (const std::string& entry : doc.package.entries())
    if (entry.rfind("word/media/", 0) == 0) media.push_back(entry);
  ASSERT_EQ(media.size(), 2u);
  const std::string& types = doc.package.data("[Content_Types].xml");
  for (const std::string& m : media) {
    const std::string extension = m.substr(m.rfind('.') + 1);
    EXPECT_NE(types.find("Extension=\"" + extension + "\""), std::string::npos) << m;
  }
  const std::string& rels = doc.package.data("word/_rels/document.xml.rels");
  for (const auto* shape : shapes.pictures) {
    const auto data = docxtest::find(*shape, "imagedata");
    ASSERT_NE(data, nullptr);
    EXPECT_NE(rels.find("Id=\"" + data->attr("id", kRels).value_or("?") + "\""), std::string::npos);
  }

  // The text paths carry their strings, turned and mirrored.
  EXPECT_EQ(docxtest::find(*shapes.textPaths[0], "textpath")->attr("string"), "Forty five");
  EXPECT_EQ(styleValue(*shapes.textPaths[0], "rotation"), "315");
  EXPECT_EQ(docxtest::find(*shapes.textPaths[1], "textpath")->attr("string"), "Mirrored words");
  EXPECT_EQ(styleValue(*shapes.textPaths[1], "flip"), "y");
  EXPECT_THAT(doc.text(), testing::HasSubstr("Side label"));
}

TEST_P(DocxFloatingObjects, LibreOfficeShowsTheLabelAndTheStrings) {
  if (!qvtest::officeAvailable() || std::system("command -v pdftotext > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  qvtest::TempDir dir;
  const fs::path pdf = dir.file("marks.pdf");
  docxtest::writeFloatingObjectsPdf(pdf, GetParam());
  const fs::path docx = dir.file("marks.docx");
  ASSERT_EQ(docxtest::convertToDocx(pdf, docx), 1);
  const auto printed = qvtest::officeConvertToPdf(docx, dir.path() / "office");
  ASSERT_TRUE(printed) << "LibreOffice did not convert the document";
  const std::string text = qvtest::foldForComparison(qvtest::pdftotextPage(*printed, 1));
  EXPECT_THAT(text, testing::HasSubstr("Side label"));
  EXPECT_THAT(text, testing::HasSubstr("Harbour notes"));

  // Word-art is printed as outlines: its ink is where the page has it.
  const auto page = qvtest::renderPdfPage(pdf, 1, 50);
  const auto shown = qvtest::renderPdfPage(*printed, 1, 50);
  ASSERT_TRUE(page && shown);
  struct Area {
    const char* what;
    double left, top, right, bottom;
  };
  for (const Area& a : {Area{"Forty five", 0.53, 0.50, 0.66, 0.62}, Area{"Mirrored words", 0.72, 0.87, 0.93, 0.92}}) {
    EXPECT_GT(page->inkIn(a.left, a.top, a.right, a.bottom), 20) << a.what;
    EXPECT_GT(shown->inkIn(a.left, a.top, a.right, a.bottom), 20) << a.what;
  }
}

TEST(DocxFloatingObjectsPlacement, PicturesAreTurnedMirroredOrLeftOutAsThePageDrawsThem) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  auto jpeg = b.stream(docxtest::stripesJpeg(), "<< /Type /XObject /Subtype /Image /Width 60 /Height 40 "
                                                "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>");
  auto broken = b.stream("not a picture at all", "<< /Type /XObject /Subtype /Image /Width 60 /Height 40 "
                                                 "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>");
  auto resources = b.resources({{"XObject", {{"Im1", jpeg}, {"Im2", broken}}}});
  b.addPage(
      // Turned a quarter, then drawn upside down.
      "q 0 100 -200 0 300 400 cm /Im1 Do Q "
      "q 100 0 0 -100 100 700 cm /Im1 Do Q "
      // Clipped away entirely, and undecodable: neither is placed.
      "q 600 780 5 5 re W n 100 0 0 100 10 10 cm /Im1 Do Q "
      "q 100 0 0 100 300 600 cm /Im2 Do Q "
      // White paper is left out; near-white paper, stroked paper and a
      // white patch are kept.
      "1 g 0 0 612 792 re f 0.996 g 0 0 612 792 re f 1 g 0 0 1 RG 0 0 612 792 re B 1 g 10 10 100 100 re f",
      resources);
  const fs::path pdf = dir.file("placed.pdf");
  b.write(pdf);
  const fs::path docx = dir.file("placed.docx");
  ASSERT_EQ(docxtest::convertToDocx(pdf, docx), 1);
  EXPECT_THAT(qvtest::checkWordPackage(docx), testing::IsEmpty());

  Document doc(docx);
  const Shapes shapes = shapesOf(doc);
  ASSERT_EQ(shapes.pictures.size(), 2u);
  const auto& turned = *shapes.pictures[0];
  EXPECT_EQ(styleValue(turned, "margin-left"), "150.00pt");
  EXPECT_EQ(styleValue(turned, "margin-top"), "242.00pt");
  EXPECT_EQ(styleValue(turned, "width"), "100.00pt");
  EXPECT_EQ(styleValue(turned, "height"), "200.00pt");
  EXPECT_EQ(styleValue(turned, "rotation"), "270");
  EXPECT_EQ(styleValue(turned, "flip"), "");
  const auto& mirrored = *shapes.pictures[1];
  EXPECT_EQ(styleValue(mirrored, "rotation"), "");
  EXPECT_EQ(styleValue(mirrored, "flip"), "y");
  EXPECT_EQ(styleValue(mirrored, "margin-top"), "92.00pt");
  // One image drawn twice is one media part.
  EXPECT_EQ(std::count_if(doc.package.entries().begin(), doc.package.entries().end(),
                          [](const std::string& e) { return e.rfind("word/media/", 0) == 0; }),
            1);
  ASSERT_EQ(shapes.freeforms.size(), 3u);
  EXPECT_NE(shapes.freeforms[0]->attr("fillcolor"), "#FFFFFF");
  EXPECT_EQ(shapes.freeforms[1]->attr("strokecolor"), "#0000FF");
  EXPECT_EQ(lengthPt(*shapes.freeforms[2], "width"), "100.00pt");
}


INSTANTIATE_TEST_SUITE_P(Pages, DocxFloatingObjects, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Rotate90" : "Upright"; });

}  // namespace

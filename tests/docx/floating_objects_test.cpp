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

#include "platform/image/bitmap.h"
#include "platform/image/codecs.h"
#include "tests/docx/docx_test_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/support/text_coverage.h"

namespace {

namespace fs = std::filesystem;
using docxtest::Document;
using docxtest::findAll;

constexpr const char* kRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A JPEG of stripes, 60 x 40 pixels.
std::string stripesJpeg() {
  platform::image::Bitmap image(60, 40, platform::image::PixelFormat::RGB8);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      uint8_t* p = image.row(y) + 3 * x;
      const bool dark = (x / 10) % 2 == 0;
      p[0] = dark ? 30 : 230;
      p[1] = dark ? 60 : 180;
      p[2] = dark ? 140 : 40;
    }
  return platform::image::encodeJpeg(image, 90);
}

// One page of 612 x 612 points as displayed: a white background, a filled
// rectangle with upright text drawn over it, two boxes stroked as one path,
// a hairline and a fill thinner than a point, a JPEG drawn twice (once cut
// by a clip path, with a quarter-turned label drawn over it, once whole),
// upright text, a string at 45 degrees and a mirrored string. `turned`
// draws it on a page with /Rotate 90, turned back so that it is seen the
// same way.
const char* kPageContent =
    "1 1 1 rg 0 0 612 612 re f "
    "0.2 0.5 0.8 rg 72 420 200 100 re f "
    "0 0 0 rg BT /F1 12 Tf 80 470 Td (Over the blue fill) Tj ET "
    "0 0 0 RG 2 w 320 420 100 60 re 440 420 100 60 re S "
    "0 w 72 380 m 540 380 l S "
    "0.6 0 0 rg 72 360 400 0.5 re f "
    "q 100 120 150 150 re W n 300 0 0 200 80 100 cm /Im1 Do Q "
    "q 120 0 0 80 420 120 cm /Im1 Do Q "
    "0 0 0 rg BT /F1 14 Tf 0 1 -1 0 180 140 Tm (Side label) Tj ET "
    "BT /F1 12 Tf 72 560 Td (Harbour notes of the week) Tj ET "
    "BT /F1 16 Tf 0.7071 0.7071 -0.7071 0.7071 330 240 Tm (Forty five) Tj ET "
    "BT /F1 16 Tf -1 0 0 1 560 60 Tm (Mirrored words) Tj ET ";

fs::path writeFixture(const qvtest::TempDir& dir, const std::string& name, bool turned) {
  qvtest::PdfBuilder b;
  auto jpeg = b.stream(stripesJpeg(), "<< /Type /XObject /Subtype /Image /Width 60 /Height 40 /ColorSpace /DeviceRGB "
                                      "/BitsPerComponent 8 /Filter /DCTDecode >>");
  auto resources =
      b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}, {"XObject", {{"Im1", jpeg}}}});
  const std::string content = turned ? "q 0 1 -1 0 612 0 cm " + std::string(kPageContent) + "Q" : kPageContent;
  auto page = b.addPage(content, resources, "[0 0 612 612]");
  if (turned) page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
  const fs::path path = dir.file(name + ".pdf");
  b.write(path);
  return path;
}

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

long zIndex(const qvtest::XmlElement& shape) { return std::strtol(styleValue(shape, "z-index").c_str(), nullptr, 10); }

double pt(const qvtest::XmlElement& shape, const std::string& name) {
  return std::strtod(styleValue(shape, name).c_str(), nullptr);
}

class DocxFloatingObjects : public testing::TestWithParam<bool> {};

TEST_P(DocxFloatingObjects, EveryKindOfMarkReachesTheDocumentStackedAsDrawn) {
  const bool turned = GetParam();
  qvtest::TempDir dir;
  const fs::path pdf = writeFixture(dir, "marks", turned);
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
  EXPECT_LT(zIndex(*shapes.freeforms[1]), zIndex(*shapes.freeforms[2]));
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

INSTANTIATE_TEST_SUITE_P(Pages, DocxFloatingObjects, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Rotate90" : "Upright"; });

}  // namespace

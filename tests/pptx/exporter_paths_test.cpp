// The presentation exporter's paths and images: freeform shapes and their
// line widths on every page turn, complex paths rendered as pictures with
// their own paint, patterns, the page's paper, and images cut by the page's
// clip, read back from the written package.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "platform/text/text.h"
#include "tests/pptx/exporter_fixtures.h"
#include "tests/support/fixtures.h"

namespace {

using pptxfix::Converted;
using pptxfix::pixelAt;

Converted convertPage(const std::string& content, int rotate = 0, QPDFObjectHandle resources = {},
                      qvtest::PdfBuilder* builder = nullptr) {
  qvtest::PdfBuilder local;
  qvtest::PdfBuilder& b = builder ? *builder : local;
  auto page = b.addPage(content, resources);
  if (rotate != 0) page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
  return pptxfix::convert(b);
}

std::string num(double v) { return platform::text::formatShortest(v); }

// A closed polygon of n segments around (cx, cy) in user space.
std::string polygon(double cx, double cy, double radius, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * std::numbers::pi * i / n;
    s += num(cx + radius * std::cos(a)) + " " + num(cy + radius * std::sin(a)) + (i == 0 ? " m " : " l ");
  }
  return s + "h ";
}

TEST(PptxExporterPaths, StrokedLineBecomesAFreeformPlacedInDisplaySpace) {
  Converted c = convertPage("1 0 0 RG 2 w 100 100 m 200 100 l 200 150 l S");
  const auto shapes = c.freeforms(0);
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_NEAR(shapes[0].x, 100, 1e-3);
  EXPECT_NEAR(shapes[0].y, 792 - 150, 1e-3);
  EXPECT_NEAR(shapes[0].width, 100, 1e-3);
  EXPECT_NEAR(shapes[0].height, 50, 1e-3);
  EXPECT_NEAR(shapes[0].lineWidth, 2, 1e-3);
  // Not filled: no fill shows.
  EXPECT_EQ(shapes[0].fillAlpha, "0");
  EXPECT_EQ(shapes[0].lineAlpha, "100000");
}

struct WidthCase {
  int rotate;
  const char* ctm;
  double width;  // expected line width in points for "3 w"
};

class PptxExporterLineWidths : public testing::TestWithParam<WidthCase> {};

TEST_P(PptxExporterLineWidths, LineWidthScalesByTheTransformsAreaOnEveryPageTurn) {
  const WidthCase& w = GetParam();
  Converted c = convertPage(std::string(w.ctm) + " cm 3 w 10 10 m 60 40 l S", w.rotate);
  const auto shapes = c.freeforms(0);
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_NEAR(shapes[0].lineWidth, w.width, 1e-3) << "rotate " << w.rotate << " cm " << w.ctm;
}

INSTANTIATE_TEST_SUITE_P(Table, PptxExporterLineWidths,
                         testing::Values(WidthCase{0, "1 0 0 1 0 0", 3}, WidthCase{90, "1 0 0 1 0 0", 3},
                                         WidthCase{180, "1 0 0 1 0 0", 3}, WidthCase{270, "1 0 0 1 0 0", 3},
                                         WidthCase{0, "2 0 0 2 0 0", 6}, WidthCase{90, "2 0 0 2 0 0", 6},
                                         WidthCase{0, "0 2 -2 0 300 0", 6},   // turned by the ctm
                                         WidthCase{0, "-1 0 0 1 300 0", 3},   // mirrored
                                         WidthCase{0, "4 0 0 1 0 0", 6}));    // uneven: the mean scale

TEST(PptxExporterPaths, HairlineGetsTheThinnestVisibleWidth) {
  Converted c = convertPage("0 w 10 10 m 60 40 l S");
  ASSERT_EQ(c.freeforms(0).size(), 1u);
  EXPECT_GT(c.freeforms(0)[0].lineWidth, 0);
}

TEST(PptxExporterPaths, DashesScaleWithTheLine) {
  Converted c = convertPage("2 0 0 2 0 0 cm [3 1] 0 d 10 10 m 60 40 l S");
  ASSERT_EQ(c.freeforms(0).size(), 1u);
  EXPECT_EQ(c.freeforms(0)[0].dash, "dash");
}

TEST(PptxExporterPaths, PathOfTwentyEightElementsBecomesAPicture) {
  // 27 elements (a move, 25 lines and a close) stay a freeform; one more
  // line makes it a picture.
  const std::string shape27 = polygon(300, 400, 100, 26);
  const std::string shape28 = polygon(300, 400, 100, 27);
  Converted freeform = convertPage("0 0 1 rg " + shape27 + "f");
  EXPECT_EQ(freeform.shapeKinds(0), (std::vector<std::string>{"freeform"}));
  Converted picture = convertPage("0 0 1 rg " + shape28 + "f");
  EXPECT_EQ(picture.shapeKinds(0), (std::vector<std::string>{"picture"}));
}

TEST(PptxExporterPaths, RepeatedComplexOutlinesKeepAPictureEachWithTheirPixels) {
  // The same letter drawn as an outline three times, the last in another
  // colour: three pictures, the two alike sharing one media part.
  const std::string letter = polygon(0, 0, 20, 30) + "f ";
  Converted c = convertPage("0 0 1 rg 1 0 0 1 100 500 cm " + letter + "1 0 0 1 100 0 cm " + letter +
                            "1 0 0 rg 1 0 0 1 100 0 cm " + letter);
  const auto pictures = c.pictures(0);
  ASSERT_EQ(pictures.size(), 3u);
  EXPECT_EQ(pictures[0].media, pictures[1].media);
  EXPECT_NE(pictures[1].media, pictures[2].media);
  const platform::image::Bitmap first = c.mediaImage(pictures[0].media);
  const platform::image::Bitmap second = c.mediaImage(pictures[1].media);
  const platform::image::Bitmap red = c.mediaImage(pictures[2].media);
  ASSERT_EQ(first.width(), second.width());
  ASSERT_EQ(first.height(), second.height());
  EXPECT_TRUE(std::ranges::equal(first.bytes(), second.bytes()));
  const pptxfix::Pixel centreBlue = pixelAt(second, second.width() / 2, second.height() / 2);
  const pptxfix::Pixel centreRed = pixelAt(red, red.width() / 2, red.height() / 2);
  EXPECT_EQ(centreBlue.b, 255);
  EXPECT_EQ(centreBlue.r, 0);
  EXPECT_EQ(centreRed.r, 255);
  EXPECT_EQ(centreRed.b, 0);
}

TEST(PptxExporterPaths, OutlinesOfOnePaintJoinIntoFewShapesKeepingEveryPath) {
  // Text drawn as outlines, in essence: 1,200 small outlines of one colour
  // side by side, then two that overlap, then one of another colour.
  std::vector<platform::Point> starts;  // where each outline starts, on the page
  std::string content = "0 0 0 rg ";
  const auto outline = [&](double cx, double cy) {
    content += polygon(cx, cy, 6, 8) + "f ";
    starts.push_back({cx + 6, 792 - cy});
  };
  for (int row = 0; row < 40; ++row)
    for (int col = 0; col < 30; ++col) outline(40 + col * 18, 60 + row * 17);
  outline(300, 30);
  outline(304, 30);
  content += "1 0 0 rg ";
  outline(500, 30);
  Converted c = convertPage(content);
  const auto shapes = c.freeforms(0);
  ASSERT_GE(shapes.size(), 3u);
  EXPECT_LE(shapes.size(), 8u);
  EXPECT_EQ(c.pictures(0).size(), 0u);

  // Every outline is still drawn, where it was, and in its order.
  std::vector<platform::Point> drawn;
  for (const auto& shape : shapes) drawn.insert(drawn.end(), shape.pathStarts.begin(), shape.pathStarts.end());
  ASSERT_EQ(drawn.size(), starts.size());
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_NEAR(drawn[i].x, starts[i].x, 0.01) << "outline " << i;
    EXPECT_NEAR(drawn[i].y, starts[i].y, 0.01) << "outline " << i;
  }
  // The overlapping pair is parted (one fill rule over both could cancel
  // where they meet), and the red outline keeps a shape and colour of its own.
  const auto& red = shapes.back();
  EXPECT_EQ(red.fillColor, "ff0000");
  ASSERT_EQ(red.pathStarts.size(), 1u);
  const auto& second = shapes[shapes.size() - 2];
  EXPECT_EQ(second.fillColor, "000000");
  EXPECT_NEAR(second.pathStarts.front().x, 310, 0.01);
}

TEST(PptxExporterPaths, WhitePageFillIsThePaperAndLeftOut) {
  EXPECT_TRUE(convertPage("1 g 0.5 0.5 612 792 re f").shapeKinds(0).empty());
  // Starting a point in, not quite white, or stroked as well: drawn.
  EXPECT_EQ(convertPage("1 g 1 1 612 792 re f").shapeKinds(0).size(), 1u);
  EXPECT_EQ(convertPage("0.999 1 1 rg 0 0 612 792 re f").shapeKinds(0).size(), 1u);
  EXPECT_EQ(convertPage("1 g 0 0 612 792 re B").shapeKinds(0).size(), 1u);
}

TEST(PptxExporterPaths, PathWithoutSegmentsIsDroppedAndLeavesTheTextBoxOpen) {
  for (const char* path : {"S", "0 0 m S", "10 10 m 20 20 m f"}) {
    qvtest::PdfBuilder b;
    Converted c = convertPage(std::string("BT /F1 10 Tf 72 700 Td (One) Tj ET ") + path +
                                  " BT /F1 10 Tf 100 700 Td (Two) Tj ET",
                              0, b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}), &b);
    EXPECT_EQ(c.shapeKinds(0), (std::vector<std::string>{"text"})) << path;
  }
}

// The picture of a complex path, decoded, and where its frame lies.
struct Rendered {
  pptxfix::Picture frame;
  platform::image::Bitmap image;

  // The pixel at a display point of the page.
  pptxfix::Pixel at(double x, double y) const {
    const int px = static_cast<int>((x - frame.x) / frame.width * image.width());
    const int py = static_cast<int>((y - frame.y) / frame.height * image.height());
    return pixelAt(image, std::clamp(px, 0, image.width() - 1), std::clamp(py, 0, image.height() - 1));
  }
};

Rendered renderedPicture(const Converted& c) {
  const auto pictures = c.pictures(0);
  EXPECT_EQ(pictures.size(), 1u);
  if (pictures.empty()) return {};
  return {pictures[0], c.mediaImage(pictures[0].media)};
}

TEST(PptxExporterPaths, StrokedComplexPathRendersItsOutlineOnly) {
  // A 40-sided ring of radius 100 around (300, 400): display centre (300, 392).
  Converted c = convertPage("0 0 1 RG 6 w 1 J 1 j " + polygon(300, 400, 100, 40) + "S");
  const Rendered r = renderedPicture(c);
  ASSERT_FALSE(r.image.empty());
  // The frame holds the whole stroke (half the width beyond the path).
  EXPECT_LE(r.frame.x, 197);
  EXPECT_GE(r.frame.x + r.frame.width, 403);
  EXPECT_EQ(r.at(300, 392).a, 0) << "the inside stays clear";
  const pptxfix::Pixel edge = r.at(400, 392);
  EXPECT_EQ(edge.a, 255);
  EXPECT_EQ(edge.b, 255);
  EXPECT_EQ(edge.r, 0);
  EXPECT_EQ(r.at(400 + 2, 392).a, 255) << "the stroke is 6 points wide";
  EXPECT_EQ(r.at(400 + 5, 392).a, 0);
}

TEST(PptxExporterPaths, ComplexPathIsFilledByItsOwnRule) {
  // Two nested 30-sided polygons turning the same way.
  const std::string rings = polygon(300, 400, 100, 30) + polygon(300, 400, 50, 30);
  const Rendered evenOdd = renderedPicture(convertPage("1 0 0 rg " + rings + "f*"));
  ASSERT_FALSE(evenOdd.image.empty());
  EXPECT_EQ(evenOdd.at(300, 392).a, 0) << "even-odd leaves the hole";
  EXPECT_EQ(evenOdd.at(375, 392).a, 255);
  EXPECT_EQ(evenOdd.at(375, 392).r, 255);

  const Rendered nonZero = renderedPicture(convertPage("1 0 0 rg " + rings + "f"));
  ASSERT_FALSE(nonZero.image.empty());
  EXPECT_EQ(nonZero.at(300, 392).a, 255) << "non-zero fills it";
}

TEST(PptxExporterPaths, FilledAndStrokedComplexPathShowsBothWithTheirAlphas) {
  qvtest::PdfBuilder b;
  auto gs = b.parse("<< /Type /ExtGState /ca 0.5 >>");
  Converted half = convertPage("/GS1 gs 0 1 0 rg 0 0 0 RG 4 w " + polygon(300, 400, 100, 40) + "B", 0,
                               b.resources({{"ExtGState", {{"GS1", gs}}}}), &b);
  const Rendered r = renderedPicture(half);
  ASSERT_FALSE(r.image.empty());
  const pptxfix::Pixel inside = r.at(300, 392);
  EXPECT_NEAR(inside.a, 128, 2) << "the fill keeps its alpha";
  EXPECT_EQ(inside.g, 255);
  EXPECT_EQ(r.at(400, 392).a, 255) << "the opaque outline";
}

TEST(PptxExporterPaths, ThinComplexPathIsNotLost) {
  // Thirty short segments along a line 0.4 points high.
  std::string zigzag = "100 400 m ";
  for (int i = 1; i <= 30; ++i) zigzag += num(100 + i * 5) + " " + num(400 + (i % 2) * 0.4) + " l ";
  const Rendered r = renderedPicture(convertPage("0 0 0 RG 0.5 w " + zigzag + "S"));
  ASSERT_FALSE(r.image.empty());
  EXPECT_GE(r.frame.height, 1);
  EXPECT_GT(r.at(150, 392).a, 100);
}

TEST(PptxExporterPaths, PatternPaintIsNotAnOpaqueBlackShape) {
  qvtest::PdfBuilder b;
  auto shading = b.parse(
      "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 200 0] "
      "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >>");
  auto pattern = b.qpdf().makeIndirectObject(b.parse("<< /PatternType 2 >>"));
  pattern.replaceKey("/Shading", shading);
  auto resources = b.resources({{"Pattern", {{"P0", pattern}}}});
  // Filled by the pattern alone: nothing is drawn in its place.
  Converted fillOnly = convertPage("/Pattern cs /P0 scn 100 100 200 200 re f", 0, resources, &b);
  for (const auto& f : fillOnly.freeforms(0)) EXPECT_EQ(f.fillAlpha, "0") << "no opaque fill";
  EXPECT_TRUE(fillOnly.shapeKinds(0).empty());

  // Filled by the pattern and stroked in black: the outline stays.
  qvtest::PdfBuilder b2;
  auto pattern2 = b2.qpdf().makeIndirectObject(b2.parse("<< /PatternType 2 >>"));
  pattern2.replaceKey("/Shading", b2.parse("<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 1 0] >>"));
  Converted both = convertPage("0 G /Pattern cs /P0 scn 100 100 200 200 re B", 0,
                               b2.resources({{"Pattern", {{"P0", pattern2}}}}), &b2);
  const auto shapes = both.freeforms(0);
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0].fillAlpha, "0");
  EXPECT_EQ(shapes[0].lineAlpha, "100000");
}

// A 100 x 100 point image at (100, 100) of user space, left half red and
// right half blue, drawn under the clip.
uint32_t halves(int x, int) { return x < 5 ? 0xFF0000 : 0x0000FF; }

Converted clippedImage(const std::string& clip, int rotate = 0) {
  qvtest::PdfBuilder b;
  auto image = pptxfix::rgbImage(b, 10, 10, halves);
  auto resources = b.resources({{"XObject", {{"Im1", image}}}});
  return convertPage("q " + clip + " 100 0 0 100 100 100 cm /Im1 Do Q", rotate, resources, &b);
}

TEST(PptxExporterImages, ImageWithoutClipIsPlacedByItsTransform) {
  Converted c = clippedImage("");
  const auto pictures = c.pictures(0);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_NEAR(pictures[0].x, 100, 1e-3);
  EXPECT_NEAR(pictures[0].y, 792 - 200, 1e-3);
  EXPECT_NEAR(pictures[0].width, 100, 1e-3);
  EXPECT_NEAR(pictures[0].height, 100, 1e-3);
}

TEST(PptxExporterImages, RectangularClipHoldingTheImageLeavesItWhole) {
  Converted c = clippedImage("50 50 300 300 re W n");
  const auto pictures = c.pictures(0);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_NEAR(pictures[0].width, 100, 1e-3);
  EXPECT_EQ(c.mediaImage(pictures[0].media).width(), 10) << "the image's own file";
}

TEST(PptxExporterImages, ClipToTheLeftHalfKeepsTheLeftHalf) {
  Converted c = clippedImage("100 100 50 100 re W n");
  const auto pictures = c.pictures(0);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_NEAR(pictures[0].x, 100, 1e-3);
  EXPECT_NEAR(pictures[0].y, 592, 1e-3);
  EXPECT_NEAR(pictures[0].width, 50, 0.5);
  EXPECT_NEAR(pictures[0].height, 100, 0.5);
  const auto image = c.mediaImage(pictures[0].media);
  const pptxfix::Pixel middle = pixelAt(image, image.width() / 2, image.height() / 2);
  EXPECT_EQ(middle.r, 255);
  EXPECT_EQ(middle.b, 0);
}

TEST(PptxExporterImages, ClipThatMissesTheImageLeavesItOut) {
  EXPECT_TRUE(clippedImage("400 400 50 50 re W n").pictures(0).empty());
}

TEST(PptxExporterImages, RoundClipCutsTheCornersEvenWhenItsBoxHoldsTheImage) {
  // A circle of radius 60 around the image's centre: its box holds the
  // image, its curve cuts the corners off.
  const double r = 60, k = r * 0.5523, cx = 150, cy = 150;
  auto pt = [](double x, double y) { return num(x) + " " + num(y) + " "; };
  const std::string circle = pt(cx + r, cy) + "m " + pt(cx + r, cy + k) + pt(cx + k, cy + r) + pt(cx, cy + r) +
                             "c " + pt(cx - k, cy + r) + pt(cx - r, cy + k) + pt(cx - r, cy) + "c " +
                             pt(cx - r, cy - k) + pt(cx - k, cy - r) + pt(cx, cy - r) + "c " + pt(cx + k, cy - r) +
                             pt(cx + r, cy - k) + pt(cx + r, cy) + "c h W n";
  Converted c = clippedImage(circle);
  const auto pictures = c.pictures(0);
  ASSERT_EQ(pictures.size(), 1u);
  const auto image = c.mediaImage(pictures[0].media);
  EXPECT_EQ(pixelAt(image, 0, 0).a, 0) << "corner cut away";
  EXPECT_EQ(pixelAt(image, image.width() / 2, image.height() / 2).a, 255);
}

TEST(PptxExporterImages, EvenOddClipOnATurnedPageCutsWhereThePageShowsTheImage) {
  // A frame 10 points wide around the image's edge, by the even-odd rule,
  // on a page shown a quarter turn clockwise.
  Converted c = clippedImage("100 100 100 100 re 110 110 80 80 re W* n", 90);
  const auto pictures = c.pictures(0);
  ASSERT_EQ(pictures.size(), 1u);
  // User (x, y) shows at (y, x): the image covers 100..200 both ways.
  EXPECT_NEAR(pictures[0].x, 100, 0.5);
  EXPECT_NEAR(pictures[0].y, 100, 0.5);
  EXPECT_NEAR(pictures[0].width, 100, 0.5);
  EXPECT_NEAR(pictures[0].height, 100, 0.5);
  const auto image = c.mediaImage(pictures[0].media);
  const int w = image.width(), h = image.height();
  EXPECT_EQ(pixelAt(image, w / 2, h / 2).a, 0) << "the hole of the frame";
  const pptxfix::Pixel rim = pixelAt(image, w / 2, h / 40);
  EXPECT_EQ(rim.a, 255);
  // The image's left half (red) shows at the top of the turned page.
  EXPECT_EQ(pixelAt(image, w / 2, h / 40).r, 255);
  EXPECT_EQ(pixelAt(image, w / 2, h - 1 - h / 40).b, 255);
}

}  // namespace

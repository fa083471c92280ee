// Placement records: image frames from transforms, freeform paint strings,
// path elements.
#include <gtest/gtest.h>

#include <cmath>

#include "pptx/QVPPTXFreeformInfo.h"
#include "pptx/QVPPTXImageInfo.h"
#include "convert/xml/XMLFileWriter.h"
#include "pptx/QVPPTXPathElement.h"
#include "pptx/QVPPTXTextBoxInfo.h"
#include "tests/pptx/pptx_test_support.h"

namespace {

using platform::AffineTransform;
using platform::Point;

// The transform that maps the unit square's (0,0), (1,0) and (0,1) to the
// three points.
AffineTransform mapping(Point p00, Point p10, Point p01) {
  return {p10.x - p00.x, p10.y - p00.y, p01.x - p00.x, p01.y - p00.y, p00.x, p00.y};
}

TEST(PptxImageInfo, FrameRotationAndFlipFromTheTransform) {
  struct Case {
    const char* what;
    AffineTransform t;
    double x, y, w, h;
    float rotation;
    bool flipY;
  };
  const Case cases[] = {
      {"upright", mapping({10, 70}, {110, 70}, {10, 20}), 10, 20, 100, 50, 0, false},
      {"upside down", mapping({10, 20}, {110, 20}, {10, 70}), 10, 20, 100, 50, 0, true},
      {"x axis down the page", mapping({100, 0}, {100, 50}, {120, 0}), 85, 15, 50, 20, 90, false},
      {"x axis down, mirrored", mapping({100, 0}, {100, 50}, {80, 0}), 65, 15, 50, 20, 90, true},
      {"x axis to the left", mapping({110, 70}, {10, 70}, {110, 120}), 10, 70, 100, 50, 180, false},
  };
  for (const Case& c : cases) {
    const QVPPTXImageInfo info = QVPPTXImageInfo::initWithTransform(c.t, 0.75f);
    EXPECT_NEAR(info.displayX, c.x, 1e-9) << c.what;
    EXPECT_NEAR(info.displayY, c.y, 1e-9) << c.what;
    EXPECT_NEAR(info.displayWidth, c.w, 1e-9) << c.what;
    EXPECT_NEAR(info.displayHeight, c.h, 1e-9) << c.what;
    EXPECT_NEAR(info.rotation, c.rotation, 1e-4) << c.what;
    EXPECT_EQ(info.flipY, c.flipY) << c.what;
    EXPECT_FALSE(info.flipX) << c.what;
    EXPECT_EQ(info.opacity, 0.75f) << c.what;
  }
  const QVPPTXImageInfo upright = QVPPTXImageInfo::initWithTransform(cases[0].t, 1);
  EXPECT_EQ(upright.vertices()[0], (Point{10, 70}));
  EXPECT_EQ(upright.vertices()[2], (Point{110, 20}));

  // A direction of -30 degrees comes out as 330.
  const double r = -30 * M_PI / 180;
  const QVPPTXImageInfo turned = QVPPTXImageInfo::initWithTransform({std::cos(r), std::sin(r), 0, 1, 0, 0}, 1);
  EXPECT_NEAR(turned.rotation, 330, 1e-3);
}

TEST(PptxImageInfo, PathPictureTakesTheBitmapSize) {
  platform::Path path;
  path.addRect({10.7, 20.2, 30.9, 5.99});
  const QVPPTXImageInfo info = QVPPTXImageInfo::imageInfoWithCGPath(path, 30, 5);
  EXPECT_DOUBLE_EQ(info.displayX, 10.7);
  EXPECT_DOUBLE_EQ(info.displayY, 20.2);
  EXPECT_EQ(info.displayWidth, 30);
  EXPECT_EQ(info.displayHeight, 5);
  EXPECT_EQ(info.rotation, 0);
  EXPECT_EQ(info.opacity, 1);
}

TEST(PptxFreeformInfo, PaintThatIsNotUsedIsInvisibleWhite) {
  QVPPTXFreeformInfo info;
  info.fillcolor = platform::Color::rgb(1, 0, 0);
  info.strokecolor = platform::Color::gray(0.2);
  info.fillAlpha = 0.5f;
  info.strokeAlpha = 0.25f;
  info.stroked = true;
  EXPECT_EQ(info.fillcolorString(), "ffffff");
  EXPECT_EQ(info.effectiveFillAlpha(), 0);
  EXPECT_EQ(info.strokecolorString(), "333333");
  EXPECT_EQ(info.effectiveStrokeAlpha(), 0.25f);
  info.filled = true;
  EXPECT_EQ(info.fillcolorString(), "ff0000");
  EXPECT_EQ(info.effectiveFillAlpha(), 0.5f);
}

TEST(PptxFreeformInfo, CapAndDashNames) {
  QVPPTXFreeformInfo info;
  const std::pair<int, std::optional<std::string>> caps[] = {{0, "flat"}, {1, "rnd"}, {2, "sq"}, {5, std::nullopt}};
  for (const auto& [cap, name] : caps) {
    info.lineCap = cap;
    EXPECT_EQ(info.lineCapString(), name) << cap;
  }
  const std::pair<size_t, const char*> dashes[] = {{0, "solid"}, {2, "dash"}, {3, "dash"},  {4, "dashDot"},
                                                   {6, "lgDashDotDot"}, {8, "solid"}};
  for (const auto& [n, name] : dashes) {
    info.strokeDashPattern.assign(n, 3.0);
    EXPECT_EQ(info.prstDashString(), name) << n;
  }
  info.strokeDashPattern = {3.7, 2, 1};
  info.strokeDashPhase = 4;
  EXPECT_EQ(info.strokeDashPatternString(), "3 2 1");
  EXPECT_EQ(info.strokeDashPhaseString(), "4");
  EXPECT_EQ(info.dashGapPattern(), (std::vector<double>{3.7, 2, 1, 3.7, 2, 1}));
  info.strokeDashPattern = {0, 0};
  EXPECT_TRUE(info.dashGapPattern().empty());
  info.strokeDashPattern.clear();
  EXPECT_EQ(info.strokeDashPatternString(), std::nullopt);
}

TEST(PptxTextBoxInfo, ColourStrings) {
  QVPPTXTextBoxInfo info;
  EXPECT_EQ(info.fillcolorString(), std::nullopt);
  info.fillcolor = platform::Color::rgb(1, 0.5, 0);
  EXPECT_EQ(info.fillcolorString(), "ff8000");
  info.displayX = 1;
  info.displayY = 2;
  info.displayWidth = 3;
  info.displayHeight = 4;
  EXPECT_EQ(info.textBoxRect(), platform::Rect(1, 2, 3, 4));
  EXPECT_EQ(info.description(), "");
}

TEST(PptxPathElement, ElementsFromThePath) {
  platform::Path path;
  path.moveTo({1, 2});
  path.lineTo({3, 4});
  path.quadCurveTo({5, 6}, {7, 8});
  path.curveTo({9, 10}, {11, 12}, {13, 14});
  path.closeSubpath();
  const auto& elements = path.elements();
  const int32_t types[] = {0, 1, 2, 3, 4};
  const int64_t counts[] = {1, 1, 2, 3, 0};
  for (size_t i = 0; i < elements.size(); ++i) {
    const QVPPTXPathElement e(elements[i]);
    EXPECT_EQ(e.type, types[i]);
    EXPECT_EQ(e.numberOfPoints, counts[i]);
    EXPECT_EQ(e.points.size(), static_cast<size_t>(counts[i]));
  }
  EXPECT_EQ(QVPPTXPathElement(elements[3]).points.back(), (Point{13, 14}));
}

TEST(PptxPathElement, GuidesAndCommandsRelativeToTheOrigin) {
  platform::PathElement line;
  line.type = platform::PathElementType::LineTo;
  line.points[0] = {10, 10};
  platform::PathElement cubic;
  cubic.type = platform::PathElementType::CurveTo;
  cubic.points[0] = {11, 10};
  cubic.points[1] = {12, 10.5};
  cubic.points[2] = {13, 12};
  platform::PathElement close;
  close.type = platform::PathElementType::CloseSubpath;
  const pptxtest::Fragment f = pptxtest::writeFragment([&](XMLFileWriter& w) {
    QVPPTXPathElement(line).writeGuideList(w, pptxtest::kA, {10, 10}, 0, "100", "200");
    QVPPTXPathElement(cubic).writeGuideList(w, pptxtest::kA, {10, 10}, 1, "100", "200");
    QVPPTXPathElement(close).writeGuideList(w, pptxtest::kA, {10, 10}, 2, "100", "200");
    std::string markup;
    for (const platform::PathElement& e : {line, cubic, close})
      QVPPTXPathElement(e).writePathList(markup, w.getPrefix(pptxtest::kA), {10, 10});
    w.writeStartElementWithNamespace(pptxtest::kA, "path");
    w.writeMarkup(markup);
    w.writeEndElement();
  });
  const auto guides = f.findAll("gd");
  ASSERT_EQ(guides.size(), 4u);
  EXPECT_EQ(guides[0]->attr("name"), "connsiteX0");
  EXPECT_EQ(guides[0]->attr("fmla"), "*/ 0 w 100");
  EXPECT_EQ(guides[3]->attr("name"), "connsiteY1");
  EXPECT_EQ(guides[3]->attr("fmla"), "*/ 25400 h 200");
  const auto* lnTo = f.find("lnTo");
  ASSERT_NE(lnTo, nullptr);
  EXPECT_EQ(lnTo->children[0]->attr("x"), "0");
  EXPECT_EQ(lnTo->children[0]->attr("y"), "0");
  const auto* cubicTo = f.find("cubicBezTo");
  ASSERT_NE(cubicTo, nullptr);
  ASSERT_EQ(cubicTo->children.size(), 3u);
  EXPECT_EQ(cubicTo->children[1]->attr("x"), "25400");
  EXPECT_EQ(cubicTo->children[1]->attr("y"), "6350");
  ASSERT_NE(f.find("close"), nullptr);
  EXPECT_EQ(f.find("path")->children.size(), 3u);
}

}  // namespace

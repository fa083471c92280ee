// The page display transform and the placement record of a text run.
#include <cmath>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

#include "convert/QVPDF_CTMInfo.h"

namespace {

using platform::AffineTransform;
using platform::Point;

constexpr double kTolerance = 1e-9;

void expectPoint(Point actual, Point expected, const std::string& what) {
  EXPECT_NEAR(actual.x, expected.x, kTolerance) << what;
  EXPECT_NEAR(actual.y, expected.y, kTolerance) << what;
}

TEST(PageDisplayTransform, MapsAPointForEachRotation) {
  struct Case {
    int rotation;
    Point expected;
  };
  const Case cases[] = {
      {0, {10, 780}},   {90, {20, 10}},  {180, {590, 20}}, {270, {580, 790}},
      {-90, {580, 790}}, {450, {20, 10}}, {45, {10, 780}},  {360, {10, 780}}, {-270, {20, 10}},
  };
  for (const auto& c : cases) {
    const AffineTransform t = QVPDF_PageTransformForRotation(600, 800, c.rotation);
    expectPoint(t.apply({10, 20}), c.expected, "rotation " + std::to_string(c.rotation));
  }
}

TEST(PageDisplayTransform, TakesAwayTheMediaBoxOrigin) {
  // The same page moved to start at (100, -50) in user space lands exactly
  // where the page at the origin does, for every rotation.
  const platform::Rect shifted(100, -50, 600, 800);
  for (int rotation : {0, 90, 180, 270}) {
    const AffineTransform atOrigin = QVPDF_PageTransformForRotation(600, 800, rotation);
    const AffineTransform moved = QVPDF_PageTransformForRotation(shifted, rotation);
    for (Point p : {Point{0, 0}, Point{10, 20}, Point{600, 800}, Point{300, 17.5}}) {
      expectPoint(moved.apply({p.x + 100, p.y - 50}), atOrigin.apply(p), "rotation " + std::to_string(rotation));
    }
  }
  // The corners of the box land on the corners of the display box.
  const AffineTransform t = QVPDF_PageTransformForRotation(shifted, 0);
  expectPoint(t.apply({100, 750}), {0, 0}, "top-left");
  expectPoint(t.apply({700, -50}), {600, 800}, "bottom-right");
}

TEST(PlacementRecord, UprightRun) {
  const QVPDF_CTMInfo info = QVPDF_CTMInfoMake(10, 0.8, -0.2, {1, 0, 0, -1, 100, 500});
  EXPECT_FALSE(info.flip);
  EXPECT_EQ(info.rotation, 0.0f);
  EXPECT_NEAR(info.yTop, 490, kTolerance);
  EXPECT_NEAR(info.yAscent, 492, kTolerance);
  EXPECT_NEAR(info.yBase, 500, kTolerance);
  EXPECT_NEAR(info.yDescent, 502, kTolerance);
  EXPECT_NEAR(info.yBottom, 502, kTolerance);
  EXPECT_NEAR(info.xLeft, 100, kTolerance);
  EXPECT_NEAR(info.xRight, 110, kTolerance);
  expectPoint(info.topLeft, {100, 492}, "topLeft");
  expectPoint(info.bottomLeft, {100, 502}, "bottomLeft");
  EXPECT_EQ(info.fontSize, (platform::Size{10, 10}));
}

TEST(PlacementRecord, ScaledRun) {
  const QVPDF_CTMInfo info = QVPDF_CTMInfoMake(10, 0.8, -0.2, {2, 0, 0, -2, 100, 500});
  EXPECT_NEAR(info.yTop, 480, kTolerance);
  EXPECT_NEAR(info.yAscent, 484, kTolerance);
  EXPECT_NEAR(info.yBase, 500, kTolerance);
  EXPECT_NEAR(info.yDescent, 504, kTolerance);
  EXPECT_NEAR(info.xRight, 120, kTolerance);
  EXPECT_EQ(info.fontSize, (platform::Size{20, 20}));
}

TEST(PlacementRecord, RunRisingUpThePage) {
  const QVPDF_CTMInfo info = QVPDF_CTMInfoMake(10, 0.8, -0.2, {0, -1, -1, 0, 100, 500});
  EXPECT_EQ(info.rotation, 270.0f);
  EXPECT_NEAR(info.yTop, 490, kTolerance);
  EXPECT_NEAR(info.yAscent, 491, kTolerance);
  EXPECT_NEAR(info.yBase, 494, kTolerance);
  EXPECT_NEAR(info.yDescent, 496, kTolerance);
  EXPECT_NEAR(info.xLeft, 92, kTolerance);
  EXPECT_NEAR(info.xRight, 102, kTolerance);
  expectPoint(info.topLeft, {92, 490}, "topLeft");
  expectPoint(info.bottomLeft, {92, 500}, "bottomLeft");
  EXPECT_EQ(info.fontSize, (platform::Size{10, 10}));
}

TEST(PlacementRecord, SmallFontKeepsItsGeometryButReportsAtLeastEightPoints) {
  const QVPDF_CTMInfo info = QVPDF_CTMInfoMake(4, 0.8, -0.2, {1, 0, 0, -1, 100, 500});
  EXPECT_EQ(info.fontSize, (platform::Size{8, 8}));
  EXPECT_NEAR(info.yTop, 496, kTolerance);
  EXPECT_NEAR(info.xRight, 104, kTolerance);
  EXPECT_NEAR(info.yDescent, 500.8, kTolerance);
}

TEST(PlacementRecord, MirrorAndRotationForEachOrientation) {
  struct Case {
    AffineTransform t;
    bool flip;
    float rotation;
  };
  const Case cases[] = {
      {{1, 0, 0, -1, 100, 500}, false, 0},     // upright
      {{-1, 0, 0, 1, 100, 500}, false, 180},   // turned by 180 degrees
      {{0, 1, 1, 0, 100, 500}, false, 90},     // turned by 90 degrees in display space
      {{0, -1, -1, 0, 100, 500}, false, 270},  // rising up the page
      {{1, 0, 0, 1, 100, 500}, true, 0},       // mirrored top to bottom
      {{-1, 0, 0, -1, 100, 500}, true, 180},   // mirrored left to right
  };
  for (const auto& c : cases) {
    const QVPDF_CTMInfo info = QVPDF_CTMInfoMake(10, 0.8, -0.2, c.t);
    EXPECT_EQ(info.flip, c.flip) << c.t.a << " " << c.t.b << " " << c.t.c << " " << c.t.d;
    EXPECT_EQ(info.rotation, c.rotation) << c.t.a << " " << c.t.b << " " << c.t.c << " " << c.t.d;
  }
  EXPECT_FALSE(QVPDF_CTMInfoIsFlipped(0, 0.8, -0.2, {1, 0, 0, 1, 0, 0}));
}

TEST(PlacementRecord, DirectionJustBelowAFullTurnRoundsToThreeSixty) {
  const double radians = 359.7 * std::numbers::pi / 180;
  const AffineTransform t{std::cos(radians), std::sin(radians), -std::sin(radians), std::cos(radians), 0, 0};
  EXPECT_EQ(QVPDF_CTMInfoRotation(10, 0.8, -0.2, t), 360.0);
}

TEST(PlacementRecord, RunThroughEveryPageRotation) {
  // A 10-point run at (72, 700) in user space on a 612 × 792 page: its
  // text-to-display transform is the text matrix followed by the page's.
  const AffineTransform text{1, 0, 0, 1, 72, 700};
  struct Case {
    int rotation;
    float expected;
    Point topLeft;
  };
  const Case cases[] = {
      {0, 0, {72, 84}},
      {90, 90, {698, 72}},
      {180, 180, {530, 698}},
      {270, 270, {612 - 708, 792 - 82}},
  };
  for (const auto& c : cases) {
    const AffineTransform t = text.concat(QVPDF_PageTransformForRotation(612, 792, c.rotation));
    const QVPDF_CTMInfo info = QVPDF_CTMInfoMake(10, 0.8, -0.2, t);
    EXPECT_EQ(info.rotation, c.expected) << c.rotation;
    EXPECT_FALSE(info.flip) << c.rotation;
    expectPoint(info.topLeft, c.topLeft, "rotation " + std::to_string(c.rotation));
    EXPECT_EQ(info.fontSize, (platform::Size{10, 10}));
  }
}

TEST(PlacementRecord, WidthInDisplaySpaceThroughTheTopLeftCorner) {
  // Exporters pass a text-space width as size, ascent and descent at once.
  const Point p = QVPDF_CTMInfoTopLeft(30, 30, 30, {2, 0, 0, -2, 0, 0});
  EXPECT_NEAR(p.x, 0, kTolerance);
  EXPECT_NEAR(QVPDF_CTMInfoBottomRight(10, 0.8, -0.2, {1, 0, 0, -1, 100, 500}).x, 110, kTolerance);
}

TEST(AngleBetweenPoints, WholeDegreesInAFullTurn) {
  EXPECT_EQ(QVPDF_AngleBetweenPoints(0, 0, 0, -5), 270);
  EXPECT_EQ(QVPDF_AngleBetweenPoints(0, 0, 1, 1), 45);
  EXPECT_EQ(QVPDF_AngleBetweenPoints(0, 0, -1, 0), 180);
  EXPECT_EQ(QVPDF_AngleBetweenPoints(3, 3, 3, 3), 0);
}

TEST(PointQuadrant, ComparesBothAxes) {
  EXPECT_EQ(QVPDF_PointQuadrant(2, 2, 1, 1), 2);
  EXPECT_EQ(QVPDF_PointQuadrant(2, 1, 1, 1), 3);
  EXPECT_EQ(QVPDF_PointQuadrant(1, 2, 1, 1), 1);
  EXPECT_EQ(QVPDF_PointQuadrant(1, 1, 1, 1), 0);
}

TEST(TextFrame, StepsAreMeasuredAlongTheTextsOwnLines) {
  // The next word along a line and the next line below it, for text upright,
  // turned upside down, falling, rising and at 30 degrees up the page; each
  // laid out by its own text-to-display transform.
  struct Case {
    AffineTransform t;
    double rotation;
  };
  const Case cases[] = {
      {{1, 0, 0, -1, 100, 500}, 0},
      {{-1, 0, 0, 1, 100, 500}, 180},
      {{0, 1, 1, 0, 100, 500}, 90},
      {{0, -1, -1, 0, 100, 500}, 270},
      {{0.866, -0.5, -0.5, -0.866, 100, 500}, 330},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QVPDF_CTMInfoRotation(10, 0.8, -0.2, c.t), c.rotation);
    const Point start = QVPDF_DescentLineStart(10, -0.2, c.t);
    // 30 text units on along the line, and a line 14 units lower.
    const Point word = QVPDF_DescentLineStart(10, -0.2, c.t.translated(30, 0));
    const Point line = QVPDF_DescentLineStart(10, -0.2, c.t.translated(0, -14));
    const Point toWord = QVPDF_TextFrameOffset(c.rotation, start, word);
    const Point toLine = QVPDF_TextFrameOffset(c.rotation, start, line);
    EXPECT_NEAR(toWord.x, 30, 0.05) << c.rotation;
    EXPECT_NEAR(toWord.y, 0, 0.05) << c.rotation;
    EXPECT_NEAR(toLine.x, 0, 0.05) << c.rotation;
    EXPECT_NEAR(toLine.y, 14, 0.05) << c.rotation;
  }
}

}  // namespace

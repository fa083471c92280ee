#include "platform/geometry/path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>
#include <vector>

namespace {

using platform::AffineTransform;
using platform::Path;
using platform::PathElementType;
using platform::Point;
using platform::Rect;

std::vector<PathElementType> typesOf(const Path& path) {
  std::vector<PathElementType> types;
  for (const auto& e : path.elements()) types.push_back(e.type);
  return types;
}

TEST(Path, SegmentsWithoutACurrentPointAreRefused) {
  Path path;
  path.lineTo({1, 1});
  path.quadCurveTo({1, 1}, {2, 2});
  path.curveTo({1, 1}, {2, 2}, {3, 3});
  path.closeSubpath();
  EXPECT_TRUE(path.isEmpty());
  EXPECT_FALSE(path.hasCurrentPoint());
  EXPECT_TRUE(path.boundingBox().isNull());

  path.moveTo({5, 5});
  path.lineTo({6, 6});
  EXPECT_EQ(path.elements().size(), 2u);
  EXPECT_EQ(path.currentPoint(), (Point{6, 6}));
}

TEST(Path, CloseReturnsTheCurrentPointToTheSubpathStart) {
  Path path;
  path.moveTo({1, 2});
  path.lineTo({5, 2});
  path.lineTo({5, 7});
  path.closeSubpath();
  EXPECT_EQ(path.currentPoint(), (Point{1, 2}));
  // A segment after a close begins a subpath of its own without a move.
  path.lineTo({0, 0});
  EXPECT_EQ(path.subpathCount(), 2u);
  path.moveTo({9, 9});
  EXPECT_EQ(path.subpathCount(), 3u);
}

TEST(Path, AddRectMakesAClosedCounterClockwiseSubpath) {
  Path path;
  path.addRect(Rect(10, 20, -4, 5));  // negative width: starts from the minimum corner
  const std::vector<PathElementType> expected = {PathElementType::MoveTo, PathElementType::LineTo,
                                                 PathElementType::LineTo, PathElementType::LineTo,
                                                 PathElementType::CloseSubpath};
  ASSERT_EQ(typesOf(path), expected);
  const auto& e = path.elements();
  EXPECT_EQ(e[0].points[0], (Point{6, 20}));
  EXPECT_EQ(e[1].points[0], (Point{10, 20}));
  EXPECT_EQ(e[2].points[0], (Point{10, 25}));
  EXPECT_EQ(e[3].points[0], (Point{6, 25}));
  EXPECT_EQ(path.currentPoint(), (Point{6, 20}));
  EXPECT_EQ(path.boundingBox(), Rect(6, 20, 4, 5));
}

TEST(Path, BoundingBoxExcludesControlPoints) {
  Path cubic;
  cubic.moveTo({0, 0});
  cubic.curveTo({0, 100}, {100, 100}, {100, 0});
  // The arch peaks at t = 0.5: 3/4 of the control height.
  const Rect box = cubic.boundingBox();
  EXPECT_DOUBLE_EQ(box.minX(), 0);
  EXPECT_DOUBLE_EQ(box.maxX(), 100);
  EXPECT_DOUBLE_EQ(box.minY(), 0);
  EXPECT_DOUBLE_EQ(box.maxY(), 75);
  EXPECT_EQ(cubic.controlPointBox(), Rect(0, 0, 100, 100));

  Path quad;
  quad.moveTo({0, 0});
  quad.quadCurveTo({50, 100}, {100, 0});
  EXPECT_DOUBLE_EQ(quad.boundingBox().maxY(), 50);
  EXPECT_DOUBLE_EQ(quad.controlPointBox().maxY(), 100);
}

// A reference by dense sampling: the tight box holds every sample and every
// side of it is reached by some sample.
struct Curve {
  Point p0, p1, p2, p3;
};

Point sampleCubic(const Curve& c, double t) {
  const double u = 1 - t;
  return {u * u * u * c.p0.x + 3 * u * u * t * c.p1.x + 3 * u * t * t * c.p2.x + t * t * t * c.p3.x,
          u * u * u * c.p0.y + 3 * u * u * t * c.p1.y + 3 * u * t * t * c.p2.y + t * t * t * c.p3.y};
}

TEST(Path, CubicBoundingBoxMatchesTheSampledCurve) {
  const Curve curves[] = {
      {{0, 0}, {100, 0}, {-50, 100}, {50, 100}},       // S-shape with turns in x
      {{10, 10}, {-40, 80}, {90, -60}, {20, 15}},      // loop-like, turns in both axes
      {{0, 0}, {30, 30}, {60, 60}, {90, 90}},          // straight: no inner turns
      {{0, 0}, {0, 0}, {0, 0}, {0, 0}},                // a point
      {{5, 5}, {5, 50}, {5, -50}, {5, 5}},             // degenerate in x
      {{0, 0}, {1e6, 1e-6}, {-1e6, 1e-6}, {1, 0}},     // nearly flat derivative
  };
  for (const Curve& c : curves) {
    Path path;
    path.moveTo(c.p0);
    path.curveTo(c.p1, c.p2, c.p3);
    const Rect box = path.boundingBox();
    double x0 = c.p0.x, x1 = c.p0.x, y0 = c.p0.y, y1 = c.p0.y;
    constexpr int kSamples = 20000;
    for (int i = 0; i <= kSamples; ++i) {
      const Point p = sampleCubic(c, static_cast<double>(i) / kSamples);
      x0 = std::min(x0, p.x);
      x1 = std::max(x1, p.x);
      y0 = std::min(y0, p.y);
      y1 = std::max(y1, p.y);
    }
    const double tolerance = 1e-6 * std::max(1.0, std::max(x1 - x0, y1 - y0));
    EXPECT_LE(box.minX(), x0 + tolerance);
    EXPECT_LE(box.minY(), y0 + tolerance);
    EXPECT_GE(box.maxX(), x1 - tolerance);
    EXPECT_GE(box.maxY(), y1 - tolerance);
    // Tight: no more than sampling can miss between neighbouring samples.
    const double slack = 1e-3 * std::max(1.0, std::max(x1 - x0, y1 - y0));
    EXPECT_GE(box.minX(), x0 - slack);
    EXPECT_GE(box.minY(), y0 - slack);
    EXPECT_LE(box.maxX(), x1 + slack);
    EXPECT_LE(box.maxY(), y1 + slack);
  }
}

TEST(Path, BoundingBoxSpansEverySubpathAndEndPoint) {
  Path path;
  path.moveTo({0, 0});
  path.lineTo({10, 0});
  path.closeSubpath();
  path.lineTo({-5, 3});  // starts from (0, 0) after the close
  path.moveTo({40, 40});
  EXPECT_EQ(path.boundingBox(), Rect(-5, 0, 45, 40));
  EXPECT_TRUE(Path().boundingBox().isNull());
  EXPECT_TRUE(Path().controlPointBox().isNull());
}

TEST(Path, TransformMovesEveryPointAndTheCurrentPoint) {
  Path path;
  path.moveTo({0, 0});
  path.curveTo({0, 100}, {100, 100}, {100, 0});
  const auto t = AffineTransform::scale(2, 1).concat(AffineTransform::translation(5, 5));
  const Path moved = path.transformed(t);
  EXPECT_EQ(moved.elements()[1].points[2], (Point{205, 5}));
  EXPECT_EQ(moved.currentPoint(), (Point{205, 5}));
  EXPECT_EQ(moved.boundingBox(), Rect(5, 5, 200, 75));

  // Rotation: the transformed box is the box of the rotated curve, not the
  // rotated box.
  const Path turned = path.transformed(AffineTransform::rotation(std::numbers::pi / 2));
  const Rect box = turned.boundingBox();
  EXPECT_NEAR(box.minX(), -75, 1e-9);
  EXPECT_NEAR(box.maxX(), 0, 1e-9);
  EXPECT_NEAR(box.maxY(), 100, 1e-9);
}

TEST(Path, AddPathAppendsTransformedElements) {
  Path square;
  square.addRect(Rect(0, 0, 1, 1));
  Path path;
  path.moveTo({100, 100});
  path.addPath(square, AffineTransform::translation(10, 10));
  ASSERT_EQ(path.elements().size(), 6u);
  EXPECT_EQ(path.elements()[1].points[0], (Point{10, 10}));
  EXPECT_EQ(path.currentPoint(), (Point{10, 10}));
  EXPECT_EQ(path.subpathCount(), 2u);
}

TEST(Path, IsRectRecognisesOneClosedAxisAlignedRectangle) {
  Rect found;
  Path added;
  added.addRect(Rect(1, 2, 3, 4));
  ASSERT_TRUE(added.isRect(&found));
  EXPECT_EQ(found, Rect(1, 2, 3, 4));

  // Clockwise, starting with a vertical edge, closed by a fourth line.
  Path drawn;
  drawn.moveTo({5, 5});
  drawn.lineTo({5, 9});
  drawn.lineTo({8, 9});
  drawn.lineTo({8, 5});
  drawn.lineTo({5, 5});
  ASSERT_TRUE(drawn.isRect(&found));
  EXPECT_EQ(found, Rect(5, 5, 3, 4));

  Path open;
  open.moveTo({0, 0});
  open.lineTo({1, 0});
  open.lineTo({1, 1});
  open.lineTo({0, 1});
  EXPECT_FALSE(open.isRect());

  EXPECT_FALSE(added.transformed(AffineTransform::rotation(0.1)).isRect());

  Path two = added;
  two.addRect(Rect(10, 10, 1, 1));
  EXPECT_FALSE(two.isRect());

  Path curved;
  curved.moveTo({0, 0});
  curved.lineTo({1, 0});
  curved.curveTo({1, 0.5}, {1, 0.5}, {1, 1});
  curved.lineTo({0, 1});
  curved.closeSubpath();
  EXPECT_FALSE(curved.isRect());

  Path fourthLineElsewhere;
  fourthLineElsewhere.moveTo({0, 0});
  fourthLineElsewhere.lineTo({1, 0});
  fourthLineElsewhere.lineTo({1, 1});
  fourthLineElsewhere.lineTo({0, 1});
  fourthLineElsewhere.lineTo({0, 2});
  fourthLineElsewhere.closeSubpath();
  EXPECT_FALSE(fourthLineElsewhere.isRect());
  EXPECT_FALSE(Path().isRect());
}

TEST(Path, EqualityIgnoresUnusedPointSlots) {
  Path a, b;
  a.moveTo({1, 1});
  a.closeSubpath();
  b.moveTo({1, 1});
  b.closeSubpath();
  EXPECT_EQ(a, b);
  platform::PathElement e1, e2;
  e1.type = e2.type = PathElementType::LineTo;
  e1.points[0] = e2.points[0] = {3, 3};
  e1.points[2] = {99, 99};
  EXPECT_EQ(e1, e2);
  EXPECT_EQ(e1.pointCount(), 1);
}

}  // namespace

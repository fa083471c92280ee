#include "platform/geometry/geometry.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using platform::AffineTransform;
using platform::Point;
using platform::Rect;
using platform::Size;

constexpr double kEps = 1e-9;

void expectNear(Point actual, Point expected) {
  EXPECT_NEAR(actual.x, expected.x, kEps);
  EXPECT_NEAR(actual.y, expected.y, kEps);
}

void expectNear(const AffineTransform& actual, const AffineTransform& expected) {
  EXPECT_NEAR(actual.a, expected.a, kEps);
  EXPECT_NEAR(actual.b, expected.b, kEps);
  EXPECT_NEAR(actual.c, expected.c, kEps);
  EXPECT_NEAR(actual.d, expected.d, kEps);
  EXPECT_NEAR(actual.tx, expected.tx, kEps);
  EXPECT_NEAR(actual.ty, expected.ty, kEps);
}

const AffineTransform kSamples[] = {
    AffineTransform::identity(),
    AffineTransform::translation(10, -4),
    AffineTransform::scale(2, -3),
    AffineTransform::rotation(0.3),
    {1, 0.5, -0.25, 2, 7, 9},
    {0, 1, -1, 0, 612, 0},  // a page turned by 90 degrees
};

TEST(AffineTransform, ConcatAppliesTheFirstTransformFirst) {
  const auto move = AffineTransform::translation(10, 0);
  const auto grow = AffineTransform::scale(2, 2);
  // Moved, then scaled: (1 + 10) × 2.
  expectNear(platform::concat(move, grow).apply({1, 1}), {22, 2});
  // Scaled, then moved: 1 × 2 + 10.
  expectNear(platform::concat(grow, move).apply({1, 1}), {12, 2});
}

TEST(AffineTransform, ConcatEqualsApplyingOneAfterTheOther) {
  const Point p{3.5, -1.25};
  for (const auto& t1 : kSamples)
    for (const auto& t2 : kSamples) expectNear(t1.concat(t2).apply(p), t2.apply(t1.apply(p)));
}

TEST(AffineTransform, ConcatIsAssociative) {
  for (const auto& t1 : kSamples)
    for (const auto& t2 : kSamples)
      for (const auto& t3 : kSamples) expectNear(t1.concat(t2).concat(t3), t1.concat(t2.concat(t3)));
}

TEST(AffineTransform, InverseUndoesTheTransform) {
  for (const auto& t : kSamples) {
    expectNear(t.concat(t.inverted()), AffineTransform::identity());
    expectNear(t.inverted().concat(t), AffineTransform::identity());
    expectNear(t.inverted().apply(t.apply({5, 6})), {5, 6});
  }
}

TEST(AffineTransform, SingularTransformInvertsToItself) {
  const AffineTransform flat{1, 2, 2, 4, 5, 6};
  ASSERT_EQ(flat.determinant(), 0);
  EXPECT_EQ(flat.inverted(), flat);
  const AffineTransform zero{0, 0, 0, 0, 1, 1};
  EXPECT_EQ(zero.inverted(), zero);
}

TEST(AffineTransform, RotationTurnsCounterClockwiseInAYUpSpace) {
  const auto quarter = AffineTransform::rotation(std::numbers::pi / 2);
  expectNear(quarter.apply({1, 0}), {0, 1});
  expectNear(quarter.apply({0, 1}), {-1, 0});
  const auto half = AffineTransform::rotation(std::numbers::pi);
  expectNear(half.apply({2, 3}), {-2, -3});
  expectNear(AffineTransform::rotation(0.4).concat(AffineTransform::rotation(0.6)),
             AffineTransform::rotation(1.0));
}

TEST(AffineTransform, TranslateScaleRotateActOnTheInputSpaceFirst) {
  const AffineTransform base{1, 0.5, -0.25, 2, 7, 9};
  const Point p{1.5, -2};
  expectNear(base.translated(4, 5).apply(p), base.apply({p.x + 4, p.y + 5}));
  expectNear(base.scaled(3, -2).apply(p), base.apply({p.x * 3, p.y * -2}));
  expectNear(base.rotated(std::numbers::pi / 2).apply(p), base.apply({2, 1.5}));
}

TEST(AffineTransform, SizesIgnoreTranslation) {
  const AffineTransform t{2, 0, 0, -1, 100, 200};
  const Size s = t.applyToSize({3, 4});
  EXPECT_EQ(s.width, 6);
  EXPECT_EQ(s.height, -4);
}

TEST(AffineTransform, RectMapsToTheBoundingBoxOfItsCorners) {
  const auto quarter = AffineTransform::rotation(std::numbers::pi / 2);
  const Rect r = quarter.applyToRect(Rect(1, 2, 10, 20));
  EXPECT_NEAR(r.minX(), -22, kEps);
  EXPECT_NEAR(r.minY(), 1, kEps);
  EXPECT_NEAR(r.width(), 20, kEps);
  EXPECT_NEAR(r.height(), 10, kEps);

  const Rect diamond = AffineTransform::rotation(std::numbers::pi / 4).applyToRect(Rect(0, 0, 2, 2));
  EXPECT_NEAR(diamond.width(), 2 * std::numbers::sqrt2, kEps);
  EXPECT_NEAR(diamond.minY(), 0, kEps);

  EXPECT_TRUE(quarter.applyToRect(Rect::null()).isNull());
}

TEST(Rect, NegativeSizesAreStandardized) {
  const Rect r(10, 10, -4, -6);
  EXPECT_EQ(r.minX(), 6);
  EXPECT_EQ(r.maxY(), 10);
  EXPECT_EQ(r.standardized(), Rect(6, 4, 4, 6));
}

TEST(Rect, UnionWithNullIsTheOtherRect) {
  const Rect r(1, 2, 3, 4);
  EXPECT_EQ(Rect::null().unite(r), r);
  EXPECT_EQ(r.unite(Rect::null()), r);
  EXPECT_TRUE(Rect::null().unite(Rect::null()).isNull());
  EXPECT_EQ(r.unite(Rect(10, -2, 1, 1)), Rect(1, -2, 10, 8));
}

TEST(Rect, IntersectionOfDisjointRectsIsNull) {
  EXPECT_TRUE(Rect(0, 0, 1, 1).intersect(Rect(2, 2, 1, 1)).isNull());
  EXPECT_TRUE(Rect(0, 0, 1, 1).intersect(Rect::null()).isNull());
  EXPECT_EQ(Rect(0, 0, 4, 4).intersect(Rect(2, 1, 4, 1)), Rect(2, 1, 2, 1));
  // Touching edges meet in a line, not in nothing.
  const Rect edge = Rect(0, 0, 1, 1).intersect(Rect(1, 0, 1, 1));
  EXPECT_FALSE(edge.isNull());
  EXPECT_TRUE(edge.isEmpty());
}

TEST(Rect, ContainsIsHalfOpen) {
  const Rect r(0, 0, 10, 10);
  EXPECT_TRUE(r.contains({0, 0}));
  EXPECT_TRUE(r.contains({9.99, 5}));
  EXPECT_FALSE(r.contains({10, 5}));
  EXPECT_FALSE(r.contains({5, 10}));
  EXPECT_FALSE(Rect::null().contains({0, 0}));
}

TEST(Rect, NullIsEmpty) {
  EXPECT_TRUE(Rect::null().isNull());
  EXPECT_TRUE(Rect::null().isEmpty());
  EXPECT_FALSE(Rect(0, 0, 0, 0).isNull());
  EXPECT_TRUE(Rect(0, 0, 0, 5).isEmpty());
}

}  // namespace

// The rendering routine the exporters share: line widths through the page
// display transform, free names for rendered pictures, paths rendered to
// bitmaps and images drawn through the page's clip paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "convert/QVPDFRendering.h"
#include "platform/fs/files.h"
#include "platform/image/drawing.h"
#include "tests/support/fixtures.h"

namespace {

using platform::AffineTransform;
using platform::Color;
using platform::Path;
using platform::Rect;
using platform::image::Bitmap;
using platform::image::FillRule;
using platform::image::PixelFormat;

int alphaAt(const Bitmap& argb, int x, int y) { return argb.converted(PixelFormat::RGBA8).row(y)[4 * x + 3]; }

Path rect(double x, double y, double w, double h) {
  Path p;
  p.addRect(Rect(x, y, w, h));
  return p;
}

struct LineWidthCase {
  double width;
  AffineTransform transform;
  double expected;
};

TEST(PageRendering, LineWidthsFollowTheTransformsLengthScale) {
  const LineWidthCase cases[] = {
      {2, {1, 0, 0, -1, 0, 792}, 2},                 // upright page
      {2, {0, 1, 1, 0, 0, 0}, 2},                    // quarter turn: a is 0
      {2, {-1, 0, 0, 1, 612, 0}, 2},                 // half turn: a is -1
      {2, {3, 0, 0, 3, 0, 0}, 6},
      {1, {4, 0, 0, 1, 0, 0}, 2},                    // uneven scales: their geometric mean
      {0, {1, 0, 0, 1, 0, 0}, QVPDFRendering::kMinLineWidth},
      {1, {0, 0, 0, 0, 0, 0}, QVPDFRendering::kMinLineWidth},
      {-3, {1, 0, 0, 1, 0, 0}, 3},
  };
  for (const LineWidthCase& c : cases)
    EXPECT_DOUBLE_EQ(QVPDFRendering::displayLineWidth(c.width, c.transform), c.expected) << c.width;
}

TEST(PageRendering, FreeImageNamesCountUpInTheTemplatesFolder) {
  qvtest::TempDir dir;
  const std::string templ = dir.file("x.png").string();
  EXPECT_EQ(QVPDFRendering::getNewImagePath(templ), dir.file("image1.png").string());
  ASSERT_TRUE(platform::fs::writeFile(dir.file("image1.png").string(), "x"));
  EXPECT_EQ(QVPDFRendering::getNewImagePath(templ), dir.file("image2.png").string());
  EXPECT_EQ(QVPDFRendering::getNewImagePath(dir.file("y.jpeg").string()), dir.file("image1.jpeg").string());
  uint64_t next = 1;
  EXPECT_EQ(QVPDFRendering::getNewImagePath(templ, &next), dir.file("image2.png").string());
  EXPECT_EQ(next, 3u);
}

TEST(PageRendering, PathBitmapsRoundOutSoThinPathsKeepTheirPixels) {
  QVPDFPathPaint paint;
  paint.fill = true;
  paint.fillColor = Color::rgb(0, 0, 0);
  const auto box = QVPDFRendering::makeCGPathToUIImage(rect(10.7, 20.2, 30.9, 5.99), paint, {612, 792});
  ASSERT_TRUE(box);
  EXPECT_LE(box->displayRect.minX(), 10.7);
  EXPECT_LE(box->displayRect.minY(), 20.2);
  EXPECT_GE(box->displayRect.maxX(), 41.6);
  EXPECT_GE(box->displayRect.maxY(), 26.19);

  const auto thin = QVPDFRendering::makeCGPathToUIImage(rect(100, 100, 0.4, 800), paint, {612, 1000});
  ASSERT_TRUE(thin);
  EXPECT_GE(thin->bitmap.width(), 1);
  int ink = 0;
  const int x0 = static_cast<int>((100 - thin->displayRect.minX()) * thin->bitmap.width() / thin->displayRect.width());
  for (int x = 0; x < thin->bitmap.width(); ++x) ink += alphaAt(thin->bitmap, x, thin->bitmap.height() / 2);
  EXPECT_GT(ink, 100) << "around x pixel " << x0;

  // Nothing to paint, or nothing on the page: no picture.
  QVPDFPathPaint none;
  EXPECT_FALSE(QVPDFRendering::makeCGPathToUIImage(rect(10, 10, 10, 10), none, {612, 792}));
  EXPECT_FALSE(QVPDFRendering::makeCGPathToUIImage(rect(1000, 1000, 10, 10), paint, {612, 792}));
}

TEST(PageRendering, PathPicturesAreCutByTheClip) {
  QVPDFPathPaint paint;
  paint.fill = true;
  std::vector<QVPDFClipPath> clips{{rect(0, 0, 50, 792), FillRule::NonZero}};
  const auto half = QVPDFRendering::makeCGPathToUIImage(rect(10, 10, 80, 80), paint, {612, 792}, clips);
  ASSERT_TRUE(half);
  EXPECT_LE(half->displayRect.maxX(), 50);
}

TEST(PageRendering, ImageClipAnswersWhetherAndWhereToCut) {
  Bitmap image(10, 10, PixelFormat::RGB8);
  const AffineTransform placed{100, 0, 0, -100, 100, 200};  // (100, 100)-(200, 200), upright
  QVPDFRenderedImage out;
  Rect clipRect;
  using Result = QVPDFRendering::ClipResult;

  EXPECT_EQ(QVPDFRendering::ClipImageInContextSize({612, 792}, image, placed,
                                                    {{rect(50, 50, 300, 300), FillRule::NonZero}}, &out, &clipRect),
            Result::Unclipped);
  EXPECT_EQ(QVPDFRendering::ClipImageInContextSize({612, 792}, image, placed,
                                                    {{rect(400, 400, 10, 10), FillRule::NonZero}}, &out, &clipRect),
            Result::Invisible);
  ASSERT_EQ(QVPDFRendering::ClipImageInContextSize({612, 792}, image, placed,
                                                    {{rect(100, 100, 50.5, 100), FillRule::NonZero}}, &out,
                                                    &clipRect),
            Result::Clipped);
  EXPECT_EQ(clipRect, Rect(100, 100, 51, 100)) << "the clip's box on whole points";
  EXPECT_EQ(out.displayRect.minX(), 100);
  EXPECT_NEAR(out.displayRect.width(), 51, 1e-9);
  EXPECT_LT(alphaAt(out.bitmap, out.bitmap.width() - 1, 50), 200) << "half a point beyond the clip";
  EXPECT_EQ(alphaAt(out.bitmap, 5, 50), 255);
}

}  // namespace

// A letter's outline painted all over a page, on lines of text set on a
// tenth-of-a-point grid: pictures of one key must have the same pixels, and
// most placements must find a key already seen, with or without a clip
// around them.
TEST(PageRendering, PathPicturesOfOneKeyHaveTheSamePixels) {
  // Its points as a content stream gives them: to the hundredth of a point.
  const auto letter = [](double x, double y) {
    const auto at = [&](double dx, double dy) {
      return platform::Point{std::round((x + dx) * 100) / 100, std::round((y + dy) * 100) / 100};
    };
    Path p;
    p.moveTo(at(3.17, 0));
    p.curveTo(at(6.4, 0.3), at(7.91, 2.45), at(7.62, 5.03));
    p.curveTo(at(7.2, 8.88), at(1.05, 7.6), at(0.73, 11.2));
    p.lineTo(at(6.9, 11.2));
    p.lineTo(at(6.9, 12.03));
    p.curveTo(at(2.2, 12.4), at(-0.4, 9.1), at(0.22, 6.96));
    p.curveTo(at(0.9, 3.3), at(6.1, 4.4), at(5.3, 1.92));
    p.closeSubpath();
    p.moveTo(at(2, 2));
    p.lineTo(at(3, 2.5));
    p.lineTo(at(2.4, 3.3));
    p.closeSubpath();
    return p;
  };
  QVPDFPathPaint fill;
  fill.fill = true;
  fill.fillColor = Color::rgb(0.2, 0.1, 0.6, 0.8);
  fill.fillRule = FillRule::EvenOdd;
  QVPDFPathPaint stroke;
  stroke.stroke = true;
  stroke.strokeColor = Color::gray(0.3);
  stroke.strokeStyle.width = 0.7;
  stroke.strokeStyle.join = 1;
  stroke.strokeStyle.dashes = {1.5, 0.5};
  const std::vector<QVPDFClipPath> clip{{rect(0, 300.37, 612, 200.5), FillRule::NonZero}};
  struct Case {
    const char* name;
    QVPDFPathPaint paint;
    std::vector<QVPDFClipPath> clips;
  };
  const Case cases[] = {{"fill", fill, {}}, {"dashed stroke", stroke, {}}, {"fill through a clip", fill, clip}};
  for (const Case& c : cases) {
    std::map<std::string, Bitmap> pictures;
    int placements = 0;
    for (int row = 0; row < 60; ++row) {
      for (int column = 0; column < 40; ++column) {
        // The last columns sit off the grid by a few thousandths of a
        // point, less than a pixel's tenth.
        const double x = std::round((20 + column * 13.77 + row * 0.31) * 10) / 10 + std::max(column - 30, 0) * 0.003;
        const double y = std::round((20 + row * 12.93) * 10) / 10;
        const Path path = letter(x, y);
        const auto key = QVPDFRendering::pathPictureKey(path, c.paint, {612, 792}, c.clips);
        const auto picture = QVPDFRendering::makeCGPathToUIImage(path, c.paint, {612, 792}, c.clips);
        ASSERT_EQ(key.has_value(), picture.has_value()) << c.name << " at " << x << ", " << y;
        if (!key) continue;
        ++placements;
        EXPECT_EQ(key->displayRect, picture->displayRect) << c.name;
        const auto [known, added] = pictures.emplace(key->key, picture->bitmap);
        if (added) continue;
        const Bitmap& first = known->second;
        ASSERT_EQ(first.width(), picture->bitmap.width());
        ASSERT_EQ(first.height(), picture->bitmap.height());
        EXPECT_TRUE(std::equal(first.row(0), first.row(0) + first.stride() * first.height(), picture->bitmap.row(0)))
            << c.name << " at " << x << ", " << y;
      }
    }
    EXPECT_GT(placements, 100) << c.name;
    EXPECT_LT(pictures.size() * 2, static_cast<size_t>(placements)) << c.name;
  }

  // Another paint is another key; a quadratic curve gives none.
  const Path path = letter(100, 100);
  QVPDFPathPaint red = fill;
  red.fillColor = Color::rgb(1, 0, 0);
  EXPECT_NE(QVPDFRendering::pathPictureKey(path, fill, {612, 792})->key,
            QVPDFRendering::pathPictureKey(path, red, {612, 792})->key);
  Path quad = path;
  quad.moveTo({100, 100});
  quad.quadCurveTo({105, 90}, {110, 100});
  EXPECT_FALSE(QVPDFRendering::pathPictureKey(quad, fill, {612, 792}));
}

// Rendering for the presentation exporter: the Cairo drawing context (fill,
// stroke, clip by both rules, images through a transform) and the path and
// image renderings built on it, checked pixel by pixel.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs/files.h"
#include "platform/image/drawing.h"
#include "pptx/QVPPTXRendering.h"
#include "tests/support/fixtures.h"

namespace {

using platform::AffineTransform;
using platform::Color;
using platform::Path;
using platform::Rect;
using platform::image::Bitmap;
using platform::image::DrawingContext;
using platform::image::FillRule;
using platform::image::PixelFormat;

struct Rgba {
  int r, g, b, a;
};

Rgba pixel(const Bitmap& argb, int x, int y) {
  const Bitmap rgba = argb.converted(PixelFormat::RGBA8);
  const uint8_t* p = rgba.row(y) + 4 * x;
  return {p[0], p[1], p[2], p[3]};
}

Path rect(double x, double y, double w, double h) {
  Path p;
  p.addRect(Rect(x, y, w, h));
  return p;
}

TEST(DrawingContext, FillsByEitherRule) {
  Path rings = rect(10, 10, 80, 80);
  rings.addPath(rect(30, 30, 40, 40));
  DrawingContext nonZero(100, 100), evenOdd(100, 100);
  nonZero.fillPath(rings, Color::rgb(1, 0, 0), FillRule::NonZero);
  evenOdd.fillPath(rings, Color::rgb(1, 0, 0), FillRule::EvenOdd);
  EXPECT_EQ(pixel(nonZero.image(), 50, 50).a, 255);
  EXPECT_EQ(pixel(evenOdd.image(), 50, 50).a, 0);
  EXPECT_EQ(pixel(evenOdd.image(), 20, 50).r, 255);
  EXPECT_EQ(pixel(evenOdd.image(), 5, 5).a, 0);
}

TEST(DrawingContext, StrokesWithWidthCapsAndDashes) {
  DrawingContext ctx(100, 40);
  Path line;
  line.moveTo({10, 20});
  line.lineTo({90, 20});
  platform::image::StrokeStyle style;
  style.width = 10;
  style.cap = 2;  // square: the line reaches 5 pixels past its ends
  ctx.strokePath(line, Color::gray(0), style);
  const Bitmap image = ctx.image();
  EXPECT_EQ(pixel(image, 50, 16).a, 255);
  EXPECT_EQ(pixel(image, 50, 26).a, 0);
  EXPECT_EQ(pixel(image, 7, 20).a, 255);
  EXPECT_EQ(pixel(image, 3, 20).a, 0);

  DrawingContext dashed(100, 40);
  style.cap = 0;
  style.dashes = {10, 10};
  dashed.strokePath(line, Color::gray(0), style);
  EXPECT_EQ(pixel(dashed.image(), 15, 20).a, 255);
  EXPECT_EQ(pixel(dashed.image(), 25, 20).a, 0);
}

TEST(DrawingContext, UnusableDashesAndWidthsStillDraw) {
  Path line;
  line.moveTo({10, 20});
  line.lineTo({90, 20});
  for (const std::vector<double>& dashes : std::vector<std::vector<double>>{{0, 0}, {-1, 2}}) {
    DrawingContext ctx(100, 40);
    platform::image::StrokeStyle style;
    style.width = 4;
    style.dashes = dashes;
    ctx.strokePath(line, Color::gray(0), style);
    EXPECT_EQ(pixel(ctx.image(), 50, 20).a, 255) << "drawn solid";
    // The context keeps drawing afterwards.
    ctx.fillPath(rect(0, 0, 5, 5), Color::gray(0), FillRule::NonZero);
    EXPECT_EQ(pixel(ctx.image(), 2, 2).a, 255);
  }
  DrawingContext hairline(100, 40);
  platform::image::StrokeStyle thinnest;
  thinnest.width = 0;
  hairline.strokePath(line, Color::gray(0), thinnest);
  int ink = 0;
  for (int y = 18; y < 22; ++y) ink += pixel(hairline.image(), 50, y).a;
  EXPECT_GE(ink, 200) << "a width of 0 draws one device pixel";
}

TEST(DrawingContext, ClipsByEitherRuleAndReportsTheClipBox) {
  Path frame = rect(10, 10, 80, 80);
  frame.addPath(rect(30, 30, 40, 40));
  DrawingContext ctx(100, 100);
  EXPECT_EQ(ctx.clipBoundingBox(), Rect(0, 0, 100, 100));
  ctx.clipToPath(frame, FillRule::EvenOdd);
  EXPECT_EQ(ctx.clipBoundingBox(), Rect(10, 10, 80, 80));
  ctx.fillPath(rect(0, 0, 100, 100), Color::rgb(0, 0, 1), FillRule::NonZero);
  EXPECT_EQ(pixel(ctx.image(), 50, 50).a, 0);
  EXPECT_EQ(pixel(ctx.image(), 20, 20).b, 255);
  EXPECT_EQ(pixel(ctx.image(), 5, 5).a, 0);

  DrawingContext empty(10, 10);
  empty.clipToPath(Path(), FillRule::NonZero);
  EXPECT_TRUE(empty.clipBoundingBox().isNull());
}

TEST(DrawingContext, DrawsImagesWithTheirTopRowUpInImageSpace) {
  // Two rows: red on top, blue below.
  Bitmap image(1, 2, PixelFormat::RGB8);
  image.row(0)[0] = 255;
  image.row(1)[2] = 255;
  DrawingContext ctx(40, 40);
  // The unit square onto (0, 0)-(40, 40) of the y-down canvas, upright.
  ctx.drawImage(image, AffineTransform{40, 0, 0, -40, 0, 40});
  EXPECT_EQ(pixel(ctx.image(), 20, 5).r, 255);
  EXPECT_EQ(pixel(ctx.image(), 20, 35).b, 255);
  // Its edges stay sharp: the first and last pixels are opaque.
  EXPECT_EQ(pixel(ctx.image(), 0, 0).a, 255);
  EXPECT_EQ(pixel(ctx.image(), 39, 39).a, 255);

  DrawingContext flat(10, 10);
  flat.drawImage(image, AffineTransform{10, 0, 0, 0, 0, 0});
  flat.concatCTM(AffineTransform{0, 0, 0, 0, 0, 0});
  flat.fillPath(rect(0, 0, 10, 10), Color::gray(0), FillRule::NonZero);
  EXPECT_EQ(pixel(flat.image(), 5, 5).a, 255) << "a singular transform is ignored, not fatal";
}

TEST(DrawingContext, RefusesSizesCairoCannotDraw) {
  EXPECT_THROW(DrawingContext(0, 10), platform::image::ImageError);
  EXPECT_THROW(DrawingContext(32768, 1), platform::image::ImageError);
  EXPECT_THROW(DrawingContext(20000, 20000), platform::image::ImageError);
  EXPECT_NO_THROW(DrawingContext(1, 1));
}

TEST(DrawingContext, CutsRectanglesOutOfTheCanvas) {
  DrawingContext ctx(20, 10);
  ctx.fillPath(rect(10, 0, 10, 10), Color::gray(0), FillRule::NonZero);
  auto cut = ctx.imageInRect(15, -5, 10, 10);
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->width(), 5);
  EXPECT_EQ(cut->height(), 5);
  EXPECT_EQ(pixel(*cut, 0, 0).a, 255);
  EXPECT_FALSE(ctx.imageInRect(30, 0, 5, 5));
}

TEST(DrawingContext, HandsItsCanvasOverAndDrawsNothingAfter) {
  DrawingContext ctx(20, 10);
  ctx.fillPath(rect(10, 0, 10, 10), Color::rgb(0, 0, 1), FillRule::NonZero);
  const Bitmap taken = ctx.takeImage();
  ASSERT_EQ(taken.width(), 20);
  ASSERT_EQ(taken.height(), 10);
  EXPECT_EQ(pixel(taken, 15, 5).b, 255);
  EXPECT_EQ(pixel(taken, 5, 5).a, 0);
  // The pixels are gone from the context; drawing on is harmless.
  EXPECT_TRUE(ctx.image().empty());
  EXPECT_FALSE(ctx.imageInRect(0, 0, 5, 5));
  ctx.fillPath(rect(0, 0, 20, 10), Color::gray(0), FillRule::NonZero);
  ctx.clipToPath(rect(0, 0, 5, 5), FillRule::EvenOdd);
  EXPECT_EQ(pixel(taken, 5, 5).a, 0);
}

TEST(DrawingContext, CanvasMadeInReusedMemoryStartsTransparent) {
  platform::image::PixelStorage memory;
  {
    DrawingContext first(40, 30);
    first.fillPath(rect(0, 0, 40, 30), Color::rgb(1, 0, 0), FillRule::NonZero);
    memory = first.takeImage().takeStorage();
  }
  const uint8_t* buffer = memory.data();
  for (auto [w, h] : {std::pair{30, 20}, std::pair{40, 30}}) {
    DrawingContext next(w, h, std::move(memory));
    next.fillPath(rect(0, 0, 5, 5), Color::rgb(0, 0, 1), FillRule::NonZero);
    Bitmap picture = next.takeImage();
    ASSERT_EQ(picture.width(), w);
    ASSERT_EQ(picture.height(), h);
    EXPECT_EQ(picture.bytes().data(), buffer) << "a canvas that fits is made in the same memory";
    EXPECT_EQ(pixel(picture, 2, 2).b, 255);
    int inked = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) inked += pixel(picture, x, y).a != 0;
    EXPECT_EQ(inked, 25) << "nothing of the earlier picture shows";
    memory = picture.takeStorage();
    EXPECT_TRUE(picture.empty());
  }
}

struct LineWidthCase {
  double width;
  AffineTransform transform;
  double expected;
};

TEST(PptxRendering, LineWidthsFollowTheTransformsLengthScale) {
  const LineWidthCase cases[] = {
      {2, {1, 0, 0, -1, 0, 792}, 2},                 // upright page
      {2, {0, 1, 1, 0, 0, 0}, 2},                    // quarter turn: a is 0
      {2, {-1, 0, 0, 1, 612, 0}, 2},                 // half turn: a is -1
      {2, {3, 0, 0, 3, 0, 0}, 6},
      {1, {4, 0, 0, 1, 0, 0}, 2},                    // uneven scales: their geometric mean
      {0, {1, 0, 0, 1, 0, 0}, QVPPTXRendering::kMinLineWidth},
      {1, {0, 0, 0, 0, 0, 0}, QVPPTXRendering::kMinLineWidth},
      {-3, {1, 0, 0, 1, 0, 0}, 3},
  };
  for (const LineWidthCase& c : cases)
    EXPECT_DOUBLE_EQ(QVPPTXRendering::displayLineWidth(c.width, c.transform), c.expected) << c.width;
}

TEST(PptxRendering, FreeImageNamesCountUpInTheTemplatesFolder) {
  qvtest::TempDir dir;
  const std::string templ = dir.file("x.png").string();
  EXPECT_EQ(QVPPTXRendering::getNewImagePath(templ), dir.file("image1.png").string());
  ASSERT_TRUE(platform::fs::writeFile(dir.file("image1.png").string(), "x"));
  EXPECT_EQ(QVPPTXRendering::getNewImagePath(templ), dir.file("image2.png").string());
  EXPECT_EQ(QVPPTXRendering::getNewImagePath(dir.file("y.jpeg").string()), dir.file("image1.jpeg").string());
  uint64_t next = 1;
  EXPECT_EQ(QVPPTXRendering::getNewImagePath(templ, &next), dir.file("image2.png").string());
  EXPECT_EQ(next, 3u);
}

TEST(PptxRendering, PathBitmapsRoundOutSoThinPathsKeepTheirPixels) {
  QVPPTXPathPaint paint;
  paint.fill = true;
  paint.fillColor = Color::rgb(0, 0, 0);
  const auto box = QVPPTXRendering::makeCGPathToUIImage(rect(10.7, 20.2, 30.9, 5.99), paint, {612, 792});
  ASSERT_TRUE(box);
  EXPECT_LE(box->displayRect.minX(), 10.7);
  EXPECT_LE(box->displayRect.minY(), 20.2);
  EXPECT_GE(box->displayRect.maxX(), 41.6);
  EXPECT_GE(box->displayRect.maxY(), 26.19);

  const auto thin = QVPPTXRendering::makeCGPathToUIImage(rect(100, 100, 0.4, 800), paint, {612, 1000});
  ASSERT_TRUE(thin);
  EXPECT_GE(thin->bitmap.width(), 1);
  int ink = 0;
  const int x0 = static_cast<int>((100 - thin->displayRect.minX()) * thin->bitmap.width() / thin->displayRect.width());
  for (int x = 0; x < thin->bitmap.width(); ++x) ink += pixel(thin->bitmap, x, thin->bitmap.height() / 2).a;
  EXPECT_GT(ink, 100) << "around x pixel " << x0;

  // Nothing to paint, or nothing on the page: no picture.
  QVPPTXPathPaint none;
  EXPECT_FALSE(QVPPTXRendering::makeCGPathToUIImage(rect(10, 10, 10, 10), none, {612, 792}));
  EXPECT_FALSE(QVPPTXRendering::makeCGPathToUIImage(rect(1000, 1000, 10, 10), paint, {612, 792}));
}

TEST(PptxRendering, PathPicturesAreCutByTheClip) {
  QVPPTXPathPaint paint;
  paint.fill = true;
  std::vector<QVPPTXClipPath> clips{{rect(0, 0, 50, 792), FillRule::NonZero}};
  const auto half = QVPPTXRendering::makeCGPathToUIImage(rect(10, 10, 80, 80), paint, {612, 792}, clips);
  ASSERT_TRUE(half);
  EXPECT_LE(half->displayRect.maxX(), 50);
}

TEST(PptxRendering, ImageClipAnswersWhetherAndWhereToCut) {
  Bitmap image(10, 10, PixelFormat::RGB8);
  const AffineTransform placed{100, 0, 0, -100, 100, 200};  // (100, 100)-(200, 200), upright
  QVPPTXRenderedImage out;
  Rect clipRect;
  using Result = QVPPTXRendering::ClipResult;

  EXPECT_EQ(QVPPTXRendering::ClipImageInContextSize({612, 792}, image, placed,
                                                    {{rect(50, 50, 300, 300), FillRule::NonZero}}, &out, &clipRect),
            Result::Unclipped);
  EXPECT_EQ(QVPPTXRendering::ClipImageInContextSize({612, 792}, image, placed,
                                                    {{rect(400, 400, 10, 10), FillRule::NonZero}}, &out, &clipRect),
            Result::Invisible);
  ASSERT_EQ(QVPPTXRendering::ClipImageInContextSize({612, 792}, image, placed,
                                                    {{rect(100, 100, 50.5, 100), FillRule::NonZero}}, &out,
                                                    &clipRect),
            Result::Clipped);
  EXPECT_EQ(clipRect, Rect(100, 100, 51, 100)) << "the clip's box on whole points";
  EXPECT_EQ(out.displayRect.minX(), 100);
  EXPECT_NEAR(out.displayRect.width(), 51, 1e-9);
  EXPECT_LT(pixel(out.bitmap, out.bitmap.width() - 1, 50).a, 200) << "half a point beyond the clip";
  EXPECT_EQ(pixel(out.bitmap, 5, 50).a, 255);
}

}  // namespace

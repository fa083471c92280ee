// The Cairo drawing context that the exporters render with (fill, stroke,
// clip by both rules, images through a transform), checked pixel by pixel.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs/files.h"
#include "platform/image/drawing.h"
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

}  // namespace

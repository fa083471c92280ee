#pragma once
// A 2D drawing context over Cairo: a transparent premultiplied ARGB32 canvas
// that fills and strokes paths, clips by either fill rule, and draws bitmaps
// through a transform.
//
// Coordinates: the canvas's device space has its origin at the top-left
// pixel, y growing downwards, one unit per pixel. The current transform (CTM)
// maps user space to device space in the row-vector convention of
// platform::AffineTransform; concatCTM(t) makes t apply before the CTM, as
// the platform's concat call does.
//
//   DrawingContext ctx(200, 100);
//   ctx.clipToPath(frame, FillRule::EvenOdd);
//   ctx.fillPath(shape, Color::rgb(1, 0, 0), FillRule::NonZero);
//   ctx.strokePath(shape, Color::rgb(0, 0, 0), StrokeStyle{.width = 2});
//   Bitmap picture = ctx.takeImage();
//
// Nothing here throws after construction: a degenerate transform, a
// non-finite coordinate or an unusable dash pattern draws nothing (or solid)
// instead of putting the canvas into an error state.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/geometry/path.h"
#include "platform/image/bitmap.h"
#include "platform/image/color.h"

namespace platform::image {

enum class FillRule { NonZero, EvenOdd };

// The line style of a stroke, lengths in user units at the time of the
// stroke. Caps 0 butt, 1 round, 2 square; joins 0 miter, 1 round, 2 bevel
// (PDF's numbering). A width of 0 or below draws the thinnest visible line
// (one device pixel). Dashes: on/off lengths from the start of each subpath
// shifted by the phase; an odd count repeats once; a pattern with a negative
// entry or none above 0 strokes solid.
struct StrokeStyle {
  double width = 1;
  int cap = 0;
  int join = 0;
  double miterLimit = 10;
  std::vector<double> dashes;
  double dashPhase = 0;
};

// The largest side a canvas may have (Cairo's image surfaces stop at 32767).
inline constexpr int kMaxCanvasSide = 32767;

class DrawingContext {
 public:
  // A transparent canvas of width x height pixels, identity CTM, no clip,
  // made in `storage` when given (the memory of an earlier canvas, from
  // Bitmap::takeStorage). Throws ImageError when the size is empty, above
  // kMaxCanvasSide a side or beyond the pixel cap, or when Cairo cannot make
  // the surface.
  DrawingContext(int width, int height, PixelStorage&& storage = {});
  ~DrawingContext();
  DrawingContext(const DrawingContext&) = delete;
  DrawingContext& operator=(const DrawingContext&) = delete;

  int width() const { return bitmap_.width(); }
  int height() const { return bitmap_.height(); }

  // True when the size can be made into a canvas.
  static bool canvasSizeAllowed(int64_t width, int64_t height);

  // The CTM. concatCTM ignores a transform that is not invertible or not
  // finite, since nothing drawn through it would be visible.
  AffineTransform ctm() const;
  void concatCTM(const AffineTransform& transform);
  void setCTM(const AffineTransform& transform);
  // Saves and restores the CTM and the clip.
  void save();
  void restore();

  // Paints the inside of the path by the rule.
  void fillPath(const Path& path, const Color& color, FillRule rule);
  // Strokes the path with the style.
  void strokePath(const Path& path, const Color& color, const StrokeStyle& style);
  // Intersects the clip with the inside of the path by the rule. An empty
  // path clips everything away.
  void clipToPath(const Path& path, FillRule rule);
  // The bounding box of the clip in user space (the whole canvas when there
  // is no clip); null when everything is clipped away.
  Rect clipBoundingBox() const;
  // Draws the bitmap into the unit square of the transform's input space, the
  // bitmap's top row at y = 1 and its first column at x = 0 (image space of
  // PDF), then through the CTM. Any pixel format Bitmap::converted can make
  // ARGB32 of is drawn; others draw nothing. Samples are interpolated
  // bilinearly when the image is scaled up.
  void drawImage(const Bitmap& image, const AffineTransform& imageToUser, double alpha = 1);

  // The canvas as it is: premultiplied ARGB32 (a copy).
  Bitmap image() const;
  // Ends the drawing and hands the canvas over without copying it: the
  // context draws nothing afterwards, and image() is empty.
  Bitmap takeImage();
  // A copy of the pixels of the integral rectangle (device space), cut to the
  // canvas; none when nothing of it lies on the canvas.
  std::optional<Bitmap> imageInRect(int x, int y, int width, int height) const;

 private:
  struct CairoState;
  void addPath(const Path& path);

  Bitmap bitmap_;
  std::unique_ptr<CairoState> cairo_;
};

// Straight 0..1 red, green and blue of a device colour: gray for all three,
// RGB as it is, CMYK by the naive complement, other models black; each
// clamped to 0..1 (NaN reads 0).
void deviceRGB(const Color& color, double& red, double& green, double& blue);

}  // namespace platform::image

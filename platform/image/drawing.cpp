#include "platform/image/drawing.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::image {

namespace {

bool finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool usable(const AffineTransform& t) {
  const double det = t.determinant();
  return std::isfinite(t.a) && std::isfinite(t.b) && std::isfinite(t.c) && std::isfinite(t.d) &&
         std::isfinite(t.tx) && std::isfinite(t.ty) && std::isfinite(det) && det != 0;
}

cairo_matrix_t toCairo(const AffineTransform& t) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
  return m;
}

double clamp01(double v) {
  if (!(v > 0)) return 0;
  return v > 1 ? 1 : v;
}

cairo_fill_rule_t cairoRule(FillRule rule) {
  return rule == FillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING;
}

}  // namespace

void deviceRGB(const Color& color, double& red, double& green, double& blue) {
  const auto& c = color.components;
  switch (color.model) {
    case ColorModel::Monochrome:
      red = green = blue = clamp01(c[0]);
      return;
    case ColorModel::RGB:
      red = clamp01(c[0]);
      green = clamp01(c[1]);
      blue = clamp01(c[2]);
      return;
    case ColorModel::CMYK: {
      const double k = clamp01(c[3]);
      red = (1 - clamp01(c[0])) * (1 - k);
      green = (1 - clamp01(c[1])) * (1 - k);
      blue = (1 - clamp01(c[2])) * (1 - k);
      return;
    }
    case ColorModel::Other:
      break;
  }
  red = green = blue = 0;
}

struct DrawingContext::CairoState {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;

  ~CairoState() {
    if (cr) cairo_destroy(cr);
    if (surface) cairo_surface_destroy(surface);
  }
};

bool DrawingContext::canvasSizeAllowed(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxCanvasSide && height <= kMaxCanvasSide &&
         withinPixelCap(width, height);
}

DrawingContext::DrawingContext(int width, int height, PixelStorage&& storage)
    : cairo_(std::make_unique<CairoState>()) {
  if (!canvasSizeAllowed(width, height))
    throw ImageError("canvas size " + std::to_string(width) + " x " + std::to_string(height) + " is not drawable");
  bitmap_ = Bitmap(width, height, PixelFormat::ARGB32, std::move(storage));
  // Packed ARGB32 rows are what Cairo asks for, so the canvas draws straight
  // into the bitmap's memory.
  if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width) != static_cast<int>(bitmap_.stride()))
    throw ImageError("unexpected canvas row size");
  cairo_->surface = cairo_image_surface_create_for_data(bitmap_.bytes().data(), CAIRO_FORMAT_ARGB32, width, height,
                                                        static_cast<int>(bitmap_.stride()));
  if (cairo_surface_status(cairo_->surface) != CAIRO_STATUS_SUCCESS) throw ImageError("cannot make a canvas surface");
  cairo_->cr = cairo_create(cairo_->surface);
  if (cairo_status(cairo_->cr) != CAIRO_STATUS_SUCCESS) throw ImageError("cannot make a drawing context");
}

DrawingContext::~DrawingContext() = default;

AffineTransform DrawingContext::ctm() const {
  cairo_matrix_t m;
  cairo_get_matrix(cairo_->cr, &m);
  return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void DrawingContext::concatCTM(const AffineTransform& transform) {
  if (!usable(transform) || !usable(transform.concat(ctm()))) return;
  const cairo_matrix_t m = toCairo(transform);
  cairo_transform(cairo_->cr, &m);
}

void DrawingContext::setCTM(const AffineTransform& transform) {
  if (!usable(transform)) return;
  const cairo_matrix_t m = toCairo(transform);
  cairo_set_matrix(cairo_->cr, &m);
}

void DrawingContext::save() { cairo_save(cairo_->cr); }

void DrawingContext::restore() { cairo_restore(cairo_->cr); }

void DrawingContext::addPath(const Path& path) {
  cairo_t* cr = cairo_->cr;
  cairo_new_path(cr);
  Point current;
  for (const PathElement& e : path.elements()) {
    switch (e.type) {
      case PathElementType::MoveTo:
        cairo_move_to(cr, e.points[0].x, e.points[0].y);
        current = e.points[0];
        break;
      case PathElementType::LineTo:
        cairo_line_to(cr, e.points[0].x, e.points[0].y);
        current = e.points[0];
        break;
      case PathElementType::QuadCurveTo: {
        // The cubic with the same curve: controls two thirds of the way to
        // the quadratic control point from each end.
        const Point q = e.points[0], end = e.points[1];
        cairo_curve_to(cr, current.x + 2.0 / 3.0 * (q.x - current.x), current.y + 2.0 / 3.0 * (q.y - current.y),
                       end.x + 2.0 / 3.0 * (q.x - end.x), end.y + 2.0 / 3.0 * (q.y - end.y), end.x, end.y);
        current = end;
        break;
      }
      case PathElementType::CurveTo:
        cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                       e.points[2].y);
        current = e.points[2];
        break;
      case PathElementType::CloseSubpath: {
        cairo_close_path(cr);
        double x = 0, y = 0;
        if (cairo_has_current_point(cr)) cairo_get_current_point(cr, &x, &y);
        current = {x, y};
        break;
      }
    }
  }
}

namespace {

bool pathIsFinite(const Path& path) {
  for (const PathElement& e : path.elements())
    for (int i = 0; i < e.pointCount(); ++i)
      if (!finite(e.points[i])) return false;
  return true;
}

}  // namespace

void DrawingContext::fillPath(const Path& path, const Color& color, FillRule rule) {
  if (path.isEmpty() || !pathIsFinite(path)) return;
  cairo_t* cr = cairo_->cr;
  double r, g, b;
  deviceRGB(color, r, g, b);
  addPath(path);
  cairo_set_source_rgba(cr, r, g, b, clamp01(color.alpha));
  cairo_set_fill_rule(cr, cairoRule(rule));
  cairo_fill(cr);
}

void DrawingContext::strokePath(const Path& path, const Color& color, const StrokeStyle& style) {
  if (path.isEmpty() || !pathIsFinite(path)) return;
  cairo_t* cr = cairo_->cr;
  double r, g, b;
  deviceRGB(color, r, g, b);

  double width = style.width;
  if (!(width > 0) || !std::isfinite(width)) {
    // One device pixel, measured along the user space's mean scale.
    const double det = std::fabs(ctm().determinant());
    width = det > 0 && std::isfinite(det) ? 1.0 / std::sqrt(det) : 1.0;
  }
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, style.cap == 1   ? CAIRO_LINE_CAP_ROUND
                         : style.cap == 2 ? CAIRO_LINE_CAP_SQUARE
                                          : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, style.join == 1   ? CAIRO_LINE_JOIN_ROUND
                          : style.join == 2 ? CAIRO_LINE_JOIN_BEVEL
                                            : CAIRO_LINE_JOIN_MITER);
  const double miter = style.miterLimit;
  cairo_set_miter_limit(cr, std::isfinite(miter) && miter >= 1 ? std::min(miter, 1e4) : 10.0);

  bool dashed = !style.dashes.empty() && std::isfinite(style.dashPhase);
  bool anyPositive = false;
  for (double d : style.dashes) {
    if (!(d >= 0) || !std::isfinite(d)) dashed = false;
    if (d > 0) anyPositive = true;
  }
  // Cairo refuses (and stops drawing for good) a negative dash or one whose
  // lengths are all 0, so those stroke solid.
  if (dashed && anyPositive) {
    cairo_set_dash(cr, style.dashes.data(), static_cast<int>(style.dashes.size()), style.dashPhase);
  } else {
    cairo_set_dash(cr, nullptr, 0, 0);
  }

  addPath(path);
  cairo_set_source_rgba(cr, r, g, b, clamp01(color.alpha));
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
}

void DrawingContext::clipToPath(const Path& path, FillRule rule) {
  cairo_t* cr = cairo_->cr;
  if (path.isEmpty() || !pathIsFinite(path)) {
    cairo_new_path(cr);
    cairo_rectangle(cr, 0, 0, 0, 0);
    cairo_clip(cr);
    return;
  }
  addPath(path);
  cairo_set_fill_rule(cr, cairoRule(rule));
  cairo_clip(cr);
}

Rect DrawingContext::clipBoundingBox() const {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  cairo_clip_extents(cairo_->cr, &x1, &y1, &x2, &y2);
  if (!(x2 > x1) || !(y2 > y1)) return Rect::null();
  return Rect(x1, y1, x2 - x1, y2 - y1);
}

void DrawingContext::drawImage(const Bitmap& image, const AffineTransform& imageToUser, double alpha) {
  if (image.empty() || !usable(imageToUser)) return;
  Bitmap converted;
  const Bitmap* source = &image;
  if (image.format() != PixelFormat::ARGB32) {
    try {
      converted = image.converted(PixelFormat::ARGB32);
    } catch (const ImageError&) {
      return;
    }
    source = &converted;
  }
  const int w = source->width(), h = source->height();
  // Pixel (px, py) lands at (px / w, 1 - py / h) of the unit square.
  const AffineTransform pixelToUnit{1.0 / w, 0, 0, -1.0 / h, 0, 1};
  const AffineTransform pixelToUser = pixelToUnit.concat(imageToUser);
  if (!usable(pixelToUser) || !usable(pixelToUser.concat(ctm()))) return;

  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(const_cast<unsigned char*>(source->bytes().data()), CAIRO_FORMAT_ARGB32,
                                          w, h, static_cast<int>(source->stride()));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return;
  }
  cairo_t* cr = cairo_->cr;
  cairo_save(cr);
  const cairo_matrix_t m = toCairo(pixelToUser);
  cairo_transform(cr, &m);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_pattern_t* pattern = cairo_get_source(cr);
  // Padding keeps the image's edges crisp where the filter reads beyond them.
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
  cairo_new_path(cr);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_clip(cr);
  cairo_paint_with_alpha(cr, clamp01(alpha));
  cairo_restore(cr);
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
}

Bitmap DrawingContext::image() const {
  cairo_surface_flush(cairo_->surface);
  return bitmap_;
}

Bitmap DrawingContext::takeImage() {
  cairo_surface_flush(cairo_->surface);
  // A fresh context on a 1 x 1 surface of its own takes the old one's place,
  // so that later calls stay harmless while the pixels leave.
  auto spare = std::make_unique<CairoState>();
  spare->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  spare->cr = cairo_create(spare->surface);
  cairo_ = std::move(spare);
  Bitmap out = std::move(bitmap_);
  bitmap_ = Bitmap();
  return out;
}

std::optional<Bitmap> DrawingContext::imageInRect(int x, int y, int width, int height) const {
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t{x} + width, bitmap_.width());
  const int64_t y1 = std::min<int64_t>(int64_t{y} + height, bitmap_.height());
  if (x1 <= x0 || y1 <= y0) return std::nullopt;
  cairo_surface_flush(cairo_->surface);
  Bitmap out(static_cast<int>(x1 - x0), static_cast<int>(y1 - y0), PixelFormat::ARGB32);
  const size_t rowBytes = static_cast<size_t>(x1 - x0) * 4;
  for (int64_t row = y0; row < y1; ++row)
    std::memcpy(out.row(static_cast<int>(row - y0)), bitmap_.row(static_cast<int>(row)) + x0 * 4, rowBytes);
  return out;
}

}  // namespace platform::image

#include "platform/image/drawing.h"

#include <cairo.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::image {

namespace {

// The drawing library is opened when a page first draws: most conversions
// draw nothing, and do not pay for loading it and the libraries it needs.
#define QV_CAIRO_FUNCTIONS(X) \
  X(clip) X(clip_extents) X(close_path) X(create) X(curve_to) X(destroy) X(fill) X(format_stride_for_width) \
  X(get_current_point) X(get_matrix) X(get_source) X(has_current_point) X(image_surface_create) \
  X(image_surface_create_for_data) X(line_to) X(move_to) X(new_path) X(paint_with_alpha) \
  X(pattern_set_extend) X(pattern_set_filter) X(rectangle) X(restore) X(save) X(set_dash) X(set_fill_rule) \
  X(set_line_cap) X(set_line_join) X(set_line_width) X(set_matrix) X(set_miter_limit) X(set_source_rgba) \
  X(set_source_surface) X(status) X(stroke) X(surface_destroy) X(surface_finish) X(surface_flush) \
  X(surface_status) X(transform)

struct CairoLibrary {
#define QV_CAIRO_MEMBER(name) decltype(&::cairo_##name) name = nullptr;
  QV_CAIRO_FUNCTIONS(QV_CAIRO_MEMBER)
#undef QV_CAIRO_MEMBER
};

// Loaded once and kept for the life of the process; null when the library
// or one of its functions cannot be found.
const CairoLibrary* cairoLibrary() {
  static const CairoLibrary* library = []() -> const CairoLibrary* {
    void* handle = dlopen(QV_CAIRO_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    static CairoLibrary lib;
    bool complete = true;
#define QV_CAIRO_BIND(name)                                                         \
  lib.name = reinterpret_cast<decltype(lib.name)>(dlsym(handle, "cairo_" #name)); \
  complete = complete && lib.name;
    QV_CAIRO_FUNCTIONS(QV_CAIRO_BIND)
#undef QV_CAIRO_BIND
    return complete ? &lib : nullptr;
  }();
  return library;
}

// The library, once a canvas has been made (which needs it).
const CairoLibrary& cairo() { return *cairoLibrary(); }

bool finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool usable(const AffineTransform& t) {
  const double det = t.determinant();
  return std::isfinite(t.a) && std::isfinite(t.b) && std::isfinite(t.c) && std::isfinite(t.d) &&
         std::isfinite(t.tx) && std::isfinite(t.ty) && std::isfinite(det) && det != 0;
}

cairo_matrix_t toCairo(const AffineTransform& t) {
  cairo_matrix_t m;
  m.xx = t.a;
  m.yx = t.b;
  m.xy = t.c;
  m.yy = t.d;
  m.x0 = t.tx;
  m.y0 = t.ty;
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
    if (cr) cairo().destroy(cr);
    if (surface) cairo().surface_destroy(surface);
  }
};

bool DrawingContext::canvasSizeAllowed(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxCanvasSide && height <= kMaxCanvasSide &&
         withinPixelCap(width, height);
}

DrawingContext::DrawingContext(int width, int height, PixelStorage&& storage)
    : cairo_(std::make_unique<CairoState>()) {
  if (!cairoLibrary()) throw ImageError("the drawing library " QV_CAIRO_SONAME " cannot be loaded");
  if (!canvasSizeAllowed(width, height))
    throw ImageError("canvas size " + std::to_string(width) + " x " + std::to_string(height) + " is not drawable");
  bitmap_ = Bitmap(width, height, PixelFormat::ARGB32, std::move(storage));
  // Packed ARGB32 rows are what Cairo asks for, so the canvas draws straight
  // into the bitmap's memory.
  if (cairo().format_stride_for_width(CAIRO_FORMAT_ARGB32, width) != static_cast<int>(bitmap_.stride()))
    throw ImageError("unexpected canvas row size");
  cairo_->surface = cairo().image_surface_create_for_data(bitmap_.bytes().data(), CAIRO_FORMAT_ARGB32, width, height,
                                                        static_cast<int>(bitmap_.stride()));
  if (cairo().surface_status(cairo_->surface) != CAIRO_STATUS_SUCCESS) throw ImageError("cannot make a canvas surface");
  cairo_->cr = cairo().create(cairo_->surface);
  if (cairo().status(cairo_->cr) != CAIRO_STATUS_SUCCESS) throw ImageError("cannot make a drawing context");
}

DrawingContext::~DrawingContext() = default;

AffineTransform DrawingContext::ctm() const {
  cairo_matrix_t m;
  cairo().get_matrix(cairo_->cr, &m);
  return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void DrawingContext::concatCTM(const AffineTransform& transform) {
  if (!usable(transform) || !usable(transform.concat(ctm()))) return;
  const cairo_matrix_t m = toCairo(transform);
  cairo().transform(cairo_->cr, &m);
}

void DrawingContext::setCTM(const AffineTransform& transform) {
  if (!usable(transform)) return;
  const cairo_matrix_t m = toCairo(transform);
  cairo().set_matrix(cairo_->cr, &m);
}

void DrawingContext::save() { cairo().save(cairo_->cr); }

void DrawingContext::restore() { cairo().restore(cairo_->cr); }

void DrawingContext::addPath(const Path& path) {
  cairo_t* cr = cairo_->cr;
  cairo().new_path(cr);
  Point current;
  for (const PathElement& e : path.elements()) {
    switch (e.type) {
      case PathElementType::MoveTo:
        cairo().move_to(cr, e.points[0].x, e.points[0].y);
        current = e.points[0];
        break;
      case PathElementType::LineTo:
        cairo().line_to(cr, e.points[0].x, e.points[0].y);
        current = e.points[0];
        break;
      case PathElementType::QuadCurveTo: {
        // The cubic with the same curve: controls two thirds of the way to
        // the quadratic control point from each end.
        const Point q = e.points[0], end = e.points[1];
        cairo().curve_to(cr, current.x + 2.0 / 3.0 * (q.x - current.x), current.y + 2.0 / 3.0 * (q.y - current.y),
                       end.x + 2.0 / 3.0 * (q.x - end.x), end.y + 2.0 / 3.0 * (q.y - end.y), end.x, end.y);
        current = end;
        break;
      }
      case PathElementType::CurveTo:
        cairo().curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                       e.points[2].y);
        current = e.points[2];
        break;
      case PathElementType::CloseSubpath: {
        cairo().close_path(cr);
        double x = 0, y = 0;
        if (cairo().has_current_point(cr)) cairo().get_current_point(cr, &x, &y);
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
  cairo().set_source_rgba(cr, r, g, b, clamp01(color.alpha));
  cairo().set_fill_rule(cr, cairoRule(rule));
  cairo().fill(cr);
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
  cairo().set_line_width(cr, width);
  cairo().set_line_cap(cr, style.cap == 1   ? CAIRO_LINE_CAP_ROUND
                         : style.cap == 2 ? CAIRO_LINE_CAP_SQUARE
                                          : CAIRO_LINE_CAP_BUTT);
  cairo().set_line_join(cr, style.join == 1   ? CAIRO_LINE_JOIN_ROUND
                          : style.join == 2 ? CAIRO_LINE_JOIN_BEVEL
                                            : CAIRO_LINE_JOIN_MITER);
  const double miter = style.miterLimit;
  cairo().set_miter_limit(cr, std::isfinite(miter) && miter >= 1 ? std::min(miter, 1e4) : 10.0);

  bool dashed = !style.dashes.empty() && std::isfinite(style.dashPhase);
  bool anyPositive = false;
  for (double d : style.dashes) {
    if (!(d >= 0) || !std::isfinite(d)) dashed = false;
    if (d > 0) anyPositive = true;
  }
  // Cairo refuses (and stops drawing for good) a negative dash or one whose
  // lengths are all 0, so those stroke solid.
  if (dashed && anyPositive) {
    cairo().set_dash(cr, style.dashes.data(), static_cast<int>(style.dashes.size()), style.dashPhase);
  } else {
    cairo().set_dash(cr, nullptr, 0, 0);
  }

  addPath(path);
  cairo().set_source_rgba(cr, r, g, b, clamp01(color.alpha));
  cairo().stroke(cr);
  cairo().set_dash(cr, nullptr, 0, 0);
}

void DrawingContext::clipToPath(const Path& path, FillRule rule) {
  cairo_t* cr = cairo_->cr;
  if (path.isEmpty() || !pathIsFinite(path)) {
    cairo().new_path(cr);
    cairo().rectangle(cr, 0, 0, 0, 0);
    cairo().clip(cr);
    return;
  }
  addPath(path);
  cairo().set_fill_rule(cr, cairoRule(rule));
  cairo().clip(cr);
}

Rect DrawingContext::clipBoundingBox() const {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  cairo().clip_extents(cairo_->cr, &x1, &y1, &x2, &y2);
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
      cairo().image_surface_create_for_data(const_cast<unsigned char*>(source->bytes().data()), CAIRO_FORMAT_ARGB32,
                                          w, h, static_cast<int>(source->stride()));
  if (cairo().surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo().surface_destroy(surface);
    return;
  }
  cairo_t* cr = cairo_->cr;
  cairo().save(cr);
  const cairo_matrix_t m = toCairo(pixelToUser);
  cairo().transform(cr, &m);
  cairo().set_source_surface(cr, surface, 0, 0);
  cairo_pattern_t* pattern = cairo().get_source(cr);
  // Padding keeps the image's edges crisp where the filter reads beyond them.
  cairo().pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo().pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
  cairo().new_path(cr);
  cairo().rectangle(cr, 0, 0, w, h);
  cairo().clip(cr);
  cairo().paint_with_alpha(cr, clamp01(alpha));
  cairo().restore(cr);
  cairo().surface_finish(surface);
  cairo().surface_destroy(surface);
}

Bitmap DrawingContext::image() const {
  cairo().surface_flush(cairo_->surface);
  return bitmap_;
}

Bitmap DrawingContext::takeImage() {
  cairo().surface_flush(cairo_->surface);
  // A fresh context on a 1 x 1 surface of its own takes the old one's place,
  // so that later calls stay harmless while the pixels leave.
  auto spare = std::make_unique<CairoState>();
  spare->surface = cairo().image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  spare->cr = cairo().create(spare->surface);
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
  cairo().surface_flush(cairo_->surface);
  Bitmap out(static_cast<int>(x1 - x0), static_cast<int>(y1 - y0), PixelFormat::ARGB32);
  const size_t rowBytes = static_cast<size_t>(x1 - x0) * 4;
  for (int64_t row = y0; row < y1; ++row)
    std::memcpy(out.row(static_cast<int>(row - y0)), bitmap_.row(static_cast<int>(row)) + x0 * 4, rowBytes);
  return out;
}

}  // namespace platform::image

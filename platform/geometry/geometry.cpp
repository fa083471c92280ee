#include "platform/geometry/geometry.h"

#include <algorithm>
#include <limits>

namespace platform {

Rect Rect::null() {
  Rect r;
  r.origin = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
  return r;
}

Rect Rect::unite(const Rect& other) const {
  if (isNull()) return other.isNull() ? null() : other.standardized();
  if (other.isNull()) return standardized();
  const double x0 = std::min(minX(), other.minX());
  const double y0 = std::min(minY(), other.minY());
  const double x1 = std::max(maxX(), other.maxX());
  const double y1 = std::max(maxY(), other.maxY());
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::intersect(const Rect& other) const {
  if (isNull() || other.isNull()) return null();
  const double x0 = std::max(minX(), other.minX());
  const double y0 = std::max(minY(), other.minY());
  const double x1 = std::min(maxX(), other.maxX());
  const double y1 = std::min(maxY(), other.maxY());
  // Touching edges still meet in a degenerate rectangle; only a gap is null.
  if (x1 < x0 || y1 < y0) return null();
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool Rect::contains(Point p) const {
  if (isNull()) return false;
  // Half-open on the far edges, so tiled rectangles never both contain a point.
  return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

AffineTransform AffineTransform::rotation(double radians) {
  const double s = std::sin(radians);
  const double c = std::cos(radians);
  return {c, s, -s, c, 0, 0};
}

AffineTransform AffineTransform::inverted() const {
  const double det = determinant();
  if (det == 0 || !std::isfinite(det)) return *this;
  const double ia = d / det;
  const double ib = -b / det;
  const double ic = -c / det;
  const double id = a / det;
  return {ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
}

AffineTransform AffineTransform::concat(const AffineTransform& o) const {
  // Row vectors: p × this × o.
  return {a * o.a + b * o.c,         a * o.b + b * o.d,         c * o.a + d * o.c,
          c * o.b + d * o.d,         tx * o.a + ty * o.c + o.tx, tx * o.b + ty * o.d + o.ty};
}

AffineTransform AffineTransform::translated(double x, double y) const {
  return translation(x, y).concat(*this);
}

AffineTransform AffineTransform::scaled(double sx, double sy) const { return scale(sx, sy).concat(*this); }

AffineTransform AffineTransform::rotated(double radians) const { return rotation(radians).concat(*this); }

Rect AffineTransform::applyToRect(const Rect& r) const {
  if (r.isNull()) return Rect::null();
  const Point corners[4] = {apply({r.minX(), r.minY()}), apply({r.maxX(), r.minY()}),
                            apply({r.maxX(), r.maxY()}), apply({r.minX(), r.maxY()})};
  double x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
  for (const Point& p : corners) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

}  // namespace platform

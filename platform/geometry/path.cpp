#include "platform/geometry/path.h"

#include <algorithm>
#include <cmath>

namespace platform {

int PathElement::pointCount() const {
  switch (type) {
    case PathElementType::MoveTo:
    case PathElementType::LineTo:
      return 1;
    case PathElementType::QuadCurveTo:
      return 2;
    case PathElementType::CurveTo:
      return 3;
    case PathElementType::CloseSubpath:
      return 0;
  }
  return 0;
}

bool PathElement::operator==(const PathElement& other) const {
  if (type != other.type) return false;
  // Unused point slots carry no meaning and may hold anything.
  const int n = pointCount();
  for (int i = 0; i < n; ++i)
    if (!(points[i] == other.points[i])) return false;
  return true;
}

void Path::moveTo(Point p) {
  PathElement e;
  e.type = PathElementType::MoveTo;
  e.points[0] = p;
  elements_.push_back(e);
  currentPoint_ = subpathStart_ = p;
  hasCurrentPoint_ = true;
}

void Path::lineTo(Point p) {
  if (!hasCurrentPoint_) return;
  PathElement e;
  e.type = PathElementType::LineTo;
  e.points[0] = p;
  elements_.push_back(e);
  currentPoint_ = p;
}

void Path::quadCurveTo(Point control, Point end) {
  if (!hasCurrentPoint_) return;
  PathElement e;
  e.type = PathElementType::QuadCurveTo;
  e.points[0] = control;
  e.points[1] = end;
  elements_.push_back(e);
  currentPoint_ = end;
}

void Path::curveTo(Point c1, Point c2, Point end) {
  if (!hasCurrentPoint_) return;
  PathElement e;
  e.type = PathElementType::CurveTo;
  e.points[0] = c1;
  e.points[1] = c2;
  e.points[2] = end;
  elements_.push_back(e);
  currentPoint_ = end;
}

void Path::closeSubpath() {
  if (!hasCurrentPoint_) return;
  PathElement e;
  e.type = PathElementType::CloseSubpath;
  elements_.push_back(e);
  // A segment after the close starts a new subpath where the closed one began.
  currentPoint_ = subpathStart_;
}

void Path::addRect(const Rect& r) {
  if (r.isNull()) return;
  moveTo({r.minX(), r.minY()});
  lineTo({r.maxX(), r.minY()});
  lineTo({r.maxX(), r.maxY()});
  lineTo({r.minX(), r.maxY()});
  closeSubpath();
}

void Path::addPath(const Path& other, const AffineTransform& t) {
  for (const PathElement& e : other.elements_) {
    switch (e.type) {
      case PathElementType::MoveTo:
        moveTo(t.apply(e.points[0]));
        break;
      case PathElementType::LineTo:
        lineTo(t.apply(e.points[0]));
        break;
      case PathElementType::QuadCurveTo:
        quadCurveTo(t.apply(e.points[0]), t.apply(e.points[1]));
        break;
      case PathElementType::CurveTo:
        curveTo(t.apply(e.points[0]), t.apply(e.points[1]), t.apply(e.points[2]));
        break;
      case PathElementType::CloseSubpath:
        closeSubpath();
        break;
    }
  }
}

size_t Path::subpathCount() const {
  size_t count = 0;
  bool open = false;
  for (const PathElement& e : elements_) {
    if (e.type == PathElementType::MoveTo) {
      ++count;
      open = true;
    } else if (e.type == PathElementType::CloseSubpath) {
      open = false;
    } else if (!open) {
      // A segment right after a close implicitly begins a new subpath.
      ++count;
      open = true;
    }
  }
  return count;
}

Path Path::transformed(const AffineTransform& t) const {
  Path out = *this;
  for (PathElement& e : out.elements_) {
    const int n = e.pointCount();
    for (int i = 0; i < n; ++i) e.points[i] = t.apply(e.points[i]);
  }
  out.currentPoint_ = t.apply(currentPoint_);
  out.subpathStart_ = t.apply(subpathStart_);
  return out;
}

namespace {

struct Extent {
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  bool any = false;

  void add(Point p) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
    any = true;
  }
  Rect rect() const { return any ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect::null(); }
};

bool insideOpenUnit(double t) { return t > 0 && t < 1; }

Point quadAt(Point p0, Point p1, Point p2, double t) {
  const double u = 1 - t;
  return {u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x, u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y};
}

Point cubicAt(Point p0, Point p1, Point p2, Point p3, double t) {
  const double u = 1 - t;
  const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
  return {w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x, w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y};
}

// Parameters in (0, 1) where one coordinate of a quadratic segment turns.
int quadExtrema(double v0, double v1, double v2, double out[1]) {
  const double denominator = v0 - 2 * v1 + v2;
  if (denominator == 0) return 0;
  const double t = (v0 - v1) / denominator;
  if (!insideOpenUnit(t)) return 0;
  out[0] = t;
  return 1;
}

// Parameters in (0, 1) where one coordinate of a cubic segment turns: the
// roots of its derivative, a quadratic A t² + B t + C.
int cubicExtrema(double v0, double v1, double v2, double v3, double out[2]) {
  const double a = v1 - v0, b = v2 - v1, c = v3 - v2;
  const double A = a - 2 * b + c;
  const double B = 2 * (b - a);
  const double C = a;
  int n = 0;
  const double scale = std::max({std::fabs(A), std::fabs(B), std::fabs(C)});
  if (scale == 0) return 0;
  if (std::fabs(A) <= 1e-12 * scale) {
    if (B != 0 && insideOpenUnit(-C / B)) out[n++] = -C / B;
    return n;
  }
  const double discriminant = B * B - 4 * A * C;
  if (discriminant < 0) return 0;
  const double root = std::sqrt(discriminant);
  // The stable pair of formulas avoids cancellation when B² dominates 4AC.
  const double q = -0.5 * (B + std::copysign(root, B));
  const double candidates[2] = {q / A, q != 0 ? C / q : -B / (2 * A)};
  for (double t : candidates)
    if (insideOpenUnit(t)) out[n++] = t;
  return n;
}

}  // namespace

Rect Path::boundingBox() const {
  Extent extent;
  Point current{}, start{};
  for (const PathElement& e : elements_) {
    switch (e.type) {
      case PathElementType::MoveTo:
        current = start = e.points[0];
        extent.add(current);
        break;
      case PathElementType::LineTo:
        extent.add(current);
        current = e.points[0];
        extent.add(current);
        break;
      case PathElementType::QuadCurveTo: {
        const Point p0 = current, p1 = e.points[0], p2 = e.points[1];
        extent.add(p0);
        extent.add(p2);
        double ts[1];
        for (int i = 0, n = quadExtrema(p0.x, p1.x, p2.x, ts); i < n; ++i) extent.add(quadAt(p0, p1, p2, ts[i]));
        for (int i = 0, n = quadExtrema(p0.y, p1.y, p2.y, ts); i < n; ++i) extent.add(quadAt(p0, p1, p2, ts[i]));
        current = p2;
        break;
      }
      case PathElementType::CurveTo: {
        const Point p0 = current, p1 = e.points[0], p2 = e.points[1], p3 = e.points[2];
        extent.add(p0);
        extent.add(p3);
        double ts[2];
        for (int i = 0, n = cubicExtrema(p0.x, p1.x, p2.x, p3.x, ts); i < n; ++i)
          extent.add(cubicAt(p0, p1, p2, p3, ts[i]));
        for (int i = 0, n = cubicExtrema(p0.y, p1.y, p2.y, p3.y, ts); i < n; ++i)
          extent.add(cubicAt(p0, p1, p2, p3, ts[i]));
        current = p3;
        break;
      }
      case PathElementType::CloseSubpath:
        current = start;
        break;
    }
  }
  return extent.rect();
}

Rect Path::controlPointBox() const {
  Extent extent;
  for (const PathElement& e : elements_) {
    const int n = e.pointCount();
    for (int i = 0; i < n; ++i) extent.add(e.points[i]);
  }
  return extent.rect();
}

bool Path::isRect(Rect* rect) const {
  // move, three or four lines, close; or move and four lines back to the start.
  const size_t n = elements_.size();
  if (n < 4 || n > 6 || elements_[0].type != PathElementType::MoveTo) return false;
  const bool closed = elements_[n - 1].type == PathElementType::CloseSubpath;
  const size_t lineCount = n - 1 - (closed ? 1 : 0);
  if (lineCount < 3 || lineCount > 4) return false;
  if (lineCount == 3 && !closed) return false;
  Point p[5];
  p[0] = elements_[0].points[0];
  for (size_t i = 1; i <= lineCount; ++i) {
    if (elements_[i].type != PathElementType::LineTo) return false;
    p[i] = elements_[i].points[0];
  }
  if (lineCount == 4 && !(p[4] == p[0])) return false;
  const bool horizontalFirst = p[0].y == p[1].y && p[1].x == p[2].x && p[2].y == p[3].y && p[3].x == p[0].x;
  const bool verticalFirst = p[0].x == p[1].x && p[1].y == p[2].y && p[2].x == p[3].x && p[3].y == p[0].y;
  if (!horizontalFirst && !verticalFirst) return false;
  if (rect) {
    const double x0 = std::min(p[0].x, p[2].x), x1 = std::max(p[0].x, p[2].x);
    const double y0 = std::min(p[0].y, p[2].y), y1 = std::max(p[0].y, p[2].y);
    *rect = Rect(x0, y0, x1 - x0, y1 - y0);
  }
  return true;
}

}  // namespace platform

#pragma once
// Points, sizes, rectangles and affine transforms with the conventions of the
// 2D drawing platform the converter was designed on: row vectors, so a point
// maps as (x, y, 1) × [a b 0; c d 0; tx ty 1], and concat(t1, t2) applies t1
// first, then t2.
#include <cmath>

namespace platform {

struct Point {
  double x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  Point origin;
  Size size;

  Rect() = default;
  Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
  bool operator==(const Rect&) const = default;

  double minX() const { return std::fmin(origin.x, origin.x + size.width); }
  double minY() const { return std::fmin(origin.y, origin.y + size.height); }
  double maxX() const { return std::fmax(origin.x, origin.x + size.width); }
  double maxY() const { return std::fmax(origin.y, origin.y + size.height); }
  double width() const { return std::fabs(size.width); }
  double height() const { return std::fabs(size.height); }
  // Null: the platform's "no rectangle" (infinite origin), as the bounding box
  // of an empty path.
  bool isNull() const { return std::isinf(origin.x) || std::isinf(origin.y); }
  bool isEmpty() const { return isNull() || size.width == 0 || size.height == 0; }
  Rect standardized() const { return Rect(minX(), minY(), width(), height()); }
  Rect unite(const Rect& other) const;
  Rect intersect(const Rect& other) const;  // null when disjoint
  bool contains(Point p) const;
  static Rect null();
};

struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  bool operator==(const AffineTransform&) const = default;
  static AffineTransform identity() { return {}; }
  static AffineTransform translation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
  static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static AffineTransform rotation(double radians);

  bool isIdentity() const { return *this == AffineTransform{}; }
  double determinant() const { return a * d - b * c; }
  // The inverse; the transform itself when it is not invertible.
  AffineTransform inverted() const;
  // this × other: applies this transform first, then `other`.
  AffineTransform concat(const AffineTransform& other) const;
  // Transform applied after a translation / scale / rotation of its own input
  // space, as the platform's translate, scale and rotate calls do.
  AffineTransform translated(double x, double y) const;
  AffineTransform scaled(double sx, double sy) const;
  AffineTransform rotated(double radians) const;

  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  Size applyToSize(Size s) const { return {a * s.width + c * s.height, b * s.width + d * s.height}; }
  // Bounding box of the transformed rectangle.
  Rect applyToRect(const Rect& r) const;
};

// concat(t1, t2): t1 first, then t2.
inline AffineTransform concat(const AffineTransform& t1, const AffineTransform& t2) { return t1.concat(t2); }

}  // namespace platform

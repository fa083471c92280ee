#pragma once
// A vector path: subpaths of lines and Bézier curves, as the drawing platform
// holds them.
#include <span>
#include <vector>

#include "platform/geometry/geometry.h"

namespace platform {

enum class PathElementType { MoveTo = 0, LineTo = 1, QuadCurveTo = 2, CurveTo = 3, CloseSubpath = 4 };

struct PathElement {
  PathElementType type = PathElementType::MoveTo;
  Point points[3];  // 1 for move/line, 2 for quad (control, end), 3 for cubic, 0 for close
  int pointCount() const;
  bool operator==(const PathElement& other) const;
};

class Path {
 public:
  Path() = default;

  void moveTo(Point p);
  // A segment without a current point is refused, as the platform does.
  void lineTo(Point p);
  void quadCurveTo(Point control, Point end);
  void curveTo(Point c1, Point c2, Point end);
  void closeSubpath();
  // Closed subpath: move to (minX, minY), lines counter-clockwise, close.
  void addRect(const Rect& r);
  void addPath(const Path& other, const AffineTransform& t = {});

  bool isEmpty() const { return elements_.empty(); }
  bool hasCurrentPoint() const { return hasCurrentPoint_; }
  Point currentPoint() const { return currentPoint_; }
  const std::vector<PathElement>& elements() const { return elements_; }
  size_t subpathCount() const;

  Path transformed(const AffineTransform& t) const;
  // Tight bounding box of the painted geometry (curve extrema, not control
  // points); null rectangle for an empty path.
  Rect boundingBox() const;
  // Box of every point including control points (null for an empty path).
  Rect controlPointBox() const;
  // True when the path is one closed axis-aligned rectangle.
  bool isRect(Rect* rect = nullptr) const;

  bool operator==(const Path& other) const { return elements_ == other.elements_; }

 private:
  std::vector<PathElement> elements_;
  Point currentPoint_;
  Point subpathStart_;
  bool hasCurrentPoint_ = false;
};

}  // namespace platform

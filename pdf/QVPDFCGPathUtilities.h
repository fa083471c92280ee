#pragma once
// A path as a list of element records (type and points) and back, and the
// text forms of points, sizes, rectangles and transforms.
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/geometry/path.h"

// One path element: type 0 move, 1 line, 2 quadratic curve (control, end),
// 3 cubic curve (two controls, end), 4 close (no points).
struct QVPDFPathElementRecord {
  int type = 0;
  std::vector<platform::Point> points;
  bool operator==(const QVPDFPathElementRecord&) const = default;
};

// The element list of a path. `valid` stands first in the list's original
// form and readers skip it; itemCount() counts it, as that form does.
struct QVPDFPathElementArray {
  bool valid = true;
  std::vector<QVPDFPathElementRecord> elements;

  size_t itemCount() const { return elements.size() + 1; }
  bool operator==(const QVPDFPathElementArray&) const = default;
};

class QVPDFCGPathUtilities {
 public:
  QVPDFCGPathUtilities() = delete;

  // One record per element in path order; none when an element has a type
  // outside 0..4.
  static std::optional<QVPDFPathElementArray> NSArrayWithCGPath(const platform::Path& path);
  // The path the records describe; none when a record has a type outside 0..4
  // or fewer points than its type needs.
  static std::optional<platform::Path> CGPathWithNSArray(const QVPDFPathElementArray& array);
};

// "[x, y]", "[width, height]", "[x, y, width, height]" and
// "[a, b, c, d, tx, ty]", six decimals each, whatever the process locale.
std::string describePoint(platform::Point point);
std::string describeSize(platform::Size size);
std::string describeRect(const platform::Rect& rect);
std::string describeTransform(const platform::AffineTransform& transform);

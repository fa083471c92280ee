#include "pdf/QVPDFCGPathUtilities.h"

#include <initializer_list>

#include "platform/text/text.h"

namespace {

int pointsNeeded(int type) {
  switch (type) {
    case 0:
    case 1:
      return 1;
    case 2:
      return 2;
    case 3:
      return 3;
    case 4:
      return 0;
    default:
      return -1;
  }
}

std::string describeNumbers(std::initializer_list<double> values) {
  std::string out = "[";
  bool first = true;
  for (double v : values) {
    if (!first) out += ", ";
    first = false;
    platform::text::appendFixed(out, v, 6);
  }
  out += "]";
  return out;
}

}  // namespace

std::optional<QVPDFPathElementArray> QVPDFCGPathUtilities::NSArrayWithCGPath(const platform::Path& path) {
  QVPDFPathElementArray array;
  array.elements.reserve(path.elements().size());
  for (const platform::PathElement& e : path.elements()) {
    const int type = static_cast<int>(e.type);
    const int count = pointsNeeded(type);
    if (count < 0) {
      array.valid = false;
      continue;
    }
    array.elements.push_back({type, std::vector<platform::Point>(e.points, e.points + count)});
  }
  if (!array.valid) return std::nullopt;
  return array;
}

std::optional<platform::Path> QVPDFCGPathUtilities::CGPathWithNSArray(const QVPDFPathElementArray& array) {
  platform::Path path;
  for (const QVPDFPathElementRecord& record : array.elements) {
    const int needed = pointsNeeded(record.type);
    // A short point list would make the path read past the record.
    if (needed < 0 || record.points.size() < static_cast<size_t>(needed)) return std::nullopt;
    const auto& p = record.points;
    switch (record.type) {
      case 0:
        path.moveTo(p[0]);
        break;
      case 1:
        path.lineTo(p[0]);
        break;
      case 2:
        path.quadCurveTo(p[0], p[1]);
        break;
      case 3:
        path.curveTo(p[0], p[1], p[2]);
        break;
      case 4:
        path.closeSubpath();
        break;
    }
  }
  return path;
}

std::string describePoint(platform::Point point) { return describeNumbers({point.x, point.y}); }

std::string describeSize(platform::Size size) { return describeNumbers({size.width, size.height}); }

std::string describeRect(const platform::Rect& rect) {
  return describeNumbers({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
}

std::string describeTransform(const platform::AffineTransform& t) {
  return describeNumbers({t.a, t.b, t.c, t.d, t.tx, t.ty});
}

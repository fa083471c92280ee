#include "convert/QVPDF_CTMInfo.h"

#include <cmath>
#include <numbers>

using platform::AffineTransform;
using platform::Point;
using platform::Size;

namespace {

// The em box of a run sampled between two heights (fractions of the font
// size): its centre and the transformed lengths of its sides.
struct EmBox {
  Point centre;
  double width = 0;
  double height = 0;

  double top() const { return centre.y - height / 2; }
  double bottom() const { return centre.y + height / 2; }
  double left() const { return centre.x - width / 2; }
  double right() const { return centre.x + width / 2; }
};

double distance(Point p, Point q) { return std::hypot(q.x - p.x, q.y - p.y); }

EmBox sampleEmBox(double size, double lower, double upper, const AffineTransform& t) {
  const Point p0 = t.apply({0, lower * size});
  const Point p1 = t.apply({size, lower * size});
  const Point p2 = t.apply({size, upper * size});
  EmBox box;
  box.width = distance(p0, p1);
  box.height = distance(p1, p2);
  box.centre = {p0.x + (p2.x - p0.x) / 2, p0.y + (p2.y - p0.y) / 2};
  return box;
}

// Whole degrees of a direction in 0..360: the angle is taken in single
// precision, normalised, then rounded half away from zero, so a direction
// just below 360 rounds to 360 rather than 0.
double directionInDegrees(double dx, double dy) {
  const float radians = std::atan2(static_cast<float>(dy), static_cast<float>(dx));
  double degrees = static_cast<double>(radians) * 180.0 / std::numbers::pi;
  if (!std::isfinite(degrees)) return 0;
  while (degrees < 0) degrees += 360;
  while (degrees >= 360) degrees -= 360;
  return std::round(static_cast<float>(degrees));
}

double roundedSide(double length) { return std::round(static_cast<float>(length)); }

}  // namespace

AffineTransform QVPDF_PageTransformForRotation(double width, double height, int rotation) {
  int r = rotation % 360;
  if (r < 0) r += 360;
  AffineTransform t = AffineTransform::identity().translated(0, height).scaled(1, -1);
  switch (r) {
    case 90:
      t = t.translated(0, height).rotated(-std::numbers::pi / 2);
      break;
    case 180:
      t = t.translated(width, height).rotated(std::numbers::pi);
      break;
    case 270:
      t = t.translated(width, 0).rotated(std::numbers::pi / 2);
      break;
    default:
      break;
  }
  return t;
}

AffineTransform QVPDF_PageTransformForRotation(const platform::Rect& mediaBox, int rotation) {
  if (mediaBox.isNull()) return QVPDF_PageTransformForRotation(0.0, 0.0, rotation);
  return QVPDF_PageTransformForRotation(mediaBox.width(), mediaBox.height(), rotation)
      .translated(-mediaBox.minX(), -mediaBox.minY());
}

double QVPDF_CTMInfoRotation(double, double, double, const AffineTransform& t) {
  const Point origin = t.apply({0, 0});
  const Point unit = t.apply({1, 0});
  return directionInDegrees(unit.x - origin.x, unit.y - origin.y);
}

bool QVPDF_CTMInfoIsFlipped(double fontSize, double, double, const AffineTransform& t) {
  const Point a = t.apply({0, 0});
  const Point b = t.apply({fontSize, 0});
  const Point c = t.apply({fontSize, fontSize});
  const double k = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
  return static_cast<float>(k) > 0;
}

double QVPDF_CTMInfoYTop(double fontSize, const AffineTransform& t) { return sampleEmBox(fontSize, 0, 1, t).top(); }

double QVPDF_CTMInfoYAscent(double fontSize, double ascent, double, const AffineTransform& t) {
  return sampleEmBox(fontSize, 0, ascent, t).top();
}

double QVPDF_CTMInfoYBase(double fontSize, double, double descent, const AffineTransform& t) {
  return sampleEmBox(fontSize, descent, 0, t).top();
}

double QVPDF_CTMInfoYDescent(double fontSize, double, double descent, const AffineTransform& t) {
  return sampleEmBox(fontSize, descent, 0, t).bottom();
}

double QVPDF_CTMInfoYBottom(double fontSize, double, double descent, const AffineTransform& t) {
  return sampleEmBox(fontSize, descent, 0, t).bottom();
}

double QVPDF_CTMInfoXLeft(double fontSize, double ascent, double descent, const AffineTransform& t) {
  return sampleEmBox(fontSize, descent, ascent, t).left();
}

double QVPDF_CTMInfoXRight(double fontSize, double ascent, double descent, const AffineTransform& t) {
  return sampleEmBox(fontSize, descent, ascent, t).right();
}

Point QVPDF_CTMInfoTopLeft(double fontSize, double ascent, double descent, const AffineTransform& t) {
  const EmBox box = sampleEmBox(fontSize, descent, ascent, t);
  return {box.left(), box.top()};
}

Point QVPDF_CTMInfoBottomLeft(double fontSize, double ascent, double descent, const AffineTransform& t) {
  const EmBox box = sampleEmBox(fontSize, descent, ascent, t);
  return {box.left(), box.bottom()};
}

Point QVPDF_CTMInfoBottomRight(double fontSize, double ascent, double descent, const AffineTransform& t) {
  const EmBox box = sampleEmBox(fontSize, descent, ascent, t);
  return {box.right(), box.bottom()};
}

Size QVPDF_CTMInfoFontSize(double fontSize, double ascent, double descent, const AffineTransform& t) {
  const EmBox box = sampleEmBox(fontSize, descent, ascent, t);
  return {roundedSide(box.width), roundedSide(box.height)};
}

QVPDF_CTMInfo QVPDF_CTMInfoMake(double fontSize, double ascent, double descent, const AffineTransform& t) {
  // What the functions above tell one by one, from the four em boxes they
  // sample, each sampled once: this is asked of every string a page shows.
  const EmBox em = sampleEmBox(fontSize, 0, 1, t);
  const EmBox aboveBase = sampleEmBox(fontSize, 0, ascent, t);
  const EmBox belowBase = sampleEmBox(fontSize, descent, 0, t);
  const EmBox whole = sampleEmBox(fontSize, descent, ascent, t);
  QVPDF_CTMInfo info;
  info.rotation = static_cast<float>(QVPDF_CTMInfoRotation(fontSize, ascent, descent, t));
  info.flip = QVPDF_CTMInfoIsFlipped(fontSize, ascent, descent, t);
  info.yTop = em.top();
  info.yAscent = aboveBase.top();
  info.yBase = belowBase.top();
  info.yDescent = belowBase.bottom();
  info.yBottom = belowBase.bottom();
  info.xLeft = whole.left();
  info.xRight = whole.right();
  info.topLeft = {whole.left(), whole.top()};
  info.bottomLeft = {whole.left(), whole.bottom()};
  const Size size{roundedSide(whole.width), roundedSide(whole.height)};
  info.fontSize = {std::fmax(static_cast<float>(size.width), 8.0f), std::fmax(static_cast<float>(size.height), 8.0f)};
  return info;
}

double QVPDF_AngleBetweenPoints(double x1, double y1, double x2, double y2) {
  return directionInDegrees(x2 - x1, y2 - y1);
}

int QVPDF_PointQuadrant(double x1, double y1, double x2, double y2) {
  const bool right = x1 > x2;
  const bool below = y1 > y2;
  if (right && below) return 2;
  if (right) return 3;
  if (below) return 1;
  return 0;
}

platform::Point QVPDF_TextFrameOffset(double rotation, platform::Point from, platform::Point to) {
  const double radians = rotation * std::numbers::pi / 180.0;
  const double cosR = std::cos(radians), sinR = std::sin(radians);
  const double dx = to.x - from.x, dy = to.y - from.y;
  return {dx * cosR + dy * sinR, -dx * sinR + dy * cosR};
}

platform::Point QVPDF_DescentLineStart(double fontSize, double descent, const platform::AffineTransform& transform) {
  return transform.apply({0, descent * fontSize});
}

#include "pptx/QVPPTXImageInfo.h"

#include <cmath>

QVPPTXImageInfo QVPPTXImageInfo::initWithTransform(const platform::AffineTransform& transform, float opacity) {
  QVPPTXImageInfo info;
  info.setUpWithTransform(transform, opacity);
  return info;
}

QVPPTXImageInfo QVPPTXImageInfo::imageInfoWithCGPath(const platform::Path& path, int pixelWidth, int pixelHeight) {
  QVPPTXImageInfo info;
  info.opacity = 1.0f;
  info.rotation = 0;
  const platform::Rect box = path.boundingBox();
  if (!box.isNull()) {
    info.displayX = box.minX();
    info.displayY = box.minY();
  }
  info.displayWidth = pixelWidth;
  info.displayHeight = pixelHeight;
  return info;
}

void QVPPTXImageInfo::setUpWithTransform(const platform::AffineTransform& t, float opacityValue) {
  const platform::Point p0 = t.apply({0, 0});
  const platform::Point p1 = t.apply({1, 0});
  const platform::Point p2 = t.apply({1, 1});
  const platform::Point p3 = t.apply({0, 1});
  const platform::Point d1{p0.x - p1.x, p0.y - p1.y};
  const platform::Point d2{p1.x - p2.x, p1.y - p2.y};
  const double width = std::sqrt(d1.x * d1.x + d1.y * d1.y);
  const double height = std::sqrt(d2.x * d2.x + d2.y * d2.y);
  const platform::Point centre{p0.x + (p2.x - p0.x) / 2, p0.y + (p2.y - p0.y) / 2};

  // The direction of the image's x axis, from P0 to P1.
  const float radians = std::atan2(static_cast<float>(-d1.y), static_cast<float>(-d1.x));
  double degrees = static_cast<double>(radians) * 180.0 / 3.141592653589793;
  while (degrees < 0) degrees += 360;
  while (degrees >= 360) degrees -= 360;

  flipX = false;
  flipY = static_cast<float>(d1.x * d2.y - d2.x * d1.y) > 0;
  vertices_ = {p0, p1, p2, p3};
  displayX = centre.x - width / 2;
  displayY = centre.y - height / 2;
  displayWidth = width;
  displayHeight = height;
  rotation = static_cast<float>(degrees);
  opacity = opacityValue;
}

void QVPPTXImageInfo::setDisplayRect(const platform::Rect& rect) {
  displayX = rect.origin.x;
  displayY = rect.origin.y;
  displayWidth = rect.size.width;
  displayHeight = rect.size.height;
}

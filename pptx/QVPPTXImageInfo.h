#pragma once
// Placement of a picture on its slide, in display space (points, origin at
// the top left of the page as shown, y down).
#include <array>
#include <cstdint>
#include <string>

#include "platform/geometry/geometry.h"
#include "platform/geometry/path.h"

class QVPPTXImageInfo {
 public:
  QVPPTXImageInfo() = default;
  // A record placed by the image-space-to-display transform (the image fills
  // the unit square of image space), with the graphics state's opacity.
  static QVPPTXImageInfo initWithTransform(const platform::AffineTransform& transform, float opacity);
  // A record for a bitmap rendered from a display-space path: at the path's
  // top left, as large as the bitmap in pixels, opaque, unrotated.
  static QVPPTXImageInfo imageInfoWithCGPath(const platform::Path& path, int pixelWidth, int pixelHeight);

  // Corners, size, centre, rotation (degrees in [0, 360)) and vertical flip
  // from the transform; the opacity as given.
  void setUpWithTransform(const platform::AffineTransform& transform, float opacity);

  platform::Rect displayRect() const { return {displayX, displayY, displayWidth, displayHeight}; }
  void setDisplayRect(const platform::Rect& rect);
  const std::array<platform::Point, 4>& vertices() const { return vertices_; }

  std::string imageID;
  std::string imageTitle;
  int32_t pixelWidth = 0;
  int32_t pixelHeight = 0;
  float opacity = 1;
  float rotation = 0;
  bool flipX = false;
  bool flipY = false;
  platform::Point center;
  // The frame before rotation.
  double displayWidth = 0;
  double displayHeight = 0;
  double horizontalResolution = 0;
  double verticalResolution = 0;
  double displayX = 0;
  double displayY = 0;

 private:
  std::array<platform::Point, 4> vertices_{};
};

#pragma once
// Where a picture stands on the page (display space: points, origin at the
// page's top-left corner, y downward). The unrotated box (displayX,
// displayY, displayWidth, displayHeight) is centred on the picture's
// centre; rotation turns it clockwise about that centre and the flips
// mirror the image inside it.
#include <array>
#include <cstdint>
#include <string>

#include "platform/geometry/geometry.h"

struct QVDocxImageInfo {
  std::string imageID;     // resource name of the image (none for an inline image)
  std::string imageTitle;  // file name of the image the interpreter wrote
  int32_t pixelWidth = 0;
  int32_t pixelHeight = 0;
  float opacity = 1.0f;
  float rotation = 0.0f;  // degrees, 0 <= rotation < 360
  bool flipX = false;
  bool flipY = false;
  double displayWidth = 0;
  double displayHeight = 0;
  double displayX = 0;
  double displayY = 0;
  // The image's corners in display space: bottom-left, bottom-right,
  // top-right and top-left of the image.
  std::array<platform::Point, 4> vertices{};
};

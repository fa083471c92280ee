#pragma once
// A floating text box of quarter-turned text: where it stands on the page
// (display space, points) and how its frame is painted.
#include <cstdint>
#include <vector>

#include "platform/image/color.h"

struct QVDocxTextBoxInfo {
  double displayX = 0;  // top-left corner of the box's first string
  double displayY = 0;
  double displayWidth = 0;
  double displayHeight = 0;
  bool stroked = false;
  bool filled = false;
  double strokeweight = 1.0;
  std::vector<int64_t> strokeDashPattern;
  int64_t strokeDashPhase = 0;
  platform::Color strokecolor;
  platform::Color fillcolor;
  double rotation = 0;  // 90 or 270 degrees
};

#pragma once
// How a painted path of the page is drawn as a vector shape: its box in
// display space (points, y downward), fill and outline with their colours
// and opacities, line width and dashes.
#include <cstdint>
#include <vector>

#include "platform/image/color.h"

struct QVDocxPathInfo {
  bool filled = false;
  bool stroked = false;
  platform::Color fillcolor;
  platform::Color strokecolor;
  float fillAlpha = 0;
  float strokeAlpha = 0;
  double strokeweight = 0;  // points in display space
  std::vector<int64_t> strokeDashPattern;
  int64_t strokeDashPhase = 0;
  double displayWidth = 0;
  double displayHeight = 0;
  double displayX = 0;
  double displayY = 0;
};

#pragma once
// A text path: text at an angle other than a quarter turn, or mirrored, set
// along a straight line on the page (display space, points).
#include "docx/QVDocx.h"
#include "platform/image/color.h"

struct QVDocxTextPathInfo {
  double displayX = 0;
  double displayY = 0;
  double displayWidth = 0;
  double displayHeight = 0;  // the em height of its first string
  bool stroked = false;
  bool filled = true;
  double strokeweight = 1.0;
  platform::Color strokecolor;
  platform::Color fillcolor;
  float rotation = 0;  // direction of the text, whole degrees
  bool flipY = false;  // mirrored text
  bool trim = true;
  bool fitpath = false;
  QVDocx_RPr rProperty;  // of its first string
};

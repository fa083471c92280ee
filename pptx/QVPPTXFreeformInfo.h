#pragma once
// Placement and paint of a freeform (a painted vector path) on its slide, in
// display space (points, origin at the top left of the page as shown, y down).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/image/color.h"

class QVPPTXFreeformInfo {
 public:
  bool filled = false;
  bool stroked = false;
  // White when the path is not filled / not stroked.
  platform::Color fillcolor = platform::Color::rgb(1, 1, 1);
  platform::Color strokecolor = platform::Color::rgb(1, 1, 1);
  float fillAlpha = 1;
  float strokeAlpha = 1;
  // Line width in display points.
  double strokeweight = 0;
  // Dash and gap lengths in display points, the same unit as strokeweight
  // (a dash array of user space scaled like the line width). An odd number of
  // entries repeats once, as in PDF.
  std::vector<double> strokeDashPattern;
  int64_t strokeDashPhase = 0;
  // 0 butt, 1 round, 2 square.
  int32_t lineCap = 0;
  // The path's bounding box.
  double displayWidth = 0;
  double displayHeight = 0;
  double displayX = 0;
  double displayY = 0;

  platform::Point displayOrigin() const { return {displayX, displayY}; }
  platform::Rect displayRect() const { return {displayX, displayY, displayWidth, displayHeight}; }
  void setDisplayRect(const platform::Rect& rect);

  // The alpha of a paint that is used, 0 for one that is not.
  float effectiveFillAlpha() const { return filled ? fillAlpha : 0.0f; }
  float effectiveStrokeAlpha() const { return stroked ? strokeAlpha : 0.0f; }
  // Hex digits of the colour when that paint is used, "ffffff" otherwise.
  std::string fillcolorString() const;
  std::string strokecolorString() const;
  // "flat", "rnd", "sq"; none for another value.
  std::optional<std::string> lineCapString() const;
  // The preset name for the pattern by its number of dash-gap pairs: none or
  // empty "solid", 1 "dash", 2 "dashDot", 3 "lgDashDotDot", more "solid".
  std::string prstDashString() const;
  // The pattern as dash-gap pairs: an odd number of entries repeated once,
  // as PDF reads it; empty when there is nothing to dash (no entries, or
  // none above 0).
  std::vector<double> dashGapPattern() const;
  std::string strokeDashPhaseString() const;
  std::optional<std::string> strokeDashPatternString() const;
  std::string description() const { return {}; }
};

#pragma once
// Placement of a text box on its slide, in display space (points, origin at
// the top left of the page as shown, y down).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/image/color.h"

struct QVPPTXEdgeInsets {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;

  bool operator==(const QVPPTXEdgeInsets&) const = default;
};

class QVPPTXTextBoxInfo {
 public:
  bool filled = false;
  bool stroked = false;
  std::optional<platform::Color> fillcolor;
  std::optional<platform::Color> strokecolor;
  double strokeweight = 0;
  std::vector<double> strokeDashPattern;
  int64_t strokeDashPhase = 0;
  // The frame. For a box at 90 or 270 degrees width and height are those of
  // the rotated box as it stands on the page; the writer exchanges them.
  double displayWidth = 0;
  double displayHeight = 0;
  double displayX = 0;
  double displayY = 0;
  QVPPTXEdgeInsets textBoxMargin;
  // Degrees: 0, 90, 270 or any other angle.
  double rotation = 0;
  // Vertical writing: upright characters down a column, columns from right
  // to left. Width and height are then those of the box as it stands.
  bool eaVertical = false;

  platform::Rect textBoxRect() const { return {displayX, displayY, displayWidth, displayHeight}; }
  // Six hex digits of the colour; none for no colour.
  std::optional<std::string> fillcolorString() const;
  std::optional<std::string> strokecolorString() const;
  std::string strokeDashPhaseString() const;
  // The entries as whole numbers separated by one space; none when empty.
  std::optional<std::string> strokeDashPatternString() const;
  std::string description() const { return {}; }
};

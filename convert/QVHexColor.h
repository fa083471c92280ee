#pragma once
// Colours as the six lower-case hexadecimal digits that Office Open XML
// colour attributes take, the opaque white the path renderers paint
// backgrounds with, and the near-black test of the spreadsheet fills.
//
// Channels are read by the colour's model: RGB from its first three
// components, gray from its one component for all three, and any other model
// as black. A channel is the component × 255 rounded half away from zero;
// alpha never enters.
#include <optional>
#include <string>
#include <string_view>

#include "platform/image/color.h"

class QVHexColor {
 public:
  QVHexColor() = delete;

  // "RGB:(r, g, b)" with each component × 255 cut towards zero.
  static std::string colorRGBDeescription(const platform::Color& color);
  // "#rrggbb" (any first character) to an opaque RGB colour; nothing unless
  // the text has exactly 7 characters. A pair that does not read as hex
  // leaves its channel at 255.
  static std::optional<platform::Color> getRGBColorFromHex(std::string_view hex);
  // "rrggbb".
  static std::string getHexColorFromCGColor(const platform::Color& color);
  // Nothing for no colour.
  static std::optional<std::string> getHexColorFromCGColor(const std::optional<platform::Color>& color);
  // "000000" when every channel is above the threshold, else as above.
  static std::string getHexColorFromCGColor(const platform::Color& color, double threshold);
  static platform::Color whiteCGColor();
  // Every channel at most 10 of 255; false for no colour.
  static bool isBlackColor(const platform::Color& color);
  static bool isBlackColor(const std::optional<platform::Color>& color);
};

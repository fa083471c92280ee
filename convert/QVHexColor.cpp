#include "convert/QVHexColor.h"

#include <cmath>

#include "platform/text/text.h"

namespace {

struct Channels {
  long r = 0, g = 0, b = 0;
};

long toChannel(double component) {
  if (!std::isfinite(component)) return 0;
  return std::lround(std::fmax(-1.0, std::fmin(2.0, component)) * 255.0);
}

Channels channelsOf(const platform::Color& color) {
  switch (color.model) {
    case platform::ColorModel::RGB:
      return {toChannel(color.components[0]), toChannel(color.components[1]), toChannel(color.components[2])};
    case platform::ColorModel::Monochrome: {
      const long level = toChannel(color.components[0]);
      return {level, level, level};
    }
    default:
      return {};
  }
}

// A component outside 0..1 is clamped: colour attributes take exactly two
// digits per channel, and a longer value would make the part invalid.
void appendHexByte(std::string& out, long value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const long v = value < 0 ? 0 : (value > 255 ? 255 : value);
  out += kDigits[v / 16];
  out += kDigits[v % 16];
}

std::string hexOf(const Channels& c) {
  std::string out;
  out.reserve(6);
  appendHexByte(out, c.r);
  appendHexByte(out, c.g);
  appendHexByte(out, c.b);
  return out;
}

// Two hexadecimal digits; nothing when they are not both hex digits.
std::optional<int> readHexPair(std::string_view pair) {
  int value = 0;
  for (char ch : pair) {
    int digit;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    else if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
    else return std::nullopt;
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace

std::string QVHexColor::colorRGBDeescription(const platform::Color& color) {
  auto cut = [](double component) { return static_cast<int64_t>(component * 255.0); };
  return "RGB:(" + platform::text::formatInteger(cut(color.components[0])) + ", " +
         platform::text::formatInteger(cut(color.components[1])) + ", " +
         platform::text::formatInteger(cut(color.components[2])) + ")";
}

std::optional<platform::Color> QVHexColor::getRGBColorFromHex(std::string_view hex) {
  if (hex.size() != 7) return std::nullopt;
  const int r = readHexPair(hex.substr(1, 2)).value_or(255);
  const int g = readHexPair(hex.substr(3, 2)).value_or(255);
  const int b = readHexPair(hex.substr(5, 2)).value_or(255);
  return platform::Color::rgb(r / 255.0, g / 255.0, b / 255.0, 1.0);
}

std::string QVHexColor::getHexColorFromCGColor(const platform::Color& color) { return hexOf(channelsOf(color)); }

std::optional<std::string> QVHexColor::getHexColorFromCGColor(const std::optional<platform::Color>& color) {
  if (!color) return std::nullopt;
  return getHexColorFromCGColor(*color);
}

std::string QVHexColor::getHexColorFromCGColor(const platform::Color& color, double threshold) {
  const Channels c = channelsOf(color);
  if (c.r > threshold && c.g > threshold && c.b > threshold) return "000000";
  return hexOf(c);
}

platform::Color QVHexColor::whiteCGColor() { return platform::Color::rgb(1, 1, 1, 1); }

bool QVHexColor::isBlackColor(const platform::Color& color) {
  const Channels c = channelsOf(color);
  return c.r < 11 && c.g < 11 && c.b < 11;
}

bool QVHexColor::isBlackColor(const std::optional<platform::Color>& color) {
  return color.has_value() && isBlackColor(*color);
}

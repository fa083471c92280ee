#include "pdf/QVPDFColor.h"

#include <cmath>
#include <limits>

int32_t QVPDFTruncate(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  constexpr double kMin = std::numeric_limits<int32_t>::min();
  if (value >= kMax) return std::numeric_limits<int32_t>::max();
  if (value <= kMin) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

QVPDFRGBA QVPDFRGBA::fromRGB(const QVPDFRGB& rgb) {
  auto channel = [](int32_t v) { return static_cast<double>(static_cast<float>(v) / 255.0f); };
  return {channel(rgb.r), channel(rgb.g), channel(rgb.b), 1.0};
}

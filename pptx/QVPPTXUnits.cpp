#include "pptx/QVPPTXUnits.h"

#include <algorithm>
#include <cmath>

#include "platform/text/text.h"

namespace QVPPTXUnits {

double clamp(double value, double lo, double hi) {
  if (std::isnan(value)) return std::clamp(0.0, lo, hi);
  return std::clamp(value, lo, hi);
}

namespace {

int64_t rounded(double value, double lo, double hi) {
  // Rounded to nearest, halves to even, as a "%0.0f" format does; adding 0
  // turns a negative zero into zero, so "-0" is never written.
  return static_cast<int64_t>(std::nearbyint(clamp(value, lo, hi)) + 0.0);
}

}  // namespace

std::string whole(double value, double lo, double hi) {
  return platform::text::formatInteger(rounded(value, lo, hi));
}

std::string coordinate(double points) { return whole(points * kEMUPerPoint, kCoordinateMin, kCoordinateMax); }

void appendCoordinate(std::string& out, double points) {
  platform::text::appendInteger(out, rounded(points * kEMUPerPoint, kCoordinateMin, kCoordinateMax));
}

std::string positiveCoordinate(double points) { return whole(points * kEMUPerPoint, 0, kCoordinateMax); }

std::string angle(double degrees) { return whole(degrees * 60000.0, kIntMin, kIntMax); }

std::string fixedPercentage(double fraction) {
  // Computed in single precision, as the opacity fields are floats.
  const float product = static_cast<float>(fraction) * 100000.0f;
  return whole(product, 0, kFixedPercentageMax);
}

std::string dashPhaseString(int64_t phase) { return platform::text::formatInteger(phase); }

std::optional<std::string> dashPatternString(const std::vector<double>& pattern) {
  if (pattern.empty()) return std::nullopt;
  std::string text;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (i) text += ' ';
    const double v = pattern[i];
    int64_t whole = 0;
    if (std::isfinite(v) && std::fabs(v) < 9.2e18) whole = static_cast<int64_t>(v);
    platform::text::appendInteger(text, whole);
  }
  return text;
}

}  // namespace QVPPTXUnits

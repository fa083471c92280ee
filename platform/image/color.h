#pragma once
// A device colour as the drawing layer and the writers see it: the model of
// its colour space, the model's components on 0..1, and an alpha.
#include <array>
#include <cstddef>

namespace platform {

enum class ColorModel { Monochrome, RGB, CMYK, Other };

struct Color {
  ColorModel model = ColorModel::RGB;
  // Gray uses [0]; RGB [0..2]; CMYK [0..3]. Unused entries stay 0.
  std::array<double, 4> components{0, 0, 0, 0};
  double alpha = 1;

  bool operator==(const Color&) const = default;

  static Color rgb(double r, double g, double b, double alpha = 1) {
    return {ColorModel::RGB, {r, g, b, 0}, alpha};
  }
  static Color gray(double level, double alpha = 1) { return {ColorModel::Monochrome, {level, 0, 0, 0}, alpha}; }
  static Color cmyk(double c, double m, double y, double k, double alpha = 1) {
    return {ColorModel::CMYK, {c, m, y, k}, alpha};
  }
};

}  // namespace platform

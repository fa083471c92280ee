#include "pdf/QVPDFDeviceCMYKColorSpace.h"

namespace {

// The RGB appearance of each corner of the ink cube, indexed by the inks
// present: bit 3 cyan, bit 2 magenta, bit 1 yellow, bit 0 black.
constexpr double kCorners[16][3] = {
    {1, 1, 1},                 // 0 0 0 0
    {0.1373, 0.1216, 0.1255},  // 0 0 0 1
    {1, 0.949, 0},             // 0 0 1 0
    {0.1098, 0.102, 0},        // 0 0 1 1
    {0.9255, 0, 0.549},        // 0 1 0 0
    {0.1412, 0, 0},            // 0 1 0 1
    {0.9294, 0.1098, 0.1412},  // 0 1 1 0
    {0.1333, 0, 0},            // 0 1 1 1
    {0, 0.6784, 0.9373},       // 1 0 0 0
    {0, 0.0588, 0.1412},       // 1 0 0 1
    {0, 0.651, 0.3137},        // 1 0 1 0
    {0, 0.0745, 0},            // 1 0 1 1
    {0.1804, 0.1922, 0.5725},  // 1 1 0 0
    {0, 0, 0.0078},            // 1 1 0 1
    {0.2118, 0.2119, 0.2235},  // 1 1 1 0
    {0, 0, 0},                 // 1 1 1 1
};

}  // namespace

QVPDFColor QVPDFDeviceCMYKColorSpace::getDefaultColor() const {
  QVPDFColor color;
  color.c[3] = 255;
  return color;
}

int32_t QVPDFDeviceCMYKColorSpace::getGray(const QVPDFColor& color) const {
  const double c = color.c[0], m = color.c[1], y = color.c[2], k = color.c[3];
  return QVPDFClampComponent(QVPDFTruncate(255.0 - k - 0.3 * c - 0.59 * m - 0.11 * y + 0.5));
}

QVPDFRGB QVPDFDeviceCMYKColorSpace::getRGB(const QVPDFColor& color) const {
  const double ink[4] = {color.c[0] / 255.0, color.c[1] / 255.0, color.c[2] / 255.0, color.c[3] / 255.0};
  double r = 0, g = 0, b = 0;
  for (int corner = 0; corner < 16; ++corner) {
    double w = 1.0;
    for (int i = 0; i < 4; ++i) {
      const bool present = (corner >> (3 - i)) & 1;
      w *= present ? ink[i] : 1.0 - ink[i];
    }
    r += w * kCorners[corner][0];
    g += w * kCorners[corner][1];
    b += w * kCorners[corner][2];
  }
  return {QVPDFClampComponent(QVPDFTruncate(255.0 * r)), QVPDFClampComponent(QVPDFTruncate(255.0 * g)),
          QVPDFClampComponent(QVPDFTruncate(255.0 * b))};
}

QVPDFCMYK QVPDFDeviceCMYKColorSpace::getCMYK(const QVPDFColor& color) const {
  return {QVPDFClampComponent(color.c[0]), QVPDFClampComponent(color.c[1]), QVPDFClampComponent(color.c[2]),
          QVPDFClampComponent(color.c[3])};
}

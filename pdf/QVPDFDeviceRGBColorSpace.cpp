#include "pdf/QVPDFDeviceRGBColorSpace.h"

int32_t QVPDFDeviceRGBColorSpace::grayFromRGB(const QVPDFColor& color, double wr, double wg, double wb) {
  return QVPDFClampComponent(QVPDFTruncate(wr * color.c[0] + wg * color.c[1] + wb * color.c[2] + 0.5));
}

int32_t QVPDFDeviceRGBColorSpace::getGray(const QVPDFColor& color) const {
  return grayFromRGB(color, 0.3, 0.59, 0.11);
}

QVPDFRGB QVPDFDeviceRGBColorSpace::getRGB(const QVPDFColor& color) const {
  return {QVPDFClampComponent(color.c[0]), QVPDFClampComponent(color.c[1]), QVPDFClampComponent(color.c[2])};
}

QVPDFCMYK QVPDFDeviceRGBColorSpace::getCMYK(const QVPDFColor& color) const {
  return cmykFromRGB({color.c[0], color.c[1], color.c[2]});
}

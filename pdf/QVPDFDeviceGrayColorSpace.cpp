#include "pdf/QVPDFDeviceGrayColorSpace.h"

int32_t QVPDFDeviceGrayColorSpace::getGray(const QVPDFColor& color) const { return QVPDFClampComponent(color.c[0]); }

QVPDFRGB QVPDFDeviceGrayColorSpace::getRGB(const QVPDFColor& color) const {
  int32_t gray = getGray(color);
  return {gray, gray, gray};
}

QVPDFCMYK QVPDFDeviceGrayColorSpace::getCMYK(const QVPDFColor& color) const {
  return {0, 0, 0, QVPDFClampComponent(255 - int64_t{color.c[0]})};
}

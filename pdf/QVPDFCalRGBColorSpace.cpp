#include "pdf/QVPDFCalRGBColorSpace.h"

#include "pdf/QVPDFCalGrayColorSpace.h"
#include "pdf/QVPDFDeviceRGBColorSpace.h"

bool QVPDFCalRGBColorSpace::parse(const platform::PdfObject& object, QVPDFParseBudget&) {
  platform::PdfObject dict = object.at(1);
  if (!dict.isDictionary()) return false;
  QVPDFReadTristimulus(dict, "WhitePoint", 1.0, whiteX_, whiteY_, whiteZ_);
  QVPDFReadTristimulus(dict, "BlackPoint", 0.0, blackX_, blackY_, blackZ_);
  QVPDFReadTristimulus(dict, "Gamma", 1.0, gammaR_, gammaG_, gammaB_);
  platform::PdfObject matrix = dict.get("Matrix");
  if (matrix.isArray() && matrix.size() == 9) {
    for (size_t i = 0; i < 9; ++i)
      if (auto v = matrix.at(i).asNumber()) mat_[i] = *v;
  }
  return true;
}

int32_t QVPDFCalRGBColorSpace::getGray(const QVPDFColor& color) const {
  return QVPDFDeviceRGBColorSpace::grayFromRGB(color, 0.299, 0.587, 0.114);
}

QVPDFRGB QVPDFCalRGBColorSpace::getRGB(const QVPDFColor& color) const {
  return {QVPDFClampComponent(color.c[0]), QVPDFClampComponent(color.c[1]), QVPDFClampComponent(color.c[2])};
}

QVPDFCMYK QVPDFCalRGBColorSpace::getCMYK(const QVPDFColor& color) const {
  return cmykFromRGB({color.c[0], color.c[1], color.c[2]});
}

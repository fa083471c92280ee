#include "pdf/QVPDFCalGrayColorSpace.h"

void QVPDFReadTristimulus(const platform::PdfObject& dict, std::string_view key, double start, double& x, double& y,
                          double& z) {
  platform::PdfObject point = dict.get(key);
  if (!point.isArray() || point.size() != 3) return;
  double value = start;
  double* fields[3] = {&x, &y, &z};
  for (size_t i = 0; i < 3; ++i) {
    if (auto v = point.at(i).asNumber()) value = *v;
    *fields[i] = value;
  }
}

bool QVPDFCalGrayColorSpace::parse(const platform::PdfObject& object, QVPDFParseBudget&) {
  platform::PdfObject dict = object.at(1);
  if (!dict.isDictionary()) return false;
  QVPDFReadTristimulus(dict, "WhitePoint", 1.0, whiteX_, whiteY_, whiteZ_);
  QVPDFReadTristimulus(dict, "BlackPoint", 0.0, blackX_, blackY_, blackZ_);
  if (auto g = dict.getNumber("Gamma")) gamma_ = *g;
  return true;
}

int32_t QVPDFCalGrayColorSpace::getGray(const QVPDFColor& color) const { return QVPDFClampComponent(color.c[0]); }

QVPDFRGB QVPDFCalGrayColorSpace::getRGB(const QVPDFColor& color) const {
  int32_t gray = getGray(color);
  return {gray, gray, gray};
}

QVPDFCMYK QVPDFCalGrayColorSpace::getCMYK(const QVPDFColor& color) const {
  return {0, 0, 0, QVPDFClampComponent(255 - int64_t{color.c[0]})};
}

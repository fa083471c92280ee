#include "pdf/QVPDFLabColorSpace.h"

#include <cmath>

#include "pdf/QVPDFCalGrayColorSpace.h"
#include "pdf/QVPDFDeviceRGBColorSpace.h"

namespace {

double labF(double t) {
  return t >= 6.0 / 29.0 ? t * t * t : (108.0 / 841.0) * (t - 4.0 / 29.0);
}

// The reciprocal of a white point's linear response, so that the white
// point maps to full intensity; 1 where the white point gives no response.
double reciprocal(double v) {
  double r = 1.0 / v;
  return std::isfinite(r) ? r : 1.0;
}

int32_t labComponent(double v) {
  if (!(v > 0)) v = 0;
  if (v > 1) v = 1;
  return QVPDFTruncate(255.0 * std::sqrt(v));
}

int32_t defaultLabComponent(double min, double max) {
  if (min > 0) return QVPDFTruncate(255.0 * min);
  if (max < 0) return QVPDFTruncate(255.0 * max);
  return 0;
}

}  // namespace

bool QVPDFLabColorSpace::parse(const platform::PdfObject& object, QVPDFParseBudget&) {
  platform::PdfObject dict = object.at(1);
  if (!dict.isDictionary()) return false;
  QVPDFReadTristimulus(dict, "WhitePoint", 1.0, whiteX_, whiteY_, whiteZ_);
  QVPDFReadTristimulus(dict, "BlackPoint", 0.0, blackX_, blackY_, blackZ_);
  platform::PdfObject range = dict.get("Range");
  if (range.isArray() && range.size() == 4) {
    double value = 0.0;
    double* fields[4] = {&aMin_, &aMax_, &bMin_, &bMax_};
    for (size_t i = 0; i < 4; ++i) {
      if (auto v = range.at(i).asNumber()) value = *v;
      *fields[i] = value;
    }
  }
  kr_ = reciprocal(3.240449 * whiteX_ - 1.537136 * whiteY_ - 0.498531 * whiteZ_);
  kg_ = reciprocal(-0.969265 * whiteX_ + 1.876011 * whiteY_ + 0.041556 * whiteZ_);
  kb_ = reciprocal(0.055643 * whiteX_ - 0.204026 * whiteY_ + 1.057229 * whiteZ_);
  return true;
}

QVPDFColor QVPDFLabColorSpace::getDefaultColor() const {
  QVPDFColor color;
  color.c[1] = defaultLabComponent(aMin_, aMax_);
  color.c[2] = defaultLabComponent(bMin_, bMax_);
  return color;
}

QVPDFRGB QVPDFLabColorSpace::getRGB(const QVPDFColor& color) const {
  const double l = color.c[0] / 255.0, a = color.c[1] / 255.0, b = color.c[2] / 255.0;
  const double t1 = (l + 16.0) / 116.0;
  const double t2 = t1 + a / 500.0;
  const double t3 = t1 - b / 200.0;
  const double x = whiteX_ * labF(t2);
  const double y = whiteY_ * labF(t1);
  const double z = whiteZ_ * labF(t3);
  const double r = 3.240449 * x - 1.537136 * y - 0.498531 * z;
  const double g = -0.969265 * x + 1.876011 * y + 0.041556 * z;
  const double bl = 0.055643 * x - 0.204026 * y + 1.057229 * z;
  return {labComponent(r * kr_), labComponent(g * kg_), labComponent(bl * kb_)};
}

int32_t QVPDFLabColorSpace::getGray(const QVPDFColor& color) const {
  QVPDFRGB rgb = getRGB(color);
  QVPDFColor asRGB;
  asRGB.c[0] = rgb.r;
  asRGB.c[1] = rgb.g;
  asRGB.c[2] = rgb.b;
  return QVPDFDeviceRGBColorSpace::grayFromRGB(asRGB, 0.3, 0.59, 0.11);
}

QVPDFCMYK QVPDFLabColorSpace::getCMYK(const QVPDFColor& color) const { return cmykFromRGB(getRGB(color)); }

QVPDFFunction::Interval QVPDFLabColorSpace::componentRange(int component) const {
  if (component == 0) return {0.0, 100.0};
  if (component == 1) return {aMin_, aMax_};
  if (component == 2) return {bMin_, bMax_};
  return {0.0, 1.0};
}

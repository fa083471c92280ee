#include "pdf/QVPDFICCBasedColorSpace.h"

#include <algorithm>

#include "pdf/QVPDFDeviceCMYKColorSpace.h"
#include "pdf/QVPDFDeviceGrayColorSpace.h"
#include "pdf/QVPDFDeviceRGBColorSpace.h"

bool QVPDFICCBasedColorSpace::parse(const platform::PdfObject& object, QVPDFParseBudget& budget) {
  platform::PdfObject stream = object.at(1);
  if (!stream.isStream()) return false;
  iccProfileStream_ = stream;
  auto n = stream.getInteger("N");
  // A space with no components could take no colour at all.
  if (!n || *n < 1) return false;
  const int64_t count = std::min<int64_t>(*n, kMaxComponents);
  nComps_ = count;

  std::shared_ptr<const QVPDFColorSpace> alt;
  platform::PdfObject alternate = stream.get("Alternate");
  if (!alternate.isNull()) alt = colorSpaceWithObject(alternate, budget);
  if (!alt) {
    if (count == 1) alt = deviceGray();
    else if (count == 3) alt = deviceRGB();
    else if (count == 4) alt = deviceCMYK();
    else return false;
  }
  alt_ = std::move(alt);

  platform::PdfObject range = stream.get("Range");
  if (range.isArray() && range.size() == static_cast<size_t>(2 * count)) {
    for (int64_t i = 0; i < count; ++i) {
      if (auto lo = range.at(static_cast<size_t>(2 * i)).asNumber()) rangeMin_[i] = *lo;
      if (auto hi = range.at(static_cast<size_t>(2 * i + 1)).asNumber()) rangeMax_[i] = *hi;
    }
  }
  return true;
}

QVPDFColor QVPDFICCBasedColorSpace::getDefaultColor() const {
  QVPDFColor color;
  for (int64_t i = 0; i < nComps_; ++i) {
    if (rangeMin_[i] > 0) color.c[i] = QVPDFTruncate(255.0 * rangeMin_[i]);
    else if (rangeMax_[i] < 0) color.c[i] = QVPDFTruncate(255.0 * rangeMax_[i]);
  }
  return color;
}

int32_t QVPDFICCBasedColorSpace::getGray(const QVPDFColor& color) const { return alt_ ? alt_->getGray(color) : 0; }

QVPDFRGB QVPDFICCBasedColorSpace::getRGB(const QVPDFColor& color) const {
  return alt_ ? alt_->getRGB(color) : QVPDFRGB{};
}

QVPDFCMYK QVPDFICCBasedColorSpace::getCMYK(const QVPDFColor& color) const {
  return alt_ ? alt_->getCMYK(color) : QVPDFCMYK{};
}

QVPDFFunction::Interval QVPDFICCBasedColorSpace::componentRange(int component) const {
  if (component < 0 || component >= kMaxComponents) return {0.0, 1.0};
  return {rangeMin_[component], rangeMax_[component]};
}

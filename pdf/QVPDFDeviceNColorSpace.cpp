#include "pdf/QVPDFDeviceNColorSpace.h"

#include <algorithm>

#include "pdf/QVPDFSeparationColorSpace.h"

bool QVPDFDeviceNColorSpace::parse(const platform::PdfObject& object, QVPDFParseBudget& budget) {
  if (object.size() != 4 && object.size() != 5) return false;
  platform::PdfObject names = object.at(1);
  if (!names.isArray()) return false;
  const int32_t count = static_cast<int32_t>(std::min<size_t>(names.size(), kMaxComponents));
  auto alt = colorSpaceWithObject(object.at(2), budget);
  if (!alt) return false;
  auto func = QVPDFFunction::funtionWithObject(object.at(3), budget);
  if (!func) return false;
  nComps_ = count;
  alt_ = std::move(alt);
  func_ = std::move(func);
  return true;
}

int32_t QVPDFDeviceNColorSpace::getGray(const QVPDFColor& color) const {
  if (!alt_ || !func_) return 0;
  return alt_->getGray(QVPDFTintTransform(color, nComps_, *func_, *alt_));
}

QVPDFRGB QVPDFDeviceNColorSpace::getRGB(const QVPDFColor& color) const {
  if (!alt_ || !func_) return {};
  return alt_->getRGB(QVPDFTintTransform(color, nComps_, *func_, *alt_));
}

QVPDFCMYK QVPDFDeviceNColorSpace::getCMYK(const QVPDFColor& color) const {
  if (!alt_ || !func_) return {};
  return alt_->getCMYK(QVPDFTintTransform(color, nComps_, *func_, *alt_));
}

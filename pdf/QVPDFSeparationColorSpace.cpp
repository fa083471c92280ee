#include "pdf/QVPDFSeparationColorSpace.h"

#include <algorithm>

QVPDFColor QVPDFTintTransform(const QVPDFColor& color, int inputs, const QVPDFFunction& func,
                              const QVPDFColorSpace& alt) {
  QVPDFFunctionValues in{};
  const int count = std::clamp(inputs, 0, QVPDFFunction::kMaxValues);
  for (int i = 0; i < count; ++i) in[i] = color.c[i] / 255.0;
  QVPDFFunctionValues out{};
  func.transformInput(in, out);
  QVPDFColor result;
  const int outputs = std::clamp(alt.getNComps(), 0, QVPDFColor::kMaxComponents);
  for (int j = 0; j < outputs; ++j) result.c[j] = QVPDFTruncate(255.0 * out[j]);
  return result;
}

bool QVPDFSeparationColorSpace::parse(const platform::PdfObject& object, QVPDFParseBudget& budget) {
  if (object.size() != 4) return false;
  auto name = object.at(1).asName();
  if (!name) return false;
  auto alt = colorSpaceWithObject(object.at(2), budget);
  if (!alt) return false;
  auto func = QVPDFFunction::funtionWithObject(object.at(3), budget);
  if (!func) return false;
  name_ = std::move(*name);
  alt_ = std::move(alt);
  func_ = std::move(func);
  return true;
}

int32_t QVPDFSeparationColorSpace::getGray(const QVPDFColor& color) const {
  if (!alt_ || !func_) return 0;
  return alt_->getGray(QVPDFTintTransform(color, 1, *func_, *alt_));
}

QVPDFRGB QVPDFSeparationColorSpace::getRGB(const QVPDFColor& color) const {
  if (!alt_ || !func_) return {};
  return alt_->getRGB(QVPDFTintTransform(color, 1, *func_, *alt_));
}

QVPDFCMYK QVPDFSeparationColorSpace::getCMYK(const QVPDFColor& color) const {
  if (!alt_ || !func_) return {};
  return alt_->getCMYK(QVPDFTintTransform(color, 1, *func_, *alt_));
}

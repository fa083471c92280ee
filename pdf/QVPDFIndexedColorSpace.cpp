#include "pdf/QVPDFIndexedColorSpace.h"

#include <algorithm>

bool QVPDFIndexedColorSpace::parse(const platform::PdfObject& object, QVPDFParseBudget& budget) {
  if (object.size() != 4) return false;
  std::shared_ptr<const QVPDFColorSpace> base = colorSpaceWithObject(object.at(1), budget);
  if (!base) return false;
  auto high = object.at(2).asInteger();
  if (!high || *high < 0 || *high > kMaxIndexHigh) return false;

  const int64_t components = std::max(base->getNComps(), 0);
  const size_t needed = static_cast<size_t>((*high + 1) * components);
  platform::PdfObject table = object.at(3);
  std::string bytes;
  if (table.isString()) {
    bytes = table.asString().value_or(std::string());
  } else if (table.isStream()) {
    try {
      // Only the entries the table needs are decoded, however long the stream.
      bytes = table.decodedPrefix(needed);
    } catch (const std::exception&) {
      return false;
    }
  } else {
    return false;
  }
  if (bytes.size() < needed) return false;
  bytes.resize(needed);

  base_ = std::move(base);
  indexHigh_ = *high;
  lookup_ = std::move(bytes);
  return true;
}

QVPDFColor QVPDFIndexedColorSpace::mapColorQVPDFColor(const QVPDFColor& color, QVPDFColor base) const {
  if (!base_) return base;
  const int n = std::min(base_->getNComps(), QVPDFColor::kMaxComponents);
  if (n <= 0) return base;
  int64_t index = QVPDFTruncate(color.c[0] / 255.0 + 0.5);
  if (index < 0) index = 0;
  if (index > indexHigh_) index = indexHigh_;
  const auto* entry = reinterpret_cast<const unsigned char*>(lookup_.data()) + index * n;
  for (int i = 0; i < n; ++i) {
    const QVPDFFunction::Interval range = base_->componentRange(i);
    const double low = range.min;
    const double span = range.max - range.min;
    base.c[i] = QVPDFTruncate((entry[i] / 255.0 * span + low) * 255.0);
  }
  return base;
}

void QVPDFIndexedColorSpace::getDefaultRanges(std::span<double> low, std::span<double> range, int maxImgPixel) {
  if (!low.empty()) low[0] = 0;
  if (!range.empty()) range[0] = maxImgPixel;
}

int32_t QVPDFIndexedColorSpace::getGray(const QVPDFColor& color) const {
  return base_ ? base_->getGray(mapColorQVPDFColor(color, {})) : 0;
}

QVPDFRGB QVPDFIndexedColorSpace::getRGB(const QVPDFColor& color) const {
  return base_ ? base_->getRGB(mapColorQVPDFColor(color, {})) : QVPDFRGB{};
}

QVPDFCMYK QVPDFIndexedColorSpace::getCMYK(const QVPDFColor& color) const {
  return base_ ? base_->getCMYK(mapColorQVPDFColor(color, {})) : QVPDFCMYK{};
}

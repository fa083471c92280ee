#include "pdf/QVPDFImageXObject.h"

#include <algorithm>
#include <cmath>

#include "pdf/QVPDFUtilities.h"

QVPDFImageXObject::QVPDFImageXObject(platform::PdfObject stream, platform::PdfObject colorSpaceResources)
    : QVPDFXObject(std::move(stream)), colorSpaceResources_(std::move(colorSpaceResources)) {
  const platform::PdfObject dict = xObjectDictionary();
  auto dimension = [&](std::string_view key, std::string_view abbreviation) {
    auto v = dict.getNumber(key);
    if (!v) v = dict.getNumber(abbreviation);
    return v && *v > 0 ? *v : 0.0;
  };
  pixelSize_ = {dimension("Width", "W"), dimension("Height", "H")};
  auto mask = dict.getBoolean("ImageMask");
  if (!mask) mask = dict.getBoolean("IM");
  imageMask_ = mask.value_or(false);
}

std::shared_ptr<QVPDFImageXObject> QVPDFImageXObject::inlineImage(const platform::PdfObject& stream,
                                                                  const platform::PdfObject& colorSpaceResources) {
  if (!stream.isStream()) return nullptr;
  return std::make_shared<QVPDFImageXObject>(stream, colorSpaceResources);
}

const QVPDFImageFile& QVPDFImageXObject::imageFile(const QVPDFRGB& fillColor, platform::Size shownSize) {
  static const QVPDFImageFile kNone;
  if (failed_) return kNone;
  // The pixels wanted each way (0: all of them).
  const auto wanted = [](double points, double own) {
    const double pixels = std::ceil(points * kPixelsPerPoint - 1e-6);
    if (!(pixels > 0) || !std::isfinite(pixels) || !(own > 0) || pixels >= own) return 0;
    return std::max(1, static_cast<int>(pixels));
  };
  const int wantedWidth = wanted(shownSize.width, pixelSize_.width);
  const int wantedHeight = wanted(shownSize.height, pixelSize_.height);
  // Only a stencil mask looks different in another colour.
  const auto key = imageMask_ ? std::make_tuple(fillColor.r, fillColor.g, fillColor.b) : std::make_tuple(0, 0, 0);
  const auto it = files_.find(key);
  if (it != files_.end()) {
    const auto& [width, height] = reductions_[key];
    // A file made at least as large each way serves.
    const auto holds = [](int made, int asked) { return made == 0 || (asked != 0 && made >= asked); };
    if (holds(width, wantedWidth) && holds(height, wantedHeight)) {
      lastFile_ = it->second;
      return it->second;
    }
  }
  QVPDFImageExtractionOptions options;
  options.jpegQuality = kJpegQuality;
  options.fillColor = fillColor;
  if (it != files_.end()) {
    // Drawn larger than before: the larger of the two sizes each way.
    const auto& [width, height] = reductions_[key];
    options.maxWidth = width == 0 || wantedWidth == 0 ? 0 : std::max(width, wantedWidth);
    options.maxHeight = height == 0 || wantedHeight == 0 ? 0 : std::max(height, wantedHeight);
  } else {
    options.maxWidth = wantedWidth;
    options.maxHeight = wantedHeight;
  }
  QVPDFImageFile made = QVPDFUtilities::extractPDFStream(xObjectStream(), colorSpaceResources_, options);
  if (made.empty()) {
    // Reported once; later draws of the same image stay silent.
    failed_ = true;
    return kNone;
  }
  lastFile_ = made;
  reductions_[key] = {options.maxWidth, options.maxHeight};
  return files_.insert_or_assign(key, std::move(made)).first->second;
}

#include "pdf/QVPDFImageXObject.h"

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

const QVPDFImageFile& QVPDFImageXObject::imageFile(const QVPDFRGB& fillColor) {
  static const QVPDFImageFile kNone;
  if (failed_) return kNone;
  // Only a stencil mask looks different in another colour.
  const auto key = imageMask_ ? std::make_tuple(fillColor.r, fillColor.g, fillColor.b) : std::make_tuple(0, 0, 0);
  if (auto it = files_.find(key); it != files_.end()) {
    lastFile_ = it->second;
    return it->second;
  }
  QVPDFImageExtractionOptions options;
  options.jpegQuality = kJpegQuality;
  options.fillColor = fillColor;
  QVPDFImageFile made = QVPDFUtilities::extractPDFStream(xObjectStream(), colorSpaceResources_, options);
  if (made.empty()) {
    // Reported once; later draws of the same image stay silent.
    failed_ = true;
    return kNone;
  }
  lastFile_ = made;
  return files_.emplace(key, std::move(made)).first->second;
}

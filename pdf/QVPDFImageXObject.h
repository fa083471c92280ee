#pragma once
#include <map>
#include <memory>
#include <tuple>
#include <string>

#include "pdf/QVPDFColor.h"
#include "pdf/QVPDFXObject.h"

// An image XObject or an inline image. Its file is written lazily: the first
// imagePath() decodes the image and writes it to the conversion's work folder
// (platform::fs::currentWorkFolder()) as PNG, or as JPEG for DCT data drawn
// without a mask. An image that is never drawn is never written.
class QVPDFImageXObject : public QVPDFXObject {
 public:
  static constexpr float kJpegQuality = 0.92f;

  // `colorSpaceResources`: the /ColorSpace resource dictionary of the content
  // that draws the image (null when none); a colour space given by a name
  // that is no device space is looked up there.
  QVPDFImageXObject(platform::PdfObject stream, platform::PdfObject colorSpaceResources);
  // An inline image (the scanner's stream at EI); objectID stays empty.
  static std::shared_ptr<QVPDFImageXObject> inlineImage(const platform::PdfObject& stream,
                                                        const platform::PdfObject& colorSpaceResources);

  int getType() const override { return kTypeImage; }

  // The path of the image file, written on the first call; "" when the
  // image cannot be decoded (reported once on standard error). A stencil
  // mask (/ImageMask true) is painted in `fillColor` (0..255, the current
  // fill colour where it is drawn) on a transparent ground, and each fill
  // colour gets its own file; other images ignore the colour.
  const std::string& imagePath(const QVPDFRGB& fillColor = {});
  // The path of the last file written ("" before the first imagePath() or
  // when it failed).
  const std::string& cachedImagePath() const { return lastPath_; }

  // /Width and /Height of the dictionary (0 x 0 when missing), known
  // without decoding.
  platform::Size pixelSize() const { return pixelSize_; }
  bool isImageMask() const { return imageMask_; }

 private:
  platform::PdfObject colorSpaceResources_;
  platform::Size pixelSize_;
  bool imageMask_ = false;
  bool failed_ = false;
  // Stencil masks: one file per fill colour; other images: one entry.
  std::map<std::tuple<int32_t, int32_t, int32_t>, std::string> paths_;
  std::string lastPath_;
};

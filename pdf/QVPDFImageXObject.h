#pragma once
#include <map>
#include <memory>
#include <tuple>
#include <string>

#include "pdf/QVPDFColor.h"
#include "pdf/QVPDFImageFile.h"
#include "pdf/QVPDFXObject.h"

// An image XObject or an inline image. It is decoded when it is first drawn:
// the first imageFile() decodes the image and encodes it in memory as PNG, or
// as JPEG for DCT data drawn without a mask. An image that is never drawn is
// never decoded.
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

  // The image file, made on the first call; empty when the image cannot be
  // decoded (reported once on standard error). A stencil mask (/ImageMask
  // true) is painted in `fillColor` (0..255, the current fill colour where
  // it is drawn) on a transparent ground, and each fill colour gets its own
  // file; other images ignore the colour.
  //
  // `shownSize`: the size the image is drawn at, in display points (empty:
  // unknown). The picture keeps at most kPixelsPerPoint pixels a point of
  // it, or its own size where that is smaller; a later draw that needs more
  // pixels than the file made for an earlier one makes it again.
  const QVPDFImageFile& imageFile(const QVPDFRGB& fillColor = {}, platform::Size shownSize = {});
  // The resolution pictures keep: 300 pixels an inch.
  static constexpr double kPixelsPerPoint = 300.0 / 72.0;
  // The last file made (empty before the first imageFile() or when it
  // failed).
  const QVPDFImageFile& cachedImageFile() const { return lastFile_; }

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
  std::map<std::tuple<int32_t, int32_t, int32_t>, QVPDFImageFile> files_;
  // The most pixels each file was made at (0: its own size), by the same key.
  std::map<std::tuple<int32_t, int32_t, int32_t>, std::pair<int, int>> reductions_;
  QVPDFImageFile lastFile_;
};

#pragma once
#include <span>
#include <string>

#include "pdf/QVPDFColorSpace.h"

// A palette: the one component is an index into a lookup table of colours of
// the base space.
class QVPDFIndexedColorSpace : public QVPDFColorSpace {
 public:
  static constexpr int64_t kMaxIndexHigh = 255;

  int getMode() const override { return kModeIndexed; }
  int getNComps() const override { return 1; }
  QVPDFColor getDefaultColor() const override { return {}; }
  int32_t getGray(const QVPDFColor& color) const override;
  QVPDFRGB getRGB(const QVPDFColor& color) const override;
  QVPDFCMYK getCMYK(const QVPDFColor& color) const override;

  // The colour of the base space that an index colour stands for. An index
  // beyond the table takes the nearest entry (0 or indexHigh). `base` is the
  // starting colour whose first components are replaced.
  QVPDFColor mapColorQVPDFColor(const QVPDFColor& color, QVPDFColor base) const;
  // Decode range of an Indexed image: low 0, range maxImgPixel.
  static void getDefaultRanges(std::span<double> low, std::span<double> range, int maxImgPixel);

  const std::shared_ptr<const QVPDFColorSpace>& base() const { return base_; }
  int64_t indexHigh() const { return indexHigh_; }
  // (indexHigh + 1) × (components of the base) bytes; entry i starts at
  // byte i × components.
  const std::string& lookup() const { return lookup_; }

 protected:
  bool parse(const platform::PdfObject& object, QVPDFParseBudget& budget) override;

 private:
  std::shared_ptr<const QVPDFColorSpace> base_;
  int64_t indexHigh_ = 0;
  std::string lookup_;
};

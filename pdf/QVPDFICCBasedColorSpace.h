#pragma once
#include <array>

#include "pdf/QVPDFColorSpace.h"

// A space defined by an ICC profile. The profile itself is not interpreted:
// colours convert through the alternate space (the Alternate entry, or the
// device family of the component count).
class QVPDFICCBasedColorSpace : public QVPDFColorSpace {
 public:
  static constexpr int kMaxComponents = 32;

  int getMode() const override { return kModeICCBased; }
  int getNComps() const override { return static_cast<int>(nComps_); }
  QVPDFColor getDefaultColor() const override;
  int32_t getGray(const QVPDFColor& color) const override;
  QVPDFRGB getRGB(const QVPDFColor& color) const override;
  QVPDFCMYK getCMYK(const QVPDFColor& color) const override;
  QVPDFFunction::Interval componentRange(int component) const override;

  int64_t nComps() const { return nComps_; }
  const std::shared_ptr<const QVPDFColorSpace>& alt() const { return alt_; }
  // Component ranges; those the file does not give are 0..1.
  const std::array<double, kMaxComponents>& rangeMin() const { return rangeMin_; }
  const std::array<double, kMaxComponents>& rangeMax() const { return rangeMax_; }
  // The profile stream (null when the parse failed before it).
  const platform::PdfObject& iccProfileStream() const { return iccProfileStream_; }

 protected:
  bool parse(const platform::PdfObject& object, QVPDFParseBudget& budget) override;

 private:
  int64_t nComps_ = 0;
  std::shared_ptr<const QVPDFColorSpace> alt_;
  std::array<double, kMaxComponents> rangeMin_{};
  std::array<double, kMaxComponents> rangeMax_ = [] {
    std::array<double, kMaxComponents> a{};
    a.fill(1.0);
    return a;
  }();
  platform::PdfObject iccProfileStream_;
};

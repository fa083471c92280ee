#pragma once
#include "pdf/QVPDFColorSpace.h"

// Several colorants: their tints run through the tint transform into the
// alternate space.
class QVPDFDeviceNColorSpace : public QVPDFColorSpace {
 public:
  static constexpr int kMaxComponents = 32;

  int getMode() const override { return kModeDeviceN; }
  int getNComps() const override { return nComps_; }
  QVPDFColor getDefaultColor() const override { return {}; }
  int32_t getGray(const QVPDFColor& color) const override;
  QVPDFRGB getRGB(const QVPDFColor& color) const override;
  QVPDFCMYK getCMYK(const QVPDFColor& color) const override;

  int32_t nComps() const { return nComps_; }
  const std::shared_ptr<const QVPDFColorSpace>& alt() const { return alt_; }
  const std::shared_ptr<const QVPDFFunction>& func() const { return func_; }

 protected:
  bool parse(const platform::PdfObject& object, QVPDFParseBudget& budget) override;

 private:
  int32_t nComps_ = 0;
  std::shared_ptr<const QVPDFColorSpace> alt_;
  std::shared_ptr<const QVPDFFunction> func_;
};

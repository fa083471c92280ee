#pragma once
#include <array>

#include "pdf/QVPDFColorSpace.h"

// Calibrated RGB. Its parameters are kept but the conversions are those of
// DeviceRGB, except for the luma weights of gray.
class QVPDFCalRGBColorSpace : public QVPDFColorSpace {
 public:
  int getMode() const override { return kModeCalRGB; }
  int getNComps() const override { return 3; }
  QVPDFColor getDefaultColor() const override { return {}; }
  int32_t getGray(const QVPDFColor& color) const override;
  QVPDFRGB getRGB(const QVPDFColor& color) const override;
  QVPDFCMYK getCMYK(const QVPDFColor& color) const override;

  double whiteX() const { return whiteX_; }
  double whiteY() const { return whiteY_; }
  double whiteZ() const { return whiteZ_; }
  double blackX() const { return blackX_; }
  double blackY() const { return blackY_; }
  double blackZ() const { return blackZ_; }
  double gammaR() const { return gammaR_; }
  double gammaG() const { return gammaG_; }
  double gammaB() const { return gammaB_; }
  const std::array<double, 9>& mat() const { return mat_; }

 protected:
  bool parse(const platform::PdfObject& object, QVPDFParseBudget& budget) override;

 private:
  double whiteX_ = 1.0, whiteY_ = 1.0, whiteZ_ = 1.0;
  double blackX_ = 0.0, blackY_ = 0.0, blackZ_ = 0.0;
  double gammaR_ = 1.0, gammaG_ = 1.0, gammaB_ = 1.0;
  std::array<double, 9> mat_{1, 0, 0, 0, 1, 0, 0, 0, 1};
};

#pragma once
#include "pdf/QVPDFColorSpace.h"

// Calibrated gray. Its parameters are kept but the conversions are those of
// DeviceGray.
class QVPDFCalGrayColorSpace : public QVPDFColorSpace {
 public:
  int getMode() const override { return kModeCalGray; }
  int getNComps() const override { return 1; }
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
  double gamma() const { return gamma_; }

 protected:
  bool parse(const platform::PdfObject& object, QVPDFParseBudget& budget) override;

 private:
  double whiteX_ = 1.0, whiteY_ = 1.0, whiteZ_ = 1.0;
  double blackX_ = 0.0, blackY_ = 0.0, blackZ_ = 0.0;
  double gamma_ = 1.0;
};

// Reads a WhitePoint or BlackPoint entry: an array of exactly three elements,
// each number replacing the value read before it (the first starting from
// `start`). Nothing changes when the entry is not such an array.
void QVPDFReadTristimulus(const platform::PdfObject& dict, std::string_view key, double start, double& x, double& y,
                          double& z);

#pragma once
#include "pdf/QVPDFColorSpace.h"

// CIE L*a*b*. Components hold L*, a* and b* themselves on the 0..255 scale
// of the operators (L* = 50 is stored as 12750).
class QVPDFLabColorSpace : public QVPDFColorSpace {
 public:
  int getMode() const override { return kModeLab; }
  int getNComps() const override { return 3; }
  QVPDFColor getDefaultColor() const override;
  // The gray of the RGB form, with the DeviceRGB weights.
  int32_t getGray(const QVPDFColor& color) const override;
  QVPDFRGB getRGB(const QVPDFColor& color) const override;
  QVPDFCMYK getCMYK(const QVPDFColor& color) const override;
  // L* spans 0..100, a* and b* their Range.
  QVPDFFunction::Interval componentRange(int component) const override;

  double whiteX() const { return whiteX_; }
  double whiteY() const { return whiteY_; }
  double whiteZ() const { return whiteZ_; }
  double blackX() const { return blackX_; }
  double blackY() const { return blackY_; }
  double blackZ() const { return blackZ_; }
  double aMin() const { return aMin_; }
  double aMax() const { return aMax_; }
  double bMin() const { return bMin_; }
  double bMax() const { return bMax_; }
  double kr() const { return kr_; }
  double kg() const { return kg_; }
  double kb() const { return kb_; }

 protected:
  bool parse(const platform::PdfObject& object, QVPDFParseBudget& budget) override;

 private:
  double whiteX_ = 1.0, whiteY_ = 1.0, whiteZ_ = 1.0;
  double blackX_ = 0.0, blackY_ = 0.0, blackZ_ = 0.0;
  double aMin_ = -100.0, aMax_ = 100.0, bMin_ = -100.0, bMax_ = 100.0;
  double kr_ = 1.0, kg_ = 1.0, kb_ = 1.0;
};

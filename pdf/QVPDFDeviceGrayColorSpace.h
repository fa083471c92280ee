#pragma once
#include "pdf/QVPDFColorSpace.h"

class QVPDFDeviceGrayColorSpace : public QVPDFColorSpace {
 public:
  int getMode() const override { return kModeDeviceGray; }
  int getNComps() const override { return 1; }
  QVPDFColor getDefaultColor() const override { return {}; }
  int32_t getGray(const QVPDFColor& color) const override;
  QVPDFRGB getRGB(const QVPDFColor& color) const override;
  QVPDFCMYK getCMYK(const QVPDFColor& color) const override;
};

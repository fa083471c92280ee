#pragma once
#include "pdf/QVPDFColorSpace.h"

class QVPDFDeviceRGBColorSpace : public QVPDFColorSpace {
 public:
  int getMode() const override { return kModeDeviceRGB; }
  int getNComps() const override { return 3; }
  QVPDFColor getDefaultColor() const override { return {}; }
  int32_t getGray(const QVPDFColor& color) const override;
  QVPDFRGB getRGB(const QVPDFColor& color) const override;
  QVPDFCMYK getCMYK(const QVPDFColor& color) const override;

  // Gray of an RGB colour with the given weights, + 0.5, truncated, clamped.
  static int32_t grayFromRGB(const QVPDFColor& color, double wr, double wg, double wb);
};

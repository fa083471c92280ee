#pragma once
#include "pdf/QVPDFColorSpace.h"

class QVPDFDeviceCMYKColorSpace : public QVPDFColorSpace {
 public:
  int getMode() const override { return kModeDeviceCMYK; }
  int getNComps() const override { return 4; }
  // Cyan, magenta and yellow 0 and black full: the initial colour of the
  // family, black as for every other device family.
  QVPDFColor getDefaultColor() const override;
  int32_t getGray(const QVPDFColor& color) const override;
  QVPDFRGB getRGB(const QVPDFColor& color) const override;
  QVPDFCMYK getCMYK(const QVPDFColor& color) const override;
};

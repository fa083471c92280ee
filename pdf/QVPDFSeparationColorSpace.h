#pragma once
#include <string>

#include "pdf/QVPDFColorSpace.h"

// One colorant (a spot colour): its tint runs through the tint transform
// into the alternate space.
class QVPDFSeparationColorSpace : public QVPDFColorSpace {
 public:
  int getMode() const override { return kModeSeparation; }
  int getNComps() const override { return 1; }
  QVPDFColor getDefaultColor() const override { return {}; }
  int32_t getGray(const QVPDFColor& color) const override;
  QVPDFRGB getRGB(const QVPDFColor& color) const override;
  QVPDFCMYK getCMYK(const QVPDFColor& color) const override;

  const std::string& name() const { return name_; }
  const std::shared_ptr<const QVPDFColorSpace>& alt() const { return alt_; }
  const std::shared_ptr<const QVPDFFunction>& func() const { return func_; }

 protected:
  bool parse(const platform::PdfObject& object, QVPDFParseBudget& budget) override;

 private:
  std::string name_;
  std::shared_ptr<const QVPDFColorSpace> alt_;
  std::shared_ptr<const QVPDFFunction> func_;
};

// The colour of the alternate space for the first `inputs` components of
// `color`, through the tint transform: inputs c/255, outputs × 255 truncated.
QVPDFColor QVPDFTintTransform(const QVPDFColor& color, int inputs, const QVPDFFunction& func,
                              const QVPDFColorSpace& alt);

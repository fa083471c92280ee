#pragma once
#include <optional>

#include "pdf/QVPDFColor.h"
#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFShading.h"
#include "platform/geometry/geometry.h"

// Axial shading (type 2): colours along the line from coordsStart to
// coordsEnd, from the function over the parameter domain t0..t1.
class QVPDFShadingAxial : public QVPDFShading {
 public:
  int shadingType() const override { return 2; }

  // The colour space of the function's outputs: the ColorSpace entry when it
  // names or describes a space, else DeviceRGB.
  const std::shared_ptr<const QVPDFColorSpace>& colorSpace() const { return colorSpace_; }
  bool extendStart() const { return extendStart_; }
  bool extendEnd() const { return extendEnd_; }
  platform::Point coordsStart() const { return coordsStart_; }
  platform::Point coordsEnd() const { return coordsEnd_; }
  // t0 in x, t1 in y.
  platform::Point domainRange() const { return domainRange_; }
  // Null when the Function entry is missing or not one function.
  const std::shared_ptr<const QVPDFFunction>& pdfFuntion() const { return pdfFuntion_; }

  // The colour at parameter t (t0..t1), through the function and the colour
  // space; nullopt without a function. This is what painting the shading
  // evaluates along its axis.
  std::optional<QVPDFRGB> colorAt(double t) const;

 protected:
  void parse(const platform::PdfObject& dictionary, QVPDFParseBudget& budget) override;

 private:
  std::shared_ptr<const QVPDFColorSpace> colorSpace_ = QVPDFColorSpace::deviceRGB();
  bool extendStart_ = false;
  bool extendEnd_ = false;
  platform::Point coordsStart_{0, 0};
  platform::Point coordsEnd_{100, 100};
  platform::Point domainRange_{0, 1};
  std::shared_ptr<const QVPDFFunction> pdfFuntion_;
};

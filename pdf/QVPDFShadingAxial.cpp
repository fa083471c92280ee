#include "pdf/QVPDFShadingAxial.h"

#include <algorithm>

void QVPDFShadingAxial::parse(const platform::PdfObject& dict, QVPDFParseBudget& budget) {
  platform::PdfObject space = dict.get("ColorSpace");
  if (!space.isNull()) {
    if (auto parsed = QVPDFColorSpace::colorSpaceWithObject(space, budget)) colorSpace_ = std::move(parsed);
  }

  platform::PdfObject function = dict.get("Function");
  if (!function.isNull()) pdfFuntion_ = QVPDFFunction::funtionWithObject(function, budget);

  platform::PdfObject coords = dict.get("Coords");
  if (coords.isArray() && coords.size() == 4) {
    double* fields[4] = {&coordsStart_.x, &coordsStart_.y, &coordsEnd_.x, &coordsEnd_.y};
    for (size_t i = 0; i < 4; ++i)
      if (auto v = coords.at(i).asNumber()) *fields[i] = *v;
  }

  platform::PdfObject domain = dict.get("Domain");
  if (domain.isArray() && domain.size() == 2) {
    if (auto v = domain.at(0).asNumber()) domainRange_.x = *v;
    if (auto v = domain.at(1).asNumber()) domainRange_.y = *v;
  }

  platform::PdfObject extend = dict.get("Extend");
  if (extend.isArray() && extend.size() == 2) {
    if (auto v = extend.at(0).asBoolean()) extendStart_ = *v;
    if (auto v = extend.at(1).asBoolean()) extendEnd_ = *v;
  }
}

std::optional<QVPDFRGB> QVPDFShadingAxial::colorAt(double t) const {
  if (!pdfFuntion_) return std::nullopt;
  QVPDFFunctionValues in{};
  in[0] = t;
  QVPDFFunctionValues out{};
  pdfFuntion_->transformInput(in, out);
  QVPDFColor color;
  const int components = std::clamp(colorSpace_->getNComps(), 0, QVPDFColor::kMaxComponents);
  for (int j = 0; j < components; ++j) color.c[j] = QVPDFColorComponent(out[j]);
  return colorSpace_->getRGB(color);
}

#include "pdf/QVPDFFormXObject.h"

#include "pdf/QVPDFColorSpace.h"

QVPDFFormXObject::QVPDFFormXObject(platform::PdfObject stream) : QVPDFXObject(std::move(stream)) { parsed_ = parse(); }

bool QVPDFFormXObject::parse() {
  const platform::PdfObject dict = xObjectDictionary();
  const platform::PdfObject formType = dict.get("FormType");
  if (!formType.isNull()) {
    auto value = formType.asNumber();
    if (!value || *value != 1) return false;
  }

  const platform::PdfObject bbox = dict.get("BBox");
  if (!bbox.isArray() || bbox.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    auto v = bbox.at(i).asNumber();
    if (!v) return false;
    bbox_[i] = *v;
  }

  const platform::PdfObject matrix = dict.get("Matrix");
  if (matrix.isArray() && matrix.size() == 6) {
    std::array<double, 6> m{};
    bool numbers = true;
    for (size_t i = 0; i < 6 && numbers; ++i) {
      auto v = matrix.at(i).asNumber();
      numbers = v.has_value();
      if (numbers) m[i] = *v;
    }
    if (numbers) matrix_ = m;
  }

  const platform::PdfObject group = dict.getDictionary("Group");
  if (group.isDictionary()) {
    auto s = group.getName("S");
    if (s && *s != "Image") {
      transpGroup_ = true;
      const platform::PdfObject cs = group.get("CS");
      if (!cs.isNull()) blendingColorSpace_ = QVPDFColorSpace::colorSpaceWithObject(cs);
      if (auto i = group.getBoolean("I")) isolated_ = *i;
      if (auto k = group.getBoolean("K")) knockout_ = *k;
    }
  }
  return true;
}

platform::AffineTransform QVPDFFormXObject::matrixTransform() const {
  return {matrix_[0], matrix_[1], matrix_[2], matrix_[3], matrix_[4], matrix_[5]};
}

platform::Rect QVPDFFormXObject::bboxRect() const {
  return platform::Rect(bbox_[0], bbox_[1], bbox_[2] - bbox_[0], bbox_[3] - bbox_[1]).standardized();
}

#include "pdf/QVPDFAnnot.h"

#include <cmath>
#include <optional>

#include "pdf/QVPDFFormXObject.h"

using platform::PdfObject;
using platform::Rect;

namespace {

bool finite(const Rect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

// A box of some area with finite corners.
bool hasArea(const Rect& r) { return finite(r) && r.width() > 0 && r.height() > 0; }

std::optional<Rect> rectOf(const PdfObject& array) {
  if (!array.isArray() || array.size() != 4) return std::nullopt;
  double v[4];
  for (size_t i = 0; i < 4; ++i) {
    auto n = array.at(i).asNumber();
    if (!n) return std::nullopt;
    v[i] = *n;
  }
  return Rect(v[0], v[1], v[2] - v[0], v[3] - v[1]).standardized();
}

// The appearance's box on the page's side of its /Matrix.
Rect transformedBox(const QVPDFFormXObject& form) { return form.matrixTransform().applyToRect(form.bboxRect()); }

// /AP /N: a form, or a dictionary of forms by state, of which /AS names the
// one shown (a check box: /Yes or /Off).
PdfObject normalAppearance(const PdfObject& dict) {
  const PdfObject appearances = dict.getDictionary("AP");
  if (appearances.isNull()) return {};
  const PdfObject normal = appearances.get("N");
  if (normal.isStream()) return normal;
  if (!normal.isDictionary()) return {};
  const auto state = dict.getName("AS");
  return state ? normal.getStream(*state) : PdfObject();
}

}  // namespace

std::shared_ptr<const QVPDFAnnot> QVPDFAnnot::annotWithDictionary(const PdfObject& dict) {
  if (!dict.isDictionary()) return nullptr;
  const int64_t flags = dict.getInteger("F").value_or(0);
  if (flags & (kFlagHidden | kFlagNoView)) return nullptr;
  const std::optional<Rect> rect = rectOf(dict.get("Rect"));
  if (!rect || !hasArea(*rect)) return nullptr;
  const PdfObject stream = normalAppearance(dict);
  if (!stream.isStream()) return nullptr;
  auto form = std::make_shared<const QVPDFFormXObject>(stream);
  if (!form->parsed() || !hasArea(transformedBox(*form))) return nullptr;

  std::shared_ptr<QVPDFAnnot> annot(new QVPDFAnnot());
  annot->subtype_ = dict.getName("Subtype").value_or("");
  annot->flags_ = flags;
  annot->rect_ = *rect;
  annot->appearance_ = std::move(form);
  return annot;
}

platform::AffineTransform QVPDFAnnot::rectTransform() const {
  const Rect box = transformedBox(*appearance_);
  const double sx = rect_.width() / box.width();
  const double sy = rect_.height() / box.height();
  return {sx, 0, 0, sy, rect_.minX() - box.minX() * sx, rect_.minY() - box.minY() * sy};
}

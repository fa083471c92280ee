#pragma once
// QVPDFAnnot: an annotation of a page as the page shows it, that is its
// normal appearance: a form drawn into the annotation's rectangle. Filled-in
// form fields, notes and stamps are annotations, and what they show is only
// in their appearances.
//
//   for (const auto& annot : QVPDFAnnotCollection(page.get("Annots")).annots())
//     run annot->appearance() with the ctm annot->rectTransform();
#include <memory>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/pdf/object.h"

class QVPDFFormXObject;

class QVPDFAnnot {
 public:
  // /F bits of an annotation that keep it off the screen.
  static constexpr int64_t kFlagHidden = 1 << 1;
  static constexpr int64_t kFlagNoView = 1 << 5;

  // The annotation of an /Annots entry, or null when the page shows nothing
  // of it: not a dictionary, hidden or not for the screen (/F), or without a
  // normal appearance to draw (/AP /N: a form, or for a field of several
  // states the form its /AS names; it needs a box of some area).
  static std::shared_ptr<const QVPDFAnnot> annotWithDictionary(const platform::PdfObject& dict);

  const std::string& subtype() const { return subtype_; }
  int64_t flags() const { return flags_; }
  // /Rect, with its corners in order.
  const platform::Rect& rect() const { return rect_; }
  // The normal appearance to draw.
  const std::shared_ptr<const QVPDFFormXObject>& appearance() const { return appearance_; }
  // Sets the appearance's box, as its /Matrix turns it, onto rect(): the
  // ctm to run the appearance with on the page (its /Matrix applies first).
  platform::AffineTransform rectTransform() const;

 private:
  QVPDFAnnot() = default;

  std::string subtype_;
  int64_t flags_ = 0;
  platform::Rect rect_;
  std::shared_ptr<const QVPDFFormXObject> appearance_;
};

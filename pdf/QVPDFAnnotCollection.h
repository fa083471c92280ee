#pragma once
// QVPDFAnnotCollection: the annotations of a page's /Annots that the page
// shows (QVPDFAnnot::annotWithDictionary), in the array's order, which is
// the order they are drawn in.
#include <memory>
#include <vector>

#include "platform/pdf/document.h"
#include "platform/pdf/object.h"

class QVPDFAnnot;

class QVPDFAnnotCollection {
 public:
  // At most this many entries of /Annots are looked at.
  static constexpr size_t kMaxAnnots = 100'000;

  QVPDFAnnotCollection() = default;
  // The shown annotations of the array (none for anything but an array).
  // An entry of `document` (may be null) whose stored dictionary has no
  // appearance shows nothing and is passed over without being made.
  explicit QVPDFAnnotCollection(const platform::PdfObject& annotsArray,
                                const platform::PdfDocument* document = nullptr);

  const std::vector<std::shared_ptr<const QVPDFAnnot>>& annots() const { return annots_; }

 private:
  std::vector<std::shared_ptr<const QVPDFAnnot>> annots_;
};

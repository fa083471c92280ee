#include "pdf/QVPDFAnnotCollection.h"

#include <algorithm>

#include "pdf/QVPDFAnnot.h"

namespace {

// An annotation the page does not show is read once and let go: qpdf would
// otherwise keep its dictionary (and what it holds: an action, a border,
// the numbers of its box) until the file is closed, some four kilobytes an
// annotation, and a page of tens of thousands of links would hold them all.
// Only an entry that is an annotation's dictionary is let go: another page
// that names the same one passes over it the same way, and an entry naming
// the page, a stream or anything else stays as it is.
void letGoOfPassedOver(const platform::PdfObject& entry) {
  if (!entry.isIndirect() || !entry.isDictionary()) return;
  const auto type = entry.getName("Type");
  if (type && *type != "Annot") return;
  if (!entry.getName("Subtype") || !entry.getArray("Rect").isArray()) return;
  entry.release();
}

}  // namespace

QVPDFAnnotCollection::QVPDFAnnotCollection(const platform::PdfObject& annotsArray,
                                           const platform::PdfDocument* document) {
  if (!annotsArray.isArray()) return;
  const size_t count = std::min(annotsArray.size(), kMaxAnnots);
  for (size_t i = 0; i < count; ++i) {
    const platform::PdfObject entry = annotsArray.at(i);
    if (document && document->storedDictionaryHasKey(entry, "AP") == false) continue;
    if (auto annot = QVPDFAnnot::annotWithDictionary(entry)) {
      annots_.push_back(std::move(annot));
    } else {
      letGoOfPassedOver(entry);
    }
  }
}

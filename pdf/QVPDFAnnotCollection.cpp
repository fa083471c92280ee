#include "pdf/QVPDFAnnotCollection.h"

#include <algorithm>

#include "pdf/QVPDFAnnot.h"

QVPDFAnnotCollection::QVPDFAnnotCollection(const platform::PdfObject& annotsArray) {
  if (!annotsArray.isArray()) return;
  const size_t count = std::min(annotsArray.size(), kMaxAnnots);
  for (size_t i = 0; i < count; ++i)
    if (auto annot = QVPDFAnnot::annotWithDictionary(annotsArray.at(i))) annots_.push_back(std::move(annot));
}

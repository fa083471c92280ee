#pragma once
// The run properties of the text shown now, as the Word and the flowing-text
// exporters make them from the current graphics state: the font's office
// family in every font slot, bold and italic from its name and descriptor,
// the display em width as the size, the fill colour opaque.
//
// What a font gives is worked out once and kept, with the font, until
// clear() (the end of a page); names are interned once per conversion.
#include <memory>
#include <unordered_map>
#include <utility>

#include "docx/QVDocx.h"

class QVPDFFont;
class QVPDFPageFrame;

class QVDocxFontFacts {
 public:
  QVDocx_RPr currentRProperty(const QVPDFPageFrame& frame);
  void clear() { facts_.clear(); }

 private:
  struct Facts {
    QVDocx_FontName family;
    bool bold = false;
    bool italic = false;
  };
  const Facts& factsOf(const std::shared_ptr<const QVPDFFont>& font);

  QVDocxFontNames names_;
  std::unordered_map<const QVPDFFont*, std::pair<std::shared_ptr<const QVPDFFont>, Facts>> facts_;
};

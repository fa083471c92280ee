#pragma once
// The run properties of the text shown now, as the Word and the flowing-text
// exporters make them from the current graphics state: the font's office
// family in every font slot, bold and italic from its name and descriptor,
// the display em width as the size, the fill colour opaque.
//
// The Word document asks for stand-ins: its text is then shown in a family
// every office application shows at widths known here, the font's office
// family when that is one of the standard three (Times New Roman, Arial,
// Courier New) or a family of symbols, else the standard family of the
// font's style, so that no line comes out wider than the page shows it
// because the reader's application lacks the family and falls back to a
// wider face. An East Asian font keeps its family (or the common family of
// its script and style) for East Asian text, in the East Asian slot. The
// complex-script slot holds the font's own office family, of which the Word
// page makes the face of the run's complex-script text, if it has any
// (QVDocxOfficeFonts::fitRun).
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
  explicit QVDocxFontFacts(bool standIns = false) : standIns_(standIns) {}

  QVDocx_RPr currentRProperty(const QVPDFPageFrame& frame);
  void clear() { facts_.clear(); }

 private:
  struct Facts {
    QVDocx_FontName family;
    QVDocx_FontName eastAsia;
    // The font's own office family, which the complex-script slot names
    // for text of a complex script when the machine has it.
    QVDocx_FontName own;
    bool bold = false;
    bool italic = false;
  };
  const Facts& factsOf(const std::shared_ptr<const QVPDFFont>& font);

  bool standIns_ = false;
  QVDocxFontNames names_;
  std::unordered_map<const QVPDFFont*, std::pair<std::shared_ptr<const QVPDFFont>, Facts>> facts_;
};

#pragma once
// The frame every exporter puts around the pages it converts, so that a
// mend of fonts or of placement lands once for every output:
//   - the document's fonts, built once per document and shared by its pages;
//   - the page as displayed (its box after /Rotate and the transform from
//     user space), and a fresh graphics-state stack per page, shared with the
//     page's interpreter;
//   - the interpreter run over the page's content;
//   - where the text shown now stands in display space (QVPDFTextPlacement);
//   - the name an office application knows the current font by.
//
// An exporter holds one frame for its conversion, begins each page with
// beginPage, runs it with interpretPage and ends the conversion with
// endDocument (or simply drops the frame).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "convert/QVPDFTextPlacement.h"
#include "convert/QVPDF_CTMInfo.h"
#include "pdf/fonts/QVPDFFontFactory.h"
#include "platform/geometry/geometry.h"

class QVPDFConentParserDelegate;
class QVPDFFont;
class QVPDFRenderState;
class RenderingStateStack;

namespace platform {
class PdfPage;
}

// How an office application is to show a PDF font: the family it knows
// (never a PostScript name, never a style in the name) and the styles the
// PDF font's name and descriptor give.
struct QVPDFOfficeFont {
  std::string family;
  bool bold = false;
  bool italic = false;

  bool operator==(const QVPDFOfficeFont&) const = default;
};

// The office font of a PDF font: the family the font list gives its name
// (or its descriptor's family), else the name up to its style ("Foo-Bold",
// "Foo,Italic" give "Foo"), else `fallback`. Bold and italic come from the
// name and the descriptor.
QVPDFOfficeFont QVPDF_OfficeFont(const QVPDFFont& font, std::string_view fallback);

class QVPDFPageFrame {
 public:
  QVPDFPageFrame();
  ~QVPDFPageFrame();
  QVPDFPageFrame(const QVPDFPageFrame&) = delete;
  QVPDFPageFrame& operator=(const QVPDFPageFrame&) = delete;

  // Begins a page: takes up its document's fonts (keeping them from the page
  // before when it is of the same document), works out how the page is
  // displayed and starts a fresh state stack.
  const QVPDFPageDisplay& beginPage(const platform::PdfPage& page);
  // Runs the page's content through the interpreter, which reports to the
  // delegate what a reader of the page sees of it (QVPDFVisibleContentFilter)
  // and keeps its state on the frame's stack. An output that uses no images
  // says so: the interpreter then decodes none.
  void interpretPage(const platform::PdfPage& page, QVPDFConentParserDelegate& delegate, bool scansImages = true);
  // Lets the document's fonts go (at the end or cancel of a conversion).
  void endDocument();

  const QVPDFPageDisplay& display() const { return display_; }
  // User space to display space: the page display transform, unless the
  // exporter places the page otherwise (a slide of another size).
  const platform::AffineTransform& pageTransform() const { return pageTransform_; }
  void setPageTransform(const platform::AffineTransform& transform) { pageTransform_ = transform; }
  // The current graphics state (the top of the page's stack).
  QVPDFRenderState& state() const;
  // User space of the current state to display space.
  platform::AffineTransform userToDisplay() const;

  // ---- The text shown now (each reads the current state)
  // The glyphs' em space to display space, now and after an advance.
  platform::AffineTransform displayTextTransform() const;
  platform::AffineTransform nextDisplayTextTransform(platform::Size advance) const;
  // The display-space extent (|dx|, |dy|) of a text-space width along the line.
  platform::Size displaySpaceWidth(double width) const;
  // The placement record of a character of the current font at the origin
  // of the transform.
  QVPDF_CTMInfo ctmInfo(const platform::AffineTransform& displayTextTransform) const;
  QVPDF_CTMInfo currentCTMInfo() const { return ctmInfo(displayTextTransform()); }
  // The em of the current font at its size, its ascent and descent as
  // fractions of it, and its space in text space (the font's space width
  // times the size).
  double emFontSize() const;
  double fontAscent() const;
  double fontDescent() const;
  double spaceWidthInTextSpace() const;

 private:
  // The fonts of the document being converted live as long as it does here.
  const void* fontDocument_ = nullptr;
  std::unique_ptr<QVPDFFontFactory::DocumentScope> fontScope_;
  QVPDFPageDisplay display_;
  platform::AffineTransform pageTransform_;
  std::shared_ptr<RenderingStateStack> renderingStateStack_;
};

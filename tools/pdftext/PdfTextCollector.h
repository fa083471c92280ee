#pragma once
// A debug delegate of the page interpreter: it keeps every shown string with
// where it starts and ends on the page, and joins a page's strings into lines
// and words by their positions. Used by the pdftext tool, the text tests and
// the text benchmark.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/RenderingStateStack.h"
#include "pdf/fonts/QVPDFFont.h"
#include "pdf/fonts/QVPDFFontFactory.h"
#include "platform/geometry/geometry.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"

namespace pdftext {

// One reported string.
struct TextPiece {
  std::string text;
  platform::Size advance;  // as reported, in text space
  double fontSize = 0;     // as set by Tf
  std::string fontName;
  // Page space (the CTM applied): where the string starts and ends, and the
  // height of its em square.
  platform::Point start;
  platform::Point end;
  double emSize = 0;
};

class PdfTextCollector : public QVPDFConentParserDelegate {
 public:
  void didScanText(QVPDFConentParser& parser, const std::string& text, platform::Size offset) override {
    const QVPDFRenderState& state = parser.currentRenderingState();
    TextPiece piece;
    piece.text = text;
    piece.advance = offset;
    piece.fontSize = state.fontSize();
    if (state.font()) piece.fontName = state.font()->fontName();
    const platform::AffineTransform m = state.textMatrix().concat(state.ctm());
    piece.start = m.apply({0, state.textRise()});
    piece.end = m.apply({offset.width, offset.height + state.textRise()});
    piece.emSize = std::fabs(state.fontSize()) * std::sqrt(std::fabs(m.determinant()));
    pieces.push_back(std::move(piece));
  }

  std::vector<TextPiece> pieces;
};

// Runs the interpreter over one page; the strings in content order. A page
// that fails keeps what it reported before the failure.
inline std::vector<TextPiece> collectPage(const platform::PdfPage& page) {
  PdfTextCollector collector;
  try {
    auto stack = std::make_shared<RenderingStateStack>();
    QVPDFConentParser parser(page.dictionary(), platform::PdfContentStream::forPage(page));
    parser.setDelegate(&collector);
    parser.setRenderingStateStack(stack);
    parser.startParser();
  } catch (const std::exception&) {
  }
  return std::move(collector.pieces);
}

// True when the text ends with a letter and a hyphen: the first part of a
// word broken at the end of a line.
inline bool endsWithHyphenatedPart(const std::string& text) {
  if (text.size() < 2 || text.back() != '-') return false;
  const unsigned char c = static_cast<unsigned char>(text[text.size() - 2]);
  return std::isalpha(c) || c >= 0x80;
}

inline bool startsWithLowercase(const std::string& text) {
  return !text.empty() && std::islower(static_cast<unsigned char>(text.front()));
}

// Joins a page's strings: a string that starts where the previous one ended
// continues its word; a small gap along the line is a space, a jump to
// another line a line break.
inline std::string assemblePageText(const std::vector<TextPiece>& pieces) {
  std::string out;
  const TextPiece* previous = nullptr;
  for (const TextPiece& piece : pieces) {
    if (previous) {
      double em = std::max(previous->emSize, 1e-6);
      double dirX = previous->end.x - previous->start.x, dirY = previous->end.y - previous->start.y;
      double length = std::hypot(dirX, dirY);
      if (length < 1e-9) {
        dirX = 1;
        dirY = 0;
      } else {
        dirX /= length;
        dirY /= length;
      }
      const double gx = piece.start.x - previous->end.x, gy = piece.start.y - previous->end.y;
      const double along = gx * dirX + gy * dirY;
      const double across = -gx * dirY + gy * dirX;
      const bool endsWithSpace = !out.empty() && (out.back() == ' ' || out.back() == '\n');
      const bool startsWithSpace = !piece.text.empty() && piece.text.front() == ' ';
      if (std::fabs(across) > 0.5 * em || along < -em || along > 4 * em) {
        if (endsWithHyphenatedPart(out) && startsWithLowercase(piece.text)) {
          out.pop_back();  // a word broken across lines is one word
        } else if (!out.empty() && out.back() != '\n') {
          out.push_back('\n');
        }
      } else if (along > 0.12 * em && !endsWithSpace && !startsWithSpace) {
        out.push_back(' ');
      }
    }
    out += piece.text;
    previous = &piece;
  }
  if (!out.empty() && out.back() != '\n') out.push_back('\n');
  return out;
}

// Every page's strings, in page order; fonts are shared across the
// document's pages and released when it is done.
inline std::vector<std::vector<TextPiece>> collectDocument(const platform::PdfDocument& document) {
  std::vector<std::vector<TextPiece>> pages;
  QVPDFFontFactory::DocumentScope fonts(document.isUnlocked() ? &document.qpdf() : nullptr);
  for (int number = 1; number <= document.pageCount(); ++number) {
    auto page = document.page(number);
    pages.push_back(page ? collectPage(*page) : std::vector<TextPiece>());
  }
  return pages;
}

}  // namespace pdftext

#pragma once
// Where a page and the text of the current graphics state stand in display
// space, as every exporter places them: the page's display box and
// transform, the text-to-display transform now and after an advance, a
// text-space width along the line, and the placement record of a character.
// One set of functions, so that all outputs agree on where a string stands.
#include <cstdint>

#include "convert/QVPDF_CTMInfo.h"
#include "platform/geometry/geometry.h"

class QVPDFRenderState;

namespace platform {
class PdfPage;
}

// A page as displayed.
struct QVPDFPageDisplay {
  // What the page shows (its crop box within its media box) in its default
  // user space.
  platform::Rect visibleBox;
  // The visible box rotated with the page, origin (0, 0).
  platform::Rect box;
  // The page's /Rotate normalised into 0..359.
  int64_t rotation = 0;
  // User space to display space.
  platform::AffineTransform transform;
};

// Only quarter turns turn a page; any other angle shows it upright. A page
// shows its crop box where that lies within its media box; a box that is
// empty or not finite counts as 595 x 842 at the origin.
QVPDFPageDisplay QVPDF_PageDisplay(const platform::PdfPage& page);

// The em of the state's font at its size: the font size's magnitude (a
// negative size turns the glyphs, see below), but for a Type 3 font, whose
// FontMatrix sets its em (QVPDFFont::emSize).
double QVPDF_EmFontSize(const QVPDFRenderState& state);
// The state's font ascent and descent as fractions of that em; the usual
// values without a font or for a value that is not finite.
double QVPDF_FontAscent(const QVPDFRenderState& state);
double QVPDF_FontDescent(const QVPDFRenderState& state);

// The glyphs' em space to display space: how the font's glyphs stand in
// text space (a Type 3 font's FontMatrix may flip them, which the text
// matrix may flip back; a negative horizontal scaling mirrors them; a
// negative font size turns them by half a turn), the
// text matrix, the current transformation matrix,
// then the page's transform; and the same after an advance in text space.
// Every orientation test (upright, quarter turn, angle, mirrored) reads
// these, so that it sees what the page shows.
platform::AffineTransform QVPDF_DisplayTextTransform(const QVPDFRenderState& state,
                                                     const platform::AffineTransform& pageTransform);
platform::AffineTransform QVPDF_NextDisplayTextTransform(const QVPDFRenderState& state, platform::Size advance,
                                                         const platform::AffineTransform& pageTransform);
// The display-space extent (|dx|, |dy|) of a text-space width along the line.
platform::Size QVPDF_DisplaySpaceWidth(const QVPDFRenderState& state, double width,
                                       const platform::AffineTransform& pageTransform);
// The placement record of a character of the state's font and size at the
// origin of the text-to-display transform (its em box that of the font's em).
QVPDF_CTMInfo QVPDF_CTMInfoOfState(const QVPDFRenderState& state, const platform::AffineTransform& displayTextTransform);

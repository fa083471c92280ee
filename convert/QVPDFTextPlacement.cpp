#include "convert/QVPDFTextPlacement.h"

#include <cmath>

#include "pdf/QVPDFRenderState.h"
#include "pdf/fonts/QVPDFFont.h"
#include "platform/pdf/document.h"

using platform::AffineTransform;
using platform::Rect;
using platform::Size;

namespace {

constexpr double kDefaultAscent = 0.95;
constexpr double kDefaultDescent = -0.35;

}  // namespace

QVPDFPageDisplay QVPDF_PageDisplay(const platform::PdfPage& page) {
  QVPDFPageDisplay display;
  int64_t rotation = page.rotation() % 360;
  if (rotation < 0) rotation += 360;
  display.rotation = rotation;
  const int turn = rotation % 90 == 0 ? static_cast<int>(rotation) : 0;

  Rect shown = page.cropBox();
  if (shown.isEmpty() || !std::isfinite(shown.origin.x) || !std::isfinite(shown.origin.y) ||
      !std::isfinite(shown.size.width) || !std::isfinite(shown.size.height))
    shown = Rect(0, 0, 595, 842);
  display.visibleBox = shown.standardized();
  const bool swapped = turn == 90 || turn == 270;
  const double width = swapped ? shown.height() : shown.width();
  const double height = swapped ? shown.width() : shown.height();
  display.box = Rect(0, 0, width, height);
  // The display box at the visible box's origin: the transform takes the
  // origin away first and then turns the page within the box it shows.
  display.transform = QVPDF_PageTransformForRotation(Rect(shown.minX(), shown.minY(), width, height), turn);
  return display;
}

double QVPDF_EmFontSize(const QVPDFRenderState& state) {
  const double em = state.font() ? state.font()->emSize() : 1.0;
  const double size = std::fabs(state.fontSize());
  return std::isfinite(em) && em > 0 ? size * em : size;
}

namespace {

// A metric of the font (a fraction of the font size) as a fraction of its em.
double fractionOfEm(const QVPDFRenderState& state, double metric, double fallback) {
  const auto& font = state.font();
  if (!font) return fallback;
  const double em = font->emSize();
  const double v = std::isfinite(em) && em > 0 ? metric / em : metric;
  return std::isfinite(v) ? v : fallback;
}

}  // namespace

double QVPDF_FontAscent(const QVPDFRenderState& state) {
  return fractionOfEm(state, state.font() ? state.font()->ascent() : kDefaultAscent, kDefaultAscent);
}

double QVPDF_FontDescent(const QVPDFRenderState& state) {
  return fractionOfEm(state, state.font() ? state.font()->descent() : kDefaultDescent, kDefaultDescent);
}

namespace {

// How the font's glyphs stand in text space: turned or flipped by a Type 3
// font's FontMatrix, mirrored by a negative horizontal scaling (whose size
// is in the advances already), and turned by half a turn by a negative font
// size (the em is its magnitude), which a half-turned text matrix sets
// upright again.
AffineTransform glyphOrientation(const QVPDFRenderState& state) {
  AffineTransform t = state.font() ? state.font()->glyphOrientation() : AffineTransform::identity();
  if (state.horizontalScaling() < 0) t = t.concat(AffineTransform::scale(-1, 1));
  if (state.fontSize() < 0) t = t.concat(AffineTransform::scale(-1, -1));
  return t;
}

}  // namespace

AffineTransform QVPDF_DisplayTextTransform(const QVPDFRenderState& state, const AffineTransform& pageTransform) {
  return glyphOrientation(state).concat(state.textMatrix()).concat(state.ctm()).concat(pageTransform);
}

AffineTransform QVPDF_NextDisplayTextTransform(const QVPDFRenderState& state, Size advance,
                                               const AffineTransform& pageTransform) {
  return glyphOrientation(state)
      .concat(state.textMatrix().translated(advance.width, advance.height))
      .concat(state.ctm())
      .concat(pageTransform);
}

Size QVPDF_DisplaySpaceWidth(const QVPDFRenderState& state, double width, const AffineTransform& pageTransform) {
  // The em box's corner moves by the width taken through the transform; a
  // width runs along text space, whatever way the glyphs stand in it.
  const AffineTransform t = state.textMatrix().concat(state.ctm()).concat(pageTransform);
  return Size{std::fabs(t.a * width), std::fabs(t.b * width)};
}

QVPDF_CTMInfo QVPDF_CTMInfoOfState(const QVPDFRenderState& state, const AffineTransform& displayTextTransform) {
  return QVPDF_CTMInfoMake(QVPDF_EmFontSize(state), QVPDF_FontAscent(state), QVPDF_FontDescent(state),
                           displayTextTransform);
}

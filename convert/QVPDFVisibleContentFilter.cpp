#include "convert/QVPDFVisibleContentFilter.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "convert/QVPDFTextPlacement.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/fonts/QVPDFFont.h"
#include "platform/geometry/path.h"

using platform::AffineTransform;
using platform::Point;
using platform::Rect;
using platform::Size;

namespace {

// Boxes that touch, or miss each other by less than this (points), meet.
constexpr double kSlack = 0.01;
// A copy of a string stands this close to it (fractions of its em): along
// its line, and across it; its em and line differ by at most the third.
// Along the line it stands closer than half its advance besides, so that
// one narrow letter shown again just after itself is not taken for a copy.
constexpr double kCopyAlong = 0.1;
constexpr double kCopyAcross = 0.2;
constexpr double kCopyShape = 0.1;

bool finite(const Rect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

bool meet(const Rect& a, const Rect& b) {
  return a.minX() <= b.maxX() + kSlack && b.minX() <= a.maxX() + kSlack && a.minY() <= b.maxY() + kSlack &&
         b.minY() <= a.maxY() + kSlack;
}

double length(Point v) { return std::hypot(v.x, v.y); }

Point vector(Size s) { return {s.width, s.height}; }

}  // namespace

QVPDFVisibleContentFilter::QVPDFVisibleContentFilter(QVPDFConentParserDelegate& exporter, const Rect& visibleBox)
    : exporter_(exporter), visibleBox_(visibleBox.standardized()), clipArea_(visibleBox_) {}

Rect QVPDFVisibleContentFilter::textBox(const QVPDFRenderState& state, Size offset, const AffineTransform& toPage) {
  const double em = std::fabs(QVPDF_EmFontSize(state));
  const auto& font = state.font();
  const bool turnedGlyphs = font && !font->glyphOrientation().isIdentity();
  double x0 = std::min(0.0, offset.width), x1 = std::max(0.0, offset.width);
  double y0 = std::min(0.0, offset.height), y1 = std::max(0.0, offset.height);
  if (font && font->isVertical()) {
    // Glyphs hang below their origin, centred on it.
    x0 = std::min(x0, -0.6 * em);
    x1 = std::max(x1, 0.6 * em);
    y0 -= 0.2 * em + (y1 - y0 < em ? em : 0);
    y1 += 0.2 * em;
  } else {
    if (x1 - x0 < 0.1 * em) {
      x0 -= em;
      x1 += em;
    }
    const double ascent = std::max(QVPDF_FontAscent(state), 0.8);
    const double descent = std::min(QVPDF_FontDescent(state), -0.25);
    const double size = state.fontSize() < 0 ? -em : em;
    y0 = std::min(descent * size, ascent * size);
    y1 = std::max(descent * size, ascent * size);
  }
  if (turnedGlyphs) {
    // A font that turns its glyphs (a Type 3 font's matrix) may set them
    // on either side of the origin.
    x0 -= em;
    x1 += em;
    y0 = std::min(y0, -em);
    y1 = std::max(y1, em);
  }
  y0 += state.textRise();
  y1 += state.textRise();
  return toPage.applyToRect(Rect(x0, y0, x1 - x0, y1 - y0));
}

bool QVPDFVisibleContentFilter::shows(const QVPDFRenderState& state, const Rect& box) {
  if (!finite(box) || !finite(visibleBox_)) return true;
  const auto& clips = state.clipBezierPaths();
  if (clips.size() != clipCount_ || (clips.empty() ? nullptr : clips.back()) != clipLast_) {
    clipCount_ = clips.size();
    clipLast_ = clips.empty() ? nullptr : clips.back();
    clipArea_ = visibleBox_;
    clipAreaEmpty_ = false;
    for (const auto& clip : clips) {
      if (!clip) continue;
      const Rect bounds = clip->boundingBox();
      if (!finite(bounds) || !(bounds.width() > 0) || !(bounds.height() > 0)) continue;
      if (!meet(clipArea_, bounds)) {
        clipAreaEmpty_ = true;
        break;
      }
      const double x0 = std::max(clipArea_.minX(), bounds.minX()), y0 = std::max(clipArea_.minY(), bounds.minY());
      const double x1 = std::min(clipArea_.maxX(), bounds.maxX()), y1 = std::min(clipArea_.maxY(), bounds.maxY());
      clipArea_ = Rect(x0, y0, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0));
    }
  }
  return !clipAreaEmpty_ && meet(clipArea_, box);
}

bool QVPDFVisibleContentFilter::isCopy(const std::string& text, const Placement& placement, bool remember) {
  const double em = length(placement.up);
  if (!(em > 0) || !std::isfinite(em) || !(std::fabs(placement.origin.x) < 1e9) ||
      !(std::fabs(placement.origin.y) < 1e9))
    return false;
  const uint64_t textHash = std::hash<std::string>{}(text);
  const auto squareOf = [](double v) { return static_cast<int64_t>(std::floor(v / kSquare)); };
  const auto key = [textHash](int64_t x, int64_t y) {
    uint64_t k = textHash ^ ((static_cast<uint64_t>(x) << 32) ^ (static_cast<uint64_t>(y) & 0xFFFFFFFFu));
    // Mixed, so that the squares of one text do not fall into neighbouring
    // buckets of another's.
    k ^= k >> 33;
    k *= 0xFF51AFD7ED558CCDull;
    k ^= k >> 33;
    return k;
  };
  const int64_t x = squareOf(placement.origin.x), y = squareOf(placement.origin.y);
  // A copy's origin stands within a quarter of the em of this one's, in the
  // squares that the circle of that reach meets (at most four squares away).
  const double reach = 0.25 * em;
  const auto from = [&](double v, int64_t at) { return std::max(at - 4, squareOf(v - reach)); };
  const auto to = [&](double v, int64_t at) { return std::min(at + 4, squareOf(v + reach)); };
  for (int64_t sx = from(placement.origin.x, x); sx <= to(placement.origin.x, x); ++sx) {
    for (int64_t sy = from(placement.origin.y, y); sy <= to(placement.origin.y, y); ++sy) {
      const auto [begin, end] = drawn_.equal_range(key(sx, sy));
      for (auto it = begin; it != end; ++it) {
        if (it->second.text != textHash) continue;
        const Placement& earlier = it->second.placement;
        const Point d{placement.origin.x - earlier.origin.x, placement.origin.y - earlier.origin.y};
        const double along = std::fabs(d.x * earlier.direction.x + d.y * earlier.direction.y);
        const double across = std::fabs(d.x * earlier.direction.y - d.y * earlier.direction.x);
        const double alongLimit = std::min(kCopyAlong * em, 0.5 * std::max(earlier.length, placement.length));
        if (along <= alongLimit && across <= kCopyAcross * em &&
            length({placement.up.x - earlier.up.x, placement.up.y - earlier.up.y}) <= kCopyShape * em &&
            length({placement.direction.x - earlier.direction.x, placement.direction.y - earlier.direction.y}) <=
                kCopyShape)
          return true;
      }
    }
  }
  if (remember && remembered_ < kMaxRememberedStrings) {
    const uint64_t k = key(x, y);
    const auto [begin, end] = drawn_.equal_range(k);
    if (std::count_if(begin, end, [&](const auto& d) { return d.second.text == textHash; }) <
        static_cast<std::ptrdiff_t>(kMaxPerSquare)) {
      ++remembered_;
      drawn_.emplace(k, Drawn{textHash, placement});
    }
  }
  return false;
}

void QVPDFVisibleContentFilter::didScanText(QVPDFConentParser& parser, const std::string& text, Size offset) {
  const QVPDFRenderState& state = parser.currentRenderingState();
  const AffineTransform toPage = state.textMatrix().concat(state.ctm());
  if (!shows(state, textBox(state, offset, toPage))) return;
  // How the glyphs stand on the page (mirrored by a negative horizontal
  // scaling, turned by a Type 3 font), and where the string begins.
  const AffineTransform t = QVPDF_DisplayTextTransform(state, AffineTransform::identity());
  Placement placement;
  placement.origin = toPage.apply({0, 0});
  const Point along = vector(t.applyToSize({1, 0}));
  const double unit = length(along);
  placement.direction = unit > 0 ? Point{along.x / unit, along.y / unit} : Point{0, 0};
  placement.up = vector(t.applyToSize({0, QVPDF_EmFontSize(state)}));
  placement.length = length(vector(toPage.applyToSize(offset)));
  if (isCopy(text, placement, !state.textIsInvisible())) return;
  exporter_.didScanText(parser, text, offset);
}

void QVPDFVisibleContentFilter::didScanPath(QVPDFConentParser& parser, const platform::Path& path, bool stroke,
                                            bool fill) {
  const QVPDFRenderState& state = parser.currentRenderingState();
  if (!path.isEmpty()) {
    const AffineTransform& ctm = state.ctm();
    Rect box = ctm.applyToRect(path.boundingBox());
    if (stroke) {
      // Half the line on either side, and a hairline's pixel.
      const double stretch = std::max(std::fabs(ctm.a) + std::fabs(ctm.c), std::fabs(ctm.b) + std::fabs(ctm.d));
      const double reach = std::fabs(state.lineWidth()) * 0.5 * stretch + 1;
      box = Rect(box.minX() - reach, box.minY() - reach, box.width() + 2 * reach, box.height() + 2 * reach);
    }
    if (!shows(state, box)) return;
  }
  exporter_.didScanPath(parser, path, stroke, fill);
}

void QVPDFVisibleContentFilter::didScanXObjectImage(QVPDFConentParser& parser,
                                                    const std::shared_ptr<QVPDFImageXObject>& image) {
  const QVPDFRenderState& state = parser.currentRenderingState();
  if (!shows(state, state.ctm().applyToRect(Rect(0, 0, 1, 1)))) return;
  exporter_.didScanXObjectImage(parser, image);
}

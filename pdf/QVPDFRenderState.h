#pragma once
// QVPDFRenderState: the graphics and text state of the content-stream
// interpreter (matrices, text parameters, font, colours, line style, the
// current path and the clip paths).
//
// The interpreter changes the top state of a RenderingStateStack while it
// runs the operators; the exporters read it inside each delegate callback.
//
// Copying a state (the q operator) is cheap: fonts, colour spaces, patterns
// and clip paths are shared immutable objects, and the current path is shared
// until one of the two states changes it.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "pdf/QVPDFColor.h"
#include "platform/geometry/geometry.h"
#include "platform/geometry/path.h"
#include "platform/image/color.h"

class QVPDFFont;
class QVPDFColorSpace;
class QVPDFPattern;
class QVPDFExtGState;

class QVPDFRenderState {
 public:
  // Pending clip request of W / W*.
  enum ClipRule : int32_t { kNoClip = 0, kNonZeroClip = 1, kEvenOddClip = 2 };

  // A new state: identity matrices, no font, fill colour (1, 1, 1) and stroke
  // colour (0, 0, 0) in DeviceRGB, line width 1, miter limit 10, solid line.
  QVPDFRenderState();
  QVPDFRenderState(const QVPDFRenderState&) = default;
  QVPDFRenderState& operator=(const QVPDFRenderState&) = default;
  QVPDFRenderState(QVPDFRenderState&&) noexcept = default;
  QVPDFRenderState& operator=(QVPDFRenderState&&) noexcept = default;

  // ---- Matrices
  const platform::AffineTransform& lineMatrix() const { return lineMatrix_; }
  void setLineMatrix(const platform::AffineTransform& m) { lineMatrix_ = m; }
  const platform::AffineTransform& textMatrix() const { return textMatrix_; }
  void setTextMatrix(const platform::AffineTransform& m) { textMatrix_ = m; }
  // Text space to user space; the current transformation matrix maps user
  // space to page space.
  const platform::AffineTransform& ctm() const { return ctm_; }
  void setCtm(const platform::AffineTransform& m) { ctm_ = m; }

  // ---- Text state
  // Text matrix := m; with replaceLineMatrix the line matrix too (BT, Tm).
  void setTextMatrix(const platform::AffineTransform& m, bool replaceLineMatrix);
  // The advance after a shown string: the text matrix is pre-translated by
  // (w, h) in text space; the line matrix stays.
  void translateTextPosition(platform::Size advance);
  // Line matrix pre-translated by (indent, leading); the text matrix becomes
  // the new line matrix; with save, the leading becomes -leading (TD).
  void newLineWithLeading(double leading, double indent, bool save);
  void newLineWithLeading(double leading, bool save) { newLineWithLeading(leading, 0, save); }
  // T*: down by the current leading.
  void newLine() { newLineWithLeading(-leading_, 0, false); }

  double leading() const { return leading_; }
  void setLeading(double v) { leading_ = v; }
  double wordSpacing() const { return wordSpacing_; }
  void setWordSpacing(double v) { wordSpacing_ = v; }
  double characterSpacing() const { return characterSpacing_; }
  void setCharacterSpacing(double v) { characterSpacing_ = v; }
  // A factor: 1.0 is 100 %.
  double horizontalScaling() const { return horizontalScaling_; }
  void setHorizontalScaling(double v) { horizontalScaling_ = v; }
  double textRise() const { return textRise_; }
  void setTextRise(double v) { textRise_ = v; }
  const std::shared_ptr<const QVPDFFont>& font() const { return font_; }
  void setFont(std::shared_ptr<const QVPDFFont> font) { font_ = std::move(font); }
  double fontSize() const { return fontSize_; }
  void setFontSize(double v) { fontSize_ = v; }
  // Tr: 0 fill, 1 stroke, 2 both, 3 neither, 4 to 7 the same and adding the
  // glyphs to the clip.
  int32_t textRenderingMode() const { return textRenderingMode_; }
  void setTextRenderingMode(int32_t v) { textRenderingMode_ = v; }
  // Text shown now leaves no ink (modes 3 and 7); it is still there to be
  // read, searched and selected.
  bool textIsInvisible() const { return textRenderingMode_ == 3 || textRenderingMode_ == 7; }

  // ---- Colours. Components are on the 0..255 scale of their colour space.
  const std::shared_ptr<const QVPDFColorSpace>& fillColorSpace() const { return fillColorSpace_; }
  void setFillColorSpace(std::shared_ptr<const QVPDFColorSpace> space) {
    fillColorSpace_ = std::move(space);
    fillRGB_.reset();
  }
  const std::shared_ptr<const QVPDFColorSpace>& strokeColorSpace() const { return strokeColorSpace_; }
  void setStrokeColorSpace(std::shared_ptr<const QVPDFColorSpace> space) {
    strokeColorSpace_ = std::move(space);
    strokeRGB_.reset();
  }
  const QVPDFColor& fillColor() const { return fillColor_; }
  void setFillColor(const QVPDFColor& c) {
    fillColor_ = c;
    fillRGB_.reset();
  }
  const QVPDFColor& strokeColor() const { return strokeColor_; }
  void setStrokeColor(const QVPDFColor& c) {
    strokeColor_ = c;
    strokeRGB_.reset();
  }
  const std::shared_ptr<const QVPDFPattern>& fillPattern() const { return fillPattern_; }
  void setFillPattern(std::shared_ptr<const QVPDFPattern> p) { fillPattern_ = std::move(p); }
  const std::shared_ptr<const QVPDFPattern>& strokePattern() const { return strokePattern_; }
  void setStrokePattern(std::shared_ptr<const QVPDFPattern> p) { strokePattern_ = std::move(p); }

  // The colour converted by its space to RGB 0..255; (0, 0, 0) without a
  // space. Converted once for each colour set: the exporters read it for
  // every string and path, and a space with a tint transform runs a
  // function for every conversion.
  QVPDFRGB currentFillRGBColor() const;
  QVPDFRGB currentStrokeRGBColor() const;
  // The same as an opaque device RGB colour on 0..1 (each channel / 255 in
  // single precision); opaque black without a space. The alphas are read
  // separately.
  platform::Color currentFillColor() const;
  platform::Color currentStrokeColor() const;

  // ---- Transparency and overprint
  int32_t blendMode() const { return blendMode_; }
  void setBlendMode(int32_t v) { blendMode_ = v; }
  bool fillOverprint() const { return fillOverprint_; }
  void setFillOverprint(bool v) { fillOverprint_ = v; }
  bool strokeOverprint() const { return strokeOverprint_; }
  void setStrokeOverprint(bool v) { strokeOverprint_ = v; }
  bool strokeAdjust() const { return strokeAdjust_; }
  void setStrokeAdjust(bool v) { strokeAdjust_ = v; }
  bool alphaFlag() const { return alphaFlag_; }
  void setAlphaFlag(bool v) { alphaFlag_ = v; }
  double strokeAlpha() const { return strokeAlpha_; }
  void setStrokeAlpha(double v) { strokeAlpha_ = v; }
  double fillAlpha() const { return fillAlpha_; }
  void setFillAlpha(double v) { fillAlpha_ = v; }
  double currentOpacity() const { return fillAlpha_; }
  double currentFillAlpha() const { return fillAlpha_; }
  double currentStrokeAlpha() const { return strokeAlpha_; }

  // ---- Line style
  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double v) { lineWidth_ = v; }
  int32_t lineJoinStyle() const { return lineJoinStyle_; }
  void setLineJoinStyle(int32_t v) { lineJoinStyle_ = v; }
  int32_t lineCapStyle() const { return lineCapStyle_; }
  void setLineCapStyle(int32_t v) { lineCapStyle_ = v; }
  double lineFlatness() const { return lineFlatness_; }
  void setLineFlatness(double v) { lineFlatness_ = v; }
  double lineMiterLimit() const { return lineMiterLimit_; }
  void setLineMiterLimit(double v) { lineMiterLimit_ = v; }
  // Dash lengths as integers; empty for a solid line.
  const std::vector<int64_t>& lineDashPattern() const { return lineDashPattern_; }
  void setLineDashPattern(std::vector<int64_t> pattern) { lineDashPattern_ = std::move(pattern); }
  int64_t lineDashPhase() const { return lineDashPhase_; }
  void setLineDashPhase(int64_t v) { lineDashPhase_ = v; }

  // Applies the parameters an extended graphics state holds (line width,
  // cap, join, miter limit, dash lengths, alphas, alpha flag, overprints,
  // stroke adjustment, blend mode); none changes nothing.
  void setGraphicState(const QVPDFExtGState* state);

  // ---- Current path (user space, the CTM not applied)
  bool usesEvenOddFillRule() const { return usesEvenOddFillRule_; }
  void setUsesEvenOddFillRule(bool v) { usesEvenOddFillRule_ = v; }
  const platform::Path& cgPath() const { return *path_; }
  // The path to add segments to. When another state still shares the path,
  // this state first takes its own copy (pathIsShared() tells beforehand).
  platform::Path& mutablePath();
  bool pathIsShared() const { return path_.use_count() > 1; }
  // Replaces the path by a copy of `path`, or by an empty path.
  void setCgPath(const platform::Path* path);

  // ---- Clip
  int32_t clip() const { return clip_; }
  void setClip(int32_t v) { clip_ = v; }
  // The clip paths collected so far, in page space; every one applies (they
  // are not intersected).
  const std::vector<std::shared_ptr<const platform::Path>>& clipBezierPaths() const { return clipPaths_; }
  // The rule each clip path was made with (kNonZeroClip or kEvenOddClip), in
  // the order of clipBezierPaths().
  const std::vector<int32_t>& clipBezierPathRules() const { return clipRules_; }
  // Appends a clip path already in page space with its rule (kEvenOddClip
  // for W*, anything else counts as non-zero); an empty path is ignored.
  void clipState(platform::Path pagePath, int32_t rule);
  // Replaces the clip paths; they count as non-zero clips.
  void setClipBezierPaths(std::vector<std::shared_ptr<const platform::Path>> paths) {
    clipPaths_ = std::move(paths);
    clipRules_.assign(clipPaths_.size(), kNonZeroClip);
  }

 private:
  platform::AffineTransform lineMatrix_;
  platform::AffineTransform textMatrix_;
  platform::AffineTransform ctm_;
  double leading_ = 0;
  double wordSpacing_ = 0;
  double characterSpacing_ = 0;
  double horizontalScaling_ = 1.0;
  double textRise_ = 0;
  std::shared_ptr<const QVPDFFont> font_;
  double fontSize_ = 0;
  int32_t textRenderingMode_ = 0;
  std::shared_ptr<const QVPDFColorSpace> fillColorSpace_;
  std::shared_ptr<const QVPDFColorSpace> strokeColorSpace_;
  QVPDFColor fillColor_;
  QVPDFColor strokeColor_;
  mutable std::optional<QVPDFRGB> fillRGB_;
  mutable std::optional<QVPDFRGB> strokeRGB_;
  std::shared_ptr<const QVPDFPattern> fillPattern_;
  std::shared_ptr<const QVPDFPattern> strokePattern_;
  int32_t blendMode_ = 0;
  bool fillOverprint_ = false;
  bool strokeOverprint_ = false;
  bool strokeAdjust_ = false;
  bool alphaFlag_ = true;
  double strokeAlpha_ = 1.0;
  double fillAlpha_ = 1.0;
  double lineWidth_ = 1.0;
  int32_t lineJoinStyle_ = 0;
  int32_t lineCapStyle_ = 0;
  double lineFlatness_ = static_cast<double>(0.6f);
  double lineMiterLimit_ = 10.0;
  std::vector<int64_t> lineDashPattern_;
  int64_t lineDashPhase_ = 0;
  bool usesEvenOddFillRule_ = false;
  std::shared_ptr<platform::Path> path_;
  int32_t clip_ = kNoClip;
  std::vector<std::shared_ptr<const platform::Path>> clipPaths_;
  std::vector<int32_t> clipRules_;
};

#include "pdf/QVPDFRenderState.h"

#include <cstdint>
#include <utility>

#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFExtGState.h"

QVPDFRenderState::QVPDFRenderState()
    : fillColorSpace_(QVPDFColorSpace::deviceRGB()),
      strokeColorSpace_(QVPDFColorSpace::deviceRGB()),
      path_(std::make_shared<platform::Path>()) {
  // A new state fills with (1, 1, 1) on the 0..255 scale: the first four
  // components are 1, whatever the space.
  for (int i = 0; i < 4; ++i) fillColor_.c[i] = 1;
}

void QVPDFRenderState::setTextMatrix(const platform::AffineTransform& m, bool replaceLineMatrix) {
  textMatrix_ = m;
  if (replaceLineMatrix) lineMatrix_ = m;
}

void QVPDFRenderState::translateTextPosition(platform::Size advance) {
  textMatrix_ = platform::AffineTransform::translation(advance.width, advance.height).concat(textMatrix_);
}

void QVPDFRenderState::newLineWithLeading(double leading, double indent, bool save) {
  lineMatrix_ = platform::AffineTransform::translation(indent, leading).concat(lineMatrix_);
  textMatrix_ = lineMatrix_;
  if (save) leading_ = -leading;
}

QVPDFRGB QVPDFRenderState::currentFillRGBColor() const {
  if (!fillRGB_) fillRGB_ = fillColorSpace_ ? fillColorSpace_->getRGB(fillColor_) : QVPDFRGB{};
  return *fillRGB_;
}

QVPDFRGB QVPDFRenderState::currentStrokeRGBColor() const {
  if (!strokeRGB_) strokeRGB_ = strokeColorSpace_ ? strokeColorSpace_->getRGB(strokeColor_) : QVPDFRGB{};
  return *strokeRGB_;
}

static platform::Color opaqueDeviceColor(const QVPDFRGB& rgb) {
  QVPDFRGBA c = QVPDFRGBA::fromRGB(rgb);
  return platform::Color::rgb(c.r, c.g, c.b, 1.0);
}

platform::Color QVPDFRenderState::currentFillColor() const {
  if (!fillColorSpace_) return platform::Color::rgb(0, 0, 0, 1.0);
  return opaqueDeviceColor(currentFillRGBColor());
}

platform::Color QVPDFRenderState::currentStrokeColor() const {
  if (!strokeColorSpace_) return platform::Color::rgb(0, 0, 0, 1.0);
  return opaqueDeviceColor(currentStrokeRGBColor());
}

platform::Path& QVPDFRenderState::mutablePath() {
  if (!path_) {
    path_ = std::make_shared<platform::Path>();
  } else if (path_.use_count() > 1) {
    path_ = std::make_shared<platform::Path>(*path_);
  }
  return *path_;
}

void QVPDFRenderState::setCgPath(const platform::Path* path) {
  path_ = path ? std::make_shared<platform::Path>(*path) : std::make_shared<platform::Path>();
}

void QVPDFRenderState::clipState(platform::Path pagePath, int32_t rule) {
  if (pagePath.isEmpty()) return;
  clipPaths_.push_back(std::make_shared<const platform::Path>(std::move(pagePath)));
  clipRules_.push_back(rule == kEvenOddClip ? kEvenOddClip : kNonZeroClip);
}

static int32_t saturatedInt32(int64_t v) {
  if (v < INT32_MIN) return INT32_MIN;
  if (v > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(v);
}

void QVPDFRenderState::setGraphicState(const QVPDFExtGState* state) {
  if (!state) return;
  const QVPDFExtGStateValue& v = state->gStateValue();
  if (v.lineWidth) lineWidth_ = static_cast<double>(*v.lineWidth);
  if (v.lineCap) lineCapStyle_ = saturatedInt32(*v.lineCap);
  if (v.lineJoin) lineJoinStyle_ = saturatedInt32(*v.lineJoin);
  if (v.miterLimit) lineMiterLimit_ = static_cast<double>(*v.miterLimit);
  // The dash phase of the entry is not kept; the state's phase stays.
  if (v.dashArray) lineDashPattern_ = *v.dashArray;
  if (v.strokeAlpha) strokeAlpha_ = static_cast<double>(*v.strokeAlpha);
  if (v.fillAlpha) fillAlpha_ = static_cast<double>(*v.fillAlpha);
  if (v.alphaIsShape) alphaFlag_ = *v.alphaIsShape;
  if (v.fillOverprint) fillOverprint_ = *v.fillOverprint;
  if (v.strokeOverprint) strokeOverprint_ = *v.strokeOverprint;
  if (v.strokeAdjust) strokeAdjust_ = *v.strokeAdjust;
  if (v.blendMode) blendMode_ = *v.blendMode;
}

// The graphics and text state and its save/restore stack.
#include <gtest/gtest.h>

#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFExtGState.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/RenderingStateStack.h"

namespace {

using platform::AffineTransform;
using platform::Path;
using platform::Rect;

TEST(RenderState, NewStateHasTheDocumentedDefaults) {
  QVPDFRenderState s;
  EXPECT_TRUE(s.ctm().isIdentity());
  EXPECT_TRUE(s.textMatrix().isIdentity());
  EXPECT_TRUE(s.lineMatrix().isIdentity());
  EXPECT_EQ(s.horizontalScaling(), 1.0);
  EXPECT_EQ(s.lineWidth(), 1.0);
  EXPECT_EQ(s.lineMiterLimit(), 10.0);
  EXPECT_EQ(s.lineFlatness(), static_cast<double>(0.6f));
  EXPECT_EQ(s.fillAlpha(), 1.0);
  EXPECT_EQ(s.strokeAlpha(), 1.0);
  EXPECT_TRUE(s.alphaFlag());
  EXPECT_EQ(s.font(), nullptr);
  EXPECT_EQ(s.fontSize(), 0);
  EXPECT_TRUE(s.cgPath().isEmpty());
  EXPECT_TRUE(s.clipBezierPaths().empty());
  EXPECT_TRUE(s.lineDashPattern().empty());
  EXPECT_EQ(s.fillColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceRGB);
  EXPECT_EQ(s.strokeColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceRGB);
  EXPECT_EQ(s.currentFillRGBColor(), (QVPDFRGB{1, 1, 1}));
  EXPECT_EQ(s.currentStrokeRGBColor(), (QVPDFRGB{0, 0, 0}));
}

TEST(RenderState, DeviceColourIsOpaqueWhateverTheAlpha) {
  QVPDFRenderState s;
  QVPDFColor red;
  red.c[0] = 255;
  s.setFillColor(red);
  s.setFillAlpha(0.25);
  EXPECT_EQ(s.currentFillColor(), platform::Color::rgb(1, 0, 0, 1));
  EXPECT_EQ(s.currentOpacity(), 0.25);
  // A colour set after the last was read is the one read next.
  QVPDFColor blue;
  blue.c[2] = 255;
  s.setFillColor(blue);
  EXPECT_EQ(s.currentFillRGBColor(), (QVPDFRGB{0, 0, 255}));
  s.setStrokeColor(blue);
  EXPECT_EQ(s.currentStrokeRGBColor(), (QVPDFRGB{0, 0, 255}));
  s.setStrokeColorSpace(QVPDFColorSpace::deviceGray());
  EXPECT_EQ(s.currentStrokeRGBColor(), (QVPDFRGB{0, 0, 0}));
  s.setFillColorSpace(nullptr);
  s.setStrokeColorSpace(nullptr);
  EXPECT_EQ(s.currentFillRGBColor(), (QVPDFRGB{0, 0, 0}));
  EXPECT_EQ(s.currentFillColor(), platform::Color::rgb(0, 0, 0, 1));
  EXPECT_EQ(s.currentStrokeColor(), platform::Color::rgb(0, 0, 0, 1));
}

TEST(RenderState, TextLineOperations) {
  QVPDFRenderState s;
  s.setTextMatrix({2, 0, 0, 2, 10, 20}, true);
  s.newLineWithLeading(-14, 5, true);  // TD 5 -14
  EXPECT_EQ(s.leading(), 14);
  EXPECT_EQ(s.lineMatrix(), (AffineTransform{2, 0, 0, 2, 20, -8}));
  EXPECT_EQ(s.textMatrix(), s.lineMatrix());
  s.newLine();
  EXPECT_EQ(s.lineMatrix(), (AffineTransform{2, 0, 0, 2, 20, -36}));
  // The advance of a string moves the text matrix in text space; the line
  // matrix stays.
  s.translateTextPosition({3, 0});
  EXPECT_EQ(s.textMatrix(), (AffineTransform{2, 0, 0, 2, 26, -36}));
  EXPECT_EQ(s.lineMatrix(), (AffineTransform{2, 0, 0, 2, 20, -36}));
}

TEST(RenderState, CopiesAreIndependent) {
  QVPDFRenderState a;
  a.mutablePath().moveTo({1, 1});
  a.clipState(Path(), 1);  // an empty clip path is ignored
  Path clip;
  clip.addRect(Rect(0, 0, 5, 5));
  a.clipState(clip, 1);
  QVPDFRenderState b = a;
  b.mutablePath().lineTo({2, 2});
  b.setLineWidth(4);
  b.clipState(clip, 2);
  b.setLineDashPattern({1, 2});
  EXPECT_EQ(a.cgPath().elements().size(), 1u);
  EXPECT_EQ(b.cgPath().elements().size(), 2u);
  EXPECT_EQ(a.lineWidth(), 1);
  EXPECT_EQ(a.clipBezierPaths().size(), 1u);
  EXPECT_EQ(b.clipBezierPaths().size(), 2u);
  EXPECT_TRUE(a.lineDashPattern().empty());
  // Shared immutable objects are shared, not copied.
  EXPECT_EQ(a.fillColorSpace(), b.fillColorSpace());
  EXPECT_EQ(a.clipBezierPaths()[0], b.clipBezierPaths()[0]);
  // Changing the original after the copy leaves the copy alone too.
  a.mutablePath().closeSubpath();
  EXPECT_EQ(b.cgPath().elements().size(), 2u);
  a.setCgPath(nullptr);
  EXPECT_TRUE(a.cgPath().isEmpty());
  EXPECT_EQ(b.cgPath().elements().size(), 2u);
}

TEST(RenderState, ExtendedGraphicsStateChangesOnlyItsKeys) {
  QVPDFExtGState gs;
  QVPDFExtGStateValue v;
  v.fillAlpha = 0.5f;
  gs.setGStateValue(v);
  QVPDFRenderState s;
  s.setLineWidth(3);
  s.setGraphicState(&gs);
  EXPECT_EQ(s.fillAlpha(), 0.5);
  EXPECT_EQ(s.currentOpacity(), 0.5);
  EXPECT_EQ(s.strokeAlpha(), 1.0);
  EXPECT_EQ(s.lineWidth(), 3);
  s.setGraphicState(nullptr);
  EXPECT_EQ(s.fillAlpha(), 0.5);

  QVPDFExtGStateValue all;
  all.lineWidth = 2.f;
  all.lineCap = 1;
  all.lineJoin = int64_t{1} << 40;  // out of range: saturates
  all.miterLimit = 3.f;
  all.dashArray = std::vector<int64_t>{6, 2};
  all.strokeAlpha = 0.75f;
  all.alphaIsShape = false;
  all.fillOverprint = true;
  all.strokeOverprint = true;
  all.strokeAdjust = true;
  all.blendMode = QVPDFExtGState::kBlendScreen;
  gs.setGStateValue(all);
  s.setLineDashPhase(5);
  s.setGraphicState(&gs);
  EXPECT_EQ(s.lineWidth(), 2);
  EXPECT_EQ(s.lineCapStyle(), 1);
  EXPECT_EQ(s.lineJoinStyle(), INT32_MAX);
  EXPECT_EQ(s.lineMiterLimit(), 3);
  EXPECT_EQ(s.lineDashPattern(), (std::vector<int64_t>{6, 2}));
  EXPECT_EQ(s.lineDashPhase(), 5);
  EXPECT_EQ(s.strokeAlpha(), 0.75);
  EXPECT_FALSE(s.alphaFlag());
  EXPECT_TRUE(s.fillOverprint());
  EXPECT_TRUE(s.strokeOverprint());
  EXPECT_TRUE(s.strokeAdjust());
  EXPECT_EQ(s.blendMode(), 2);
}

TEST(RenderingStateStackTest, RestoreNeverEmptiesTheStack) {
  RenderingStateStack stack;
  EXPECT_EQ(stack.depth(), 1u);
  EXPECT_FALSE(stack.restoreRenderingState());
  EXPECT_EQ(stack.depth(), 1u);
  stack.topRenderingState().setLineWidth(2);
  stack.saveRenderingState(stack.topRenderingState());
  stack.topRenderingState().setLineWidth(9);
  EXPECT_EQ(stack.depth(), 2u);
  EXPECT_TRUE(stack.restoreRenderingState());
  EXPECT_EQ(stack.topRenderingState().lineWidth(), 2);
  stack.reset();
  EXPECT_EQ(stack.depth(), 1u);
  EXPECT_EQ(stack.topRenderingState().lineWidth(), 1);
}

TEST(RenderingStateStackTest, StatesBelowTheTopStayInPlace) {
  RenderingStateStack stack;
  QVPDFRenderState& page = stack.topRenderingState();
  page.setLineWidth(4);
  for (int i = 0; i < 1000; ++i) stack.saveRenderingState(stack.topRenderingState());
  EXPECT_EQ(page.lineWidth(), 4);
  while (stack.restoreRenderingState()) {
  }
  EXPECT_EQ(&stack.topRenderingState(), &page);
}

}  // namespace

// The interpreter's graphics-state operators, checked through the state a
// delegate reads during its callbacks: transformation matrices through cm and
// nested q/Q, a stray Q, line style and dash, extended graphics states, and
// fill and stroke colours in each colour space.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "pdf/QVPDFColorSpace.h"
#include "tests/pdf/interpreter_recording.h"

namespace {

using interptest::Event;
using interptest::runPage;
using platform::AffineTransform;

// A tiny filled square: one path callback that carries the state.
const std::string kMark = " 0 0 1 1 re f ";

TEST(InterpreterGraphics, ConcatenatesMatricesWithTheNewOneFirst) {
  auto r = runPage("1 0 0 1 100 200 cm 2 0 0 2 0 0 cm" + kMark);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0]->state.ctm(), (AffineTransform{2, 0, 0, 2, 100, 200}));
}

TEST(InterpreterGraphics, NestedSaveAndRestoreBringBackEachLevelsMatrix) {
  auto r = runPage("1 0 0 1 10 0 cm q 2 0 0 2 0 0 cm q 1 0 0 1 0 5 cm" + kMark + "Q" + kMark + "Q" + kMark);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[0]->state.ctm(), (AffineTransform{2, 0, 0, 2, 10, 10}));
  EXPECT_EQ(paths[0]->depth, 3u);
  EXPECT_EQ(paths[1]->state.ctm(), (AffineTransform{2, 0, 0, 2, 10, 0}));
  EXPECT_EQ(paths[1]->depth, 2u);
  EXPECT_EQ(paths[2]->state.ctm(), (AffineTransform{1, 0, 0, 1, 10, 0}));
  EXPECT_EQ(paths[2]->depth, 1u);
  EXPECT_EQ(r.stack->depth(), 1u);
}

TEST(InterpreterGraphics, UnbalancedRestoreKeepsPageState) {
  // A stray Q at the start and more Q than q later: the page's own state
  // stays, and everything after still reaches the delegate with its state.
  auto r = runPage("Q 0.5 w 1 0 0 1 7 7 cm q Q Q Q 1 0 0 rg" + kMark);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0]->state.lineWidth(), 0.5);
  EXPECT_EQ(paths[0]->state.ctm(), AffineTransform::translation(7, 7));
  EXPECT_EQ(paths[0]->state.currentFillRGBColor(), (QVPDFRGB{255, 0, 0}));
  EXPECT_EQ(r.stack->depth(), 1u);
}

TEST(InterpreterGraphics, SavesBeyondTheLimitStayBalanced) {
  // Far more nested saves than are kept: the restores that match the
  // uncounted saves undo nothing, and the outer ones still restore.
  const int n = static_cast<int>(QVPDFConentParserLimits::kMaxSavedStates) + 500;
  std::string content = "3 w ";
  for (int i = 0; i < n; ++i) content += "q ";
  content += "9 w";
  content += kMark;
  for (int i = 0; i < n; ++i) content += "Q ";
  content += kMark;
  auto r = runPage(content);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0]->state.lineWidth(), 9);
  EXPECT_EQ(paths[0]->depth, QVPDFConentParserLimits::kMaxSavedStates);
  EXPECT_EQ(paths[1]->state.lineWidth(), 3);
  EXPECT_EQ(paths[1]->depth, 1u);
}

TEST(InterpreterGraphics, LineStyleOperatorsSetTheState) {
  auto r = runPage("2.5 w 1 J 2 j 4.5 M 0.25 i [3 2] 1 d" + kMark);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  const QVPDFRenderState& s = paths[0]->state;
  EXPECT_EQ(s.lineWidth(), 2.5);
  EXPECT_EQ(s.lineCapStyle(), 1);
  EXPECT_EQ(s.lineJoinStyle(), 2);
  EXPECT_EQ(s.lineMiterLimit(), 4.5);
  EXPECT_EQ(s.lineFlatness(), 0.25);
  EXPECT_EQ(s.lineDashPattern(), (std::vector<int64_t>{3, 2}));
  EXPECT_EQ(s.lineDashPhase(), 1);
}

TEST(InterpreterGraphics, DashOperatorRules) {
  struct Case {
    const char* content;
    std::vector<int64_t> pattern;
    int64_t phase;
  };
  const Case cases[] = {
      {"[3 2] 0 d", {3, 2}, 0},
      {"[3 2] 0.5 d", {}, 0},           // a real phase leaves the operator without effect
      {"[3 2] 0 d [] 0 d", {}, 0},      // an empty array is a solid line
      {"[2.75 -1.5] 4 d", {2, -1}, 4},  // reals are truncated
      {"3 0 d", {}, 0},                 // no array: no effect
  };
  for (const Case& c : cases) {
    auto r = runPage(std::string(c.content) + kMark);
    auto paths = r.delegate->of(Event::Path);
    ASSERT_EQ(paths.size(), 1u) << c.content;
    EXPECT_EQ(paths[0]->state.lineDashPattern(), c.pattern) << c.content;
    EXPECT_EQ(paths[0]->state.lineDashPhase(), c.phase) << c.content;
  }
}

TEST(InterpreterGraphics, ExtendedGraphicsStateAppliesOnlyWhatItHolds) {
  qvtest::PdfBuilder b;
  auto gs = b.parse("<< /Type /ExtGState /LW 2 /LC 1 /ca 0.5 /CA 0.25 /BM /Multiply /D [[4 1] 3] >>");
  auto r = runPage("0.5 j /GS1 gs" + kMark + "/Unknown gs" + kMark, {{"ExtGState", {{"GS1", gs}}}});
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 2u);
  for (const Event* e : paths) {
    const QVPDFRenderState& s = e->state;
    EXPECT_EQ(s.lineWidth(), 2.0);
    EXPECT_EQ(s.lineCapStyle(), 1);
    EXPECT_EQ(s.lineJoinStyle(), 0);  // 0.5 is no integer: j had no effect
    EXPECT_EQ(s.currentOpacity(), 0.5);
    EXPECT_EQ(s.currentStrokeAlpha(), 0.25);
    EXPECT_EQ(s.blendMode(), 1);
    EXPECT_EQ(s.lineDashPattern(), (std::vector<int64_t>{4, 1}));
    EXPECT_EQ(s.lineDashPhase(), 0);
  }
}

TEST(InterpreterGraphics, DeviceColourOperatorsSetSpaceColourAndClearPattern) {
  auto r = runPage("0.5 G 1 0 0 rg" + kMark + "0 0 1 RG 0 0 0 1 k" + kMark + "1 0.5 0 0 K 0.25 g" + kMark);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 3u);
  const QVPDFRenderState& a = paths[0]->state;
  EXPECT_EQ(a.strokeColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceGray);
  EXPECT_EQ(a.strokeColor().c[0], 127);  // 0.5 × 255 truncated
  EXPECT_EQ(a.currentStrokeRGBColor(), (QVPDFRGB{127, 127, 127}));
  EXPECT_EQ(a.fillColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceRGB);
  EXPECT_EQ(a.currentFillRGBColor(), (QVPDFRGB{255, 0, 0}));
  EXPECT_EQ(a.currentFillColor(), platform::Color::rgb(1, 0, 0, 1));
  EXPECT_EQ(a.fillPattern(), nullptr);

  const QVPDFRenderState& b = paths[1]->state;
  EXPECT_EQ(b.currentStrokeRGBColor(), (QVPDFRGB{0, 0, 255}));
  EXPECT_EQ(b.fillColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceCMYK);
  EXPECT_EQ(b.currentFillRGBColor(), (QVPDFRGB{35, 31, 32}));

  const QVPDFRenderState& c = paths[2]->state;
  EXPECT_EQ(c.strokeColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceCMYK);
  EXPECT_EQ(c.strokeColor().c[0], 255);
  EXPECT_EQ(c.strokeColor().c[1], 127);
  EXPECT_EQ(c.fillColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceGray);
  EXPECT_EQ(c.currentFillRGBColor(), (QVPDFRGB{63, 63, 63}));
}

TEST(InterpreterGraphics, ColourSpaceOperatorsResolveNamesThenFamilies) {
  qvtest::PdfBuilder b;
  auto indexed = b.parse("[/Indexed /DeviceRGB 1 <0A141EFF8000>]");
  auto sepFn = b.parse("<< /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0 1] /N 1 >>");
  auto separation = QPDFObjectHandle::newArray();
  separation.appendItem(QPDFObjectHandle::newName("/Spot"));
  separation.appendItem(QPDFObjectHandle::newName("/DeviceRGB"));
  separation.appendItem(sepFn);
  separation.insertItem(0, QPDFObjectHandle::newName("/Separation"));
  auto icc = b.stream("", "<< /N 3 >>");
  auto iccArray = QPDFObjectHandle::newArray();
  iccArray.appendItem(QPDFObjectHandle::newName("/ICCBased"));
  iccArray.appendItem(icc);
  auto lab = b.parse("[/Lab << /WhitePoint [0.9505 1.0 1.089] >>]");
  auto calRGB = b.parse("[/CalRGB << /WhitePoint [0.9505 1.0 1.089] >>]");

  const std::string content =
      "/Idx cs 1 sc /DeviceGray CS 0.2 SC" + kMark +      // an Indexed entry; a family name
      "/Sep cs 1 scn /ICC CS 0 1 0 SCN" + kMark +         // Separation tint; ICCBased N 3
      "/L cs 100 0 0 sc /Cal CS 1 0 0 SC" + kMark +       // Lab; CalRGB
      "/Nothing cs /DeviceCMYK CS" + kMark;               // unknown: the fill space stays
  auto r = runPage(b, content, {{"ColorSpace",
                              {{"Idx", indexed}, {"Sep", separation}, {"ICC", iccArray}, {"L", lab}, {"Cal", calRGB}}}});
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 4u);

  const QVPDFRenderState& a = paths[0]->state;
  EXPECT_EQ(a.fillColorSpace()->getMode(), QVPDFColorSpace::kModeIndexed);
  EXPECT_EQ(a.currentFillRGBColor(), (QVPDFRGB{255, 128, 0}));
  EXPECT_EQ(a.strokeColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceGray);
  EXPECT_EQ(a.currentStrokeRGBColor(), (QVPDFRGB{51, 51, 51}));

  const QVPDFRenderState& s = paths[1]->state;
  EXPECT_EQ(s.fillColorSpace()->getMode(), QVPDFColorSpace::kModeSeparation);
  EXPECT_EQ(s.currentFillRGBColor(), (QVPDFRGB{0, 0, 255}));
  EXPECT_EQ(s.strokeColorSpace()->getMode(), QVPDFColorSpace::kModeICCBased);
  EXPECT_EQ(s.currentStrokeRGBColor(), (QVPDFRGB{0, 255, 0}));

  const QVPDFRenderState& l = paths[2]->state;
  EXPECT_EQ(l.fillColorSpace()->getMode(), QVPDFColorSpace::kModeLab);
  EXPECT_EQ(l.currentFillRGBColor(), (QVPDFRGB{255, 255, 255}));
  EXPECT_EQ(l.strokeColorSpace()->getMode(), QVPDFColorSpace::kModeCalRGB);
  EXPECT_EQ(l.currentStrokeRGBColor(), (QVPDFRGB{255, 0, 0}));

  const QVPDFRenderState& n = paths[3]->state;
  EXPECT_EQ(n.fillColorSpace()->getMode(), QVPDFColorSpace::kModeLab);
  EXPECT_EQ(n.strokeColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceCMYK);
  // cs/CS install the space's default colour.
  EXPECT_EQ(n.strokeColor(), n.strokeColorSpace()->getDefaultColor());
}

TEST(InterpreterGraphics, CalGrayAndDeviceNColours) {
  qvtest::PdfBuilder b;
  auto calGray = b.parse("[/CalGray << /WhitePoint [0.9505 1.0 1.089] >>]");
  // Two inks through a calculator function: (a, b) → RGB (a, b, 0).
  auto tint = b.stream("{ 0 }", "<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] >>");
  auto deviceN = QPDFObjectHandle::newArray();
  deviceN.appendItem(QPDFObjectHandle::newName("/DeviceN"));
  deviceN.appendItem(b.parse("[/InkA /InkB]"));
  deviceN.appendItem(QPDFObjectHandle::newName("/DeviceRGB"));
  deviceN.appendItem(tint);
  auto r = runPage(b, "/CG CS 0.5 SC /DN cs 1 0.5 scn" + kMark, {{"ColorSpace", {{"CG", calGray}, {"DN", deviceN}}}});
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  const QVPDFRenderState& s = paths[0]->state;
  EXPECT_EQ(s.strokeColorSpace()->getMode(), QVPDFColorSpace::kModeCalGray);
  EXPECT_EQ(s.currentStrokeRGBColor(), (QVPDFRGB{127, 127, 127}));
  EXPECT_EQ(s.fillColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceN);
  EXPECT_EQ(s.fillColor().c[0], 255);
  EXPECT_EQ(s.fillColor().c[1], 127);
  EXPECT_EQ(s.currentFillRGBColor(), (QVPDFRGB{255, 127, 0}));
}

TEST(InterpreterGraphics, PatternColourTakesNoOperands) {
  // In a Pattern space scn stops before taking its operands, so the pattern
  // name stays unused and the colour is unchanged.
  auto r = runPage("0.2 0.4 0.6 rg /Pattern cs /P1 scn" + kMark + "/DeviceRGB cs 1 1 0 sc" + kMark);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0]->state.fillColorSpace()->getMode(), QVPDFColorSpace::kModePattern);
  EXPECT_EQ(paths[1]->state.currentFillRGBColor(), (QVPDFRGB{255, 255, 0}));
}

TEST(InterpreterGraphics, ColourOperandsOutOfRangeSaturate) {
  auto r = runPage("99999999999999999999 -99999999999999999999.5 2 rg 99999999999 G" + kMark);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  const QVPDFRenderState& s = paths[0]->state;
  EXPECT_EQ(s.fillColor().c[0], INT32_MAX);
  EXPECT_EQ(s.fillColor().c[1], INT32_MIN);
  EXPECT_EQ(s.fillColor().c[2], 510);
  EXPECT_EQ(s.currentFillRGBColor(), (QVPDFRGB{255, 0, 255}));
  EXPECT_EQ(s.strokeColor().c[0], INT32_MAX);
  EXPECT_EQ(s.currentStrokeRGBColor(), (QVPDFRGB{255, 255, 255}));
}

TEST(InterpreterGraphics, MissingOrWrongOperandsLeaveTheStateAlone) {
  auto r = runPage("(x) w 1 0 rg /A G 1 2 3 4 5 cm 2.5 J" + kMark);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  const QVPDFRenderState& s = paths[0]->state;
  EXPECT_EQ(s.lineWidth(), 1.0);
  EXPECT_EQ(s.currentFillRGBColor(), (QVPDFRGB{1, 1, 1}));
  EXPECT_EQ(s.currentStrokeRGBColor(), (QVPDFRGB{0, 0, 0}));
  EXPECT_TRUE(s.ctm().isIdentity());
  EXPECT_EQ(s.lineCapStyle(), 0);
}

}  // namespace

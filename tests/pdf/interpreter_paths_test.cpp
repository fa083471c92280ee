// Path construction, the painting operators and clipping, as the delegate
// sees them.
#include <gtest/gtest.h>

#include <string>

#include "tests/pdf/interpreter_recording.h"

namespace {

using interptest::Event;
using interptest::runPage;
using platform::Path;
using platform::PathElementType;
using platform::Point;
using platform::Rect;

Path square(double x, double y, double side) {
  Path p;
  p.addRect(Rect(x, y, side, side));
  return p;
}

TEST(InterpreterPaths, EachPaintOperatorReportsItsFlagsAndRule) {
  struct Case {
    const char* op;
    bool stroke, fill, evenOdd, closes;
  };
  const Case cases[] = {
      {"S", true, false, false, false},  {"s", true, false, false, true},  {"f", false, true, false, false},
      {"F", false, true, false, false},  {"f*", false, true, true, false}, {"B", true, true, false, false},
      {"B*", true, true, true, false},   {"b", true, true, false, true},   {"b*", true, true, true, true},
  };
  for (const Case& c : cases) {
    auto r = runPage(std::string("10 10 m 20 20 l 30 10 l ") + c.op + " 0 0 m 5 5 l S");
    auto paths = r.delegate->of(Event::Path);
    ASSERT_EQ(paths.size(), 2u) << c.op;
    const Event& e = *paths[0];
    EXPECT_EQ(e.stroke, c.stroke) << c.op;
    EXPECT_EQ(e.fill, c.fill) << c.op;
    EXPECT_EQ(e.state.usesEvenOddFillRule(), c.evenOdd) << c.op;
    Path expected;
    expected.moveTo({10, 10});
    expected.lineTo({20, 20});
    expected.lineTo({30, 10});
    if (c.closes) expected.closeSubpath();
    EXPECT_EQ(e.path, expected) << c.op;
    // The state still holds the same path during the call.
    EXPECT_EQ(e.state.cgPath(), expected) << c.op;
    // Painting empties the path: the next one starts afresh.
    Path next;
    next.moveTo({0, 0});
    next.lineTo({5, 5});
    EXPECT_EQ(paths[1]->path, next) << c.op;
  }
}

TEST(InterpreterPaths, EndWithoutPaintingReportsNothing) {
  auto r = runPage("10 10 m 20 20 l n f");
  auto paths = r.delegate->of(Event::Path);
  // n reports nothing; f on the empty path still reports, with fill set.
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_TRUE(paths[0]->path.isEmpty());
  EXPECT_TRUE(paths[0]->fill);
}

TEST(InterpreterPaths, CurvesTakeTheirControlPointsAsWritten) {
  auto r = runPage("0 0 m 1 2 3 4 5 6 c 7 8 9 10 v 11 12 13 14 y h 20 30 -5 10 re S");
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  Path expected;
  expected.moveTo({0, 0});
  expected.curveTo({1, 2}, {3, 4}, {5, 6});
  expected.curveTo({5, 6}, {7, 8}, {9, 10});        // v: the current point first
  expected.curveTo({11, 12}, {13, 14}, {13, 14});   // y: the end point twice
  expected.closeSubpath();
  expected.addRect(Rect(20, 30, -5, 10));
  EXPECT_EQ(paths[0]->path, expected);
  // Coordinates stay in user space whatever the matrix.
  auto scaled = runPage("2 0 0 2 0 0 cm 1 1 m 3 3 l S");
  Path line;
  line.moveTo({1, 1});
  line.lineTo({3, 3});
  EXPECT_EQ(scaled.delegate->of(Event::Path).at(0)->path, line);
}

TEST(InterpreterPaths, SegmentsWithoutCurrentPointAreRefused) {
  auto r = runPage("5 5 l 1 2 3 4 5 6 c 1 1 2 2 v 1 1 2 2 y S");
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_TRUE(paths[0]->path.isEmpty());
}

TEST(InterpreterPaths, ClipPathsAreCollectedInPageSpace) {
  auto r = runPage(
      "1 0 0 1 100 50 cm 0 0 10 10 re W n "      // a clip through n, translated
      "2 0 0 2 0 0 cm 1 1 4 4 re W* f "          // a painted clip (f reports first), scaled
      "0 0 1 1 re S");
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 2u);
  // During the fill that sets the second clip, only the first one applies,
  // and the clip request is still pending.
  ASSERT_EQ(paths[0]->state.clipBezierPaths().size(), 1u);
  EXPECT_EQ(*paths[0]->state.clipBezierPaths()[0], square(100, 50, 10));
  EXPECT_EQ(paths[0]->state.clip(), QVPDFRenderState::kEvenOddClip);
  // Afterwards both apply, in page space, and no request is pending.
  const QVPDFRenderState& s = paths[1]->state;
  ASSERT_EQ(s.clipBezierPaths().size(), 2u);
  EXPECT_EQ(*s.clipBezierPaths()[0], square(100, 50, 10));
  EXPECT_EQ(*s.clipBezierPaths()[1], square(102, 52, 8));
  EXPECT_EQ(s.clip(), QVPDFRenderState::kNoClip);
}

TEST(InterpreterPaths, ClipPathsFollowSaveAndRestore) {
  auto r = runPage("q 0 0 10 10 re W n 0 0 1 1 re f Q 0 0 1 1 re f W n 0 0 1 1 re f");
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[0]->state.clipBezierPaths().size(), 1u);
  EXPECT_EQ(paths[1]->state.clipBezierPaths().size(), 0u);
  // W n on an empty path leaves the list as it is.
  EXPECT_EQ(paths[2]->state.clipBezierPaths().size(), 0u);
}

TEST(InterpreterPaths, PathBuiltBeforeSaveSurvivesRestore) {
  auto r = runPage("0 0 m 10 0 l q 10 10 l 99 w Q S");
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  Path expected;
  expected.moveTo({0, 0});
  expected.lineTo({10, 0});
  EXPECT_EQ(paths[0]->path, expected);
  EXPECT_EQ(paths[0]->state.lineWidth(), 1.0);
}

TEST(InterpreterPaths, CopyingWorkIsBoundedPerPage) {
  // A large path that every save shares and the next segment must copy:
  // without a bound this is quadratic. Over the budget the page is cut off.
  std::string content = "0 0 m";
  for (int i = 0; i < 5000; ++i) content += " 1 1 l";
  for (int i = 0; i < 300; ++i) content += " q 2 2 l Q";
  content += " S";
  qvtest::PdfBuilder b;
  b.addPage(content);
  interptest::InterpretedPdf pdf(b);
  QVPDFConentParserLimits tight;
  tight.maxCopyWorkPerPage = 500'000;
  auto cut = pdf.run(1, tight);
  EXPECT_TRUE(cut.cutOff);
  EXPECT_TRUE(cut.delegate->of(Event::Path).empty());
  auto full = pdf.run(1);
  EXPECT_FALSE(full.cutOff);
  EXPECT_EQ(full.delegate->of(Event::Path).size(), 1u);
}

TEST(InterpreterPaths, OrdinaryPagesAreNotCutOff) {
  std::string content;
  for (int i = 0; i < 2000; ++i) content += "q 0 0 5 5 re W n 1 0 0 1 1 1 cm 0 0 1 1 re f Q ";
  auto r = runPage(content);
  EXPECT_FALSE(r.cutOff);
  EXPECT_EQ(r.delegate->of(Event::Path).size(), 2000u);
}

}  // namespace

// The text routing state machine, driven by scripted strings and matrices:
// upright strings become main-text runs, quarter-turned ones text boxes,
// other angles and mirrored text text paths, and each open box or path is
// continued or closed as the strings that follow it say.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "docx/QVDocxUtilities.h"
#include "docx/QVTextRouter.h"

namespace {

using platform::AffineTransform;

// Text space to display space for text whose base line runs at `degrees`
// (display space, y downwards) from (x, y); mirrored text is turned over
// its base line.
AffineTransform direction(double degrees, double x, double y, bool mirrored = false) {
  const double r = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(r), s = std::sin(r);
  const double m = mirrored ? -1 : 1;
  return {c, s, m * s, -m * c, x, y};
}

// The string `text` drawn with the transform, `advance` long along its line.
QVShownString shown(std::string_view text, const AffineTransform& t, double advance, double size = 14,
                    double spaceWidth = 3.5) {
  QVShownString s;
  s.text = text;
  s.start = t;
  s.next = t.translated(advance, 0);
  s.fontSize = size;
  s.ascent = 0.8;
  s.descent = -0.2;
  s.spaceWidth = spaceWidth;
  return s;
}

class Recorder : public QVTextRouterDelegate {
 public:
  QVDocx_RPr properties = QVDocxUtilities::defaultRProperty();
  std::vector<QVMainTextString> runs;
  std::vector<QVRoutedTextBox> boxes;
  std::vector<QVRoutedTextPath> paths;

  QVDocx_RPr currentRProperty() override { return properties; }
  void makeMainRun(QVMainTextString run) override { runs.push_back(std::move(run)); }
  void closeTextBox(QVRoutedTextBox box) override { boxes.push_back(std::move(box)); }
  void closeTextPath(QVRoutedTextPath path) override { paths.push_back(std::move(path)); }
};

class TextRouterTest : public testing::Test {
 protected:
  TextRouterTest() : router(context, recorder) { router.begainPage({600, 800}); }

  std::string boxText(size_t box) const {
    std::string out;
    for (const QVDocxParagraph& p : recorder.boxes[box].paragraphs) {
      for (const auto& run : p.runArray) out += run->asText()->runText;
      out += '|';
    }
    return out;
  }

  QVDocxConversionContext context;
  Recorder recorder;
  QVTextRouter router;
};

TEST_F(TextRouterTest, LoneBlanksBeforeThePagesFirstTextAreDropped) {
  for (const char* blank : {" ", "\t", "\n"}) router.didScanText(shown(blank, direction(0, 72, 100), 4));
  EXPECT_TRUE(recorder.runs.empty());
  EXPECT_EQ(context.drawCounter, 0);
  router.didScanText(shown("Word", direction(0, 72, 100), 30));
  router.didScanText(shown(" ", direction(0, 102, 100), 4));
  ASSERT_EQ(recorder.runs.size(), 2u);
  EXPECT_EQ(recorder.runs[1].text, " ");
  EXPECT_EQ(recorder.runs[1].drawIndex, 1u);
}

TEST_F(TextRouterTest, UprightRunIsPlacedAtItsStartAndMeasuredToItsEnd) {
  router.didScanText(shown("Hello", direction(0, 72, 100), 30.5));
  ASSERT_EQ(recorder.runs.size(), 1u);
  const QVMainTextString& run = recorder.runs[0];
  EXPECT_EQ(run.start.rotation, 0.0f);
  EXPECT_DOUBLE_EQ(run.start.yBase, 100);
  EXPECT_DOUBLE_EQ(run.textWidth, 30.5);
  EXPECT_DOUBLE_EQ(run.end.topLeft.x, 102.5);
  EXPECT_DOUBLE_EQ(run.spaceWidth, 3.5);
  EXPECT_FALSE(router.isNotScanTextYet());
}

TEST_F(TextRouterTest, RotationBandsChooseBoxPathOrMainText) {
  router.didScanText(shown("a", direction(87, 100, 100), 10));
  ASSERT_TRUE(router.isUsingTextBox());
  EXPECT_EQ(router.cachedTextBoxInfo().rotation, 90.0);
  router.endPage();
  for (double degrees : {85.0, 95.0, 357.0, 30.0}) {
    router.didScanText(shown("b", direction(degrees, 100, 100), 10));
    EXPECT_TRUE(router.isUsingTextPath()) << degrees;
    router.endPage();
  }
  router.didScanText(shown("c", direction(272, 100, 300), 10));
  EXPECT_EQ(router.cachedTextBoxInfo().rotation, 270.0);
  router.endPage();
  router.didScanText(shown("d", direction(3, 100, 400), 10));
  EXPECT_EQ(recorder.runs.size(), 1u);
}

TEST_F(TextRouterTest, MirroredTextIsAPathButBoxesDoNotLookAtMirroring) {
  router.didScanText(shown("m", direction(0, 72, 100, true), 10));
  EXPECT_TRUE(router.isUsingTextPath());
  router.endPage();
  EXPECT_EQ(recorder.paths.size(), 1u);
  EXPECT_TRUE(recorder.paths[0].info.flipY);

  router.didScanText(shown("box", direction(90, 100, 100), 30));
  router.didScanText(shown("more", direction(90, 100, 130, true), 30));
  EXPECT_TRUE(router.isUsingTextBox());
  EXPECT_TRUE(recorder.boxes.empty());
  router.didScanText(shown("turned", direction(270, 300, 300, true), 30));
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_TRUE(router.isUsingTextBox());
  EXPECT_EQ(router.cachedTextBoxInfo().rotation, 270.0);
}

TEST_F(TextRouterTest, BoxLineFurtherAcrossOpensAParagraphOrCloses) {
  router.didScanText(shown("first", direction(90, 100, 100), 50));
  const double left = router.cachedTextBoxInfo().displayX;
  router.didScanText(shown("second", direction(90, 120, 150), 50));
  ASSERT_EQ(router.cachedTextBoxParagraphs().size(), 2u);
  const QVDocxParagraph& p = router.cachedTextBoxParagraphs()[1];
  EXPECT_FLOAT_EQ(p.pProperty.spacing.line, 20.0f);
  EXPECT_FLOAT_EQ(p.pProperty.ind.left, static_cast<float>(left + 20 - left));
  router.didScanText(shown("far", direction(90, 220, 200), 30));
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(boxText(0), "first|second|");
  EXPECT_TRUE(router.isUsingTextBox());
}

TEST_F(TextRouterTest, SameLineGapsBecomeSpacesAndBackStepsClose) {
  // One space is 3.5 points: a gap of 2.5 spaces gives two.
  router.didScanText(shown("a", direction(90, 100, 100), 10));
  router.didScanText(shown("b", direction(90, 100, 110 + 2.5 * 3.5), 10));
  router.didScanText(shown("c", direction(90, 100, 128.75 - 0.5 * 3.5), 10));
  EXPECT_EQ(router.cachedTextBoxParagraphs().size(), 1u);
  router.didScanText(shown("d", direction(90, 100, 137 - 3.5), 10));
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(boxText(0), "a  bc|");
}

TEST_F(TextRouterTest, BoxRunsOfEqualPropertiesGrowAlongTheText) {
  router.didScanText(shown("ab", direction(90, 100, 100), 12));
  router.didScanText(shown("cd", direction(90, 100, 112), 8));
  const QVDocxParagraph& p = router.cachedTextBoxParagraphs()[0];
  ASSERT_EQ(p.runArray.size(), 1u);
  EXPECT_EQ(p.runArray[0]->asText()->runText, "abcd");
  EXPECT_DOUBLE_EQ(p.runArray[0]->asText()->textWidth, 20);
  recorder.properties.b = true;
  router.didScanText(shown("ef", direction(90, 100, 120), 8));
  EXPECT_EQ(router.cachedTextBoxParagraphs()[0].runArray.size(), 2u);
}

TEST_F(TextRouterTest, ClosedBoxIsItsTextAndThirtySixPointsOfFrame) {
  router.didScanText(shown("long", direction(90, 100, 100), 200));
  router.didScanText(shown("x", direction(90, 126, 300), 5));
  router.endPage();
  ASSERT_EQ(recorder.boxes.size(), 1u);
  // The first line is resolved from its run's 12-point size when the second
  // opens; the second is 26 points across.
  EXPECT_DOUBLE_EQ(recorder.boxes[0].info.displayWidth, 12 + 26 + 36.0);
  EXPECT_DOUBLE_EQ(recorder.boxes[0].info.displayHeight, 200 + 36.0);
}

TEST_F(TextRouterTest, UprightTextAfterABoxRejoinsTheFlowFromTheLastMainText) {
  router.didScanText(shown("main", direction(0, 72, 100), 40));
  const QVPDF_CTMInfo mainEnd = router.mainTextCTMInfo();
  router.didScanText(shown("up", direction(270, 500, 500), 20));
  EXPECT_TRUE(router.isUsingTextBox());
  router.didScanText(shown("again", direction(0, 72, 120), 40));
  EXPECT_FALSE(router.isUsingTextBox());
  ASSERT_EQ(recorder.runs.size(), 2u);
  EXPECT_EQ(recorder.runs[1].text, "again");
  EXPECT_EQ(recorder.boxes.size(), 1u);
  router.restore();
  EXPECT_NE(router.nextCharCTMInfo(), mainEnd);
}

TEST_F(TextRouterTest, TextPathContinuesAlongItsOwnLineAndKeepsItsFirstProperties) {
  const AffineTransform t = direction(30, 100, 100);
  router.didScanText(shown("Tur", t, 20));
  recorder.properties.sz = 30;
  router.didScanText(shown("ned", t.translated(20, 0), 20));
  EXPECT_TRUE(router.isUsingTextPath());
  EXPECT_EQ(router.cachedTextPathString(), "Turned");
  router.didScanText(shown("off", t.translated(40, 30), 20));
  ASSERT_EQ(recorder.paths.size(), 1u);
  EXPECT_EQ(recorder.paths[0].text, "Turned");
  EXPECT_EQ(recorder.paths[0].info.rProperty.sz, 12.0f);
  EXPECT_NEAR(recorder.paths[0].info.displayWidth, 40, 1e-9);
}

TEST_F(TextRouterTest, UpsideDownLineIsOnePathAlongItsOwnDirection) {
  // Text turned by 180 degrees steps to the left on the page: each string
  // continues the line rather than starting a new one.
  const AffineTransform t = direction(180, 400, 300);
  for (int i = 0; i < 4; ++i) router.didScanText(shown("word", t.translated(30.0 * i, 0), 30));
  EXPECT_TRUE(router.isUsingTextPath());
  router.endPage();
  ASSERT_EQ(recorder.paths.size(), 1u);
  EXPECT_EQ(recorder.paths[0].text, "wordwordwordword");
  EXPECT_NEAR(recorder.paths[0].info.displayWidth, 120, 1e-9);
  EXPECT_TRUE(recorder.runs.empty());
}

TEST_F(TextRouterTest, PathOfOneStringReachesFromItsStartToItsEnd) {
  router.didScanText(shown("one", direction(45, 100, 100), 30));
  router.endPage();
  ASSERT_EQ(recorder.paths.size(), 1u);
  EXPECT_NEAR(recorder.paths[0].info.displayWidth, 30, 1e-9);
  EXPECT_EQ(recorder.paths[0].info.rotation, 45.0f);
}

TEST_F(TextRouterTest, StringsPlacedByUndefinedNumbersLeaveNoRun) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  router.didScanText(shown("bad", AffineTransform{nan, 0, 0, -1, 72, 100}, 10));
  router.didScanText(shown("inf", AffineTransform{1, 0, 0, -1, std::numeric_limits<double>::infinity(), 100}, 10));
  EXPECT_TRUE(recorder.runs.empty());
  EXPECT_EQ(context.drawCounter, 0);
  router.didScanText(shown("good", direction(0, 72, 100), 10));
  EXPECT_EQ(recorder.runs.size(), 1u);
}

TEST_F(TextRouterTest, ASpaceWidthOfAlmostNothingMakesAtMostAPageOfSpaces) {
  router.didScanText(shown("a", direction(90, 100, 100), 10, 14, 1e-12));
  router.didScanText(shown("b", direction(90, 100, 140), 10, 14, 1e-12));
  const std::string text = router.cachedTextBoxParagraphs()[0].runArray[0]->asText()->runText;
  EXPECT_EQ(text.size(), 2u + 800u);
}

}  // namespace

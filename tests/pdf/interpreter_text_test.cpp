// The text-state operators: matrices, spacing, leading and the operators
// that move to the next line. Whether text is reported depends on the fonts;
// the state they leave is checked here through a path painted afterwards.
#include <gtest/gtest.h>

#include <string>

#include "pdf/fonts/QVPDFFont.h"
#include "tests/pdf/interpreter_recording.h"

namespace {

using interptest::Event;
using interptest::runPage;
using platform::AffineTransform;

const std::string kMark = " 0 0 1 1 re f ";

const QVPDFRenderState& stateAfter(const interptest::InterpretedPdf::Run& r, size_t index = 0) {
  return r.delegate->of(Event::Path).at(index)->state;
}

TEST(InterpreterText, TextStateOperatorsSetTheirFields) {
  auto r = runPage("BT 1.5 Tc 2 Tw 50 Tz 14 TL 3 Ts 3 Tr ET" + kMark);
  const QVPDFRenderState& s = stateAfter(r);
  EXPECT_EQ(s.characterSpacing(), 1.5);
  EXPECT_EQ(s.wordSpacing(), 2);
  EXPECT_EQ(s.horizontalScaling(), 0.5);
  EXPECT_EQ(s.leading(), 14);
  EXPECT_EQ(s.textRise(), 3);
  EXPECT_EQ(s.textRenderingMode(), 3);
  EXPECT_TRUE(s.textIsInvisible());
  // A mode the format does not define leaves the one in force.
  EXPECT_EQ(stateAfter(runPage("BT 7 Tr 9 Tr ET" + kMark)).textRenderingMode(), 7);
  EXPECT_FALSE(stateAfter(runPage("BT 3 Tr 4 Tr ET" + kMark)).textIsInvisible());
}

TEST(InterpreterText, LineOperatorsMoveTheLineMatrix) {
  struct Case {
    const char* content;
    AffineTransform line;
    double leading;
  };
  const Case cases[] = {
      {"BT 2 0 0 2 100 700 Tm 10 -5 Td ET", {2, 0, 0, 2, 120, 690}, 0},
      {"BT 0 -14 TD T* ET", {1, 0, 0, 1, 0, -28}, 14},
      {"BT 20 TL 5 5 Td T* ET", {1, 0, 0, 1, 5, -15}, 20},
      {"BT 12 TL (a) ' ET", {1, 0, 0, 1, 0, -12}, 12},
      {"BT 12 TL ' ET", {1, 0, 0, 1, 0, -12}, 12},  // the line move happens without a string
      {"BT 1 0 0 1 7 7 Tm ET BT ET", {1, 0, 0, 1, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    auto r = runPage(std::string(c.content) + kMark);
    const QVPDFRenderState& s = stateAfter(r);
    EXPECT_EQ(s.lineMatrix(), c.line) << c.content;
    EXPECT_EQ(s.textMatrix(), c.line) << c.content;
    EXPECT_EQ(s.leading(), c.leading) << c.content;
  }
}

TEST(InterpreterText, ShowWithSpacingSetsBothSpacingsBeforeTheLine) {
  auto r = runPage("BT 10 TL 2 1 (abc) \" ET" + kMark);
  const QVPDFRenderState& s = stateAfter(r);
  EXPECT_EQ(s.wordSpacing(), 2);
  EXPECT_EQ(s.characterSpacing(), 1);
  EXPECT_EQ(s.lineMatrix(), AffineTransform::translation(0, -10));
  // A missing operand leaves only its own step undone.
  auto partial = runPage("BT 10 TL 3 Tw (x) 4 (abc) \" ET" + kMark);
  const QVPDFRenderState& p = stateAfter(partial);
  EXPECT_EQ(p.wordSpacing(), 3);
  EXPECT_EQ(p.characterSpacing(), 4);
  EXPECT_EQ(p.lineMatrix(), AffineTransform::translation(0, -10));
}

TEST(InterpreterText, WithoutFontStringsNeitherReportNorMove) {
  auto r = runPage("BT 100 100 Td (Hello) Tj [(a) -250 (b)] TJ ET" + kMark);
  EXPECT_TRUE(r.delegate->of(Event::Text).empty());
  const QVPDFRenderState& s = stateAfter(r);
  EXPECT_EQ(s.textMatrix(), AffineTransform::translation(100, 100));
}

TEST(InterpreterText, UnknownFontChangesNeitherFontNorSize) {
  auto r = runPage("BT /F1 12 Tf ET" + kMark);
  EXPECT_EQ(stateAfter(r).font(), nullptr);
  EXPECT_EQ(stateAfter(r).fontSize(), 0);
}

TEST(InterpreterText, FontResourceBecomesTheCurrentFont) {
  // A direct dictionary: it belongs to no document, so the page's builder can
  // take it.
  auto font = QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  if (!QVPDFFont::fontWithDictionary(platform::PdfObject(font), "F1"))
    GTEST_SKIP() << "no font classes in this build";
  auto r = runPage("BT /F1 12 Tf ET" + kMark, {{"Font", {{"F1", font}}}});
  ASSERT_NE(stateAfter(r).font(), nullptr);
  EXPECT_EQ(stateAfter(r).font()->objectKey(), "F1");
  EXPECT_EQ(stateAfter(r).fontSize(), 12);
}

}  // namespace

// Text showing: each string of Tj, ', " and TJ is decoded, reported with its
// advance while the text matrix is still the one before it, and then moves
// the text position.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFTextShowing.h"
#include "pdf/RenderingStateStack.h"
#include "tests/pdf/text_support.h"

namespace {

using interptest::Event;
using platform::AffineTransform;

const char* kHelvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";

texttest::Page showPage(const std::string& content, const std::string& fontDict = kHelvetica,
                        const std::string& toUnicode = "") {
  qvtest::PdfBuilder b;
  auto font = b.qpdf().makeIndirectObject(b.parse(fontDict));
  if (!toUnicode.empty()) font.replaceKey("/ToUnicode", texttest::cmapStream(b, toUnicode));
  b.addPage(content, b.resources({{"Font", {{"F1", font}}}}));
  return texttest::interpret(b);
}

TEST(TextShowing, SpaceAdvanceTakesBothSpacingsAndTheScaling) {
  auto page = showPage("BT /F1 10 Tf 1 Tc 2 Tw 50 Tz ( ) Tj (A) Tj ET");
  ASSERT_EQ(page.texts.size(), 2u);
  EXPECT_EQ(page.texts[0]->text, " ");
  EXPECT_NEAR(page.texts[0]->offset.width, (10 * 0.278 + 1 + 2) * 0.5, 1e-5);
  EXPECT_EQ(page.texts[0]->offset.height, 0);
  EXPECT_NEAR(page.texts[1]->offset.width, (10 * 0.667 + 1) * 0.5, 1e-5);
}

TEST(TextShowing, OneSpaceCharacterOfAnyKindIsAPlainSpaceWithWordSpacing) {
  // 0xA0 is the no-break space in WinAnsi; the Differences give 0x41 the
  // ideographic space and 0x42 two characters.
  auto page = showPage("BT /F1 10 Tf 2 Tw (\240) Tj (A) Tj (B) Tj ET",
                       "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar 65 /LastChar 66"
                       " /Widths [1000 556]"
                       " /Encoding << /BaseEncoding /WinAnsiEncoding /Differences [65 /uni3000 /f_i] >> >>");
  ASSERT_EQ(page.texts.size(), 3u);
  EXPECT_EQ(page.texts[0]->text, " ");
  EXPECT_NEAR(page.texts[0]->offset.width, 10 * 0.278 + 2, 1e-5);
  EXPECT_EQ(page.texts[1]->text, " ");
  EXPECT_NEAR(page.texts[1]->offset.width, 10 * 1.0 + 2, 1e-5);
  EXPECT_EQ(page.texts[2]->text, "fi");
  EXPECT_NEAR(page.texts[2]->offset.width, 10 * 0.556, 1e-5);  // no word spacing
}

TEST(TextShowing, HyphenRunFoldsIntoOneHyphen) {
  auto page = showPage("BT /F1 10 Tf (AB) Tj ET", kHelvetica,
                       "1 begincodespacerange <00> <FF> endcodespacerange\n"
                       "2 beginbfchar <41> <002D00AD2010> <42> <0009000D002000A0> endbfchar");
  ASSERT_EQ(page.texts.size(), 1u);
  EXPECT_EQ(page.texts[0]->text, "\u2010 ");
}

TEST(TextShowing, TJNumbersMoveByThousandthsOfTheFontSize) {
  auto page = showPage("BT /F1 10 Tf 50 Tz 3 Tc 100 700 Td [(A) -250 (B)] TJ ET");
  ASSERT_EQ(page.texts.size(), 2u);
  const double a = page.texts[0]->offset.width;
  EXPECT_NEAR(a, (10 * 0.667 + 3) * 0.5, 1e-5);
  EXPECT_EQ(page.texts[0]->state.textMatrix(), AffineTransform::translation(100, 700));
  // The number moves right by 2.5 whatever the scaling and spacing.
  EXPECT_NEAR(page.texts[1]->state.textMatrix().tx, 100 + a + 2.5, 1e-5);
  EXPECT_EQ(page.texts[1]->state.textMatrix().ty, 700);
}

TEST(TextShowing, NegativeFontSizeSignsTheAdvanceButNotTJNumbers) {
  auto page = showPage("BT /F1 -10 Tf [(A) 250 (B)] TJ ET");
  ASSERT_EQ(page.texts.size(), 2u);
  EXPECT_NEAR(page.texts[0]->offset.width, -6.67, 1e-5);
  EXPECT_NEAR(page.texts[1]->state.textMatrix().tx, -6.67 - 2.5, 1e-5);
}

TEST(TextShowing, TheReportComesBeforeTheMove) {
  auto page = showPage("BT /F1 12 Tf 72 720 Td (Hello) Tj (World) ' ET" " 0 0 1 1 re f");
  ASSERT_EQ(page.texts.size(), 2u);
  EXPECT_EQ(page.texts[0]->text, "Hello");
  EXPECT_EQ(page.texts[0]->state.textMatrix(), AffineTransform::translation(72, 720));
  const double hello = 12 * (0.722 + 0.556 + 0.222 + 0.222 + 0.556);
  EXPECT_NEAR(page.texts[0]->offset.width, hello, 1e-4);
  EXPECT_EQ(page.texts[1]->text, "World");
  const auto paths = page.run.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_NEAR(paths[0]->state.textMatrix().tx, 72 + page.texts[1]->offset.width, 1e-4);
}

TEST(TextShowing, CodesWithoutTextNeitherReportNorMove) {
  qvtest::PdfBuilder b;
  auto mute = b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /Mute /Encoding /Identity-H >>");
  mute.replaceKey("/DescendantFonts",
                  QPDFObjectHandle::newArray({b.parse("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Mute"
                                                      " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity)"
                                                      " /Supplement 0 >> /DW 1000 >>")}));
  b.addPage("BT /F2 10 Tf 100 100 Td <00010002> Tj [<0003> -500 <0004>] TJ ET 0 0 1 1 re f",
            b.resources({{"Font", {{"F2", b.qpdf().makeIndirectObject(mute)}}}}));
  auto page = texttest::interpret(b);
  EXPECT_TRUE(page.texts.empty());
  const auto paths = page.run.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  // Only the TJ number moved the position.
  EXPECT_EQ(paths[0]->state.textMatrix(), AffineTransform::translation(105, 100));
}

TEST(TextShowing, VerticalFontAdvancesDownward) {
  qvtest::PdfBuilder b;
  auto font = b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /V /Encoding /Identity-V >>");
  font.replaceKey("/DescendantFonts",
                  QPDFObjectHandle::newArray({b.parse("<< /Type /Font /Subtype /CIDFontType0 /BaseFont /V"
                                                      " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity)"
                                                      " /Supplement 0 >> /DW 1000 /DW2 [880 -1000] >>")}));
  font.replaceKey("/ToUnicode", texttest::cmapStream(b,
                                                     "1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
                                                     "1 beginbfrange <0001> <0003> <6C34> endbfrange"));
  b.addPage("BT /F1 10 Tf 300 700 Td <00010002> Tj 1 Tc <0003> Tj ET",
            b.resources({{"Font", {{"F1", b.qpdf().makeIndirectObject(font)}}}}));
  auto page = texttest::interpret(b);
  ASSERT_EQ(page.texts.size(), 2u);
  EXPECT_EQ(page.texts[0]->text, "\u6C34\u6C35");
  EXPECT_EQ(page.texts[0]->offset, (platform::Size{0, -20}));
  // The character spacing runs along the column.
  EXPECT_EQ(page.texts[1]->text, "\u6C36");
  EXPECT_EQ(page.texts[1]->offset, (platform::Size{0, -9}));
  EXPECT_EQ(page.texts[1]->state.textMatrix(), AffineTransform::translation(300, 680));
}

TEST(TextShowing, Type3FontDecodesThroughItsEncoding) {
  qvtest::PdfBuilder b;
  auto glyph = b.stream("500 0 0 0 500 700 d1 0 0 500 700 re f");
  auto font = b.parse(
      "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0]"
      " /FirstChar 1 /LastChar 4 /Widths [500 600 250 700]"
      " /Encoding << /Type /Encoding /Differences [1 /T /h /space /g77] >> >>");
  auto procs = QPDFObjectHandle::newDictionary();
  for (const char* name : {"/T", "/h", "/space", "/g77"}) procs.replaceKey(name, glyph);
  font.replaceKey("/CharProcs", procs);
  b.addPage("BT /T3 20 Tf (\001\002\003\001\004) Tj ET",
            b.resources({{"Font", {{"T3", b.qpdf().makeIndirectObject(font)}}}}));
  auto page = texttest::interpret(b);
  ASSERT_EQ(page.texts.size(), 1u);
  // g77 says nothing: code 4 falls to StandardEncoding, which leaves it
  // unassigned, and a control code gives no text.
  EXPECT_EQ(page.texts[0]->text, "Th T");
  EXPECT_NEAR(page.texts[0]->offset.width, 20 * (0.5 + 0.6 + 0.25 + 0.5 + 0.7), 1e-4);
}

// A font that writes each half of a UTF-16 pair as a code of its own.
class HalvesFont : public QVPDFFont {
 public:
  int getNextChar(const unsigned char* s, int, uint32_t* code, uint32_t* u, int uSize, int* uLen, float* dx,
                  float*, float*, float*) const override {
    *code = s[0];
    *dx = 0.5f;
    if (uSize < 1) return 1;
    u[0] = s[0] == 1 ? 0xD835 : s[0] == 2 ? 0xDC00 : s[0];
    *uLen = 1;
    return 1;
  }
  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view key) const override { return copyAs(*this, key); }
};

TEST(TextShowing, SurrogateHalvesAreJoinedAndLoneHalvesDropped) {
  auto stack = std::make_shared<RenderingStateStack>();
  interptest::RecordingDelegate recorder(stack);
  QVPDFConentParser parser(platform::PdfObject(), platform::PdfContentStream::forData("", platform::PdfObject()));
  parser.setRenderingStateStack(stack);
  parser.setDelegate(&recorder);
  parser.currentRenderingState().setFont(std::make_shared<HalvesFont>());
  parser.currentRenderingState().setFontSize(10);
  // Control codes (0x03, 0x7F) are no text.
  QVPDFTextShowing::showTextString(parser, "A\x01\x02" "B\x02\x01" "C\x03\x7F");
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].text, "A\U0001D400BC");
  EXPECT_EQ(recorder.events[0].offset, (platform::Size{45, 0}));
  // Without a font nothing is reported and nothing moves.
  parser.currentRenderingState().setFont(nullptr);
  QVPDFTextShowing::showTextString(parser, "A");
  EXPECT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(parser.currentRenderingState().textMatrix(), AffineTransform::translation(45, 0));
}

TEST(TextShowing, UTF8EncodingOfOneCodePoint) {
  struct Case {
    uint32_t c;
    int size;
    std::string bytes;
  };
  const Case cases[] = {
      {0x41, 8, "A"},
      {0xE9, 8, "\xC3\xA9"},
      {0x20AC, 8, "\xE2\x82\xAC"},
      {0x1D400, 8, "\xF0\x9D\x90\x80"},
      {0x10FFFF, 8, "\xF4\x8F\xBF\xBF"},
      {0x110000, 8, ""},
      {0x20AC, 2, ""},
      {0x41, 0, ""},
  };
  for (const Case& c : cases) {
    char buffer[8];
    int n = QVPDFTextShowing::encodeUTF8(c.c, buffer, c.size);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), c.bytes) << std::hex << c.c;
  }
}

TEST(TextShowing, UnicodeSpacesAreTheTwentyTwo) {
  const uint32_t spaces[] = {0x0020, 0x1680, 0x180E, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004,
                             0x2009, 0x200A, 0x202F, 0x205F, 0x3000, 0x2028, 0x2029, 0x0009,
                             0x000A, 0x000B, 0x000C, 0x000D, 0x0085, 0x00A0};
  int count = 0;
  for (uint32_t c = 0; c < 0x10000; ++c) count += QVPDFTextShowing::isUnicodeSpace(c);
  EXPECT_EQ(count, 22);
  for (uint32_t c : spaces) EXPECT_TRUE(QVPDFTextShowing::isUnicodeSpace(c)) << std::hex << c;
  for (uint32_t c : {0x2005u, 0x2006u, 0x2007u, 0x2008u, 0x200Bu, 0x41u})
    EXPECT_FALSE(QVPDFTextShowing::isUnicodeSpace(c)) << std::hex << c;
}

TEST(TextShowing, OnlyTheTwoSpecialRunsFold) {
  uint32_t hyphen[] = {0x2D, 0xAD, 0x2010};
  int n = 3;
  QVPDFTextShowing::normalizeDecodedRun(hyphen, &n);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(hyphen[0], 0x2010u);
  uint32_t space[] = {0x09, 0x0D, 0x20, 0xA0};
  n = 4;
  QVPDFTextShowing::normalizeDecodedRun(space, &n);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(space[0], 0x20u);
  uint32_t other[] = {0x2D, 0xAD};
  n = 2;
  QVPDFTextShowing::normalizeDecodedRun(other, &n);
  EXPECT_EQ(n, 2);
}

}  // namespace

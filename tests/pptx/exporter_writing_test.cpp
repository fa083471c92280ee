// Writing directions on slides: right-to-left text keeps its reading order
// in its box however the page stores it, and a vertical font's columns
// become vertical text boxes.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/text.h"
#include "tests/pptx/exporter_fixtures.h"
#include "tests/support/fixtures.h"

namespace {

using pptxfix::Converted;

const char* kDejaVuFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// "Peace be upon you" as read; the page shows its first letter rightmost.
const std::u32string kFirstWord = U"\u0633\u0644\u0627\u0645";
const std::u32string kSecondWord = U"\u0639\u0644\u064A\u0643\u0645";
const std::u32string kArabic = kFirstWord + U" " + kSecondWord;

std::u32string reversed(std::u32string text) { return {text.rbegin(), text.rend()}; }
std::string utf8(const std::u32string& text) { return platform::text::encodeUtf8(text); }
std::string fixed(double v) { return platform::text::formatFixed(v, 3); }

Converted convertWith(qvtest::PdfBuilder& b, const qvtest::EmbeddedFont& font, const std::string& content) {
  b.addPage(content, b.resources({{"Font", {{"F1", font.font}, {"F2", b.standardFont("Helvetica")}}}}));
  return pptxfix::convert(b);
}

TEST(PptxExporterWriting, RightToLeftWordsDrawnLeftToRightAreReadRightToLeft) {
  qvtest::PdfBuilder b;
  const auto font = qvtest::embedTrueTypeFont(b, kDejaVuFile, kArabic + U"()");
  // Each word its own string, the left one (read second) drawn first, the
  // gap between them a word space.
  const double space = font.advance(U" ", 12);
  const double second = font.advance(kSecondWord, 12);
  Converted c = convertWith(b, font,
                            "BT /F1 12 Tf 100 700 Td <" + font.hex(reversed(kSecondWord)) + "> Tj " + fixed(second + space) +
                                " 0 Td <" + font.hex(reversed(kFirstWord)) + "> Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, utf8(kArabic));
  // The box spans both words from the left one.
  EXPECT_NEAR(boxes[0].x, 100, 0.05);
  EXPECT_NEAR(boxes[0].width, font.advance(kArabic, 12), 0.5);
}

TEST(PptxExporterWriting, RightToLeftWordsPlacedInReadingOrderKeepIt) {
  qvtest::PdfBuilder b;
  const auto font = qvtest::embedTrueTypeFont(b, kDejaVuFile, kArabic);
  // The page places each glyph by itself, from the right, in the order it
  // is read.
  std::string content = "BT /F1 12 Tf ";
  double right = 400;
  for (char32_t ch : kArabic) {
    right -= font.advance(std::u32string(1, ch), 12);
    if (ch == U' ') continue;
    content += "1 0 0 1 " + fixed(right) + " 700 Tm <" + font.hex(std::u32string(1, ch)) + "> Tj ";
  }
  Converted c = convertWith(b, font, content + "ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, utf8(kArabic));
  // The box grew to the left: it starts at the last glyph.
  EXPECT_NEAR(boxes[0].x, right, 0.05);
  EXPECT_NEAR(boxes[0].x + boxes[0].width, 400, 0.5);
}

TEST(PptxExporterWriting, LatinBeforeRightToLeftTextStaysBeforeIt) {
  qvtest::PdfBuilder b;
  const auto font = qvtest::embedTrueTypeFont(b, kDejaVuFile, kArabic + U"Greeting: ");
  const double label = font.advance(U"Greeting: ", 12);
  const double second = font.advance(kSecondWord + U" ", 12);
  Converted c = convertWith(b, font,
                            "BT /F1 12 Tf 100 700 Td <" + font.hex(U"Greeting: ") + "> Tj " + fixed(label) +
                                " 0 Td <" + font.hex(reversed(kSecondWord)) + "> Tj " + fixed(second) + " 0 Td <" +
                                font.hex(reversed(kFirstWord)) + "> Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Greeting: " + utf8(kArabic));
}

TEST(PptxExporterWriting, VerticalFontColumnsBecomeVerticalTextBoxes) {
  qvtest::PdfBuilder b;
  const auto font = qvtest::embedTrueTypeFont(b, kDejaVuFile, U"ABCDEFGH", true);
  // Two columns set down the page, the second left of the first, glyphs
  // shown one by one with a little kerning as a typesetter does it.
  Converted c = convertWith(b, font,
                            "BT /F1 10 Tf 300 700 Td [<" + font.hex(U"A") + "> -8 <" + font.hex(U"B") + "> -8 <" +
                                font.hex(U"CD") + ">] TJ -12 0 Td [<" + font.hex(U"EF") + "> -8 <" + font.hex(U"GH") +
                                ">] TJ ET BT /F2 10 Tf 72 100 Td (Across the foot) Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, "ABCD");
  EXPECT_EQ(boxes[0].vert, "eaVert");
  EXPECT_EQ(boxes[0].rotation, 0);
  // The column hangs from its text position, as wide as the em.
  EXPECT_NEAR(boxes[0].x, 295, 0.05);
  EXPECT_NEAR(boxes[0].y, 92, 0.05);
  EXPECT_NEAR(boxes[0].width, 10, 0.05);
  EXPECT_NEAR(boxes[0].height, 40, 0.05);  // four glyphs of one em each
  EXPECT_EQ(boxes[1].text, "EFGH");
  EXPECT_EQ(boxes[1].vert, "eaVert");
  EXPECT_NEAR(boxes[1].x, 283, 0.05);
  EXPECT_NEAR(boxes[1].y, 92, 0.05);
  // Horizontal text is set as before.
  EXPECT_EQ(boxes[2].text, "Across the foot");
  EXPECT_EQ(boxes[2].vert, "");
}

TEST(PptxExporterWriting, LongRightToLeftLineKeepsAllItsTextAtABoundedCost) {
  // Forty thousand glyphs drawn one by one from the left, each read before
  // the one drawn before it, small enough to stand on the page: far past
  // what a line holds, every glyph still reaches the slide, the first ones
  // in reading order.
  qvtest::PdfBuilder b;
  const std::u32string letters = U"\u05D0\u05D1";
  const auto font = qvtest::embedTrueTypeFont(b, kDejaVuFile, letters);
  const std::string alef = "<" + font.hex(U"\u05D0") + ">", bet = "<" + font.hex(U"\u05D1") + ">";
  std::string content = "BT /F1 0.02 Tf 20 700 Td [";
  constexpr int kGlyphs = 40000;
  for (int i = 0; i < kGlyphs; ++i) content += i < 2 ? (i == 0 ? alef : bet) : alef;
  Converted c = convertWith(b, font, content + "] TJ ET");
  const auto boxes = c.textBoxes(0);
  std::u32string all;
  for (const auto& box : boxes) all += platform::text::decodeUtf8(box.text);
  EXPECT_EQ(static_cast<int>(all.size()), kGlyphs);
  ASSERT_FALSE(boxes.empty());
  // The second glyph drawn is read before the first.
  const std::u32string first = platform::text::decodeUtf8(boxes[0].text);
  EXPECT_NE(first.find(U"\u05D1\u05D0"), std::u32string::npos);
}

}  // namespace

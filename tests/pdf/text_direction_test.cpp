// Right-to-left text reaches the exporters in reading order, however the
// page stores it, and a vertical font's TJ numbers step along its column.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/bidi.h"
#include "platform/text/text.h"
#include "tests/pdf/text_support.h"

namespace {

const char* kDejaVuFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// "Peace be upon you" in Arabic, "peace" in Hebrew, as read.
const std::u32string kArabic = U"\u0633\u0644\u0627\u0645 \u0639\u0644\u064A\u0643\u0645";
const std::u32string kHebrew = U"\u05E9\u05DC\u05D5\u05DD";

std::u32string reversed(std::u32string text) { return {text.rbegin(), text.rend()}; }
std::string utf8(const std::u32string& text) { return platform::text::encodeUtf8(text); }

struct Shown {
  qvtest::PdfBuilder builder;
  qvtest::EmbeddedFont font;
};

texttest::Page interpretWith(Shown& shown, const std::string& content) {
  shown.builder.addPage(content, shown.builder.resources({{"Font", {{"F1", shown.font.font}}}}));
  return texttest::interpret(shown.builder);
}

TEST(TextDirection, RightToLeftDrawnLeftToRightIsReportedInReadingOrder) {
  Shown shown;
  shown.font = qvtest::embedTrueTypeFont(shown.builder, kDejaVuFile, kArabic + kHebrew + U"()Tota:l");
  // One string per line, its glyphs in the order they stand on the page.
  auto page = interpretWith(shown, "BT /F1 12 Tf 100 700 Td <" + shown.font.hex(reversed(kArabic)) + "> Tj ET "
                                   "BT /F1 12 Tf 100 680 Td <" + shown.font.hex(reversed(kHebrew)) + "> Tj ET "
                                   "BT /F1 12 Tf 100 660 Td <" + shown.font.hex(U"Total: " + reversed(kHebrew)) +
                                   "> Tj ET "
                                   "BT /F1 12 Tf 100 640 Td <" + shown.font.hex(U"(" + reversed(kHebrew) + U")") +
                                   "> Tj ET");
  ASSERT_EQ(page.texts.size(), 4u);
  EXPECT_EQ(page.texts[0]->text, utf8(kArabic));
  EXPECT_EQ(page.texts[1]->text, utf8(kHebrew));
  EXPECT_EQ(page.texts[2]->text, utf8(U"Total: " + kHebrew));
  // The brackets a right-to-left run shows are mirror images of the ones
  // it holds.
  EXPECT_EQ(page.texts[3]->text, utf8(U"(" + kHebrew + U")"));
  // The advance is the string's, whatever its order.
  EXPECT_NEAR(page.texts[0]->offset.width, shown.font.advance(kArabic, 12), 0.05);
}

TEST(TextDirection, RightToLeftPlacedGlyphByGlyphInReadingOrderStaysInIt) {
  Shown shown;
  shown.font = qvtest::embedTrueTypeFont(shown.builder, kDejaVuFile, kArabic);
  // Each glyph placed on its own, from the right, in the order it is read.
  std::string content = "BT /F1 12 Tf ";
  double right = 400;
  for (char32_t c : kArabic) {
    right -= shown.font.advance(std::u32string(1, c), 12);
    content += "1 0 0 1 " + platform::text::formatFixed(right, 3) + " 700 Tm <" +
               shown.font.hex(std::u32string(1, c)) + "> Tj ";
  }
  auto page = interpretWith(shown, content + "ET");
  std::string joined;
  for (const auto* t : page.texts) joined += t->text;
  EXPECT_EQ(joined, utf8(kArabic));
}

TEST(TextDirection, LeftToRightTextIsUntouched) {
  EXPECT_EQ(platform::text::visualToLogical(U"Hello (world) 123"), U"Hello (world) 123");
  EXPECT_FALSE(platform::text::hasRightToLeft(U"Hello \u00E9\u4E2D"));
  EXPECT_TRUE(platform::text::hasRightToLeft(kHebrew));
  EXPECT_EQ(platform::text::firstStrongDirection(U"12 " + kArabic), platform::text::TextDirection::RightToLeft);
  EXPECT_EQ(platform::text::firstStrongDirection(U"(12) ab"), platform::text::TextDirection::LeftToRight);
  EXPECT_EQ(platform::text::firstStrongDirection(U"12, 3"), platform::text::TextDirection::Neutral);
}

TEST(TextDirection, VerticalFontTJNumbersStepAlongTheColumn) {
  Shown shown;
  shown.font = qvtest::embedTrueTypeFont(shown.builder, kDejaVuFile, U"AB", true);
  auto page = interpretWith(shown, "BT /F1 10 Tf 100 700 Td [<" + shown.font.hex(U"A") + "> 500 <" +
                                       shown.font.hex(U"B") + ">] TJ ET");
  ASSERT_EQ(page.texts.size(), 2u);
  // The glyph advances one em down; the number half an em further.
  EXPECT_NEAR(page.texts[0]->offset.height, -10, 1e-4);
  EXPECT_NEAR(page.texts[1]->state.textMatrix().tx, 100, 1e-9);
  EXPECT_NEAR(page.texts[1]->state.textMatrix().ty, 700 - 10 - 5, 1e-4);
}

}  // namespace

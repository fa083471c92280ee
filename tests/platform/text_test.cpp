#include "platform/text/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>
#include <string>

namespace {

using namespace platform::text;

// Switches LC_NUMERIC to a locale with a decimal comma for one scope, as the
// desktop shell does for the user's locale.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    const char* saved = std::setlocale(LC_NUMERIC, nullptr);
    saved_ = saved ? saved : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8",
                             "es_ES.UTF-8", "it_IT.UTF-8", "ru_RU.UTF-8"}) {
      if (std::setlocale(LC_NUMERIC, name) && *std::localeconv()->decimal_point == ',') {
        active_ = true;
        return;
      }
    }
    std::setlocale(LC_NUMERIC, saved_.c_str());
  }
  ~DecimalCommaLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

TEST(Utf16, CharactersBeyondTheBasicPlaneRoundTripAsSurrogatePairs) {
  const std::string grin = "\xF0\x9F\x98\x80";  // U+1F600
  const std::u16string units = utf16FromUtf8("a" + grin + "\xC3\xA9");
  EXPECT_EQ(units, (std::u16string{u'a', 0xD83D, 0xDE00, 0x00E9}));
  EXPECT_EQ(utf8FromUtf16(units), "a" + grin + "\xC3\xA9");
  EXPECT_EQ(utf16Length("a" + grin + "\xC3\xA9"), 4u);

  const std::string last = "\xF4\x8F\xBF\xBF";  // U+10FFFF
  EXPECT_EQ(utf16FromUtf8(last), (std::u16string{0xDBFF, 0xDFFF}));
  EXPECT_EQ(utf8FromUtf16(utf16FromUtf8(last)), last);
}

TEST(Utf16, LoneSurrogatesAreDropped) {
  EXPECT_EQ(utf8FromUtf16(std::u16string{u'a', 0xD83D}), "a");               // high at the end
  EXPECT_EQ(utf8FromUtf16(std::u16string{0xDE00, u'b'}), "b");               // low alone
  EXPECT_EQ(utf8FromUtf16(std::u16string{0xD83D, u'c', 0xDE00}), "c");       // pair split apart
  EXPECT_EQ(utf8FromUtf16(std::u16string{0xD83D, 0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8FromCodePoint(0xD800), "");
  EXPECT_EQ(utf8FromCodePoint(0xDFFF), "");
  EXPECT_EQ(utf8FromCodePoint(0x110000), "");
  EXPECT_EQ(encodeUtf8(std::u32string{U'x', 0xDC00, U'y'}), "xy");
}

TEST(Utf16, BigEndianBytesWithOrWithoutAByteOrderMark) {
  EXPECT_EQ(utf8FromUtf16BE(std::string("\xFE\xFF\x00H\x00i", 6)), "Hi");
  EXPECT_EQ(utf8FromUtf16BE(std::string("\x00H\x00i", 4)), "Hi");
  EXPECT_EQ(utf8FromUtf16BE(std::string("\xD8\x3D\xDE\x00", 4)), "\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8FromUtf16BE(std::string("\x00H\x00", 3)), "H");  // half a unit is no character
  EXPECT_EQ(utf8FromUtf16BE(std::string("\xD8\x3D\x00!", 4)), "!");
  EXPECT_EQ(utf8FromUtf16BE(""), "");
}

TEST(Utf8, IllFormedSequencesBecomeReplacementCharacters) {
  struct Case {
    std::string input;
    std::u32string expected;
  };
  const Case cases[] = {
      {"\xC0\xAF", {0xFFFD, 0xFFFD}},                      // overlong slash
      {"\xE0\x80\xAF", {0xFFFD, 0xFFFD, 0xFFFD}},          // overlong, three bytes
      {"\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},          // an encoded surrogate
      {"\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},  // above U+10FFFF
      {"a\xE2\x82" "b", {U'a', 0xFFFD, U'b'}},             // truncated in the middle
      {"\xE2\x82", {0xFFFD}},                              // truncated at the end
      {"\x80z", {0xFFFD, U'z'}},                           // stray continuation byte
      {"\xFF", {0xFFFD}},
      {"\xE2\x82\xAC", {0x20AC}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decodeUtf8(c.input), c.expected) << testing::PrintToString(c.input);
    // No lone surrogate ever leaves the UTF-16 conversion.
    for (char16_t u : utf16FromUtf8(c.input)) EXPECT_FALSE(u >= 0xD800 && u <= 0xDFFF);
  }
}

TEST(Utf8, EncodeAndDecodeAreInverse) {
  const std::u32string text = {U'A', 0x7FF, 0x800, 0xFFFF, 0x10000, 0x10FFFF, 0};
  EXPECT_EQ(decodeUtf8(encodeUtf8(text)), text);
  EXPECT_EQ(encodeUtf8(text).size(), 1u + 2 + 3 + 3 + 4 + 4 + 1);
}

TEST(NumberFormat, FixedRoundsHalfToEvenLikePrintf) {
  struct Case {
    double value;
    int precision;
    const char* expected;
  };
  const Case cases[] = {
      {2.5, 0, "2"},       {3.5, 0, "4"},         {0.5, 0, "0"},          {-1.5, 0, "-2"},
      {-2.5, 0, "-2"},     {0.125, 2, "0.12"},    {0.375, 2, "0.38"},     {1.5, 6, "1.500000"},
      {19050, 0, "19050"}, {-0.0, 2, "-0.00"},    {1e21, 0, "1000000000000000000000"},
      {12700 * 72.25, 0, "917575"}, {0.1, 20, "0.10000000000000000555"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatFixed(c.value, c.precision), c.expected) << c.value << " with " << c.precision;
    char printed[512];
    std::snprintf(printed, sizeof printed, "%.*f", c.precision, c.value);
    EXPECT_EQ(formatFixed(c.value, c.precision), printed);
  }
  EXPECT_EQ(formatFixed(1.25, -3), "1");  // a negative precision means none
  EXPECT_EQ(formatFixed(std::numeric_limits<double>::max(), 2).size(), 309u + 3);
}

TEST(NumberFormat, ShortestReadsBackAndNeverUsesAnExponent) {
  EXPECT_EQ(formatShortest(0.5), "0.5");
  EXPECT_EQ(formatShortest(12), "12");
  EXPECT_EQ(formatShortest(0.1), "0.1");
  EXPECT_EQ(formatShortest(-3.25), "-3.25");
  EXPECT_EQ(formatShortest(1e21), "1000000000000000000000");
  EXPECT_EQ(formatShortest(1e-7), "0.0000001");
  EXPECT_EQ(std::stod(formatShortest(0.1 + 0.2)), 0.1 + 0.2);
  EXPECT_FALSE(formatShortest(std::numeric_limits<double>::denorm_min()).empty());
}

TEST(NumberFormat, Integers) {
  EXPECT_EQ(formatInteger(0), "0");
  EXPECT_EQ(formatInteger(-42), "-42");
  EXPECT_EQ(formatInteger(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  std::string out = "rId";
  appendInteger(out, 12);
  out += ' ';
  appendFixed(out, 2.345, 1);
  EXPECT_EQ(out, "rId12 2.3");
}

TEST(NumberFormat, DecimalCommaLocaleChangesNothing) {
  DecimalCommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma is installed";
  char printed[32];
  std::snprintf(printed, sizeof printed, "%.2f", 1.5);
  ASSERT_STREQ(printed, "1,50");  // the locale is really in force
  EXPECT_EQ(formatFixed(1.5, 2), "1.50");
  EXPECT_EQ(formatFixed(2.5, 0), "2");
  EXPECT_EQ(formatShortest(1234.5), "1234.5");
  EXPECT_EQ(formatInteger(1234567), "1234567");
}

}  // namespace

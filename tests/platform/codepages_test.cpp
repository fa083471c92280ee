#include "platform/text/codepages.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace platform::text;

struct Mapping {
  unsigned char byte;
  char16_t unicode;  // 0: undefined
};

void expectMappings(const CodePage& page, std::initializer_list<Mapping> mappings) {
  for (const Mapping& m : mappings)
    EXPECT_EQ(static_cast<unsigned>(page[m.byte]), static_cast<unsigned>(m.unicode))
        << "byte 0x" << std::hex << static_cast<unsigned>(m.byte);
}

TEST(CodePages, Windows1252) {
  expectMappings(windows1252CodePage(),
                 {{0x41, u'A'}, {0x80, 0x20AC}, {0x81, 0},      {0x82, 0x201A}, {0x83, 0x0192}, {0x8A, 0x0160},
                  {0x8D, 0},    {0x8E, 0x017D}, {0x8F, 0},      {0x90, 0},      {0x91, 0x2018}, {0x93, 0x201C},
                  {0x95, 0x2022}, {0x96, 0x2013}, {0x97, 0x2014}, {0x98, 0x02DC}, {0x99, 0x2122}, {0x9D, 0},
                  {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}});
}

TEST(CodePages, MacRoman) {
  expectMappings(macRomanCodePage(),
                 {{0x41, u'A'},   {0x80, 0x00C4}, {0x8E, 0x00E9}, {0xA5, 0x2022}, {0xA0, 0x2020}, {0xAA, 0x2122},
                  {0xAD, 0x2260}, {0xB9, 0x03C0}, {0xBD, 0x03A9}, {0xC6, 0x2206}, {0xCA, 0x00A0}, {0xD0, 0x2013},
                  {0xD7, 0x25CA}, {0xDB, 0x20AC}, {0xDE, 0xFB01}, {0xDF, 0xFB02}, {0xF0, 0xF8FF}, {0xF5, 0x0131},
                  {0xFF, 0x02C7}});
  for (unsigned b = 0x80; b <= 0xFF; ++b) EXPECT_NE(macRomanCodePage()[b], 0) << "every high byte is assigned";
}

TEST(CodePages, PdfDocEncoding) {
  // The spacing accents at 0x18-0x1F and the typographic block at 0x80-0x9F.
  const char16_t accents[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
  for (unsigned i = 0; i < 8; ++i) EXPECT_EQ(pdfDocEncodingCodePage()[0x18 + i], accents[i]);
  const char16_t block[32] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044,
                              0x2039, 0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018,
                              0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160,
                              0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0};
  for (unsigned i = 0; i < 32; ++i)
    EXPECT_EQ(pdfDocEncodingCodePage()[0x80 + i], block[i]) << "byte 0x" << std::hex << 0x80 + i;
  expectMappings(pdfDocEncodingCodePage(), {{0x00, 0},
                                            {0x09, 0x09},
                                            {0x0A, 0x0A},
                                            {0x0D, 0x0D},
                                            {0x17, 0},
                                            {0x20, u' '},
                                            {0x7E, u'~'},
                                            {0x7F, 0},
                                            {0xA0, 0x20AC},
                                            {0xA1, 0x00A1},
                                            {0xAD, 0},
                                            {0xFF, 0x00FF}});
}

TEST(CodePages, Ascii) {
  EXPECT_EQ(asciiCodePage()[0x7E], u'~');
  for (unsigned b = 0x80; b <= 0xFF; ++b) EXPECT_EQ(asciiCodePage()[b], 0);
}

TEST(CodePages, NoTwoBytesShareACharacter) {
  // A typo in a table almost always shows up as a duplicate.
  for (const CodePage* page : {&asciiCodePage(), &windows1252CodePage(), &macRomanCodePage(), &pdfDocEncodingCodePage()}) {
    std::set<char16_t> seen;
    for (char16_t u : *page) {
      if (u != 0) {
        EXPECT_TRUE(seen.insert(u).second) << "U+" << std::hex << static_cast<unsigned>(u);
      }
    }
  }
}

TEST(CodePages, DecodingSkipsUndefinedBytes) {
  EXPECT_EQ(decodeSingleByte("a\x81" "b\x80", windows1252CodePage()), "ab\xE2\x82\xAC");
  EXPECT_EQ(decodeSingleByte("caf\x8E", macRomanCodePage()), "caf\xC3\xA9");
  EXPECT_EQ(decodeSingleByte(std::string("x\0y\xC3", 4), asciiCodePage()), "xy");
  EXPECT_EQ(decodeSingleByte("", windows1252CodePage()), "");
}

TEST(CodePages, PdfTextStrings) {
  EXPECT_EQ(decodePdfTextString("\x93nal \x84 \xA0"), "\xEF\xAC\x81nal \xE2\x80\x94 \xE2\x82\xAC");
  EXPECT_EQ(decodePdfTextString(std::string("\xFE\xFF\x00" "A\xD8\x3D\xDE\x00", 8)), "A\xF0\x9F\x98\x80");
  EXPECT_EQ(decodePdfTextString("\xEF\xBB\xBFK\xC3\xB6ln"), "K\xC3\xB6ln");
  EXPECT_EQ(decodePdfTextString("\xEF\xBB\xBF\xFF"), "\xEF\xBF\xBD");  // damaged UTF-8 is repaired
  EXPECT_EQ(decodePdfTextString(""), "");
}

}  // namespace

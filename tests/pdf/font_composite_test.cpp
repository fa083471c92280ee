// Composite (Type0) fonts: CMaps, CID widths, ToUnicode maps by character
// code and collection maps by CID, vertical writing.
#include <gtest/gtest.h>

#include <string>

#include "pdf/fonts/QVPDFCIDType2Font.h"
#include "pdf/fonts/QVPDFCodeToCIDMap.h"
#include "pdf/fonts/QVPDFType0Font.h"
#include "tests/pdf/text_support.h"

namespace {

using texttest::decode;
using texttest::makeFont;

// A Type0 font with one descendant; `toUnicode` (bfchar/bfrange sections)
// is added when not empty.
std::shared_ptr<const QVPDFFont> type0Font(qvtest::PdfBuilder& b, const std::string& encoding,
                                           const std::string& descendant, const std::string& toUnicode = "") {
  auto font = b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /Test /Encoding " + encoding + " >>");
  font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({b.parse(descendant)}));
  if (!toUnicode.empty()) font.replaceKey("/ToUnicode", texttest::cmapStream(b, toUnicode));
  return makeFont(font);
}

const char* kIdentityCIDFont =
    "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Test"
    " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
    " /DW 1000 /W [1 [500 600] 10 20 250] >>";

const char* kIdentityToUnicode =
    "1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
    "4 beginbfchar <0001> <0041> <0002> <0042> <0003> <0020> <0005> <D835DC00> endbfchar";

TEST(FontComposite, IdentityHWidthsAndTextIncludingBeyondTheBMP) {
  qvtest::PdfBuilder b;
  auto font = type0Font(b, "/Identity-H", kIdentityCIDFont, kIdentityToUnicode);
  ASSERT_NE(font, nullptr);
  EXPECT_FALSE(font->isVertical());
  auto d = decode(*font, std::string("\x00\x01\x00\x02\x00\x0F\x00\x05\x00\x00", 10));
  EXPECT_EQ(d.text, "AB𝐀");
  EXPECT_EQ(d.codes, (std::vector<uint32_t>{1, 2, 15, 5, 0}));
  EXPECT_EQ(d.lengths, (std::vector<int>{2, 2, 2, 2, 2}));
  EXPECT_EQ(d.dx, (std::vector<float>{0.5f, 0.6f, 0.25f, 1.0f, 1.0f}));
  EXPECT_EQ(d.dy, (std::vector<float>{0, 0, 0, 0, 0}));
  // The space's CID (3) has the default width; 1.0 is no usable space width,
  // so the font's glyphs answer: half their mean width (0.3), but at least a
  // fifth of the em.
  EXPECT_DOUBLE_EQ(font->widthOfSpace(), 0.2);
}

TEST(FontComposite, WidthArraysSkipWhatIsNotANumber) {
  qvtest::PdfBuilder b;
  auto font = type0Font(b, "/Identity-H",
                        "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /T /DW 500"
                        " /W [5 [100 /x 200] 3 3 250 -1 [7] 9 (y) 20 30] >>",
                        kIdentityToUnicode);
  auto d = decode(*font, std::string("\x00\x05\x00\x06\x00\x07\x00\x03", 8));
  EXPECT_EQ(d.dx, (std::vector<float>{0.1f, 0.2f, 0.5f, 0.25f}));
  // The space is CID 3 (ToUnicode), 0.25 wide.
  EXPECT_DOUBLE_EQ(font->widthOfSpace(), 0.25);
  const auto& widths = dynamic_cast<const QVPDFType0Font&>(*font).cidTypeFont()->cidWidths();
  EXPECT_DOUBLE_EQ(widths.defWidth, 0.5);
  ASSERT_EQ(widths.exceps.size(), 3u);
  EXPECT_EQ(widths.exceps[0].first, 3u);  // sorted by first CID
}

TEST(FontComposite, IdentityVAdvancesDownTheColumn) {
  qvtest::PdfBuilder b;
  auto font = type0Font(b, "/Identity-V", kIdentityCIDFont, kIdentityToUnicode);
  ASSERT_NE(font, nullptr);
  EXPECT_TRUE(font->isVertical());
  EXPECT_EQ(font->wMode(), 0);
  uint32_t code = 0, u[16];
  int uLen = 0;
  float dx = 9, dy = 9, ox = 9, oy = 9;
  const unsigned char bytes[] = {0x00, 0x02};
  EXPECT_EQ(font->getNextChar(bytes, 2, &code, u, 16, &uLen, &dx, &dy, &ox, &oy), 2);
  EXPECT_EQ(uLen, 1);
  EXPECT_EQ(u[0], 0x42u);
  EXPECT_FLOAT_EQ(dx, 0);
  EXPECT_FLOAT_EQ(dy, -1.0f);
  EXPECT_FLOAT_EQ(ox, 0.3f);  // half the glyph's horizontal advance
  EXPECT_FLOAT_EQ(oy, 0.88f);

  // DW2 and W2 set the vertical metrics.
  auto metrics = type0Font(b, "/Identity-V",
                           "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /T /DW2 [900 -1100]"
                           " /W2 [2 [-500 250 800] 4 6 -700 100 600] >>",
                           kIdentityToUnicode);
  auto d = decode(*metrics, std::string("\x00\x01\x00\x02\x00\x05", 6));
  EXPECT_EQ(d.dy, (std::vector<float>{-1.1f, -0.5f, -0.7f}));
  EXPECT_EQ(d.dx, (std::vector<float>{0, 0, 0}));
}

const char* kJapanCIDFont =
    "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /Test"
    " /CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> /DW 1000 /W [231 [500]] >>";

TEST(FontComposite, ShiftJISToUnicodeIsLookedUpByCharacterCode) {
  qvtest::PdfBuilder b;
  // CID 843 is 0x034B: a map keyed by CIDs would read the trap entry.
  auto font = type0Font(b, "/90ms-RKSJ-H", kJapanCIDFont,
                        "2 begincodespacerange <00> <80> <8140> <9FFC> endcodespacerange\n"
                        "3 beginbfchar <82A0> <3042> <41> <0061> <034B> <0058> endbfchar");
  ASSERT_NE(font, nullptr);
  auto d = decode(*font, "\x82\xA0" "A\x82\xA0");
  EXPECT_EQ(d.text, "あaあ");
  EXPECT_EQ(d.lengths, (std::vector<int>{2, 1, 2}));
  EXPECT_EQ(d.codes[0], 843u);
  EXPECT_EQ(dynamic_cast<const QVPDFType0Font&>(*font).cMapName(), "90ms-RKSJ-H");
}

TEST(FontComposite, CollectionMapIsLookedUpByCID) {
  qvtest::PdfBuilder b;
  auto font = type0Font(b, "/90ms-RKSJ-H", kJapanCIDFont);
  ASSERT_NE(font, nullptr);
  ASSERT_NE(dynamic_cast<const QVPDFType0Font&>(*font).extToUnicodeMap(), nullptr);
  EXPECT_EQ(decode(*font, "\x82\xA0\x82\xA2").text, "あい");
}

TEST(FontComposite, EmbeddedCMapStreamIsRead) {
  qvtest::PdfBuilder b;
  auto cmap = b.stream(
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
      "/CMapName /Custom-H def\n"
      "1 begincodespacerange <00> <FF> endcodespacerange\n"
      "1 begincidrange <41> <43> 1 endcidrange\n"
      "endcmap CMapName currentdict /CMap defineresource pop end end\n",
      "<< /Type /CMap /CMapName /Custom-H >>");
  auto dict = b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /Test >>");
  dict.replaceKey("/Encoding", cmap);
  dict.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({b.parse(kIdentityCIDFont)}));
  dict.replaceKey("/ToUnicode", texttest::cmapStream(b,
                                                     "1 begincodespacerange <00> <FF> endcodespacerange\n"
                                                     "1 beginbfrange <41> <43> <0078> endbfrange"));
  auto font = makeFont(dict);
  ASSERT_NE(font, nullptr);
  auto d = decode(*font, "ABC");
  EXPECT_EQ(d.text, "xyz");
  EXPECT_EQ(d.codes, (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(d.dx, (std::vector<float>{0.5f, 0.6f, 1.0f}));
}

TEST(FontComposite, FontsThatCannotBeMadeAndFontsWithoutText) {
  qvtest::PdfBuilder b;
  EXPECT_EQ(type0Font(b, "/No-Such-CMap", kIdentityCIDFont), nullptr);
  EXPECT_EQ(type0Font(b, "42", kIdentityCIDFont), nullptr);
  // Adobe-Identity without ToUnicode or program: no text, but each code still
  // advances by its width.
  auto mute = type0Font(b, "/Identity-H", kIdentityCIDFont);
  ASSERT_NE(mute, nullptr);
  auto d = decode(*mute, std::string("\x00\x01\x00\x02", 4));
  EXPECT_EQ(d.text, "");
  EXPECT_EQ(d.dx, (std::vector<float>{0.5f, 0.6f}));
  // No usable descendant: no advances, text from the ToUnicode map alone.
  auto orphan = b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /T /Encoding /Identity-H /DescendantFonts [5] >>");
  orphan.replaceKey("/ToUnicode", texttest::cmapStream(b, kIdentityToUnicode));
  auto font = makeFont(orphan);
  ASSERT_NE(font, nullptr);
  auto o = decode(*font, std::string("\x00\x01\x00\x02\x00", 5));
  EXPECT_EQ(o.text, "AB");
  EXPECT_EQ(o.dx, (std::vector<float>{0, 0, 0}));
  // A final odd byte is one code of its own and ends the string.
  EXPECT_EQ(o.lengths.back(), 1);
}

TEST(FontComposite, CIDToGIDMapStreamIsRead) {
  qvtest::PdfBuilder b;
  auto cid = b.parse(kIdentityCIDFont);
  cid.replaceKey("/CIDToGIDMap", b.stream(std::string("\x00\x00\x00\x07\x00\x09", 6)));
  auto font = QVPDFCIDType2Font::initWithDictionary(platform::PdfObject(cid), "F1");
  EXPECT_FALSE(font->identity());
  EXPECT_EQ(font->glyphOfCID(1), 7u);
  EXPECT_EQ(font->glyphOfCID(2), 9u);
  EXPECT_EQ(font->glyphOfCID(3), 0u);
  auto identity = QVPDFCIDType2Font::initWithDictionary(platform::PdfObject(b.parse(kIdentityCIDFont)), "F1");
  EXPECT_TRUE(identity->identity());
  EXPECT_EQ(identity->glyphOfCID(42), 42u);
}

TEST(FontComposite, CopyUnderAnotherNameDecodesTheSame) {
  qvtest::PdfBuilder b;
  auto font = type0Font(b, "/Identity-H", kIdentityCIDFont, kIdentityToUnicode);
  auto copy = font->copyWithObjectKey("F7");
  EXPECT_EQ(copy->objectKey(), "F7");
  const std::string bytes("\x00\x01\x00\x05\x00\x0F", 6);
  EXPECT_EQ(decode(*copy, bytes).text, decode(*font, bytes).text);
  EXPECT_EQ(decode(*copy, bytes).dx, decode(*font, bytes).dx);
}

TEST(FontComposite, DamagedFontsDecodeWithoutCrashing) {
  qvtest::PdfBuilder b;
  // A font program that is not one, huge and reversed width ranges, a
  // CIDToGIDMap of odd length, a descendant that is no dictionary.
  auto descriptor = b.parse("<< /Type /FontDescriptor /FontName /Broken /Flags 4 >>");
  descriptor.replaceKey("/FontFile2", b.stream(std::string(3000, '\x7f')));
  auto cid = b.parse(
      "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Broken /DW (x)"
      " /W [0 4294967295 500 10 5 300 4294967296 [1] 7 [1.5 /n 2] 3]"
      " /W2 [1 [1 2] 1 2 3 4] /DW2 [1] >>");
  cid.replaceKey("/FontDescriptor", descriptor);
  cid.replaceKey("/CIDToGIDMap", b.stream(std::string("\x00\x01\x00", 3)));
  auto font = b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /Broken /Encoding /Identity-H >>");
  font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({b.parse("(junk)"), cid}));
  auto made = makeFont(font);
  ASSERT_NE(made, nullptr);
  auto d = decode(*made, std::string("\x00\x01\xFF\xFF\x00\x07\x00", 7));
  EXPECT_EQ(d.text, "");
  EXPECT_EQ(d.dx, (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}));  // every CID is in the first run

  // The same program in a simple symbolic TrueType font.
  auto simple = b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /Broken >>");
  simple.replaceKey("/FontDescriptor", descriptor);
  auto simpleFont = makeFont(simple);
  ASSERT_NE(simpleFont, nullptr);
  EXPECT_EQ(decode(*simpleFont, "Ab").text, "Ab");
}

}  // namespace

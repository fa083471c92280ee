// Simple (one-byte) fonts: names, encodings and Differences, ToUnicode maps,
// widths from Widths arrays, standard fonts and substitutes, and metrics.
#include <gtest/gtest.h>

#include <string>

#include "pdf/fonts/BuiltinFontManager.h"
#include "pdf/fonts/QVPDFCharCodeToUnicode.h"
#include "pdf/fonts/QVPDFSimple8BitFont.h"
#include "pdf/fonts/QVPDFTrueTypeFont.h"
#include "pdf/fonts/QVPDFType1Font.h"
#include "pdf/fonts/QVPDFType3Font.h"
#include "tests/pdf/text_support.h"

namespace {

using texttest::decode;
using texttest::makeFont;

const QVPDFSimple8BitFont& simple(const std::shared_ptr<const QVPDFFont>& font) {
  return dynamic_cast<const QVPDFSimple8BitFont&>(*font);
}

TEST(FontSimple, Type1DifferencesGiveLigaturesDashesAndAccents) {
  qvtest::PdfBuilder b;
  auto font = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman /FirstChar 1 /LastChar 12"
      " /Widths [556 556 600 620 1000 500 444 722 500 333 250 722]"
      " /Encoding << /Type /Encoding /BaseEncoding /WinAnsiEncoding"
      "   /Differences [1 /fi /fl /ff /ffi /emdash /endash /eacute /Udieresis /germandbls /quoteright /space"
      "                 65 /g123 66 /f_f_l 67 /uni20AC 68 /cid42] >> >>"));
  ASSERT_NE(font, nullptr);
  auto d = decode(*font, "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B" "ABCD");
  // A name that says nothing of its character ("g123", "cid42") leaves the
  // byte to the base encoding.
  EXPECT_EQ(d.text, "ﬁﬂﬀﬃ—–éÜß’ Affl€D");
  const float widths[] = {0.556f, 0.556f, 0.6f, 0.62f, 1.0f, 0.5f, 0.444f, 0.722f, 0.5f, 0.333f, 0.25f};
  for (size_t i = 0; i < std::size(widths); ++i) EXPECT_FLOAT_EQ(d.dx[i], widths[i]) << i;
  EXPECT_EQ(simple(font).fontEncodingName(), "WinAnsiEncoding");
  EXPECT_EQ(simple(font).differences().at(1), "fi");
  EXPECT_EQ(simple(font).differences().at(65), "g123");
}

TEST(FontSimple, ToUnicodeWinsOverDifferencesAndMissingCodesFallBack) {
  qvtest::PdfBuilder b;
  auto dict = b.parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica"
      " /Encoding << /Differences [65 /B /C /D] >> >>");
  dict.replaceKey("/ToUnicode", texttest::cmapStream(b,
                                                     "1 begincodespacerange <00> <FF> endcodespacerange\n"
                                                     "2 beginbfchar <41> <0078> <42> <00660069> endbfchar"));
  auto font = makeFont(dict);
  ASSERT_NE(font, nullptr);
  ASSERT_NE(font->embToUnicodeMap(), nullptr);
  // 0x41 and 0x42 from the map; 0x43 is not in it and keeps its Differences
  // name; 0x61 neither, and keeps the base encoding.
  EXPECT_EQ(decode(*font, "ABCa").text, "xfiDa");
}

TEST(FontSimple, StandardEncodingIsTheRealTable) {
  qvtest::PdfBuilder b;
  auto font = makeFont(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman /Encoding /StandardEncoding >>"));
  EXPECT_EQ(decode(*font, "\xAE\xD0\x27\x60\xE1\xFB").text, "ﬁ—’‘Æß");
  EXPECT_EQ(simple(font).stringEncoding(), QVPDFSimple8BitFont::kASCIIStringEncoding);
  // Widths by the glyph each code selects in that encoding.
  auto d = decode(*font, "\xAE\xD0");
  EXPECT_FLOAT_EQ(d.dx[0], 0.556f);
  EXPECT_FLOAT_EQ(d.dx[1], 1.0f);
}

TEST(FontSimple, DefaultEncodingsByFontKind) {
  qvtest::PdfBuilder b;
  // TrueType without Encoding: code page 1252.
  auto tt = makeFont(b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /SomeSans >>"));
  EXPECT_EQ(decode(*tt, "\x80" "A").text, "€A");
  EXPECT_EQ(simple(tt).fontEncodingName(), "WinAnsiEncoding");
  EXPECT_EQ(simple(tt).stringEncoding(), QVPDFSimple8BitFont::kWindowsCP1252StringEncoding);
  // Type3 without Encoding: StandardEncoding (0xE9 is Oslash there); a
  // byte it leaves unassigned reads as Latin-1.
  auto t3 = makeFont(b.parse("<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] >>"));
  EXPECT_EQ(decode(*t3, "A\xE9\xC9").text, "AØÉ");
  EXPECT_EQ(simple(t3).fontEncodingName(), "StandardEncoding");
  // A standard Latin Type1 font without Encoding is set in StandardEncoding.
  auto t1 = makeFont(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
  EXPECT_EQ(decode(*t1, "'").text, "’");
  // Symbol and ZapfDingbats use their built-in encodings.
  auto symbol = makeFont(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>"));
  auto d = decode(*symbol, "abD");
  EXPECT_EQ(d.text, "αβΔ");
  EXPECT_FLOAT_EQ(d.dx[0], 0.631f);
  auto dingbats = makeFont(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>"));
  EXPECT_EQ(decode(*dingbats, "\x33l").text, "✓●");
  // Control codes that no encoding defines give no text, but keep a width.
  EXPECT_EQ(decode(*tt, "\x01\x1F").text, "");
}

TEST(FontSimple, StandardFontWithoutWidthsTakesItsMetrics) {
  qvtest::PdfBuilder b;
  auto font = makeFont(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
  ASSERT_NE(font->builtinFont(), nullptr);
  EXPECT_EQ(font->builtinFont()->fontName, "Helvetica");
  auto d = decode(*font, "Hello, world\x80\xE9");
  EXPECT_EQ(d.text, "Hello, world€é");
  const float expected[] = {0.722f, 0.556f, 0.222f, 0.222f, 0.556f, 0.278f, 0.278f,
                            0.722f, 0.556f, 0.333f, 0.222f, 0.556f, 0.556f, 0.556f};
  ASSERT_EQ(d.dx.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) EXPECT_FLOAT_EQ(d.dx[i], expected[i]) << i;
  EXPECT_DOUBLE_EQ(font->widthOfSpace(), 0.278);
  EXPECT_DOUBLE_EQ(font->ascent(), 0.718);
  EXPECT_DOUBLE_EQ(font->descent(), -0.207);
  EXPECT_EQ(font->fontBBox(), platform::Rect(-166, -225, 1000, 931));
  // An alias of a standard font gets its widths too.
  auto arial = makeFont(b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /Arial,Bold >>"));
  ASSERT_NE(arial->builtinFont(), nullptr);
  EXPECT_EQ(arial->builtinFont()->fontName, "Helvetica-Bold");
}

TEST(FontSimple, WidthsArrayCoversItsRangeOnly) {
  qvtest::PdfBuilder b;
  auto font = makeFont(b.parse(
      "<< /Type /Font /Subtype /TrueType /BaseFont /X /FirstChar 32 /LastChar 34 /Widths [100 200 300 400 500]"
      " /FontDescriptor << /Type /FontDescriptor /Flags 32 /MissingWidth 50 >> >>"));
  auto d = decode(*font, " !\"#");
  EXPECT_FLOAT_EQ(d.dx[0], 0.1f);
  EXPECT_FLOAT_EQ(d.dx[1], 0.2f);
  EXPECT_FLOAT_EQ(d.dx[2], 0.3f);
  EXPECT_FLOAT_EQ(d.dx[3], 0.05f);  // the descriptor's MissingWidth
  // FirstChar out of range counts as 0.
  auto shifted = makeFont(b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /X /FirstChar 300 /Widths [100 200] >>"));
  EXPECT_FLOAT_EQ(simple(shifted).charWidths()[1], 0.2);
  // A real number and a non-number among the widths.
  auto mixed = makeFont(b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /X /FirstChar 65 /Widths [512.5 /x 700] >>"));
  EXPECT_DOUBLE_EQ(simple(mixed).charWidths()[65], 0.5125);
  EXPECT_DOUBLE_EQ(simple(mixed).charWidths()[66], 0.0);
  EXPECT_DOUBLE_EQ(simple(mixed).charWidths()[67], 0.7);
}

TEST(FontSimple, FontWithoutWidthsOrStandardFontTakesASubstitute) {
  qvtest::PdfBuilder b;
  // No descriptor: Helvetica.
  auto plain = makeFont(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Unlisted >>"));
  EXPECT_DOUBLE_EQ(simple(plain).charWidths()[32], 0.278);
  // Fixed pitch: Courier; serif italic: Times-Italic.
  auto fixed = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Unlisted /FontDescriptor << /Type /FontDescriptor /Flags 1 >> >>"));
  EXPECT_DOUBLE_EQ(simple(fixed).charWidths()['A'], 0.6);
  auto italic = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Unlisted /FontDescriptor << /Type /FontDescriptor /Flags 98 >> >>"));
  EXPECT_DOUBLE_EQ(simple(italic).charWidths()['A'], 0.611);  // Times-Italic A
}

TEST(FontSimple, SpaceWidthFallsBackThroughTheDescriptor) {
  qvtest::PdfBuilder b;
  // Nothing to go by: a quarter em; glyph widths known: half their mean.
  auto none = makeFont(b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /X /FirstChar 32 /Widths [0] >>"));
  EXPECT_DOUBLE_EQ(none->widthOfSpace(), 0.25);
  auto afterSpace = makeFont(b.parse(
      "<< /Type /Font /Subtype /TrueType /BaseFont /X /FirstChar 33 /Widths [500 600 500]"
      " /FontDescriptor << /Type /FontDescriptor /Flags 32 /FontBBox [-168 -281 1000 924] >> >>"));
  EXPECT_NEAR(afterSpace->widthOfSpace(), 0.2667, 1e-4);
  auto fixed = makeFont(b.parse(
      "<< /Type /Font /Subtype /TrueType /BaseFont /X /FirstChar 32 /Widths [0]"
      " /FontDescriptor << /Type /FontDescriptor /Flags 1 >> >>"));
  EXPECT_DOUBLE_EQ(fixed->widthOfSpace(), 1.0);
  auto narrow = makeFont(b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /X /FirstChar 32 /Widths [250] >>"));
  EXPECT_DOUBLE_EQ(narrow->widthOfSpace(), 0.25);
  auto average = makeFont(b.parse(
      "<< /Type /Font /Subtype /TrueType /BaseFont /X /FirstChar 32 /Widths [0]"
      " /FontDescriptor << /Type /FontDescriptor /Flags 32 /AvgWidth 400 /MaxWidth 900 >> >>"));
  EXPECT_DOUBLE_EQ(average->widthOfSpace(), 0.4);
}

TEST(FontSimple, Type3WidthsFollowTheFontMatrix) {
  qvtest::PdfBuilder b;
  auto font = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /FontBBox [0 0 100 100]"
      " /CharProcs << >> /FirstChar 97 /LastChar 98 /Widths [50 75]"
      " /Encoding << /Type /Encoding /Differences [97 /x /y] >> >>"));
  auto d = decode(*font, "ab");
  EXPECT_EQ(d.text, "xy");
  EXPECT_FLOAT_EQ(d.dx[0], 0.5f);
  EXPECT_FLOAT_EQ(d.dx[1], 0.75f);
  EXPECT_NE(dynamic_cast<const QVPDFType3Font*>(font.get()), nullptr);
}

TEST(FontSimple, Type3EmSpaceAndHeightFollowTheFontMatrix) {
  qvtest::PdfBuilder b;
  // Glyph space of 1000 units to the em, flipped by the FontMatrix: an em is
  // 1000 font sizes, the box's height, which agrees with the letters.
  auto flipped = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type3 /FontMatrix [1 0 0 -1 0 0] /FontBBox [0 -200 1000 800]"
      " /CharProcs << >> /FirstChar 32 /LastChar 33 /Widths [333 500]"
      " /Encoding << /Type /Encoding /Differences [32 /space /a] >> >>"));
  EXPECT_DOUBLE_EQ(flipped->emSize(), 1000.0);
  EXPECT_DOUBLE_EQ(flipped->widthOfSpace(), 333.0);
  EXPECT_DOUBLE_EQ(flipped->ascent(), 800.0);
  EXPECT_DOUBLE_EQ(flipped->descent(), -200.0);
  EXPECT_FLOAT_EQ(decode(*flipped, "!").dx[0], 500.0f);
  EXPECT_EQ(flipped->glyphOrientation(), (platform::AffineTransform{1, 0, 0, -1, 0, 0}));

  // Without a space glyph or a box: letters 0.6 font sizes wide make one
  // font size the em; the space is half their width, the height the default.
  auto bare = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type3 /FontMatrix [0.1 0 0 0.1 0 0] /FontBBox [0 0 0 0]"
      " /CharProcs << >> /FirstChar 65 /LastChar 65 /Widths [6] >>"));
  EXPECT_DOUBLE_EQ(bare->emSize(), 1.0);
  EXPECT_NEAR(bare->widthOfSpace(), 0.3, 1e-12);
  EXPECT_DOUBLE_EQ(bare->ascent(), 0.95);
  EXPECT_DOUBLE_EQ(bare->descent(), -0.35);
  EXPECT_EQ(bare->glyphOrientation(), platform::AffineTransform::identity());

  // Device pixels: letters 54 units wide in a box of nothing; half an em
  // each makes the em 108 font sizes.
  auto pixels = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type3 /FontMatrix [1 0 0 -1 0 0] /FontBBox [0 0 1 -1]"
      " /CharProcs << >> /FirstChar 97 /LastChar 98 /Widths [54 54] >>"));
  EXPECT_DOUBLE_EQ(pixels->emSize(), 108.0);
  EXPECT_DOUBLE_EQ(pixels->widthOfSpace(), 27.0);

  // The usual matrix keeps the usual em.
  auto usual = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /FontBBox [0 -200 1000 800]"
      " /CharProcs << >> /FirstChar 32 /LastChar 32 /Widths [250] >>"));
  EXPECT_NEAR(usual->emSize(), 1.0, 1e-12);
  EXPECT_NEAR(usual->widthOfSpace(), 0.25, 1e-12);
  EXPECT_NEAR(usual->ascent(), 0.8, 1e-12);
  // Other fonts have an em of one font size.
  auto plain = makeFont(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
  EXPECT_DOUBLE_EQ(plain->emSize(), 1.0);
}

TEST(FontSimple, NamesDropTheSubsetTagAndAdmitUnknownFonts) {
  qvtest::PdfBuilder b;
  auto subset = makeFont(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+Helvetica-Bold >>"));
  EXPECT_EQ(subset->baseFontName(), "ABCDEF+Helvetica-Bold");
  EXPECT_EQ(subset->fontName(), "Helvetica-Bold");
  EXPECT_EQ(subset->subtype(), "Type1");
  EXPECT_EQ(subset->objectKey(), "F1");
  ASSERT_NE(subset->builtinFont(), nullptr);
  EXPECT_EQ(subset->builtinFont()->fontName, "Helvetica-Bold");
  auto unknown = makeFont(b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /UnKnOwN-Font >>"));
  EXPECT_EQ(unknown->baseFontName(), "Arial Unicode MS");
  EXPECT_EQ(unknown->fontName(), "Arial Unicode MS");
  auto nameless = makeFont(b.parse("<< /Type /Font /Subtype /TrueType >>"));
  ASSERT_NE(nameless, nullptr);
  EXPECT_EQ(nameless->fontName(), "");
  EXPECT_EQ(nameless->builtinFont(), nullptr);
  EXPECT_EQ(decode(*nameless, "A").text, "A");
}

TEST(FontSimple, FactoryMakesOnlyTheFontsItReads) {
  qvtest::PdfBuilder b;
  EXPECT_EQ(makeFont(b.parse("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /X >>")), nullptr);
  EXPECT_EQ(makeFont(b.parse("<< /Type /Font /BaseFont /Helvetica >>")), nullptr);
  EXPECT_EQ(makeFont(b.parse("<< /Type /FontX /Subtype /Type1 /BaseFont /Helvetica >>")), nullptr);
  EXPECT_NE(makeFont(b.parse("<< /Subtype /Type1 /BaseFont /Helvetica >>")), nullptr);
  EXPECT_EQ(makeFont(b.parse("[1 2 3]")), nullptr);
  EXPECT_NE(dynamic_cast<const QVPDFTrueTypeFont*>(makeFont(b.parse("<< /Type /Font /Subtype /TrueType >>")).get()),
            nullptr);
  EXPECT_NE(dynamic_cast<const QVPDFType1Font*>(makeFont(b.parse("<< /Type /Font /Subtype /Type1 >>")).get()),
            nullptr);
  EXPECT_NE(makeFont(b.parse("<< /Type /Font /Subtype /MMType1 /BaseFont /X_MM >>")), nullptr);
}

TEST(FontSimple, CopyUnderAnotherNameDecodesTheSame) {
  qvtest::PdfBuilder b;
  auto font = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman /Encoding << /Differences [1 /fi /emdash] >> >>"));
  auto copy = font->copyWithObjectKey("F9");
  EXPECT_EQ(copy->objectKey(), "F9");
  EXPECT_EQ(font->objectKey(), "F1");
  EXPECT_NE(dynamic_cast<const QVPDFType1Font*>(copy.get()), nullptr);
  const std::string bytes = "\x01\x02 Hello";
  auto a = decode(*font, bytes), c = decode(*copy, bytes);
  EXPECT_EQ(a.text, c.text);
  EXPECT_EQ(a.dx, c.dx);
  EXPECT_EQ(a.codes, c.codes);
}

TEST(FontSimple, DamagedEntriesAreIgnored) {
  qvtest::PdfBuilder b;
  auto font = makeFont(b.parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar -5 /LastChar 99999 /Widths 12"
      " /Encoding << /BaseEncoding 7 /Differences [ -3 /a 300 /b (x) 65 /C /D 254 /e /f /g ] >>"
      " /FontDescriptor << /Type /FontDescriptor /Ascent (x) /FontBBox [1 2] >> /ToUnicode 5 >>"));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(decode(*font, "AB\xFE\xFF").text, "CDef");
}

TEST(FontSimple, ToUnicodeWithFourDigitCodesStillMapsTheBytes) {
  qvtest::PdfBuilder b;
  auto dict = b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Subset >>");
  dict.replaceKey("/ToUnicode", texttest::cmapStream(b,
                                                     "1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
                                                     "2 beginbfchar <0001> <0048> <0002> <0069> endbfchar"));
  auto font = makeFont(dict);
  EXPECT_EQ(decode(*font, "\x01\x02").text, "Hi");
}

}  // namespace

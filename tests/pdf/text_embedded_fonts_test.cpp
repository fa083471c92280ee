// Text of fonts with embedded programs: TrueType subsets with ToUnicode maps
// written by Cairo's PDF surface, and fonts without a usable ToUnicode map
// decoded through their program's own cmap.
#include <gtest/gtest.h>

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/fonts/QVPDFCharCodeToUnicode.h"
#include "pdf/fonts/QVPDFFontFactory.h"
#include "pdf/fonts/QVPDFTrueTypeFont.h"
#include "pdf/fonts/QVPDFType0Font.h"
#include "platform/pdf/document.h"
#include "tests/pdf/text_support.h"
#include "tests/pdf/truetype_fixture.h"
#include "tools/pdftext/PdfTextCollector.h"

namespace {

const char* kSansFile = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const char* kDejaVuFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// One line of text drawn by Cairo, and how far Cairo advanced for it.
struct CairoLine {
  std::string text;
  double advance = 0;
};

// A one-page PDF with each line set in the font file at 12 points, 20
// points apart. The font is handed to Cairo through FreeType, so no font
// lookup is involved.
std::vector<CairoLine> writeCairoPdf(const std::filesystem::path& path, const char* fontFile,
                                     const std::vector<std::string>& lines) {
  std::vector<CairoLine> out;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, fontFile, 0, &face) != 0) {
    ADD_FAILURE() << "cannot open " << fontFile;
    if (library) FT_Done_FreeType(library);
    return out;
  }
  cairo_font_face_t* fontFace = cairo_ft_font_face_create_for_ft_face(face, 0);
  cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), 400, 300);
  cairo_t* cr = cairo_create(surface);
  cairo_set_font_face(cr, fontFace);
  cairo_set_font_size(cr, 12);
  double y = 40;
  for (const std::string& line : lines) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, line.c_str(), &extents);
    cairo_move_to(cr, 20, y);
    cairo_show_text(cr, line.c_str());
    out.push_back({line, extents.x_advance});
    y += 20;
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  EXPECT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
  cairo_font_face_destroy(fontFace);
  // Cairo's caches hold the face until they are emptied.
  cairo_debug_reset_static_data();
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return out;
}

// The strings of page 1, grouped into lines by their baseline.
struct DecodedLine {
  std::string text;
  double advance = 0;  // page space, along x
};

std::vector<DecodedLine> decodeLines(const std::filesystem::path& path) {
  auto document = platform::PdfDocument::open(path.string());
  EXPECT_NE(document, nullptr);
  if (!document) return {};
  QVPDFFontFactory::DocumentScope fonts(&document->qpdf());
  auto page = document->page(1);
  std::vector<DecodedLine> lines;
  double lastY = NAN, firstX = 0;
  for (const auto& piece : pdftext::collectPage(*page)) {
    if (lines.empty() || std::fabs(piece.start.y - lastY) > 1) {
      lines.emplace_back();
      firstX = piece.start.x;
    }
    lastY = piece.start.y;
    lines.back().text += piece.text;
    // From the line's first string to where its last one ends: the strings'
    // own advances and the TJ adjustments between them.
    lines.back().advance = piece.end.x - firstX;
  }
  return lines;
}

TEST(TextEmbeddedFonts, CairoTrueTypeSubsetsDecodeWithTheirAdvances) {
  qvtest::TempDir dir;
  const auto path = dir.file("cairo.pdf");
  // The first lines fit a one-byte TrueType subset; ligature, Greek and a
  // character beyond the BMP go through Cairo's composite (Identity-H) font.
  auto drawn = writeCairoPdf(path, kDejaVuFile,
                             {"Hello, world", "Caf\u00E9 \u2014 na\u00EFve \u00A35", "\uFB01ne \u03A9 \U0001D400 end"});
  auto decoded = decodeLines(path);
  ASSERT_EQ(decoded.size(), drawn.size());
  for (size_t i = 0; i < drawn.size(); ++i) {
    EXPECT_EQ(decoded[i].text, drawn[i].text) << i;
    // The Widths Cairo writes are its advances in whole thousandths of the
    // font size: each glyph may lose up to one.
    const double glyphs = static_cast<double>(platform::text::decodeUtf8(drawn[i].text).size());
    EXPECT_NEAR(decoded[i].advance, drawn[i].advance, glyphs * 12 * 0.001) << drawn[i].text;
    EXPECT_LT(decoded[i].advance, drawn[i].advance + 1e-9) << drawn[i].text;
  }
}

TEST(TextEmbeddedFonts, CairoFontsAreTrueTypeAndIdentityHWithToUnicode) {
  qvtest::TempDir dir;
  const auto path = dir.file("cairo.pdf");
  writeCairoPdf(path, kDejaVuFile, {"Plain", "\U0001D400"});
  auto document = platform::PdfDocument::open(path.string());
  ASSERT_NE(document, nullptr);
  auto page = document->page(1);
  ASSERT_TRUE(page);
  auto fonts = page->resources().getDictionary("Font");
  int trueType = 0, identity = 0;
  for (const std::string& key : fonts.keys()) {
    auto font = QVPDFFont::fontWithDictionary(fonts.get(key), key);
    ASSERT_NE(font, nullptr) << key;
    EXPECT_NE(font->embToUnicodeMap(), nullptr) << key;
    if (dynamic_cast<const QVPDFTrueTypeFont*>(font.get())) ++trueType;
    if (auto* type0 = dynamic_cast<const QVPDFType0Font*>(font.get())) {
      EXPECT_EQ(type0->cMapName(), "Identity-H");
      ++identity;
    }
  }
  EXPECT_EQ(trueType, 1);
  EXPECT_EQ(identity, 1);
  QVPDFFontFactory::releaseDocument(&document->qpdf());
}

std::string readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The glyph indices of the characters in the font file, as two-byte codes.
std::string glyphCodes(const std::string& fontData, const std::u32string& text) {
  FT_Library library;
  EXPECT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face;
  EXPECT_EQ(FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(fontData.data()),
                               static_cast<FT_Long>(fontData.size()), 0, &face),
            0);
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  std::string codes;
  for (char32_t c : text) {
    FT_UInt glyph = FT_Get_Char_Index(face, c);
    EXPECT_NE(glyph, 0u) << static_cast<uint32_t>(c);
    codes.push_back(static_cast<char>(glyph >> 8));
    codes.push_back(static_cast<char>(glyph & 0xFF));
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return codes;
}

TEST(TextEmbeddedFonts, CIDFontWithoutToUnicodeIsReadThroughItsProgramCmap) {
  const std::string program = readFile(kSansFile);
  if (program.empty()) GTEST_SKIP() << "no " << kSansFile;
  qvtest::PdfBuilder b;
  auto descriptor = b.parse("<< /Type /FontDescriptor /FontName /LiberationSans /Flags 32 /Ascent 905 /Descent -212"
                            " /FontBBox [-543 -303 1300 979] /ItalicAngle 0 /StemV 80 >>");
  descriptor.replaceKey("/FontFile2", b.stream(program));
  auto cid = b.parse("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /LiberationSans /CIDToGIDMap /Identity"
                     " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 500 >>");
  cid.replaceKey("/FontDescriptor", descriptor);
  auto font = b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /LiberationSans /Encoding /Identity-H >>");
  font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({cid}));
  const std::u32string text = U"Hallo \u2018\u03A9\u2019 \u20AC 42";
  auto decoded = texttest::decode(*texttest::makeFont(font), glyphCodes(program, text));
  EXPECT_EQ(decoded.text, platform::text::encodeUtf8(text));
}

TEST(TextEmbeddedFonts, SymbolicTrueTypeWithoutEncodingIsReadThroughItsOwnCmap) {
  const std::string program = readFile(kSansFile);
  if (program.empty()) GTEST_SKIP() << "no " << kSansFile;
  qvtest::PdfBuilder b;
  auto descriptor = b.parse("<< /Type /FontDescriptor /FontName /LiberationSans /Flags 4 /Ascent 905 /Descent -212"
                            " /FontBBox [-543 -303 1300 979] /ItalicAngle 0 /StemV 80 >>");
  descriptor.replaceKey("/FontFile2", b.stream(program));
  auto font = b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /LiberationSans /FirstChar 32 /LastChar 255"
                      " /Widths [] >>");
  font.replaceKey("/FontDescriptor", descriptor);
  auto made = texttest::makeFont(font);
  // The program has no (3,0) cmap; its (1,0) cmap is Mac Roman, where 0x8E is
  // e acute.
  EXPECT_EQ(texttest::decode(*made, "Caf\x8E").text, "Café");
}

// A simple TrueType font over a symbolic program of the fixture's glyphs
// (codes from 0x41), with the Encoding given (none when empty).
std::shared_ptr<const QVPDFFont> symbolicFont(qvtest::PdfBuilder& b, const truetypefix::Program& program,
                                              const std::string& encoding) {
  auto descriptor = b.parse("<< /Type /FontDescriptor /FontName /ThaiSymbol /Flags 4 /Ascent 800 /Descent -200"
                            " /FontBBox [0 -200 1000 800] /ItalicAngle 0 /StemV 80 >>");
  descriptor.replaceKey("/FontFile2", b.stream(truetypefix::build(program)));
  auto font = b.parse("<< /Type /Font /Subtype /TrueType /BaseFont /ThaiSymbol /FirstChar 32 /LastChar 255 >>");
  if (!encoding.empty()) font.replaceKey("/Encoding", b.parse(encoding));
  font.replaceKey("/FontDescriptor", descriptor);
  return texttest::makeFont(font);
}

TEST(TextEmbeddedFonts, CharacterNameDifferencesOverASymbolicProgramGiveThaiNotLatin) {
  qvtest::PdfBuilder b;
  truetypefix::Program program;
  program.glyphNames = {"ThaiCharacterKoKai", "ThaiCharacterMaiEkLow", "ThaiCharacterYoYingDescless",
                        "ThaiCharacterSaraAa", "glyph5"};
  program.codePageRange = (1u << 0) | (1u << 16);
  auto font = symbolicFont(b, program,
                           "<< /Type /Encoding /Differences [65 /ThaiCharacterKoKai /ThaiCharacterMaiEkLow"
                           " /ThaiCharacterYoYingDescless /ThaiCharacterSaraAa] >>");
  ASSERT_NE(font, nullptr);
  // The fifth glyph's name says nothing; in a font whose names are Thai it
  // is no Latin "E" either.
  EXPECT_EQ(texttest::decode(*font, "ABCDE").text, "\u0E01\u0E48\u0E0D\u0E32");
}

TEST(TextEmbeddedFonts, SymbolicProgramGlyphNamesThatSpellCharactersAreRead) {
  qvtest::PdfBuilder b;
  truetypefix::Program program;
  program.glyphNames = {"ThaiCharacterKoKai", "ThaiCharacterSaraAa", "ThaiCharacterMaiEkLowLeft"};
  program.codePageRange = 1u << 0;
  auto font = symbolicFont(b, program, "");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(texttest::decode(*font, "ABC").text, "\u0E01\u0E32\u0E48");
}

TEST(TextEmbeddedFonts, SymbolicProgramCodesReadInTheCodePageTheProgramDeclares) {
  truetypefix::Program program;
  program.glyphNames = {"g1", "g2", "g3"};
  program.firstCode = 0xA1;
  {
    // A Thai program: the codes are TIS-620's.
    qvtest::PdfBuilder b;
    program.codePageRange = 1u << 16;
    auto font = symbolicFont(b, program, "");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(texttest::decode(*font, "\xA1\xA2\xA3").text, "\u0E01\u0E02\u0E03");
  }
  {
    // A Latin (or symbol) program reads as its author typed it.
    qvtest::PdfBuilder b;
    program.codePageRange = (1u << 0) | (1u << 31);
    auto font = symbolicFont(b, program, "");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(texttest::decode(*font, "\xA1\xA2\xA3").text, "\u00A1\u00A2\u00A3");
  }
  {
    // A program for another script whose table we do not hold (Arabic,
    // 1256) gives no Latin letters.
    qvtest::PdfBuilder b;
    program.codePageRange = 1u << 6;
    auto font = symbolicFont(b, program, "");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(texttest::decode(*font, "\xA1\xA2\xA3").text, "");
  }
}

}  // namespace

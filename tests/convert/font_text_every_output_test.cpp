// What every output inherits from the page's fonts, converted as a user runs
// the converter: bitmap Type 3 fonts whose glyph space counts device pixels
// and whose glyphs a flipped FontMatrix and a flipped text matrix set
// upright, a font that gives the space no width, and the names an office
// application knows the PDF's fonts by. And what every output holds of a
// page: what its reader sees, filled-in forms and notes included, content
// outside the page's box or its clip left out, text the page draws in
// overlapping copies once, text in fonts that leave out their /Type or name
// their Unicode map, and the pages of a file whose encryption guards only
// its attachments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "convert/QVPDFFontStyle.h"
#include "platform/text/bidi.h"
#include "platform/text/text.h"
#include "tests/support/command_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/output_text.h"
#include "tests/support/package_checker.h"
#include "tests/support/text_coverage.h"

#ifdef QV_PDFCONVERT

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kWords = {"Editing", "graphs", "with", "dotty", "is", "a", "way", "to", "draw",
                                         "and", "lay", "out", "directed", "graphs", "quickly"};
const char* const kOutputs[] = {"pptx", "docx", "html", "rtf", "txt", "xlsx", "csv"};

// A Type 3 font of rectangles for the letters of kWords, each `width` glyph
// units wide (capitals and m, w wider, i, l, t narrower) and `height` high.
QPDFObjectHandle type3Font(qvtest::PdfBuilder& b, const std::string& matrix, const std::string& box, double width,
                           double height) {
  std::set<char> letters;
  for (const std::string& word : kWords) letters.insert(word.begin(), word.end());
  auto procs = b.parse("<< >>");
  std::string differences, widths;
  std::map<int, double> byCode;
  for (char c : letters) {
    const double w = std::isupper(static_cast<unsigned char>(c)) || c == 'm' || c == 'w' ? width * 1.45
                     : c == 'i' || c == 'l' || c == 't'                                   ? width * 0.55
                                                                                          : width;
    byCode[c] = w;
    const std::string name(1, c);
    differences += " " + std::to_string(static_cast<int>(c)) + " /" + name;
    procs.replaceKey("/" + name, b.stream(std::to_string(w) + " 0 0 0 " + std::to_string(w * 0.9) + " " +
                                          std::to_string(height) + " d1 0 0 " + std::to_string(w * 0.9) + " " +
                                          std::to_string(height) + " re f"));
  }
  for (int code = 65; code <= 122; ++code) widths += " " + std::to_string(byCode.count(code) ? byCode[code] : 0.0);
  auto font = b.parse("<< /Type /Font /Subtype /Type3 /FontMatrix " + matrix + " /FontBBox " + box +
                      " /Resources << >> /FirstChar 65 /LastChar 122 /Widths [" + widths +
                      "] /Encoding << /Type /Encoding /Differences [" + differences + "] >> >>");
  font.replaceKey("/CharProcs", procs);
  return b.qpdf().makeIndirectObject(font);
}

// Three lines of kWords as a TJ array, words set apart by `gap` (thousandths
// of the font size).
std::string lines(const std::string& start, const std::string& font, double lineStep, const std::string& matrix,
                  double x, double y, int gap) {
  std::string content = start;
  for (int line = 0; line < 3; ++line) {
    std::string tj;
    for (size_t k = 0; k < kWords.size(); ++k) tj += "(" + kWords[k] + ")" + (k + 1 < kWords.size() ? " " + std::to_string(gap) + " " : "");
    content += "BT " + font + " " + matrix + " " + std::to_string(x) + " " + std::to_string(y - line * lineStep) +
               " Tm [" + tj + "] TJ ET\n";
  }
  return content;
}

// A DVI converter's bitmap font: glyph space in pixels of 600 dpi, flipped by
// the FontMatrix and back by the text matrix; a 12-point em of 100 pixels.
void writeDviBitmapFont(const fs::path& path) {
  qvtest::PdfBuilder b;
  auto font = type3Font(b, "[1 0 0 -1 0 0]", "[1 -25 71 75]", 50, 60);
  b.addPage(lines("", "/F1 1 Tf", 14.4, "0.12 0 0 -0.12", 72, 700, -32000),
            b.resources({{"Font", {{"F1", font}}}}));
  b.write(path);
}

// A PostScript printer's bitmap font: a box of nothing, a size of 24.79 in a
// space of tenths of a point, the text matrix flipped; a 10-point em.
void writePrinterBitmapFont(const fs::path& path) {
  qvtest::PdfBuilder b;
  auto font = type3Font(b, "[1 0 0 -1 0 0]", "[0 0 1 -1]", 2.017, 2.8);
  b.addPage(lines("0.1 0 0 0.1 0 0 cm\n", "/R8 24.79 Tf", 120, "1 0 0 -1", 720, 7000, -1300),
            b.resources({{"Font", {{"R8", font}}}}));
  b.write(path);
}

// A font whose widths start after the space, words a quarter em apart.
void writeFontWithoutSpaceWidth(const fs::path& path) {
  qvtest::PdfBuilder b;
  std::string widths;
  for (int code = 33; code <= 126; ++code) {
    const char c = static_cast<char>(code);
    widths += c == 'i' || c == 'l' || c == 't' ? " 278" : c == 'm' || c == 'w' ? " 722" : " 500";
  }
  auto font = b.qpdf().makeIndirectObject(b.parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /NimbusRomNo9L-Regu /FirstChar 33 /LastChar 126 /Widths [" + widths +
      "] /FontDescriptor << /Type /FontDescriptor /FontName /NimbusRomNo9L-Regu /Flags 34"
      " /FontBBox [-168 -281 1000 924] /ItalicAngle 0 /Ascent 678 /Descent -216 /StemV 85 >> >>"));
  const auto width = [](const std::string& word) {
    double w = 0;
    for (char c : word) w += c == 'i' || c == 'l' || c == 't' ? 2.78 : c == 'm' || c == 'w' ? 7.22 : 5.0;
    return w;
  };
  std::string content;
  for (int line = 0; line < 3; ++line) {
    content += "BT /F1 10 Tf 72 " + std::to_string(700 - 12 * line) + " Td";
    for (const std::string& word : kWords) content += " (" + word + ") Tj " + std::to_string(width(word) + 2.5) + " 0 Td";
    content += " ET\n";
  }
  b.addPage(content, b.resources({{"Font", {{"F1", font}}}}));
  b.write(path);
}

// Runs pdfconvert as a user does; answers whether it converted.
bool pdfconvert(const fs::path& pdf, const std::string& extension, const fs::path& out) {
  const auto run = qvtest::runCommand(qvtest::shellQuote(QV_PDFCONVERT) + " --to " + extension + " " +
                                      qvtest::shellQuote(pdf.string()) + " " + qvtest::shellQuote(out.string()));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  return run.exitCode == 0;
}

struct FontCase {
  const char* name;
  void (*write)(const fs::path&);
  double pointSize;  // the em the page shows
};

class FontTextEveryOutput : public testing::TestWithParam<FontCase> {};

TEST_P(FontTextEveryOutput, KeepsTheWordsApartAndUpright) {
  const FontCase& c = GetParam();
  qvtest::TempDir dir;
  const fs::path pdf = dir.file(std::string(c.name) + ".pdf");
  c.write(pdf);
  const std::string reference = qvtest::pdftotextPage(pdf, 0);
  ASSERT_EQ(qvtest::foldedWords(reference).size(), 3 * kWords.size());

  for (const char* extension : kOutputs) {
    SCOPED_TRACE(extension);
    const fs::path out = dir.file(std::string(c.name) + "." + extension);
    ASSERT_TRUE(pdfconvert(pdf, extension, out));
    const std::string text = qvtest::outputText(out, extension);
    const qvtest::WordCoverage words = qvtest::wholeWordCoverage(reference, text);
    EXPECT_GE(words.fraction(), 0.95) << text;

    if (std::string_view(extension) == "docx") {
      // Upright text is flowing text: no word-art, no text box.
      const std::string body = qvtest::ZipPackage(out).data("word/document.xml");
      EXPECT_EQ(body.find("textpath"), std::string::npos);
      EXPECT_EQ(body.find("txbxContent"), std::string::npos);
    }
    if (std::string_view(extension) == "pptx") {
      // Every run at the size the page shows (hundredths of a point).
      const qvtest::ZipPackage deck(out);
      const std::string slide = deck.data("ppt/slides/slide1.xml");
      const std::regex size(" sz=\"([0-9]+)\"");
      int sizes = 0;
      for (std::sregex_iterator it(slide.begin(), slide.end(), size), end; it != end; ++it, ++sizes)
        EXPECT_NEAR(std::stod((*it)[1].str()) / 100.0, c.pointSize, 0.15 * c.pointSize);
      EXPECT_GT(sizes, 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fonts, FontTextEveryOutput,
                         testing::Values(FontCase{"DviBitmapFont", writeDviBitmapFont, 12.0},
                                         FontCase{"PrinterBitmapFont", writePrinterBitmapFont, 10.0},
                                         FontCase{"FontWithoutSpaceWidth", writeFontWithoutSpaceWidth, 10.0}),
                         [](const testing::TestParamInfo<FontCase>& info) { return std::string(info.param.name); });


// ---------------------------------------------------------------------------
// What a reader of the page sees

// A form's field or a note: its appearance drawn as a form into its /Rect.
QPDFObjectHandle annotation(qvtest::PdfBuilder& b, const std::string& dict, const std::string& rect,
                            QPDFObjectHandle appearance) {
  auto annot = b.parse("<< /Type /Annot " + dict + " /Rect " + rect + " >>");
  if (appearance.isInitialized()) annot.replaceKey("/AP", appearance);
  return b.qpdf().makeIndirectObject(annot);
}

// An appearance stream showing `text` in Helvetica, in a box of 200 x 20
// (or as the /Matrix turns and scales it).
QPDFObjectHandle shownText(qvtest::PdfBuilder& b, QPDFObjectHandle font, const std::string& text,
                           const std::string& extra = "") {
  auto form = b.stream("/Tx BMC q 1 1 198 18 re W n BT /Helv 10 Tf 0 g 2 6 Td (" + text + ") Tj ET Q EMC",
                       "<< /Type /XObject /Subtype /Form /BBox [0 0 200 20] " + extra + " >>");
  form.getDict().replaceKey("/Resources", b.resources({{"Font", {{"Helv", font}}}}));
  return form;
}

QPDFObjectHandle normal(qvtest::PdfBuilder& b, QPDFObjectHandle form) {
  auto ap = b.parse("<< >>");
  ap.replaceKey("/N", form);
  return ap;
}

// A filled-in form: a text field, a ticked check box (whose other state
// shows a word), a combo box's choice drawn by a form that its /Matrix
// scales and shifts, and a free-text note; a hidden field, a note kept off the
// screen and one without an appearance.
void writeFilledForm(const fs::path& path) {
  qvtest::PdfBuilder b;
  auto helv = b.standardFont("Helvetica");
  auto dingbats = b.qpdf().makeIndirectObject(b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>"));
  auto page = b.addPage("BT /F1 12 Tf 72 700 Td (Town) Tj 0 -40 Td (Member) Tj 0 -40 Td (Province) Tj ET",
                        b.resources({{"Font", {{"F1", helv}}}}));
  auto check = b.stream("q BT /ZaDb 14 Tf 0 g 3 4 Td (4) Tj ET Q", "<< /Subtype /Form /BBox [0 0 20 20] >>");
  check.getDict().replaceKey("/Resources", b.resources({{"Font", {{"ZaDb", dingbats}}}}));
  auto states = b.parse("<< >>");
  states.replaceKey("/Yes", check);
  states.replaceKey("/Off", shownText(b, helv, "Utrecht"));
  auto box = b.parse("<< >>");
  box.replaceKey("/N", states);
  auto annots = QPDFObjectHandle::newArray();
  annots.appendItem(annotation(b, "/Subtype /Widget /FT /Tx /T (town) /V (Amsterdam)", "[200 690 400 710]",
                               normal(b, shownText(b, helv, "Amsterdam"))));
  annots.appendItem(annotation(b, "/Subtype /Widget /FT /Btn /T (member) /V /Yes /AS /Yes", "[200 650 220 670]", box));
  // Drawn twice as large and shifted, set back into its rectangle.
  annots.appendItem(annotation(b, "/Subtype /Widget /FT /Ch /Ff 131072 /T (province) /V (Zeeland)",
                               "[200 610 400 630]",
                               normal(b, shownText(b, helv, "Zeeland", "/Matrix [2 0 0 2 -50 30]"))));
  annots.appendItem(annotation(b, "/Subtype /FreeText /Contents (Rotterdam harbour)", "[72 500 372 520]",
                               normal(b, shownText(b, helv, "Rotterdam harbour"))));
  annots.appendItem(annotation(b, "/Subtype /Widget /FT /Tx /F 2 /V (Eindhoven)", "[72 460 272 480]",
                               normal(b, shownText(b, helv, "Eindhoven"))));
  annots.appendItem(annotation(b, "/Subtype /FreeText /F 32 /Contents (Groningen)", "[72 420 272 440]",
                               normal(b, shownText(b, helv, "Groningen"))));
  annots.appendItem(annotation(b, "/Subtype /FreeText /Contents (Maastricht)", "[72 380 272 400]", {}));
  page.replaceKey("/Annots", annots);
  b.write(path);
}

// A page that shows the top half of its paper: a line in the half shown,
// one across the edge, one in the half cut away.
void writeCroppedPage(const fs::path& path) {
  qvtest::PdfBuilder b;
  auto page = b.addPage(
      "BT /F1 12 Tf 72 700 Td (Shown above) Tj ET BT /F1 12 Tf 72 393 Td (Straddling edge) Tj ET "
      "BT /F1 12 Tf 72 200 Td (Cropped below) Tj ET 0 0 1 rg 72 100 200 50 re f",
      b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  page.replaceKey("/CropBox", b.parse("[0 396 612 792]"));
  b.write(path);
}

// Two columns of which the clip shows the left one and a word across its
// edge; and text under sloppy clips, kept: a clip without area (a line) and
// a box far larger than the page.
void writeClippedColumn(const fs::path& path) {
  qvtest::PdfBuilder b;
  std::string content = "q 0 0 306 792 re W n\n";
  for (int line = 0; line < 4; ++line) {
    const std::string y = std::to_string(700 - 20 * line);
    content += "BT /F1 12 Tf 72 " + y + " Td (Kept line) Tj ET BT /F1 12 Tf 340 " + y + " Td (Hidden column) Tj ET\n";
  }
  content += "BT /F1 12 Tf 280 600 Td (Partly) Tj ET Q\n";
  content += "q 100 500 m 300 500 l W n BT /F1 12 Tf 72 500 Td (Sloppy) Tj ET Q\n";
  content += "q -1000000 -1000000 2000000 2000000 re W n BT /F1 12 Tf 72 460 Td (Worldwide) Tj ET Q\n";
  b.addPage(content, b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  b.write(path);
}

// A page shown upside down whose lines are drawn upside down, each in
// overlapping copies: through a turned text matrix, a turned ctm, and a
// text matrix mirrored top to bottom whose text a negative horizontal
// scaling mirrors back.
void writeUpsideDownCopies(const fs::path& path) {
  qvtest::PdfBuilder b;
  std::string content;
  for (double shift : {0.0, 0.4, 0.8}) {
    content += "BT /F1 14 Tf 100 Tz -1 0 0 -1 " + std::to_string(540 + shift) + " " + std::to_string(100 + shift) +
               " Tm (Northern lights dance) Tj ET\n";
    content += "q -1 0 0 -1 612 792 cm BT /F1 14 Tf 100 Tz 1 0 0 1 " + std::to_string(72 + shift) + " " +
               std::to_string(720 - shift) + " Tm (Southern stars shine) Tj ET Q\n";
    content += "BT /F1 14 Tf -100 Tz 1 0 0 -1 " + std::to_string(540 + shift) + " " + std::to_string(140 + shift) +
               " Tm (Western winds blow) Tj ET\n";
  }
  // A word drawn a letter at a time, its two narrow letters side by side.
  content += "q -1 0 0 -1 612 792 cm BT /F1 14 Tf 1 0 0 1 72 680 Tm 100 Tz (W) Tj (a) Tj (l) Tj (l) Tj (s) Tj ET Q\n";
  auto page = b.addPage(content, b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(180));
  b.write(path);
}

const char* const kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Fonts that leave out /Type /Font, as some writers and the free-text notes
// of a common viewer do: a standard font on the page and in a note's
// appearance, and a composite font without ToUnicode whose text is its
// program's, found through a descriptor that leaves out its /Type too.
void writeFontsWithoutType(const fs::path& path) {
  qvtest::PdfBuilder b;
  auto helv = b.qpdf().makeIndirectObject(b.parse("<< /Subtype /Type1 /BaseFont /Helvetica >>"));
  qvtest::EmbeddedFont dejavu = qvtest::embedTrueTypeFont(b, kDejaVu, U"Mosaic");
  dejavu.font.removeKey("/Type");
  dejavu.font.removeKey("/ToUnicode");
  auto cid = dejavu.font.getKey("/DescendantFonts").getArrayItem(0);
  cid.removeKey("/Type");
  cid.getKey("/FontDescriptor").removeKey("/Type");
  auto page = b.addPage("BT /F1 12 Tf 72 700 Td (Lighthouse) Tj ET BT /F2 12 Tf 72 660 Td <" + dejavu.hex(U"Mosaic") +
                            "> Tj ET",
                        b.resources({{"Font", {{"F1", helv}, {"F2", dejavu.font}}}}));
  auto annots = QPDFObjectHandle::newArray();
  annots.appendItem(annotation(b, "/Subtype /FreeText /Contents (Windmill)", "[72 500 372 520]",
                               normal(b, shownText(b, helv, "Windmill"))));
  page.replaceKey("/Annots", annots);
  b.write(path);
}

// A composite font whose ToUnicode is the name /Identity-H: its codes are
// the Unicode values of its characters, and its TrueType program, without
// cmap or glyph names, says nothing of them.
void writeUnicodeMapByName(const fs::path& path) {
  qvtest::PdfBuilder b;
  const std::u32string text = U"V\u00FDbava na p\u0159\u00E1n\u00ED";
  qvtest::EmbeddedFont embedded = qvtest::embedTrueTypeFont(b, kDejaVu, text);
  std::ifstream in(kDejaVu, std::ios::binary);
  std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The table directory: the two tables renamed, no reader finds them.
  const size_t tables = (static_cast<uint8_t>(program[4]) << 8) | static_cast<uint8_t>(program[5]);
  for (size_t i = 0; i < tables; ++i) {
    const size_t tag = 12 + 16 * i;
    if (program.compare(tag, 4, "cmap") == 0 || program.compare(tag, 4, "post") == 0) program[tag + 3] = '_';
  }
  std::string cidToGid(2 * 0x160, '\0'), codes, widths = "[";
  for (char32_t c : text) {
    cidToGid[2 * c] = static_cast<char>(embedded.glyphs.at(c) >> 8);
    cidToGid[2 * c + 1] = static_cast<char>(embedded.glyphs.at(c) & 0xFF);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(c));
    codes += hex;
    widths += " " + std::to_string(static_cast<unsigned>(c)) + " [" +
              std::to_string(static_cast<int>(embedded.advances.at(c))) + "]";
  }
  auto cid = embedded.font.getKey("/DescendantFonts").getArrayItem(0);
  cid.replaceKey("/CIDToGIDMap", b.flateStream(cidToGid));
  cid.replaceKey("/W", b.parse(widths + " ]"));
  cid.getKey("/FontDescriptor").replaceKey("/FontFile2", b.flateStream(program));
  embedded.font.replaceKey("/ToUnicode", QPDFObjectHandle::newName("/Identity-H"));
  b.addPage("BT /F1 14 Tf 72 700 Td <" + codes + "> Tj ET", b.resources({{"Font", {{"F1", embedded.font}}}}));
  b.write(path);
}

// Encrypted with the Identity filter for streams and strings: only its
// attachments (/EFF, asked for when one is opened) need the password, which
// its pages do not.
void writeOnlyAttachmentsEncrypted(const fs::path& path) {
  qvtest::PdfBuilder b;
  b.addPage("BT /F1 12 Tf 72 700 Td (Example attachment) Tj ET",
            b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  std::string bytes = b.writeToString();
  const size_t trailer = bytes.rfind("trailer <<");
  ASSERT_NE(trailer, std::string::npos);
  bytes.insert(trailer + 10,
               " /Encrypt << /Filter /Standard /V 4 /R 4 /Length 128 /P -1028 /CF << /StdCF << /AuthEvent /EFOpen"
               " /CFM /AESV2 /Length 16 >> >> /StmF /Identity /StrF /Identity /EFF /StdCF /O <" +
                   std::string(64, '7') + "> /U <" + std::string(64, 'C') + "> >>");
  std::ofstream(path, std::ios::binary) << bytes;
}

struct SeenCase {
  const char* name;
  void (*write)(const fs::path&);
  std::vector<std::string> shown;   // words that every output holds once
  std::vector<std::string> hidden;  // words that no output holds
};

class WhatAReaderSees : public testing::TestWithParam<SeenCase> {};

TEST_P(WhatAReaderSees, EveryOutputHoldsWhatThePageShowsOnce) {
  const SeenCase& c = GetParam();
  qvtest::TempDir dir;
  const fs::path pdf = dir.file(std::string(c.name) + ".pdf");
  c.write(pdf);
  for (const char* extension : kOutputs) {
    SCOPED_TRACE(extension);
    const fs::path out = dir.file(std::string(c.name) + "." + extension);
    ASSERT_TRUE(pdfconvert(pdf, extension, out));
    const std::string text = qvtest::outputText(out, extension);
    const std::vector<std::string> words = qvtest::foldedWords(text);
    for (const std::string& word : c.shown)
      EXPECT_EQ(std::count(words.begin(), words.end(), word), 1) << word << "\n" << text;
    for (const std::string& word : c.hidden) EXPECT_EQ(text.find(word), std::string::npos) << word << "\n" << text;
    if (std::string_view(extension) == "docx") {
      // Upright on the page, upright in the document: no word-art.
      EXPECT_EQ(qvtest::ZipPackage(out).data("word/document.xml").find("textpath"), std::string::npos);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, WhatAReaderSees,
    testing::Values(SeenCase{"FilledForm", writeFilledForm,
                             {"Town", "Amsterdam", "Member", "\u2714", "Province", "Zeeland", "Rotterdam", "harbour"},
                             {"Utrecht", "Eindhoven", "Groningen", "Maastricht"}},
                    SeenCase{"CroppedPage", writeCroppedPage, {"Shown", "above", "Straddling", "edge"},
                             {"Cropped", "below"}},
                    SeenCase{"ClippedColumn", writeClippedColumn, {"Partly", "Sloppy", "Worldwide"},
                             {"Hidden", "column"}},
                    SeenCase{"UpsideDownCopies", writeUpsideDownCopies,
                             {"Northern", "lights", "dance", "Southern", "stars", "shine", "Western", "winds", "blow",
                              "Walls"},
                             {}},
                    SeenCase{"FontsWithoutType", writeFontsWithoutType, {"Lighthouse", "Mosaic", "Windmill"}, {}},
                    SeenCase{"UnicodeMapByName", writeUnicodeMapByName,
                             {"V\u00FDbava", "na", "p\u0159\u00E1n\u00ED"}, {}},
                    SeenCase{"OnlyAttachmentsEncrypted", writeOnlyAttachmentsEncrypted, {"Example", "attachment"}, {}}),
    [](const testing::TestParamInfo<SeenCase>& info) { return std::string(info.param.name); });

// The slide and the Word page have the size of the part of the paper the
// page shows; the form's values stand where their fields are.
TEST(WhatAReaderSeesPlaced, SlideAndWordPageTakeTheCropBoxAndFieldsTheirPlace) {
  qvtest::TempDir dir;
  const fs::path cropped = dir.file("cropped.pdf"), form = dir.file("form.pdf");
  writeCroppedPage(cropped);
  writeFilledForm(form);
  const auto convert = [&](const fs::path& pdf, const char* extension) {
    const fs::path out = dir.file(pdf.stem().string() + "." + extension);
    pdfconvert(pdf, extension, out);
    return qvtest::ZipPackage(out);
  };
  EXPECT_THAT(convert(cropped, "pptx").data("ppt/presentation.xml"),
              testing::HasSubstr("<p:sldSz cx=\"7772400\" cy=\"5029200\""));
  EXPECT_THAT(convert(cropped, "docx").data("word/document.xml"),
              testing::ContainsRegex("<w:pgSz w:w=\"12240\" w:h=\"7920\""));

  // Each value's text box starts at its field's left edge and meets its
  // height (the slide keeps the page's points: 12700 EMU each).
  const std::string slide = convert(form, "pptx").data("ppt/slides/slide1.xml");
  const struct {
    const char* text;
    double left, top, bottom;  // the field on the slide, points
  } fields[] = {{"Amsterdam", 200, 792 - 710, 792 - 690},
                {"Zeeland", 200, 792 - 630, 792 - 610},
                {"Rotterdam harbour", 72, 792 - 520, 792 - 500}};
  for (const auto& field : fields) {
    SCOPED_TRACE(field.text);
    const size_t at = slide.find(std::string(">") + field.text + "<");
    ASSERT_NE(at, std::string::npos);
    const size_t shape = slide.rfind("<p:sp>", at);
    std::smatch box;
    const std::string before = slide.substr(shape, at - shape);
    ASSERT_TRUE(std::regex_search(
        before, box, std::regex("<a:off x=\"(-?[0-9]+)\" y=\"(-?[0-9]+)\"/>\\s*<a:ext cx=\"[0-9]+\" cy=\"([0-9]+)\"")));
    const double left = std::stod(box[1].str()) / 12700, top = std::stod(box[2].str()) / 12700;
    EXPECT_NEAR(left, field.left, 6);
    EXPECT_LT(top, field.bottom);
    EXPECT_GT(top + std::stod(box[3].str()) / 12700, field.top);
  }
}

// Lines of Arabic and of Hebrew as a typesetter draws them: a string for each
// word (two for a word split by '|'), each string's glyphs and the strings
// themselves from left to right, with a Latin word and a number among the
// words; alone on a page and in both columns of a two-column page. Every flowing output gives each line's words in the order
// pdftotext reads them, and LibreOffice sets the Word and RTF lines from the
// right.
struct RightToLeftCase {
  const char* name;
  std::vector<std::u32string> words;  // in reading order
  bool twoColumns;
};

std::u32string withoutSplits(std::u32string word) {
  std::erase(word, U'|');
  return word;
}

// The page's content: the line read from `words`, its right end at `right`.
std::string rightToLeftLine(const qvtest::EmbeddedFont& font, const std::vector<std::u32string>& words, double right,
                            double y) {
  const double size = 10, space = font.advance(U" ", size);
  double width = space * static_cast<double>(words.size() - 1);
  for (const std::u32string& word : words) width += font.advance(withoutSplits(word), size);
  double x = right - width;
  std::string content;
  for (auto word = words.rbegin(); word != words.rend(); ++word) {
    const bool rightToLeft = platform::text::hasRightToLeft(*word);
    std::vector<std::u32string> parts;
    for (size_t start = 0;;) {
      const size_t bar = word->find(U'|', start);
      parts.push_back(word->substr(start, bar - start));
      if (bar == std::u32string::npos) break;
      start = bar + 1;
    }
    if (rightToLeft) std::reverse(parts.begin(), parts.end());
    for (std::u32string part : parts) {
      if (rightToLeft) std::reverse(part.begin(), part.end());
      content += "BT /F1 10 Tf 1 0 0 1 " + platform::text::formatFixed(x, 3) + " " + platform::text::formatFixed(y, 3) +
                 " Tm <" + font.hex(part) + "> Tj ET\n";
      x += font.advance(part, size);
    }
    x += space;
  }
  return content;
}

// The words of each line of the text that holds right-to-left letters. The
// marks of direction that pdftotext puts around embedded runs stand where
// words meet (it puts the blank before them inside): they count as blanks.
std::vector<std::vector<std::string>> rightToLeftLines(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::u32string chars = platform::text::decodeUtf8(text);
  for (char32_t& c : chars)
    if ((c >= 0x202A && c <= 0x202E) || c == 0x200E || c == 0x200F) c = U' ';
  const std::string plain = platform::text::encodeUtf8(chars);
  size_t start = 0;
  while (start < plain.size()) {
    size_t end = plain.find('\n', start);
    if (end == std::string::npos) end = plain.size();
    const std::string line = plain.substr(start, end - start);
    if (platform::text::hasRightToLeft(std::string_view(line))) lines.push_back(qvtest::foldedWords(line));
    start = end + 1;
  }
  return lines;
}

// How often the words stand in a line in this order, over all lines.
size_t inOrder(const std::vector<std::vector<std::string>>& lines, const std::vector<std::string>& words) {
  size_t count = 0;
  for (const auto& line : lines)
    for (auto at = line.begin(); (at = std::search(at, line.end(), words.begin(), words.end())) != line.end();
         at += static_cast<std::ptrdiff_t>(words.size()))
      ++count;
  return count;
}

size_t occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

class RightToLeftEveryOutput : public testing::TestWithParam<RightToLeftCase> {};

TEST_P(RightToLeftEveryOutput, LinesReadInTheirOrder) {
  const RightToLeftCase& c = GetParam();
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  std::u32string characters = U" ";
  for (const std::u32string& word : c.words) characters += withoutSplits(word);
  const qvtest::EmbeddedFont font =
      qvtest::embedTrueTypeFont(b, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", characters);
  // The line alone, or three times in each of two columns (a column of a
  // right-to-left document ends at its right edge).
  std::string content;
  for (double y : {700.0, 686.0, 672.0}) {
    content += rightToLeftLine(font, c.words, c.twoColumns ? 280 : 540, y);
    if (!c.twoColumns) break;
    content += rightToLeftLine(font, c.words, 540, y);
  }
  b.addPage(content, b.resources({{"Font", {{"F1", font.font}}}}));
  const fs::path pdf = dir.file(std::string(c.name) + ".pdf");
  b.write(pdf);

  std::vector<std::string> read;
  for (const std::u32string& word : c.words) read.push_back(platform::text::encodeUtf8(withoutSplits(word)));
  const std::vector<std::vector<std::string>> expected = rightToLeftLines(qvtest::pdftotextPage(pdf, 1));
  ASSERT_EQ(expected.size(), c.twoColumns ? 6u : 1u);
  for (const auto& line : expected) ASSERT_EQ(line, read) << "pdftotext reads the page otherwise";

  // An output may set lines of two columns side by side on one line of its
  // own: each paragraph that holds right-to-left text says it reads so.
  std::map<std::string, fs::path> outputs;
  std::map<std::string, size_t> paragraphs;
  for (const char* extension : {"docx", "html", "rtf", "txt", "xlsx", "csv"}) {
    SCOPED_TRACE(extension);
    const fs::path out = dir.file(std::string(c.name) + "." + extension);
    const auto run = qvtest::runCommand(qvtest::shellQuote(QV_PDFCONVERT) + " --to " + extension + " " +
                                        qvtest::shellQuote(pdf.string()) + " " + qvtest::shellQuote(out.string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    outputs[extension] = out;
    const std::string text = qvtest::outputText(out, extension);
    const auto lines = rightToLeftLines(text);
    EXPECT_EQ(inOrder(lines, read), expected.size()) << text;
    paragraphs[extension] = lines.size();
  }

  // The paragraphs say that they read from the right.
  const std::string body = qvtest::ZipPackage(outputs["docx"]).data("word/document.xml");
  EXPECT_EQ(occurrences(body, "<w:bidi/>"), paragraphs["docx"]);
  EXPECT_NE(body.find("<w:rtl/>"), std::string::npos);
  const std::string html = qvtest::readWhole(outputs["html"]);
  EXPECT_EQ(occurrences(html, "<p dir=\"rtl\""), paragraphs["html"]);
  const std::string rtf = qvtest::readWhole(outputs["rtf"]);
  EXPECT_EQ(occurrences(rtf, "\\rtlpar"), paragraphs["rtf"]);
  EXPECT_NE(rtf.find("\\rtlch"), std::string::npos);
  const std::string styles = qvtest::ZipPackage(outputs["xlsx"]).data("xl/styles.xml");
  EXPECT_NE(styles.find("readingOrder=\"2\""), std::string::npos);

  if (c.twoColumns || !qvtest::officeAvailable()) return;
  // LibreOffice sets each line from the right: it ends at the right of the
  // page, and reads as the page does.
  const auto printed = qvtest::officeConvertAllToPdf({outputs["docx"], outputs["rtf"]}, dir.file("printed"));
  ASSERT_EQ(printed.size(), 2u);
  for (const auto& [document, print] : printed) {
    SCOPED_TRACE(document.extension().string());
    EXPECT_EQ(rightToLeftLines(qvtest::pdftotextPage(print, 1)), expected);
    const auto boxes = qvtest::runCommand("pdftotext -bbox -f 1 -l 1 " + qvtest::shellQuote(print.string()) + " -");
    const std::regex word("<word xMin=\"([0-9.]+)\"");
    double left = 1e9;
    for (std::sregex_iterator it(boxes.output.begin(), boxes.output.end(), word), end; it != end; ++it)
      left = std::min(left, std::stod((*it)[1].str()));
    EXPECT_GT(left, 150.0) << boxes.output;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RightToLeftEveryOutput,
    testing::Values(
        RightToLeftCase{"Arabic", {U"استعمال", U"حزمة", U"exam", U"في", U"كتابة", U"2024", U"بالعر|بية"}, false},
        RightToLeftCase{"Hebrew", {U"שלום", U"עולם", U"ספר", U"test", U"חד|ש"}, false},
        RightToLeftCase{"ArabicTwoColumns", {U"استعمال", U"حزمة", U"exam", U"في", U"كتابة", U"2024", U"بالعر|بية"}, true},
        RightToLeftCase{"HebrewTwoColumns", {U"שלום", U"עולם", U"ספר", U"test", U"חד|ש"}, true}),
    [](const testing::TestParamInfo<RightToLeftCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Lines whole and in order

// The TeX and LaTeX logos as TeX sets them: the E lowered half an ex by a
// text rise or by moving the line, the A smaller and raised, each kerned
// into its neighbours.
void writeLogos(const fs::path& path) {
  qvtest::PdfBuilder b;
  b.addPage("BT /F1 10 Tf 72 700 Td [(The)-250(T)166.7]TJ -2.15 Ts (E) Tj 0 Ts [125 (X)-250(system)]TJ ET\n"
            "BT /F1 10 Tf 72 686 Td [(and)-250(L)360]TJ /F1 7 Tf 2.1 Ts (A) Tj /F1 10 Tf 0 Ts [150 (T)166.7]TJ"
            " 1 0 0 1 99.447 683.85 Tm (E) Tj 1 0 0 1 105.557 686 Tm [125 (X)-250(papers)]TJ ET\n"
            "BT /F1 10 Tf 72 672 Td (Typesetting with) Tj ET",
            b.resources({{"Font", {{"F1", b.standardFont("Times-Roman")}}}}));
  b.write(path);
}

// A title whose line opens with a raised footnote mark, further above the
// logo's lowered letter than half an em.
void writeTitleWithMark(const fs::path& path) {
  qvtest::PdfBuilder b;
  b.addPage("BT /F1 17.28 Tf 1 0 0 1 72 700 Tm (tables in L) Tj /F1 12 Tf 1 0 0 1 138.74 703.5 Tm (A) Tj"
            " /F1 17.28 Tf 1 0 0 1 144.81 700 Tm (T) Tj 1 0 0 1 152.49 696.3 Tm (E) Tj 1 0 0 1 160.89 700 Tm (X) Tj"
            " /F1 12 Tf 1 0 0 1 173.6 707 Tm (1) Tj ET\n"
            "BT /F1 10 Tf 72 670 Td (by the author) Tj ET",
            b.resources({{"Font", {{"F1", b.standardFont("Times-Roman")}}}}));
  b.write(path);
}

// A raised and a lowered script, and an ordinal, in smaller type, each
// string placed where its glyphs stand.
void writeScripts(const fs::path& path) {
  qvtest::PdfBuilder b;
  b.addPage("BT /F1 10 Tf 1 0 0 1 72 700 Tm (where x) Tj /F1 7 Tf 1 0 0 1 103.93 703.6 Tm (2) Tj"
            " /F1 10 Tf 1 0 0 1 107.43 700 Tm ( + y) Tj /F1 7 Tf 1 0 0 1 123.07 698.5 Tm (2) Tj"
            " /F1 10 Tf 1 0 0 1 126.57 700 Tm ( is the 21) Tj /F1 7 Tf 1 0 0 1 162.96 703.6 Tm (st) Tj"
            " /F1 10 Tf 1 0 0 1 167.63 700 Tm ( value) Tj ET\n"
            "BT /F1 10 Tf 72 686 Td (of the measured series) Tj ET",
            b.resources({{"Font", {{"F1", b.standardFont("Times-Roman")}}}}));
  b.write(path);
}

// A Japanese line with Latin words in a font of a deeper descent and a
// taller bracket.
void writeMixedDepths(const fs::path& path) {
  qvtest::PdfBuilder b;
  auto latin = b.qpdf().makeIndirectObject(b.parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding /FirstChar 32 /LastChar 126"
      " /Widths [" + [] { std::string w; for (int c = 32; c <= 126; ++c) w += " 556"; return w; }() + "]"
      " /FontDescriptor << /Type /FontDescriptor /FontName /Helvetica /Flags 32 /FontBBox [-166 -425 1000 931]"
      " /ItalicAngle 0 /Ascent 718 /Descent -425 /StemV 88 >> >>"));
  auto japanese = b.qpdf().makeIndirectObject(b.parse(
      "<< /Type /Font /Subtype /Type0 /BaseFont /Ryumin-Light /Encoding /UniJIS-UCS2-H /DescendantFonts [<< /Type"
      " /Font /Subtype /CIDFontType0 /BaseFont /Ryumin-Light /CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1)"
      " /Supplement 2 >> /DW 1000 /FontDescriptor << /Type /FontDescriptor /FontName /Ryumin-Light /Flags 6"
      " /FontBBox [-170 -110 1010 880] /ItalicAngle 0 /Ascent 880 /Descent -110 /StemV 60 >> >>] >>"));
  // version p4.0.0，2022 年 4 月 5 日 (金)
  b.addPage("BT /L 10 Tf 72 700 Td (version p4.0.0) Tj ET BT /J 10 Tf 149.4 700 Td <FF0C> Tj ET"
            " BT /L 10 Tf 159.4 700 Td (2022) Tj ET BT /J 10 Tf 184 700 Td <5E74> Tj ET"
            " BT /L 10 Tf 196 700 Td (4) Tj ET BT /J 10 Tf 203 700 Td <6708> Tj ET"
            " BT /L 10 Tf 215 700 Td (5) Tj ET BT /J 10 Tf 222 700 Td <65E5> Tj ET"
            " BT /L 14 Tf 236 700 Td <28> Tj ET BT /J 10 Tf 244 700 Td <91D1> Tj ET BT /L 14 Tf 254 700 Td <29> Tj ET\n"
            "BT /L 10 Tf 72 686 Td (release notes) Tj ET",
            b.resources({{"Font", {{"L", latin}, {"J", japanese}}}}));
  b.write(path);
}

// A math italic letter and its digit, a letter at a time, as a word
// processor writes an equation.
void writeMathLetter(const fs::path& path) {
  qvtest::PdfBuilder b;
  const qvtest::EmbeddedFont math =
      qvtest::embedTrueTypeFont(b, "/usr/share/fonts/truetype/dejavu/DejaVuMathTeXGyre.ttf", U"\U0001D70B2ra=");
  std::string content = "BT /M 11 Tf 72 700 Td <" + math.hex(U"a=") + "> Tj ET\n";
  double x = 90;
  for (const std::u32string letter : {U"\U0001D70B", U"r"}) {
    content += "BT /M 11 Tf " + platform::text::formatFixed(x, 3) + " 700 Td <" + math.hex(letter) + "> Tj ET ";
    x += math.advance(letter, 11) + 0.2;
    content += "BT /M 8 Tf " + platform::text::formatFixed(x, 3) + " 704.5 Td <" + math.hex(U"2") + "> Tj ET\n";
    x += math.advance(U"2", 8) + 0.2;
  }
  b.addPage(content, b.resources({{"Font", {{"M", math.font}}}}));
  b.write(path);
}

// Lines of a seminar slide: a portrait page turned by /Rotate 270 whose
// typewriter lines read upright, word gaps as offsets of a string per
// letter and no space glyph; the first line placed by Td, the second by
// the leading.
void writeTurnedTypewriterLines(const fs::path& path) {
  qvtest::PdfBuilder b;
  const auto tj = [](const std::vector<std::string>& words) {
    std::string out = "[";
    for (size_t w = 0; w < words.size(); ++w) {
      for (size_t k = 0; k < words[w].size(); ++k) {
        out += "(" + words[w].substr(k, 1) + ")";
        if (k + 1 < words[w].size()) out += "0.37";
      }
      if (w + 1 < words.size()) out += "-599.25";
    }
    return out + "]TJ";
  };
  auto page = b.addPage("BT /F1 24.4 Tf 0 -1 1 0 72 720 Tm 35.04 TL " + tj({"Why", "not", "try", "it"}) +
                            " T* " + tj({"Do", "you", "want", "more"}) + " ET",
                        b.resources({{"Font", {{"F1", b.standardFont("Courier")}}}}));
  page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(270));
  b.write(path);
}

// A form filler's field: a negative font size in a matrix turned by half a
// turn, which sets the text upright.
void writeTwiceFlippedText(const fs::path& path) {
  qvtest::PdfBuilder b;
  b.addPage("BT /F1 -12 Tf -1 0 0 -1 72 700 Tm (Signed in Rotterdam today) Tj ET\n"
            "BT /F1 12 Tf 72 680 Td (by both parties) Tj ET",
            b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  b.write(path);
}

// A line of a composite font without a space glyph whose words stand 0.16
// of the em apart, set by the offsets of one string.
void writeCloseWords(const fs::path& path) {
  qvtest::PdfBuilder b;
  const std::vector<std::u32string> words = {U"Tous", U"les", U"rois", U"de", U"la", U"Grèce", U"descendaient"};
  std::u32string characters;
  for (const std::u32string& w : words) characters += w;
  const qvtest::EmbeddedFont font =
      qvtest::embedTrueTypeFont(b, "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf", characters);
  std::string tj;
  for (const std::u32string& w : words) tj += (tj.empty() ? "<" : " -160 <") + font.hex(w) + ">";
  b.addPage("BT /F1 11.4 Tf 72 700 Td [" + tj + "] TJ ET", b.resources({{"Font", {{"F1", font.font}}}}));
  b.write(path);
}

struct LineCase {
  const char* name;
  void (*write)(const fs::path&);
  std::vector<std::string> lines;  // what pdftotext reads of the page, line by line
};

class LinesEveryOutput : public testing::TestWithParam<LineCase> {};

// Every flowing output, the workbook and the Word document hold each line as
// pdftotext reads it: its words whole, in order, on one line of their own.
TEST_P(LinesEveryOutput, EachLineIsWholeAndInOrder) {
  const LineCase& c = GetParam();
  qvtest::TempDir dir;
  const fs::path pdf = dir.file(std::string(c.name) + ".pdf");
  c.write(pdf);
  std::vector<std::vector<std::string>> expected;
  for (const std::string& line : c.lines) expected.push_back(qvtest::foldedWords(line));
  std::vector<std::vector<std::string>> read;
  {
    std::istringstream lines(qvtest::pdftotextPage(pdf, 1));
    for (std::string line; std::getline(lines, line);)
      if (!qvtest::foldedWords(line).empty()) read.push_back(qvtest::foldedWords(line));
  }
  ASSERT_EQ(read, expected) << "pdftotext reads the page otherwise: " << testing::PrintToString(read);

  for (const char* extension : {"txt", "html", "rtf", "xlsx", "csv", "docx"}) {
    SCOPED_TRACE(extension);
    const fs::path out = dir.file(std::string(c.name) + "." + extension);
    ASSERT_TRUE(pdfconvert(pdf, extension, out));
    const std::string text = qvtest::outputText(out, extension);
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(qvtest::foldedWords(line));
    for (const auto& line : expected)
      EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << testing::PrintToString(line) << "\n" << text;
    if (std::string_view(extension) == "docx") {
      // Upright on the page, main text of the document.
      const std::string body = qvtest::ZipPackage(out).data("word/document.xml");
      EXPECT_EQ(body.find("textpath"), std::string::npos);
      EXPECT_EQ(body.find("txbxContent"), std::string::npos);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LinesEveryOutput,
    testing::Values(LineCase{"Logos", writeLogos, {"The TEX system", "and LATEX papers", "Typesetting with"}},
                    LineCase{"TitleWithMark", writeTitleWithMark, {"tables in LATEX1", "by the author"}},
                    LineCase{"Scripts", writeScripts, {"where x2 + y2 is the 21st value", "of the measured series"}},
                    LineCase{"MixedDepths", writeMixedDepths,
                             {"version p4.0.0\uFF0C2022 \u5E74 4 \u6708 5 \u65E5 (\u91D1)", "release notes"}},
                    LineCase{"MathLetter", writeMathLetter, {"a= \U0001D70B2r2"}},
                    LineCase{"TurnedTypewriterLines", writeTurnedTypewriterLines,
                             {"Why not try it", "Do you want more"}},
                    LineCase{"TwiceFlippedText", writeTwiceFlippedText, {"Signed in Rotterdam today", "by both parties"}},
                    LineCase{"CloseWords", writeCloseWords, {"Tous les rois de la Grèce descendaient"}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// What a font's name says of its kind of face: a typewriter face before a
// sans-serif one ("Letter Gothic"), a sans-serif face before a serif one
// ("Microsoft Sans Serif"), and a maker's name says nothing ("Monotype").
TEST(OfficeFontNames, NamesTellTheKindOfFace) {
  const std::pair<const char*, QVPDFFontStyle> named[] = {
      {"NimbusMonoPS-Regular", QVPDFFontStyle::FixedPitch}, {"Letter Gothic", QVPDFFontStyle::FixedPitch},
      {"CMTT10", QVPDFFontStyle::FixedPitch},               {"Microsoft Sans Serif", QVPDFFontStyle::SansSerif},
      {"LinBiolinumTB", QVPDFFontStyle::SansSerif},          {"Century Gothic", QVPDFFontStyle::SansSerif},
      {"Palatino Linotype", QVPDFFontStyle::Serif},          {"LinLibertineT", QVPDFFontStyle::Serif},
      {"HaranoAjiMincho-Regular", QVPDFFontStyle::Serif},    {"Monotype Corsiva", QVPDFFontStyle::Script}};
  for (const auto& [name, style] : named) {
    SCOPED_TRACE(name);
    QVPDFFontStyle found = QVPDFFontStyle::Serif;
    ASSERT_TRUE(QVPDF_FontStyleOfName(name, &found));
    EXPECT_EQ(found, style);
  }
  QVPDFFontStyle none = QVPDFFontStyle::Script;
  EXPECT_FALSE(QVPDF_FontStyleOfName("nanummjmc7", &none));
  EXPECT_EQ(QVPDF_StandardFamily(QVPDFFontStyle::SansSerif), "Arial");
  EXPECT_EQ(QVPDF_StandardFamily(QVPDFFontStyle::FixedPitch), "Courier New");
  EXPECT_EQ(QVPDF_StandardFamily(QVPDFFontStyle::Script), "Times New Roman");
}

// A page in Times, Helvetica and Courier, each as a standard font and as an
// embedded subset, plain, bold and italic: the Word document and the
// workbook name office families and carry the styles as properties.
TEST(OfficeFontNames, WordAndWorkbookNameOfficeFamiliesWithStylesAsProperties) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  qvtest::PdfBuilder::Dict fonts;
  std::string content = "BT 1 0 0 1 72 720 Tm 14 TL\n";
  const auto show = [&](const std::string& key, const std::string& text) {
    content += "/" + key + " 11 Tf (" + text + ") Tj T*\n";
  };
  const struct {
    const char* key;
    const char* baseFont;
    const char* text;
  } standard[] = {{"T1", "Times-Roman", "PlainTimes"},      {"T2", "Times-Bold", "BoldTimes"},
                  {"H1", "Helvetica", "PlainHelvetica"},   {"H2", "Helvetica-Oblique", "ItalicHelvetica"},
                  {"C1", "Courier", "PlainCourier"},       {"C2", "Courier-BoldOblique", "BoldItalicCourier"}};
  for (const auto& f : standard) {
    fonts[f.key] = b.standardFont(f.baseFont);
    show(f.key, f.text);
  }
  const fs::path liberation = "/usr/share/fonts/truetype/liberation2";
  const struct {
    const char* key;
    const char* file;
    const char* baseFont;
    std::u32string text;
  } subsets[] = {{"E1", "LiberationSerif-Italic.ttf", "ABCDEF+Times-Italic", U"SubsetItalicTimes"},
                 {"E2", "LiberationSans-Bold.ttf", "GHIJKL+Helvetica-Bold", U"SubsetBoldHelvetica"},
                 {"E3", "LiberationMono-Regular.ttf", "MNOPQR+Courier", U"SubsetPlainCourier"}};
  for (const auto& f : subsets) {
    if (!fs::exists(liberation / f.file)) GTEST_SKIP() << "no " << f.file << " (fonts-liberation2)";
    qvtest::EmbeddedFont embedded = qvtest::embedTrueTypeFont(b, liberation / f.file, f.text);
    embedded.font.replaceKey("/BaseFont", QPDFObjectHandle::newName(std::string("/") + f.baseFont));
    fonts[f.key] = embedded.font;
    content += "/" + std::string(f.key) + " 11 Tf <" + embedded.hex(f.text) + "> Tj T*\n";
  }
  b.addPage(content + "ET", b.resources({{"Font", fonts}}));
  const fs::path pdf = dir.file("fonts.pdf");
  b.write(pdf);
  const std::set<std::string> families = {"Times New Roman", "Arial", "Courier New"};

  const fs::path docx = dir.file("fonts.docx");
  ASSERT_EQ(qvtest::runCommand(qvtest::shellQuote(QV_PDFCONVERT) + " --to docx " + qvtest::shellQuote(pdf.string()) +
                               " " + qvtest::shellQuote(docx.string()))
                .exitCode,
            0);
  const auto document = qvtest::parseXml(qvtest::ZipPackage(docx).data("word/document.xml"));
  ASSERT_TRUE(document);
  // Each run's font and styles, by its text.
  std::map<std::string, std::tuple<std::string, bool, bool>> runs;
  document->visit([&](const qvtest::XmlElement& r) {
    if (r.local != "r") return;
    std::string text, font;
    bool bold = false, italic = false;
    r.visit([&](const qvtest::XmlElement& e) {
      if (e.local == "t") text += e.text;
      if (e.local == "rFonts") font = e.attr("ascii", r.uri).value_or("");
      if (e.local == "b") bold = true;
      if (e.local == "i") italic = true;
    });
    if (!text.empty()) runs[text] = {font, bold, italic};
  });
  const std::map<std::string, std::tuple<std::string, bool, bool>> expected = {
      {"PlainTimes", {"Times New Roman", false, false}},   {"BoldTimes", {"Times New Roman", true, false}},
      {"PlainHelvetica", {"Arial", false, false}},         {"ItalicHelvetica", {"Arial", false, true}},
      {"PlainCourier", {"Courier New", false, false}},     {"BoldItalicCourier", {"Courier New", true, true}},
      {"SubsetItalicTimes", {"Times New Roman", false, true}}, {"SubsetBoldHelvetica", {"Arial", true, false}},
      {"SubsetPlainCourier", {"Courier New", false, false}}};
  for (const auto& [text, facts] : expected) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(runs.count(text));
    EXPECT_EQ(runs[text], facts);
  }

  const fs::path xlsx = dir.file("fonts.xlsx");
  ASSERT_EQ(qvtest::runCommand(qvtest::shellQuote(QV_PDFCONVERT) + " --to xlsx " + qvtest::shellQuote(pdf.string()) +
                               " " + qvtest::shellQuote(xlsx.string()))
                .exitCode,
            0);
  const qvtest::ZipPackage workbook(xlsx);
  const auto styles = qvtest::parseXml(workbook.data("xl/styles.xml"));
  ASSERT_TRUE(styles);
  std::set<std::string> named;
  int bold = 0, italic = 0;
  styles->visit([&](const qvtest::XmlElement& font) {
    if (font.local != "font") return;
    for (const qvtest::XmlElement* name : font.childrenNamed("name")) named.insert(name->attr("val").value_or(""));
    bold += !font.childrenNamed("b").empty();
    italic += !font.childrenNamed("i").empty();
  });
  // The workbook's own default font besides the page's families.
  for (const std::string& name : named)
    EXPECT_TRUE(families.count(name) || name == "Calibri" || name == "Arial Unicode MS") << name;
  EXPECT_TRUE(std::includes(named.begin(), named.end(), families.begin(), families.end()));
  EXPECT_GE(bold, 3);
  EXPECT_GE(italic, 3);
}

}  // namespace

#endif

// PDF to Word end to end, as a user sees the result: a three-page document
// drawn here with Cairo, and every PDF of the corpus, are converted; each
// package passes the package checker, LibreOffice opens it, and its text
// holds the words pdftotext reads on the PDF.
#include <cairo-pdf.h>
#include <cairo.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <map>
#include <numbers>
#include <set>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <string>
#include <vector>

#include "convert/QVJoinedPathBoxes.h"
#include "convert/xml/QVOpenXMLNameSpace.h"
#include "platform/text/faces.h"
#include "platform/text/text.h"
#include "tests/docx/docx_test_support.h"
#include "tests/support/command_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/output_text.h"
#include "tests/support/package_checker.h"
#include "tests/support/text_coverage.h"

namespace {

namespace fs = std::filesystem;
using docxtest::Document;
using docxtest::find;
using docxtest::findAll;
using docxtest::kW;
using docxtest::wAttr;

bool toolsAvailable() { return qvtest::officeAvailable() && std::system("command -v pdftotext > /dev/null 2>&1") == 0; }

void show(cairo_t* cr, const char* family, cairo_font_weight_t weight, double size, double x, double y,
          const std::string& text) {
  cairo_select_font_face(cr, family, CAIRO_FONT_SLANT_NORMAL, weight);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
}

const std::vector<std::string> kLeftColumn = {"Moorings along the eastern wall", "were checked after the storm",
                                              "and two rings were replaced", "before the boats came back"};
const std::vector<std::string> kRightColumn = {"The western slip stayed dry", "through the whole spring tide",
                                               "so the ferry kept its hours", "without a single delay"};
const std::vector<std::string> kTurnedLines = {"This page is turned a quarter", "yet reads upright on screen"};

// Page 1: a heading, body text and a superscript marker; page 2: two
// columns; page 3: a page turned by /Rotate 90 whose text reads upright.
fs::path makeThreePagePdf(const qvtest::TempDir& dir) {
  const fs::path drawn = dir.file("drawn.pdf");
  cairo_surface_t* surface = cairo_pdf_surface_create(drawn.c_str(), 612, 792);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.1, 0.2, 0.5);
  show(cr, "DejaVu Serif", CAIRO_FONT_WEIGHT_BOLD, 24, 72, 96, "Harbour Report");
  cairo_set_source_rgb(cr, 0, 0, 0);
  show(cr, "Liberation Serif", CAIRO_FONT_WEIGHT_NORMAL, 12, 72, 140, "The spring tide reached the gate");
  show(cr, "Liberation Serif", CAIRO_FONT_WEIGHT_NORMAL, 12, 72, 155, "on the third morning of April");
  cairo_text_extents_t extents;
  cairo_text_extents(cr, "on the third morning of April", &extents);
  show(cr, "Liberation Serif", CAIRO_FONT_WEIGHT_NORMAL, 7, 72 + extents.x_advance + 3, 150, "1");
  show(cr, "Liberation Serif", CAIRO_FONT_WEIGHT_NORMAL, 12, 72, 170, "and left weed across the lower beds");
  cairo_show_page(cr);

  for (size_t i = 0; i < kLeftColumn.size(); ++i)
    show(cr, "Liberation Sans", CAIRO_FONT_WEIGHT_NORMAL, 11, 72, 100 + 12 * i, kLeftColumn[i]);
  for (size_t i = 0; i < kRightColumn.size(); ++i)
    show(cr, "Liberation Sans", CAIRO_FONT_WEIGHT_NORMAL, 11, 330, 100 + 12 * i, kRightColumn[i]);
  cairo_show_page(cr);

  // Drawn turned back by a quarter, so that the page's /Rotate 90 shows it
  // upright: display (x, y) is (y, 792 - x) here.
  for (size_t i = 0; i < kTurnedLines.size(); ++i) {
    const double x = 72, y = 100 + 16.0 * i;
    cairo_save(cr);
    cairo_translate(cr, y, 792 - x);
    cairo_rotate(cr, -std::numbers::pi / 2);
    show(cr, "Liberation Sans", CAIRO_FONT_WEIGHT_NORMAL, 12, 0, 0, kTurnedLines[i]);
    cairo_restore(cr);
  }
  cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  EXPECT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);

  QPDF pdf;
  pdf.processFile(drawn.c_str());
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  pages.at(2).getObjectHandle().replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
  const fs::path out = dir.file("three-pages.pdf");
  QPDFWriter writer(pdf, out.c_str());
  writer.write();
  return out;
}

TEST(DocxEndToEnd, ThreePagesOfHeadingColumnsAndATurnedPageKeepTheirWordsInOrder) {
  qvtest::TempDir dir;
  const fs::path pdf = makeThreePagePdf(dir);
  const fs::path docx = dir.file("three-pages.docx");
  ASSERT_EQ(docxtest::convertToDocx(pdf, docx), 3);

  EXPECT_THAT(qvtest::checkWordPackage(docx), testing::IsEmpty());
  const Document d(docx);
  EXPECT_EQ(findAll(*d.body, "bookmarkStart").size(), 3u);
  EXPECT_EQ(d.body->children.back()->local, "sectPr");

  // Page 2 is one block of two columns.
  bool twoColumns = false;
  bool onPageTwo = false;
  for (const auto& child : d.body->children) {
    if (child->local != "p") continue;
    if (const auto marks = child->childrenNamed("bookmarkStart", kW); !marks.empty())
      onPageTwo = wAttr(marks.front(), "name") == "2";
    if (onPageTwo)
      if (const qvtest::XmlElement* cols = find(*child, "cols")) twoColumns = twoColumns || wAttr(cols, "num") == "2";
  }
  EXPECT_TRUE(twoColumns);

  // The marker is raised, and the heading keeps its bold face and colour.
  bool superscript = false;
  for (const qvtest::XmlElement* v : findAll(*d.body, "vertAlign")) superscript |= wAttr(v, "val") == "superscript";
  EXPECT_TRUE(superscript);
  bool heading = false;
  for (const qvtest::XmlElement* r : findAll(*d.body, "r")) {
    if (Document::textOf(*r) != "Harbour Report") continue;
    heading = find(*r, "b") && wAttr(find(*r, "color"), "val") == "19337F" && wAttr(find(*r, "sz"), "val") == "48";
  }
  EXPECT_TRUE(heading);

  if (!toolsAvailable()) GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  const auto printed = qvtest::officeConvertAllToPdf({docx}, dir.path() / "office");
  ASSERT_EQ(printed.count(docx), 1u) << "LibreOffice did not open the document";
  // The words in order, the raised marker a quarter em after the word
  // before it a word of its own, as pdftotext reads the source.
  EXPECT_EQ(qvtest::foldedWords(qvtest::pdftotextPage(printed.at(docx), 0)),
            qvtest::foldedWords(qvtest::pdftotextPage(pdf, 0)));
}

// ---------------------------------------------------------------------------
// Each page of the PDF is one page of the document as LibreOffice lays it
// out: body text set with ordinary leading down to the bottom margin, three
// columns of small text, a table of numbers, a landscape page, a grid of
// big letters with small labels, and Thai and Arabic paragraphs in faces
// the standard families do not stand in for (Norasi, which the machine has,
// and a face of a name it does not know), each page beginning and ending
// with the PDF page's own first and last lines, at the PDF's sizes.

// Lines of words that read differently from line to line, so that a line
// found on a page is that line.
std::string numberedLine(const std::string& what, int n) {
  return what + " " + std::to_string(n) + " holds the quay and the tide gate open";
}

// A page of `count` lines from the top down, `leading` apart, at `size`
// points in Helvetica, in columns starting at the given x positions.
std::string linesContent(const std::string& what, double size, double leading, double top, int count,
                         const std::vector<double>& columns, int firstNumber) {
  std::string content;
  int n = firstNumber;
  for (double x : columns)
    for (int i = 0; i < count; ++i)
      content += "BT /F1 " + std::to_string(size) + " Tf " + std::to_string(x) + " " +
                 std::to_string(top - leading * i) + " Td (" + numberedLine(what, n++) + ") Tj ET\n";
  return content;
}

fs::path makePagesThatFillTheirPaper(const qvtest::TempDir& dir) {
  qvtest::PdfBuilder b;
  auto resources = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  // One column of 11-point text, 13.2 apart, from the top margin to the
  // bottom margin of a letter page, twice.
  b.addPage(linesContent("Body line", 11, 13.2, 720, 49, {72}, 1), resources);
  b.addPage(linesContent("Body line", 11, 13.2, 720, 49, {72}, 100), resources);
  // Three columns of 6-point text, 7.2 apart.
  std::string three;
  int n = 1;
  for (double x : {36.0, 226.0, 416.0})
    for (int i = 0; i < 95; ++i)
      three += "BT /F1 6 Tf " + std::to_string(x) + " " + std::to_string(740 - 7.2 * i) + " Td (Column text " +
               std::to_string(n++) + " runs on) Tj ET\n";
  b.addPage(three, resources);
  // A table of numbers: a header and 40 rows of five cells, 16 apart.
  std::string table = "BT /F1 10 Tf 72 740 Td (Station) Tj 90 0 Td (Depth) Tj 90 0 Td (Flow) Tj 90 0 Td (Salt) Tj "
                      "90 0 Td (Temp) Tj ET\n";
  for (int row = 0; row < 40; ++row) {
    table += "BT /F1 10 Tf 72 " + std::to_string(720 - 16 * row) + " Td (S" + std::to_string(100 + row) + ") Tj";
    for (int cell = 0; cell < 4; ++cell)
      table += " 90 0 Td (" + std::to_string(row * 37 + cell * 11 + 5) + "." + std::to_string((row + cell) % 10) +
               ") Tj";
    table += " ET\n";
  }
  b.addPage(table, resources);
  // A landscape page of 12-point text, 14.4 apart.
  b.addPage(linesContent("Wide line", 12, 14.4, 560, 36, {60}, 1), resources, "[0 0 792 612]");
  // A grid of 150-point letters, each with a 10-point label set in the
  // letter's descent, inside its line.
  std::string grid;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) {
      const double x = 60 + 180 * col, y = 560 - 230 * row;
      grid += "BT /F1 150 Tf " + std::to_string(x) + " " + std::to_string(y) + " Td (A) Tj ET BT /F1 10 Tf " +
              std::to_string(x + 20) + " " + std::to_string(y - 12) + " Td (Label " + std::to_string(row * 3 + col) +
              ") Tj ET\n";
    }
  b.addPage(grid, resources);
  qvtest::addScriptPage(b, qvtest::kThaiFaceFile, qvtest::kThaiWords, 12.95, 19, false);
  qvtest::addScriptPage(b, qvtest::kArabicFaceFile, qvtest::kArabicWords, 14, 19, true);
  const fs::path out = dir.file("full-pages.pdf");
  b.write(out);
  return out;
}

// The first and last lines of a page as pdftotext reads them, folded.
std::pair<std::string, std::string> firstAndLastLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string folded;
    for (const std::string& w : qvtest::foldedWords(text.substr(start, end - start))) folded += w + " ";
    if (!folded.empty()) lines.push_back(folded);
    start = end + 1;
  }
  if (lines.empty()) return {};
  return {lines.front(), lines.back()};
}

std::string foldedPage(const std::string& text) {
  std::string folded;
  for (const std::string& w : qvtest::foldedWords(text)) folded += w + " ";
  return folded;
}

// Without its blanks and Thai marks: pdftotext parts Thai syllables, and
// puts a mark before or after the letter under it, by where the face sets
// the mark.
std::string withoutBlanks(const std::string& text) {
  std::u32string kept;
  for (char32_t c : platform::text::decodeUtf8(text))
    if (c != U' ' && !platform::text::isNonspacingMark(c)) kept += c;
  return platform::text::encodeUtf8(kept);
}

TEST(DocxEndToEnd, EachPageFillsOnePageOfTheDocumentWithItsOwnLines) {
  qvtest::TempDir dir;
  const fs::path pdf = makePagesThatFillTheirPaper(dir);
  const fs::path docx = dir.file("full-pages.docx");
  ASSERT_EQ(docxtest::convertToDocx(pdf, docx), 8);
  EXPECT_THAT(qvtest::checkWordPackage(docx), testing::IsEmpty());

  // No grid snaps the lines, text keeps its size, and the body of a page is
  // not a section per line.
  const Document d(docx);
  EXPECT_TRUE(findAll(*d.body, "docGrid").empty());
  auto sizesOf = [&](const std::string& words) {
    std::set<std::string> sizes;
    for (const qvtest::XmlElement* r : findAll(*d.body, "r"))
      if (Document::textOf(*r).find(words) != std::string::npos) sizes.insert(wAttr(find(*r, "sz"), "val"));
    return sizes;
  };
  EXPECT_EQ(sizesOf("Body line"), std::set<std::string>{"22"});
  EXPECT_EQ(sizesOf("Column text"), std::set<std::string>{"12"});
  // A label is no script of the letter beside it: it keeps its size.
  for (const qvtest::XmlElement* r : findAll(*d.body, "r"))
    if (Document::textOf(*r).find("Label") != std::string::npos) {
      EXPECT_EQ(wAttr(find(*r, "sz"), "val"), "20") << Document::textOf(*r);
      EXPECT_EQ(find(*r, "vertAlign"), nullptr) << Document::textOf(*r);
    }
  EXPECT_LE(findAll(*d.body, "sectPr").size(), 16u);
  // Thai and Arabic text names a face of its script in the complex-script
  // slot: Norasi itself, which the machine has, and Tahoma for the face it
  // does not know.
  std::set<std::string> complexFaces;
  for (const qvtest::XmlElement* r : findAll(*d.body, "r"))
    if (find(*r, "cs")) complexFaces.insert(wAttr(find(*r, "rFonts"), "cs"));
  EXPECT_EQ(complexFaces, (std::set<std::string>{"Norasi", "Tahoma"}));

  if (!toolsAvailable()) GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  const auto printed = qvtest::officeConvertAllToPdf({docx}, dir.path() / "office");
  ASSERT_EQ(printed.count(docx), 1u) << "LibreOffice did not open the document";
  ASSERT_EQ(qvtest::pdfPageCount(printed.at(docx)), 8);
  for (int page = 1; page <= 8; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const auto [first, last] = firstAndLastLines(qvtest::pdftotextPage(pdf, page));
    const std::string shown = withoutBlanks(foldedPage(qvtest::pdftotextPage(printed.at(docx), page)));
    ASSERT_FALSE(first.empty());
    EXPECT_NE(shown.find(withoutBlanks(first)), std::string::npos) << first;
    EXPECT_NE(shown.find(withoutBlanks(last)), std::string::npos) << last << "\nin: " << shown;
  }
}

// Writes a made PDF, converts it and checks the package; the PDF and the
// document, or an empty document path when the conversion did not make as
// many pages.
std::pair<fs::path, fs::path> convertMade(qvtest::PdfBuilder& b, const qvtest::TempDir& dir, const std::string& name,
                                          int pages) {
  const fs::path pdf = dir.file(name + ".pdf");
  b.write(pdf);
  const fs::path docx = dir.file(name + ".docx");
  EXPECT_EQ(docxtest::convertToDocx(pdf, docx), pages);
  EXPECT_THAT(qvtest::checkWordPackage(docx), testing::IsEmpty());
  return {pdf, fs::exists(docx) ? docx : fs::path()};
}

// Text drawn as outlines: thousands of small filled paths, one after the
// other in one colour, every other one left open as a fill may leave it.
// They join a few shapes, so that LibreOffice opens the document at all,
// and every outline stays filled; two overlapping squares stay two shapes,
// since one shape filled by one rule would leave their overlap empty.
TEST(DocxEndToEnd, ThousandsOfOutlinePathsBecomeAFewShapes) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  std::string content = "0.1 0.1 0.1 rg\n";
  int paths = 0;
  for (int row = 0; row < 60; ++row) {
    for (int letter = 0; letter < 60; ++letter, ++paths) {
      const double x = 40 + letter * 8.5, y = 740 - row * 11;
      // A letter-like outline: a curved bowl with a hole.
      content += std::to_string(x) + " " + std::to_string(y) + " m " + std::to_string(x + 3) + " " +
                 std::to_string(y + 8) + " " + std::to_string(x + 6) + " " + std::to_string(y + 8) + " " +
                 std::to_string(x + 6) + " " + std::to_string(y) + " c h " + std::to_string(x + 2) + " " +
                 std::to_string(y + 1) + " m " + std::to_string(x + 4) + " " + std::to_string(y + 1) + " l " +
                 std::to_string(x + 3) + " " + std::to_string(y + 4) + " l" + (letter % 2 ? " h" : "") + " f\n";
    }
  }
  content += "0 0 1 rg 100 50 40 40 re f 120 60 40 40 re f\n";
  b.addPage(content);
  const auto [pdf, docx] = convertMade(b, dir, "outlines", 1);
  ASSERT_FALSE(docx.empty());
  const Document d(docx);
  const auto shapes = findAll(*d.body, "shape");
  EXPECT_GE(shapes.size(), 2u + static_cast<size_t>(paths) / QVJoinedPathBoxes::kMostPaths);
  EXPECT_LE(shapes.size(), 2u + static_cast<size_t>(paths) / 100);
  size_t blue = 0;
  for (const qvtest::XmlElement* shape : shapes) blue += shape->attr("fillcolor").value_or("") == "#0000FF";
  EXPECT_EQ(blue, 2u);

  if (!toolsAvailable()) GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  const auto printed = qvtest::officeConvertAllToPdf({docx}, dir.path() / "office");
  ASSERT_EQ(printed.count(docx), 1u) << "LibreOffice did not open the document";
  EXPECT_EQ(qvtest::pdfPageCount(printed.at(docx)), 1);
  const auto page = qvtest::renderPdfPage(pdf, 1, 50);
  const auto shown = qvtest::renderPdfPage(printed.at(docx), 1, 50);
  ASSERT_TRUE(page && shown);
  EXPECT_GE(qvtest::inkSimilarity(*page, *shown, 4), 0.8);
}

// ---------------------------------------------------------------------------
// Pages in fonts no office application has. Each page is set in a face of
// the system under a made-up name, embedded, so that the document cannot name
// a font the reader's application finds: full lines of 11-point text reach
// almost to the column's edge, so that a face any wider than the page's
// wraps them and pushes the page's last lines onto a page of their own.

struct UnknownFontCase {
  const char* name;
  const char* face;      // the face the page is drawn in
  const char* renamed;   // the name the PDF gives it
  const char* standIn;   // the family the document shows it in
  int columns;
};

class DocxUnknownFonts : public testing::TestWithParam<UnknownFontCase> {};

// Whether fontconfig has the face itself (not a substitute).
bool hasFace(const std::string& family) {
  const qvtest::CommandResult r = qvtest::runCommand("fc-match -f '%{family}' " + qvtest::shellQuote(family));
  return r.exitCode == 0 && r.output.find(family) != std::string::npos;
}

// Lines of distinct words, each as wide as Cairo sets it up to `width`.
std::vector<std::string> fullLines(cairo_t* cr, double width, int count, int first) {
  static const char* kWords[] = {"harbour", "tide", "gate", "quay", "mooring", "ferry", "slip", "crane",
                                 "buoy",    "wharf", "pier", "dock", "hull",   "keel",  "mast", "sail"};
  std::vector<std::string> lines;
  for (int n = first; n < first + count; ++n) {
    std::string line = "Line " + std::to_string(n);
    for (int k = 0;; ++k) {
      const std::string longer = line + " " + kWords[(n * 7 + k) % 16];
      cairo_text_extents_t e;
      cairo_text_extents(cr, longer.c_str(), &e);
      if (e.x_advance > width) break;
      line = longer;
    }
    lines.push_back(line);
  }
  return lines;
}

// Renames every font of the file (its BaseFont and its descriptor's
// FontName, the subset tag kept).
void renameFonts(const fs::path& in, const fs::path& out, const std::string& name) {
  QPDF pdf;
  pdf.processFile(in.c_str());
  for (QPDFObjectHandle object : pdf.getAllObjects()) {
    if (!object.isDictionary()) continue;
    for (const char* key : {"/BaseFont", "/FontName"}) {
      if (!object.hasKey(key) || !object.getKey(key).isName()) continue;
      const std::string old = object.getKey(key).getName();
      const size_t plus = old.find('+');
      const std::string tag = plus == std::string::npos ? "/" : old.substr(0, plus + 1);
      object.replaceKey(key, QPDFObjectHandle::newName(tag + name));
    }
    if (object.hasKey("/FontFamily")) object.removeKey("/FontFamily");
  }
  QPDFWriter writer(pdf, out.c_str());
  writer.write();
}

TEST_P(DocxUnknownFonts, EveryPageKeepsItsLinesInTheStandInFamily) {
  const UnknownFontCase& c = GetParam();
  if (!hasFace(c.face)) GTEST_SKIP() << "no " << c.face << " (fonts-urw-base35)";
  qvtest::TempDir dir;
  const fs::path drawn = dir.file("drawn.pdf");
  cairo_surface_t* surface = cairo_pdf_surface_create(drawn.c_str(), 612, 792);
  cairo_t* cr = cairo_create(surface);
  cairo_select_font_face(cr, c.face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 11);
  const double gutter = 20, margin = 36;
  const double width = (612 - 2 * margin - gutter * (c.columns - 1)) / c.columns - 4;
  for (int col = 0; col < c.columns; ++col) {
    const std::vector<std::string> lines = fullLines(cr, width, 50, 1 + 100 * col);
    for (size_t i = 0; i < lines.size(); ++i) {
      cairo_move_to(cr, margin + col * (width + 4 + gutter), 60 + 13.6 * static_cast<double>(i));
      cairo_show_text(cr, lines[i].c_str());
    }
  }
  cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  ASSERT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
  const fs::path pdf = dir.file("page.pdf");
  renameFonts(drawn, pdf, c.renamed);

  const fs::path docx = dir.file("page.docx");
  ASSERT_EQ(docxtest::convertToDocx(pdf, docx), 1);
  EXPECT_THAT(qvtest::checkWordPackage(docx), testing::IsEmpty());
  const Document d(docx);
  // The text is shown in the stand-in, never in the font the reader lacks,
  // and the fonts table says what kind of face each family it names is.
  std::set<std::string> named;
  for (const qvtest::XmlElement* f : findAll(*d.body, "rFonts"))
    for (const char* slot : {"ascii", "hAnsi", "cs", "eastAsia"}) named.insert(wAttr(f, slot));
  EXPECT_EQ(named.count(c.renamed), 0u);
  bool standIn = false;
  for (const qvtest::XmlElement* r : findAll(*d.body, "r"))
    if (Document::textOf(*r).find("Line") != std::string::npos)
      standIn = wAttr(find(*r, "rFonts"), "ascii") == c.standIn;
  EXPECT_TRUE(standIn);
  const auto table = qvtest::parseXml(d.package.data("word/fontTable.xml"));
  ASSERT_TRUE(table);
  std::map<std::string, std::string> families;
  for (const qvtest::XmlElement* f : findAll(*table, "font")) families[wAttr(f, "name")] = wAttr(find(*f, "family"), "val");
  for (const std::string& name : named) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(families.count(name));
    EXPECT_THAT(families[name], testing::AnyOf("roman", "swiss", "modern", "script", "decorative", "auto"));
  }

  if (!toolsAvailable()) GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  const auto printed = qvtest::officeConvertAllToPdf({docx}, dir.path() / "office");
  ASSERT_EQ(printed.count(docx), 1u) << "LibreOffice did not open the document";
  EXPECT_EQ(qvtest::pdfPageCount(printed.at(docx)), 1);
  const auto [first, last] = firstAndLastLines(qvtest::pdftotextPage(pdf, 1));
  const std::string shown = foldedPage(qvtest::pdftotextPage(printed.at(docx), 1));
  ASSERT_FALSE(first.empty());
  EXPECT_NE(shown.find(first), std::string::npos) << first;
  EXPECT_NE(shown.find(last), std::string::npos) << last;
}

INSTANTIATE_TEST_SUITE_P(Pages, DocxUnknownFonts,
                         testing::Values(UnknownFontCase{"Serif", "Nimbus Roman", "QuayText-Regular",
                                                         "Times New Roman", 1},
                                         UnknownFontCase{"SansSerif", "Nimbus Sans Narrow", "Harbourline-Regular",
                                                         "Arial", 1},
                                         UnknownFontCase{"FixedPitch", "Nimbus Mono PS", "Ledgerwright-Regular",
                                                         "Courier New", 1},
                                         UnknownFontCase{"TwoColumnsSerif", "C059", "Quaysidebook-Roman",
                                                         "Times New Roman", 2}),
                         [](const testing::TestParamInfo<UnknownFontCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Drawings of many shapes. A page of 300 small fills of three colours drawn
// in turn, which no join takes together, becomes one group of shapes; a page
// of 20,000 becomes a picture. The office application lays each page out at
// once (the 20,000 shapes took it minutes, written one by one), and both
// pages show what the PDF's show.
std::string smallFills(int count, double step) {
  std::string content;
  static const char* kColours[] = {"0.8 0.1 0.1 rg", "0.1 0.5 0.1 rg", "0.1 0.1 0.8 rg"};
  const int perRow = static_cast<int>(540 / step);
  for (int i = 0; i < count; ++i) {
    const double x = 36 + (i % perRow) * step, y = 750 - (i / perRow) * step;
    const double a = step * 0.7, h = step * 0.35;
    content += std::string(kColours[i % 3]) + " " + std::to_string(x) + " " + std::to_string(y) + " m " +
               std::to_string(x + a) + " " + std::to_string(y) + " l " + std::to_string(x + a) + " " +
               std::to_string(y + h) + " l " + std::to_string(x + a / 2) + " " + std::to_string(y + a) + " l " +
               std::to_string(x) + " " + std::to_string(y + h) + " l h f\n";
  }
  return content;
}

TEST(DocxEndToEnd, PagesOfManyShapesBecomeAGroupOrAPicture) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.addPage(smallFills(300, 12));
  b.addPage(smallFills(20'000, 3.6));
  const auto [pdf, docx] = convertMade(b, dir, "drawings", 2);
  ASSERT_FALSE(docx.empty());
  const Document d(docx);
  const auto groups = findAll(*d.body, "group");
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(findAll(*groups.front(), "shape").size(), 300u);
  EXPECT_EQ(findAll(*d.body, "shape").size(), 301u);  // the group's shapes and the picture
  EXPECT_EQ(findAll(*d.body, "imagedata").size(), 1u);
  // The body stays small whatever the drawing holds.
  EXPECT_LT(d.package.data("word/document.xml").size(), 400'000u);

  if (!toolsAvailable()) GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  const auto printed = qvtest::officeConvertAllToPdf({docx}, dir.path() / "office");
  ASSERT_EQ(printed.count(docx), 1u) << "LibreOffice did not open the document";
  ASSERT_EQ(qvtest::pdfPageCount(printed.at(docx)), 2);
  for (int page = 1; page <= 2; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const auto source = qvtest::renderPdfPage(pdf, page, 50);
    const auto shown = qvtest::renderPdfPage(printed.at(docx), page, 50);
    ASSERT_TRUE(source && shown);
    EXPECT_GE(qvtest::inkSimilarity(*source, *shown, 4), 0.8);
  }
}

// ---------------------------------------------------------------------------
// A page after the first holding turned text (a text box) and a rule drawn as
// a picture half a point high, as TeX's converters draw them: another reader
// than LibreOffice lays the document out too.
bool abiwordAvailable() { return std::system("command -v abiword > /dev/null 2>&1") == 0; }

// AbiWord prints the document; false when it crashes or fails.
bool abiwordPrints(const fs::path& docx, const fs::path& pdf) {
  const qvtest::CommandResult r = qvtest::runCommand("timeout 600 abiword --to=pdf -o " + qvtest::shellQuote(pdf.string()) +
                                                     " " + qvtest::shellQuote(docx.string()) + " 2>&1");
  return r.exitCode == 0 && qvtest::pdfPageCount(pdf) > 0;
}

TEST(DocxEndToEnd, TextBoxesOnLaterPagesAndThinRulesOpenInAnotherReader) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  auto resources = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  b.addPage(linesContent("First page line", 11, 14, 720, 10, {72}, 1), resources);
  // A gray one-pixel image stretched into a rule, and a column of turned text.
  const std::string rule = "q 400 0 0 0.5 72 600 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x40 EI Q\n";
  std::string turned;
  for (int i = 0; i < 6; ++i)
    turned += "BT /F1 11 Tf 0 1 -1 0 " + std::to_string(500 + 14 * i) + " 200 Tm (Turned line " +
              std::to_string(i) + " of the margin note) Tj ET\n";
  b.addPage(linesContent("Second page line", 11, 14, 720, 8, {72}, 1) + rule + turned, resources);
  const auto [pdf, docx] = convertMade(b, dir, "boxes", 2);
  ASSERT_FALSE(docx.empty());
  const Document d(docx);
  EXPECT_FALSE(findAll(*d.body, "textbox").empty());
  // The rule is a line, not a picture; the bookmarks stand in paragraphs.
  EXPECT_TRUE(findAll(*d.body, "imagedata").empty());
  for (const auto& child : d.body->children) EXPECT_NE(child->local, "bookmarkStart");

  if (!abiwordAvailable()) GTEST_SKIP() << "AbiWord is not installed";
  const fs::path printed = dir.file("boxes-abiword.pdf");
  EXPECT_TRUE(abiwordPrints(docx, printed));
  EXPECT_NE(qvtest::pdftotextPage(printed, 0).find("Second page line"), std::string::npos);
}

// A page as a presentation prints it: a picture of the whole page first,
// the text over it. LibreOffice shows the picture behind the text, and
// AbiWord, which lays a picture shape out in the line of its paragraph,
// still shows every word.
TEST(DocxEndToEnd, TextOverAPictureOfTheWholePageStaysInFrontInEveryReader) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  // A light gray picture stretched over the letter page.
  const std::string picture = "q 612 0 0 792 0 0 cm BI /W 2 /H 2 /CS /G /BPC 8 ID \xC0\xC0\xC0\xC0 EI Q\n";
  b.addPage(picture + linesContent("Slide line", 14, 22, 720, 28, {72}, 1),
            b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  const auto [pdf, docx] = convertMade(b, dir, "slide", 1);
  ASSERT_FALSE(docx.empty());
  const Document d(docx);
  // The picture fills a rectangle, from an image of the package.
  EXPECT_TRUE(findAll(*d.body, "imagedata").empty());
  const auto fills = findAll(*d.body, "fill");
  ASSERT_EQ(fills.size(), 1u);
  const std::string id = fills.front()->attr("id", QVOpenXMLNameSpace::nameSpace_r()).value_or("?");
  EXPECT_NE(d.package.data("word/_rels/document.xml.rels").find("Id=\"" + id + "\""), std::string::npos);

  const std::string words = qvtest::pdftotextPage(pdf, 1);
  // The text shows where it is drawn over the picture: pixels far darker
  // than the picture, about as many as the PDF's page has.
  const auto source = qvtest::renderPdfPage(pdf, 1, 50);
  ASSERT_TRUE(source);
  const auto darkPixels = [](const qvtest::GrayImage& page) {
    return std::count_if(page.pixels.begin(), page.pixels.end(), [](uint8_t p) { return p < 0x60; });
  };
  const auto expectTextInFront = [&](const fs::path& print) {
    const auto shown = qvtest::renderPdfPage(print, 1, 50);
    ASSERT_TRUE(shown);
    EXPECT_GE(darkPixels(*shown), darkPixels(*source) / 2) << print;
  };
  if (toolsAvailable()) {
    const auto printed = qvtest::officeConvertAllToPdf({docx}, dir.path() / "office");
    ASSERT_EQ(printed.count(docx), 1u) << "LibreOffice did not open the document";
    EXPECT_EQ(qvtest::pdfPageCount(printed.at(docx)), 1);
    EXPECT_EQ(qvtest::wordCoverage(words, qvtest::pdftotextPage(printed.at(docx), 1)).fraction(), 1.0);
    const auto shown = qvtest::renderPdfPage(printed.at(docx), 1, 50);
    ASSERT_TRUE(shown);
    EXPECT_GE(qvtest::inkSimilarity(*source, *shown, 4), 0.8);
    expectTextInFront(printed.at(docx));
  }
  if (!abiwordAvailable()) GTEST_SKIP() << "AbiWord is not installed";
  const fs::path other = dir.file("slide-abiword.pdf");
  ASSERT_TRUE(abiwordPrints(docx, other));
  const auto kept = qvtest::wordCoverage(words, qvtest::pdftotextPage(other, 0));
  EXPECT_EQ(kept.fraction(), 1.0) << kept.found << " of " << kept.total << " words";
  expectTextInFront(other);
}

#ifdef QV_PDFCONVERT
// ---------------------------------------------------------------------------
// Pages whose words a flowing layout glued together or read out of order,
// each converted to Word (read as LibreOffice prints it) and to HTML, RTF
// and text, which share the layout: every line pdftotext reads on the page
// comes out whole, its words apart, in pdftotext's order.

// Words that read differently from line to line: a syllable word and a
// number, so that a line found is that line.
std::string madeWord(int n) {
  static const char* const kSyllables[] = {"ba", "de", "ki", "lo", "mu", "na", "re", "si", "to", "vu", "ga", "pe"};
  std::string w = kSyllables[n % 12];
  w += kSyllables[(n / 12 + n) % 12];
  if (n % 3 == 0) w += kSyllables[(n * 7) % 12];
  return w + std::to_string(n % 97);
}

// A justified page of 7-point text set word by word: each line one TJ array
// of words without a space glyph, the gaps only the arrays' offsets, a
// little over a quarter of an em.
std::string justifiedSevenPointPage(qvtest::PdfBuilder& b) {
  std::string content;
  int n = 0;
  for (int line = 0; line < 80; ++line) {
    content += "BT /F1 7 Tf 54 " + std::to_string(740 - 8.4 * line) + " Td [";
    for (int word = 0; word < 14; ++word, ++n)
      content += "(" + madeWord(n) + ")" + (word < 13 ? " " + std::to_string(-230 - (n * 37) % 110) + " " : "");
    content += "] TJ ET\n";
  }
  b.addPage(content, b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  return "justified-7pt";
}

// Courier's advance of a word at a size: every glyph 0.6 of the em.
double courierWidth(const std::string& word, double size) { return 0.6 * size * static_cast<double>(word.size()); }

// A letter whose lines rise 0.3 point with every word, each word placed by
// itself, set 12.5 points apart at 11 points.
std::string risingLinesPage(qvtest::PdfBuilder& b) {
  std::string content = "BT /F1 16 Tf 72 740 Td (A letter set askew) Tj ET\n";
  int n = 0;
  for (int line = 0; line < 44; ++line) {
    double x = 72;
    for (int word = 0; word < 9; ++word, ++n) {
      const std::string w = madeWord(n);
      content += "BT /F1 11 Tf " + std::to_string(x) + " " + std::to_string(700 - 12.5 * line + 0.3 * word) + " Td (" +
                 w + ") Tj ET\n";
      x += courierWidth(w + " ", 11);
    }
  }
  b.addPage(content, b.resources({{"Font", {{"F1", b.standardFont("Courier")}}}}));
  return "rising-lines";
}

// One line of text in /F1, and the next `count` made words.
std::string line(double size, double x, double y, const std::string& text) {
  return "BT /F1 " + std::to_string(size) + " Tf " + std::to_string(x) + " " + std::to_string(y) + " Td (" + text +
         ") Tj ET\n";
}

std::string words(int& n, int count) {
  std::string text;
  for (int k = 0; k < count; ++k, ++n) text += (k ? " " : "") + madeWord(n);
  return text;
}

// A paper's page: a full-width title and abstract over two columns whose
// lines stand half a line apart, a framed figure with its caption in the
// left column, and a footnote under it.
std::string twoColumnPaperPage(qvtest::PdfBuilder& b) {
  int n = 0;
  std::string content = line(16, 150, 740, "Tides along the eastern harbour wall");
  content += line(10, 250, 722, "Anna Pilot and Bo Keel");
  content += line(9, 90, 700, "Abstract");
  for (int k = 0; k < 5; ++k) content += line(9, 90, 689 - 11.0 * k, words(n, 9));
  for (int column = 0; column < 2; ++column) {
    const double left = column == 0 ? 54 : 318;
    double y = 620 - 5.5 * column;
    for (int k = 0; k < (column == 0 ? 30 : 44); ++k) {
      if (column == 0 && k == 14) {
        content += "0.5 w " + std::to_string(left + 20) + " " + std::to_string(y - 80) + " 200 80 re S\n";
        y -= 92;
        content += line(8, left + 10, y, "Figure 1: the water level at the gate");
        y -= 16;
      }
      content += line(10, left, y, words(n, 3));
      y -= 12;
    }
    if (column == 0) {
      content += "0.4 w 54 80 m 134 80 l S\n";
      content += line(7, 54, 70, "1 The gauge was read by the pilot of the morning ferry.");
    }
  }
  b.addPage(content, b.resources({{"Font", {{"F1", b.standardFont("Courier")}}}}));
  return "two-column-paper";
}

// Three columns of a book's page under a chapter's heading that reaches
// over the gutter between the first two.
std::string threeColumnsUnderAHeadingPage(qvtest::PdfBuilder& b) {
  int n = 0;
  std::string content = line(12, 54, 740, "Chapter 2 : The pros and cons");
  for (int column = 0; column < 3; ++column)
    for (int k = 0; k < 50; ++k) content += line(10, 54 + 180 * column, 714 - 12 * k, words(n, 3));
  b.addPage(content, b.resources({{"Font", {{"F1", b.standardFont("Courier")}}}}));
  return "three-columns-under-a-heading";
}

struct ReadingCase {
  const char* name;
  std::string (*write)(qvtest::PdfBuilder&);
};

class DocxReading : public testing::TestWithParam<ReadingCase> {};

TEST_P(DocxReading, EveryLineComesOutWholeInReadingOrder) {
  if (!toolsAvailable()) GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  const std::string name = GetParam().write(b);
  const fs::path pdf = dir.file(name + ".pdf");
  b.write(pdf);

  // pdftotext's lines, folded, in its order.
  std::vector<std::string> lines;
  {
    const std::string text = qvtest::pdftotextPage(pdf, 1);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string folded = foldedPage(text.substr(start, end - start));
      if (!folded.empty()) lines.push_back(folded);
      start = end + 1;
    }
  }
  ASSERT_GT(lines.size(), 10u);
  auto expectLinesInOrder = [&](const std::string& shown, const std::string& what) {
    const std::string folded = " " + foldedPage(shown);
    size_t at = 0, found = 0;
    for (const std::string& l : lines) {
      const size_t where = folded.find(" " + l, at);
      if (where == std::string::npos) {
        ADD_FAILURE() << what << ": \"" << l << "\" is not whole after what came before it";
        continue;
      }
      at = where + l.size();
      ++found;
    }
    EXPECT_EQ(found, lines.size()) << what;
  };

  const fs::path docx = dir.file(name + ".docx");
  ASSERT_EQ(docxtest::convertToDocx(pdf, docx), 1);
  const auto printed = qvtest::officeConvertAllToPdf({docx}, dir.path() / "office");
  ASSERT_EQ(printed.count(docx), 1u) << "LibreOffice did not open the document";
  EXPECT_EQ(qvtest::pdfPageCount(printed.at(docx)), 1);
  // No word is raised or lowered: the page holds no script.
  EXPECT_TRUE(findAll(*Document(docx).body, "vertAlign").empty());
  expectLinesInOrder(qvtest::pdftotextPage(printed.at(docx), 0), "docx");

  for (const char* extension : {"html", "rtf", "txt"}) {
    const fs::path out = dir.file(name + "." + extension);
    const auto run = qvtest::runCommand(qvtest::shellQuote(QV_PDFCONVERT) + " --to " + extension + " " +
                                        qvtest::shellQuote(pdf.string()) + " " + qvtest::shellQuote(out.string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    expectLinesInOrder(qvtest::outputText(out, extension), extension);
  }
}

INSTANTIATE_TEST_SUITE_P(MadePages, DocxReading,
                         testing::Values(ReadingCase{"JustifiedSevenPointWordByWord", justifiedSevenPointPage},
                                         ReadingCase{"LinesRisingWithEveryWord", risingLinesPage},
                                         ReadingCase{"TwoColumnPaper", twoColumnPaperPage},
                                         ReadingCase{"ThreeColumnsUnderAHeadingOverTwo",
                                                     threeColumnsUnderAHeadingPage}),
                         [](const testing::TestParamInfo<ReadingCase>& info) { return std::string(info.param.name); });
#endif

}  // namespace

namespace {

// Files whose words pdftotext reads in a way the document cannot show, with
// why: the pages whose text stands upright (0 for all; text turned on its
// page goes into text boxes and text paths, which are not written into the
// document yet), and the share of those pages' words the document must hold.
struct TextException {
  const char* file;
  int onlyPage;
  double coverage;
  const char* reason;
};
constexpr TextException kTextExceptions[] = {
    {"rotated-pages-qpdf.pdf", 1, 0.95, "pages 2 to 4 are turned by their /Rotate, so their text is not upright"},
    {"cjk-zh-vertical.pdf", 1, 0.95, "the second page is set vertically"},
    {"gofpdf-grid-chart.pdf", 0, 0.65, "the month names along the x axis are turned"},
    {"gofpdf-transparency.pdf", 0, 0.80,
     "pdftotext joins the 150-point letters of a 4 x 4 grid, each shown by its "
     "own string at its own place, "
     "into four words \"AAAA\"; the document keeps each letter where the page "
     "shows it"},
};

constexpr double kCoverage = 0.95;

const TextException* textException(const fs::path& pdf) {
  for (const TextException& e : kTextExceptions)
    if (pdf.filename() == e.file) return &e;
  return nullptr;
}

// Files that LibreOffice lays out on more pages than the PDF has, with the
// most it may take and why.
struct PageCountException {
  const char* file;
  int mostPages;
  const char* reason;
};

// Every corpus file is laid out on its PDF's page count, with or without
// the CJK, Thai and Arabic fonts installed.
constexpr std::array<PageCountException, 0> kPageCountExceptions{};

// Files where a word of pdftotext's text may come out run together with its
// neighbour in the Word document though not in HTML, with why.
struct FusedWordsException {
  const char* file;
  size_t most;
  const char* reason;
};
constexpr FusedWordsException kFusedWordsExceptions[] = {
    {"cjk-ja-ptex-manual.pdf", 12,
     "pdftotext parts a command of the syntax lines from the angle bracket of another, taller font that follows it "
     "half a point after, with no blank between them (\\jfam=<number>), which the HTML output puts on a line of "
     "its own, the bottoms of their letters differing; and the labels H and Re of page 8's figure"},
};

// Files whose words AbiWord's print shows fewer of than LibreOffice's by
// more than a tenth, with the share of LibreOffice's it keeps and why.
struct OtherReaderException {
  const char* file;
  double share;
  const char* reason;
};
constexpr OtherReaderException kOtherReaderExceptions[] = {
    {"cjk-ja-ptex-manual.pdf", 0.8,
     "AbiWord's print draws some kanji that its line breaking moves past the right margin as boxes of their code "
     "points (its text export holds them); the document names the same font for them as for their neighbours"},
};

double otherReaderShareOf(const fs::path& pdf) {
  for (const OtherReaderException& e : kOtherReaderExceptions)
    if (pdf.filename() == e.file) return e.share;
  return 0.9;
}

size_t mostFusedWordsOf(const fs::path& pdf) {
  for (const FusedWordsException& e : kFusedWordsExceptions)
    if (pdf.filename() == e.file) return e.most;
  return 0;
}

int mostPagesOf(const fs::path& pdf, int pages) {
  for (const PageCountException& e : kPageCountExceptions)
    if (pdf.filename() == e.file) return e.mostPages;
  return pages;
}

// One test per corpus file, each with its own LibreOffice run: a page of a
// thousand floating shapes takes LibreOffice over a minute to lay out, so
// the corpus is opened file by file, side by side, rather than in one run.
class DocxCorpus : public testing::TestWithParam<fs::path> {};

TEST_P(DocxCorpus, ConvertsOpensInOfficeAndKeepsItsWords) {
  if (!toolsAvailable()) GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  const fs::path& pdf = GetParam();
  if (const std::string why = qvtest::corpusFileUnreadable(pdf); !why.empty()) GTEST_SKIP() << why;
  qvtest::TempDir dir;
  const fs::path docx = dir.file(pdf.stem().string() + ".docx");
  const std::string password = qvtest::corpusPassword(pdf);
  int converted = 0;
  ASSERT_NO_THROW(converted = docxtest::convertToDocx(pdf, docx, password));
  EXPECT_GT(converted, 0);
  EXPECT_THAT(qvtest::checkWordPackage(docx), testing::IsEmpty());

  const auto printed = qvtest::officeConvertAllToPdf({docx}, dir.path() / "office");
  EXPECT_EQ(printed.count(docx), 1u) << "LibreOffice did not open the document";
  // Each page of the PDF is a page of the document.
  if (printed.count(docx) == 1) {
    const int shown = qvtest::pdfPageCount(printed.at(docx));
    EXPECT_GE(shown, converted);
    EXPECT_LE(shown, mostPagesOf(pdf, converted));
  }
  // Another reader lays the document out too, and shows nearly as many of
  // the PDF's words as LibreOffice does.
  if (abiwordAvailable() && printed.count(docx) == 1) {
    const fs::path abiword = dir.file("abiword.pdf");
    EXPECT_TRUE(abiwordPrints(docx, abiword)) << "AbiWord failed";
    const std::string source = qvtest::pdftotextPage(pdf, 0, password);
    const auto office = qvtest::wordCoverage(source, qvtest::pdftotextPage(printed.at(docx), 0));
    const auto other = qvtest::wordCoverage(source, qvtest::pdftotextPage(abiword, 0));
    EXPECT_GE(other.fraction(), otherReaderShareOf(pdf) * office.fraction())
        << "AbiWord shows " << other.found << " of " << other.total << " words, LibreOffice " << office.found;
  }
  const std::vector<std::string> pages = Document(docx).pageTexts();
  qvtest::WordCoverage total;
  std::string missing;
  const TextException* exception = textException(pdf);
  for (size_t page = 0; page < pages.size(); ++page) {
    if (exception && exception->onlyPage != 0 && static_cast<int>(page + 1) != exception->onlyPage) continue;
    const auto c = qvtest::wordCoverage(qvtest::pdftotextPage(pdf, static_cast<int>(page + 1), password), pages[page]);
    total.found += c.found;
    total.total += c.total;
    for (size_t i = 0; i < c.missing.size() && i < 4; ++i)
      missing += " p" + std::to_string(page + 1) + ":" + c.missing[i];
  }
  EXPECT_GE(total.fraction(), exception ? exception->coverage : kCoverage)
      << total.found << " of " << total.total << " words; missing e.g." << missing;

#ifdef QV_PDFCONVERT
  // No word runs into its neighbour, as LibreOffice shows the document,
  // where the HTML output, laid out by the same core, keeps the two apart.
  const fs::path html = dir.file(pdf.stem().string() + ".html");
  const auto run = qvtest::runCommand(
      qvtest::shellQuote(QV_PDFCONVERT) + (password.empty() ? "" : " --password " + qvtest::shellQuote(password)) +
      " --to html " + qvtest::shellQuote(pdf.string()) + " " + qvtest::shellQuote(html.string()));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::string reference = qvtest::pdftotextPage(pdf, 0, password);
  std::multiset<std::string> keptApart;
  for (std::string& w : qvtest::fusedWords(reference, qvtest::outputText(html, "html"))) keptApart.insert(std::move(w));
  std::vector<std::string> fused;
  const std::string shown = printed.count(docx) ? qvtest::pdftotextPage(printed.at(docx), 0) : Document(docx).text();
  for (std::string& w : qvtest::fusedWords(reference, shown)) {
    auto it = keptApart.find(w);
    if (it != keptApart.end())
      keptApart.erase(it);
    else
      fused.push_back(std::move(w));
  }
  EXPECT_LE(fused.size(), mostFusedWordsOf(pdf)) << testing::PrintToString(fused);
#endif
}

std::string corpusTestName(const testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, DocxCorpus, testing::ValuesIn(qvtest::corpusFiles()), corpusTestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(DocxCorpus);

}  // namespace

// PDF to Word end to end, as a user sees the result: a three-page document
// drawn here with Cairo, and every PDF of the corpus, are converted; each
// package passes the package checker, LibreOffice opens it, and its text
// holds the words pdftotext reads on the PDF.
#include <cairo-pdf.h>
#include <cairo.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <numbers>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <string>
#include <vector>

#include "tests/docx/docx_test_support.h"
#include "tests/support/fixtures.h"
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
    if (child->local == "bookmarkStart") onPageTwo = wAttr(child.get(), "name") == "2";
    if (onPageTwo && child->local == "p")
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
  // The words in order; the raised marker joins the word it follows, where
  // pdftotext of the source, seeing it smaller and higher, makes it a word
  // of its own.
  const std::vector<std::string> source = qvtest::foldedWords(qvtest::pdftotextPage(pdf, 0));
  const std::vector<std::string> shown = qvtest::foldedWords(qvtest::pdftotextPage(printed.at(docx), 0));
  auto joined = [](const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) out += w;
    return out;
  };
  EXPECT_EQ(joined(shown), joined(source));
  EXPECT_EQ(shown.size() + 1, source.size());
}

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
     "pdftotext joins the 150-point letters of a 4 x 4 grid, each shown by its own string at its own place, "
     "into four words \"AAAA\"; the document keeps each letter where the page shows it"},
};

constexpr double kCoverage = 0.95;

const TextException* textException(const fs::path& pdf) {
  for (const TextException& e : kTextExceptions)
    if (pdf.filename() == e.file) return &e;
  return nullptr;
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

// PDF to HTML end to end, as a user and a browser see the result: PDFs drawn
// here with Cairo or built with qpdf, and the corpus, are converted; each file
// passes xmllint, every tag nests, the style block declares exactly the
// classes the body uses, and the body's text holds the PDF's upright words in
// reading order.
#include <cairo-pdf.h>
#include <cairo.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <regex>
#include <string>
#include <vector>

#include "flowtext/html/QVHTMLPDFExporter.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "tests/flowtext/html_checks.h"
#include "tests/support/command_run.h"
#include "tests/support/corpus_stand_ins.h"
#include "tests/support/exporter_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/text_coverage.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;

#ifdef QV_PDFCONVERT
qvtest::CommandResult pdfconvert(const std::string& arguments) {
  return qvtest::runCommand(qvtest::shellQuote(QV_PDFCONVERT) + " " + arguments);
}
#endif

void show(cairo_t* cr, cairo_font_slant_t slant, cairo_font_weight_t weight, double size, double x, double y,
          const std::string& text) {
  cairo_select_font_face(cr, "DejaVu Sans", slant, weight);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
}

void plain(cairo_t* cr, double size, double x, double y, const std::string& text) {
  show(cr, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, size, x, y, text);
}

const std::vector<std::string> kLeftColumn = {"amber harbour lantern", "basalt cliff meadow", "cobalt river orchard",
                                              "driftwood signal tower"};
const std::vector<std::string> kRightColumn = {"ember valley quarry", "fennel garden bridge", "granite summit trail",
                                               "hazel forest clearing"};

// Page 1: a heading, a line beside a large initial, bold and italic runs, two
// columns, a label at 45 degrees and one turned a quarter. Page 2: one line.
fs::path drawSample(const qvtest::TempDir& dir) {
  const fs::path pdf = dir.file("sample.pdf");
  cairo_surface_t* surface = cairo_pdf_surface_create(pdf.c_str(), 612, 792);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0, 0, 0);
  show(cr, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD, 24, 72, 70, "Survey of the Northern Coast");
  // The initial's bottom lies far below the two lines beside it.
  plain(cr, 64, 72, 170, "W");
  plain(cr, 11, 130, 118, "hereas the beside initial line");
  plain(cr, 11, 130, 132, "continues quietly here");
  double x = 72;
  auto runOn = [&](cairo_font_slant_t slant, cairo_font_weight_t weight, const std::string& text) {
    show(cr, slant, weight, 11, x, 200, text);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    x += e.x_advance;
  };
  runOn(CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, "Plain start ");
  runOn(CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD, "boldface words");
  runOn(CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, " then ");
  runOn(CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL, "slanted words");
  runOn(CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, " end.");
  for (size_t i = 0; i < kLeftColumn.size(); ++i) {
    // Set solid: the lines of a column touch, so the columns stand side by side.
    plain(cr, 11, 72, 260 + 12.0 * i, kLeftColumn[i]);
    plain(cr, 11, 330, 260 + 12.0 * i, kRightColumn[i]);
  }
  cairo_save(cr);
  cairo_translate(cr, 300, 600);
  cairo_rotate(cr, -std::numbers::pi / 4);
  plain(cr, 14, 0, 0, "DIAGONAL STAMP");
  cairo_restore(cr);
  cairo_save(cr);
  cairo_translate(cr, 560, 700);
  cairo_rotate(cr, -std::numbers::pi / 2);
  plain(cr, 12, 0, 0, "SIDEWAYS NOTE");
  cairo_restore(cr);
  cairo_show_page(cr);
  plain(cr, 11, 72, 80, "closing remark on the second page");
  cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return pdf;
}

// What every HTML output must be, whatever its content.
void expectSoundHtml(const fs::path& file) {
  SCOPED_TRACE(file.string());
  const std::string html = qvtest::readWhole(file);
  ASSERT_FALSE(html.empty());
  if (htmltest::xmllintAvailable()) {
    EXPECT_EQ(htmltest::xmllintMessages(file), "");
  }
  EXPECT_THAT(htmltest::nestingProblems(html), IsEmpty());
  EXPECT_EQ(htmltest::declaredClasses(html), htmltest::usedClasses(html));
  EXPECT_THAT(html, Not(HasSubstr("<br \\>")));
  EXPECT_TRUE(html.ends_with("</body>\n</html>"));
}

// Converts each PDF in turn with one exporter, as one process converts a
// queue.
void convertInTurn(const std::vector<std::pair<fs::path, fs::path>>& jobs) {
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  QVHTMLPDFExporter exporter;
  for (const auto& [pdf, out] : jobs) {
    auto document = platform::PdfDocument::open(pdf.string(), "");
    ASSERT_TRUE(document);
    exporter.setNumberOfPagesToConvert(document->pageCount());
    exporter.begainConvertPDF(out.string());
    for (int n = 1; n <= document->pageCount(); ++n) exporter.convertPDFPage(*document->page(n));
    exporter.endConvertPDF(*document);
  }
}

size_t position(const std::string& text, const std::string& word) { return text.find(word); }

}  // namespace

#ifdef QV_PDFCONVERT
TEST(HtmlEndToEnd, DrawnPagesKeepReadingOrderStylesAndLeaveTurnedTextOut) {
  qvtest::TempDir dir;
  const fs::path pdf = drawSample(dir);
  const fs::path out = dir.file("Field notes.html");
  const qvtest::CommandResult r = pdfconvert("--to html " + qvtest::shellQuote(pdf) + " " + qvtest::shellQuote(out));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  expectSoundHtml(out);
  const std::string html = qvtest::readWhole(out);
  const std::string text = htmltest::bodyText(html);
  EXPECT_THAT(html, HasSubstr("<title>Field notes</title>"));

  // Column one, then column two, each top to bottom.
  std::vector<size_t> at;
  for (const auto& column : {kLeftColumn, kRightColumn})
    for (const std::string& line : column) at.push_back(position(text, line));
  for (size_t i = 0; i < at.size(); ++i) {
    ASSERT_NE(at[i], std::string::npos) << i << "\n" << text;
    if (i > 0) {
      EXPECT_LT(at[i - 1], at[i]) << text;
    }
  }
  EXPECT_LT(position(text, "Survey of the Northern Coast"), position(text, "amber harbour"));
  EXPECT_LT(position(text, "closing remark"), std::string::npos);
  EXPECT_GT(position(text, "closing remark"), position(text, "hazel forest"));

  // The lines beside the large initial keep their text.
  EXPECT_THAT(text, HasSubstr("hereas the beside initial line"));
  EXPECT_THAT(text, HasSubstr("continues quietly here"));

  // Bold and italic as tags around their words.
  EXPECT_TRUE(std::regex_search(html, std::regex("<b>[^<]*boldface words"))) << html;
  EXPECT_TRUE(std::regex_search(html, std::regex("<i>[^<]*slanted words"))) << html;
  EXPECT_FALSE(std::regex_search(html, std::regex("<b>[^<]*Plain start")));

  // Text at 45 degrees and turned a quarter is left out.
  EXPECT_THAT(text, Not(HasSubstr("DIAGONAL")));
  EXPECT_THAT(text, Not(HasSubstr("SIDEWAYS")));
}

TEST(HtmlEndToEnd, AnOutputThatCannotBeWrittenIsAnErrorAndLeavesNoFile) {
  qvtest::TempDir dir;
  const fs::path pdf = drawSample(dir);
  const fs::path out = dir.path() / "missing-folder" / "x.html";
  const qvtest::CommandResult r = pdfconvert("--to html " + qvtest::shellQuote(pdf) + " " + qvtest::shellQuote(out));
  EXPECT_NE(r.exitCode, 0) << r.output;
  EXPECT_FALSE(fs::exists(out));
}
#endif

TEST(HtmlEndToEnd, EachConversionNumbersItsClassesFromTheStart) {
  qvtest::TempDir dir;
  const fs::path pdf = drawSample(dir);
  qvtest::PdfBuilder b;
  b.addPage("BT /F1 30 Tf 1 0 0 rg 72 700 Td (Big red words) Tj ET",
            b.resources({{"Font", {{"F1", b.standardFont("Times-Roman")}}}}));
  const fs::path other = dir.file("other.pdf");
  b.write(other);
  const fs::path first = dir.file("first.html"), second = dir.file("second.html");
  convertInTurn({{pdf, first}, {other, second}});
  for (const fs::path& out : {first, second}) expectSoundHtml(out);
  const std::string html = qvtest::readWhole(second);
  EXPECT_EQ(htmltest::usedClasses(html), (std::set<std::string>{"p0", "s0"}));
  EXPECT_THAT(html, HasSubstr("<p class=\"p0\"><span class=\"s0\">Big red words"));
  EXPECT_THAT(html, HasSubstr("span.s0 { font: 36px 'Times'; color: #ff0000}"));
}

TEST(HtmlEndToEnd, BoldAndItalicChangesInsideASpanNest) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  // One family, so one span class: only the tags change between the runs.
  b.addPage(
      "BT /B 12 Tf 72 700 Td (heavy ) Tj /I 12 Tf (leaning ) Tj /BI 12 Tf (both ) Tj /R 12 Tf (neither) Tj ET "
      "BT /BI 12 Tf 72 680 Td (last bold italic) Tj ET",
      b.resources({{"Font",
                    {{"R", b.standardFont("Helvetica")},
                     {"B", b.standardFont("Helvetica-Bold")},
                     {"I", b.standardFont("Helvetica-Oblique")},
                     {"BI", b.standardFont("Helvetica-BoldOblique")}}}}));
  const fs::path pdf = dir.file("faces.pdf");
  b.write(pdf);
  const fs::path out = dir.file("faces.html");
  qvtest::convertWithExporter<QVHTMLPDFExporter>(pdf, out);
  expectSoundHtml(out);
  const std::string html = qvtest::readWhole(out);
  EXPECT_TRUE(std::regex_search(html, std::regex("<b>heavy </b><i>leaning </i><b><i>both </i></b>neither"))) << html;
  EXPECT_THAT(html, HasSubstr("<b><i>last bold italic</i></b></span></p>"));
}

TEST(HtmlEndToEnd, NamesFromTheInputCannotInjectMarkup) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  // The font is named A'}</style><script>x</script>.
  b.addPage("BT /F1 12 Tf 72 700 Td (<b>not a tag</b> & more) Tj ET",
            b.resources({{"Font", {{"F1", b.standardFont("A#27#7D#3C#2Fstyle#3E#3Cscript#3Ex#3C#2Fscript#3E")}}}}));
  const fs::path pdf = dir.file("hostile.pdf");
  b.write(pdf);
  const fs::path out = dir.file("a&b <script>alert(1).html");
  qvtest::convertWithExporter<QVHTMLPDFExporter>(pdf, out);
  expectSoundHtml(out);
  const std::string html = qvtest::readWhole(out);
  EXPECT_FALSE(std::regex_search(html, std::regex("<script", std::regex::icase))) << html;
  EXPECT_THAT(html, HasSubstr("<title>a&amp;b &lt;script&gt;alert(1)</title>"));
  EXPECT_THAT(html, HasSubstr("&lt;b&gt;not a tag&lt;/b&gt; &amp; more"));
  EXPECT_EQ(htmltest::bodyText(html).find("<b>not a tag</b> & more") != std::string::npos, true);
}

TEST(HtmlEndToEnd, AGapAcrossTheLineWritesABoundedNumberOfBlanks) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  // A font so small that the gap between the two words is billions of its
  // spaces wide.
  b.addPage("BT /F1 0.000001 Tf 72 700 Td (a) Tj ET BT /F1 0.000001 Tf 500 700 Td (b) Tj ET",
            b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  const fs::path pdf = dir.file("tiny.pdf");
  b.write(pdf);
  const fs::path out = dir.file("tiny.html");
  qvtest::convertWithExporter<QVHTMLPDFExporter>(pdf, out);
  EXPECT_LT(fs::file_size(out), 64u * 1024u);
  expectSoundHtml(out);
}

TEST(HtmlEndToEnd, ACancelledOrFailedDocumentLeavesNoOutputAndNoWorkFiles) {
  qvtest::TempDir dir;
  const fs::path pdf = drawSample(dir);
  auto document = platform::PdfDocument::open(pdf.string(), "");
  ASSERT_TRUE(document);
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  const auto workEntries = [&] {
    return std::distance(fs::directory_iterator(work.path()), fs::directory_iterator());
  };
  {
    const fs::path out = dir.file("cancelled.html");
    QVHTMLPDFExporter exporter;
    exporter.setNumberOfPagesToConvert(2);
    exporter.begainConvertPDF(out.string());
    EXPECT_EQ(workEntries(), 1);
    EXPECT_TRUE(exporter.convertPDFPage(*document->page(1)));
    exporter.cleanConvertPDF();
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(workEntries(), 0);
  }
  {
    // The body file disappears before the document is written.
    const fs::path out = dir.file("failed.html");
    QVHTMLPDFExporter exporter;
    exporter.setNumberOfPagesToConvert(1);
    exporter.begainConvertPDF(out.string());
    EXPECT_TRUE(exporter.convertPDFPage(*document->page(1)));
    for (const auto& entry : fs::recursive_directory_iterator(work.path()))
      if (entry.path().filename() == "content.html") fs::remove(entry.path());
    EXPECT_ANY_THROW(exporter.endConvertPDF(*document));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);  // the PDF alone
  }
  {
    const fs::path out = dir.file("done.html");
    QVHTMLPDFExporter exporter;
    exporter.setNumberOfPagesToConvert(1);
    exporter.begainConvertPDF(out.string());
    EXPECT_TRUE(exporter.convertPDFPage(*document->page(2)));
    exporter.endConvertPDF(*document);
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(workEntries(), 0);
  }
}

// ---------------------------------------------------------------------------
// The corpus

namespace {

// Files whose words pdftotext reads in a way the page's upright text cannot
// give, with why and the share of words the HTML must hold.
struct TextException {
  const char* file;
  int onlyPage;  // compare with this page's words only (0: all pages)
  double coverage;
  const char* reason;
};
constexpr TextException kTextExceptions[] = {
    {"rotated-pages-qpdf.pdf", 1, 0.95, "pages 2 to 4 are turned by their /Rotate, so their text is not upright"},
    {"cjk-zh-vertical.pdf", 1, 0.95, "the second page is set vertically"},
    {"gofpdf-grid-chart.pdf", 0, 0.65, "the month names along the x axis are turned"},
    {"cjk-ja-ptex-manual.pdf", 0, 0.80,
     "pdftotext's words here are long runs of Japanese without blanks; lines mix Japanese and Latin fonts whose em "
     "boxes end at different depths, and the page layout puts runs on one line by that bottom, so a Latin run beside "
     "Japanese text becomes a row of its own that follows the Japanese one, splitting those long words"},
    {"gofpdf-transparency.pdf", 0, 0.80,
     "pdftotext joins the 150-point letters of a 4 x 4 grid, each shown by its own string at its own place, "
     "into four words \"AAAA\"; the page keeps each letter where it stands"},
};

constexpr double kCoverage = 0.95;

const TextException* textException(const fs::path& pdf) {
  for (const TextException& e : kTextExceptions)
    if (pdf.filename() == e.file) return &e;
  return nullptr;
}

bool pdftotextAvailable() { return std::system("command -v pdftotext > /dev/null 2>&1") == 0; }

}  // namespace

TEST(HtmlEndToEnd, CorpusPdfsConvertToSoundHtmlAndKeepTheirWords) {
  if (qvtest::corpusFiles().empty()) GTEST_SKIP() << qvtest::noCorpus();
  qvtest::TempDir dir;
  for (const fs::path& pdf : qvtest::corpusFilesWithStandIns(dir.file("made"))) {
    SCOPED_TRACE(pdf.string());
    const std::string password = qvtest::corpusPassword(pdf);
    const fs::path out = dir.file(pdf.stem().string() + ".html");
    int pages = 0;
    ASSERT_NO_THROW(pages = qvtest::convertWithExporter<QVHTMLPDFExporter>(pdf, out, password));
    EXPECT_GT(pages, 0);
    expectSoundHtml(out);
    if (!pdftotextAvailable()) continue;
    const TextException* exception = textException(pdf);
    const std::string reference =
        qvtest::pdftotextPage(pdf, exception ? exception->onlyPage : 0, password);
    const auto c = qvtest::wordCoverage(reference, htmltest::bodyText(qvtest::readWhole(out)));
    std::string missing;
    for (size_t i = 0; i < c.missing.size() && i < 8; ++i) missing += " " + c.missing[i];
    EXPECT_GE(c.fraction(), exception ? exception->coverage : kCoverage)
        << c.found << " of " << c.total << " words; missing e.g." << missing;
  }
}

TEST(HtmlEndToEnd, RotatedTextOfTheCorpusIsLeftOut) {
  const fs::path pdf = qvtest::corpusDir() / "gofpdf-rotated-text.pdf";
  if (!fs::exists(pdf)) GTEST_SKIP() << qvtest::missingCorpusFile(pdf);
  qvtest::TempDir dir;
  const fs::path out = dir.file("rotated.html");
  qvtest::convertWithExporter<QVHTMLPDFExporter>(pdf, out);
  expectSoundHtml(out);
  // The upright paragraphs are all there is: the turned letters between them
  // are left out.
  const std::string lorem =
      "Lorem ipsum dolor sit amet, consectetur adipisicing elit, sed do eiusmod tempor incididunt ut labore et "
      "dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ullamco laboris nisi ut aliquip ex ea "
      "commodo consequat. Duis aute irure dolor in reprehenderit in voluptate velit esse cillum dolore eu fugiat "
      "nulla pariatur. Excepteur sint occaecat cupidatat non proident, sunt in culpa qui officia deserunt mollit "
      "anim id est laborum.";
  std::set<std::string> allowed;
  for (const std::string& w : qvtest::foldedWords(lorem)) allowed.insert(w);
  const std::vector<std::string> words = qvtest::foldedWords(htmltest::bodyText(qvtest::readWhole(out)));
  EXPECT_GT(words.size(), 100u);
  for (const std::string& w : words) EXPECT_EQ(allowed.count(w), 1u) << w;
}

namespace {

// Counts the pictures the interpreter hands over.
class PictureCountingExporter : public QVHTMLPDFExporter {
 public:
  void didScanXObjectImage(QVPDFConentParser&, const std::shared_ptr<QVPDFImageXObject>&) override { ++pictures; }
  int pictures = 0;
};

}  // namespace

TEST(HtmlEndToEnd, PicturesOfThePageAreNeitherDecodedNorWritten) {
  const fs::path pdf = qvtest::corpusDir() / "gofpdf-images.pdf";
  if (!fs::exists(pdf)) GTEST_SKIP() << qvtest::missingCorpusFile(pdf);
  qvtest::TempDir dir;
  auto document = platform::PdfDocument::open(pdf.string(), "");
  ASSERT_TRUE(document);
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  PictureCountingExporter exporter;
  exporter.setNumberOfPagesToConvert(document->pageCount());
  exporter.begainConvertPDF(dir.file("images.html").string());
  for (int n = 1; n <= document->pageCount(); ++n) EXPECT_TRUE(exporter.convertPDFPage(*document->page(n)));
  EXPECT_EQ(exporter.pictures, 0);
  std::vector<std::string> written;
  for (const auto& entry : fs::recursive_directory_iterator(work.path()))
    if (entry.is_regular_file()) written.push_back(entry.path().filename().string());
  EXPECT_THAT(written, testing::ElementsAre("content.html"));
  exporter.endConvertPDF(*document);
}

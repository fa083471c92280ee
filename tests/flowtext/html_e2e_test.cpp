// PDF to HTML end to end, as a user and a browser see the result: PDFs drawn
// here with Cairo or built with qpdf, and the corpus, are converted; each file
// passes xmllint, every tag nests, the style block declares exactly the
// classes the body uses, and the body's text holds the PDF's upright words in
// reading order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "flowtext/html/QVHTMLPDFExporter.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "tests/flowtext/flow_samples.h"
#include "tests/flowtext/html_checks.h"
#include "tests/support/command_run.h"
#include "tests/support/corpus_stand_ins.h"
#include "tests/support/exporter_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/output_text.h"
#include "tests/support/text_coverage.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using flowtest::drawSample;
using flowtest::kLeftColumn;
using flowtest::kRightColumn;

#ifdef QV_PDFCONVERT
qvtest::CommandResult pdfconvert(const std::string& arguments) {
  return qvtest::runCommand(qvtest::shellQuote(QV_PDFCONVERT) + " " + arguments);
}
#endif

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
  const std::string text = qvtest::htmlBodyText(html);
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
  EXPECT_THAT(html, HasSubstr("span.s0 { font: 36px 'Times New Roman'; color: #ff0000}"));
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
  EXPECT_EQ(qvtest::htmlBodyText(html).find("<b>not a tag</b> & more") != std::string::npos, true);
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

using flowtest::kCoverage;
using flowtest::pdftotextAvailable;
using flowtest::textException;
using flowtest::TextException;

}  // namespace

TEST(HtmlEndToEnd, CorpusPdfsConvertToSoundHtmlAndKeepTheirWords) {
  if (qvtest::corpusFiles().empty()) GTEST_SKIP() << qvtest::noCorpus();
  qvtest::TempDir dir;
  for (const fs::path& pdf : qvtest::corpusFilesWithStandIns(dir.file("made"))) {
    SCOPED_TRACE(pdf.string());
    if (const std::string why = qvtest::corpusFileUnreadable(pdf); !why.empty()) {
      ADD_FAILURE() << why;
      continue;
    }
    const std::string password = qvtest::corpusPassword(pdf);
    const fs::path out = dir.file(pdf.stem().string() + ".html");
    int pages = 0;
    EXPECT_NO_THROW(pages = qvtest::convertWithExporter<QVHTMLPDFExporter>(pdf, out, password));
    if (!fs::exists(out)) continue;
    EXPECT_GT(pages, 0);
    expectSoundHtml(out);
    if (!pdftotextAvailable()) continue;
    const TextException* exception = textException(pdf);
    const std::string reference =
        qvtest::pdftotextPage(pdf, exception ? exception->onlyPage : 0, password);
    const auto c = qvtest::wordCoverage(reference, qvtest::htmlBodyText(qvtest::readWhole(out)));
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
  const std::vector<std::string> words = qvtest::foldedWords(qvtest::htmlBodyText(qvtest::readWhole(out)));
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

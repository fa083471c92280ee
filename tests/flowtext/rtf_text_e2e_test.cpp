// PDF to RTF and to plain text end to end, as a user sees the result: PDFs
// drawn here with Cairo or built with qpdf, and the corpus, are converted to
// both. The RTF is one well-formed group whose tables begin with the default
// font and black, and LibreOffice reads the same words from it as the text
// file holds; the text file is UTF-8 without a byte-order mark, in reading
// order, without turned text and without long runs of blank lines. Failed and
// cancelled conversions leave nothing under the output name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "flowtext/rtf/QVRTFPDFExporter.h"
#include "flowtext/text/QVTextPDFExporter.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/text/text.h"
#include "tests/flowtext/flow_samples.h"
#include "tests/support/command_run.h"
#include "tests/support/corpus_stand_ins.h"
#include "tests/support/exporter_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/output_text.h"
#include "tests/support/package_checker.h"
#include "tests/support/text_coverage.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

// The document is one group: every brace that is not quoted opens or closes,
// the depth never falls below one before the end and is zero after it.
bool isOneGroup(const std::string& rtf) {
  int depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '\\') {
      ++i;
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth < 0) return false;
      if (depth == 0 && i + 1 != rtf.size()) return false;
    }
  }
  return depth == 0 && !rtf.empty();
}

bool isValidUtf8(const std::string& text) {
  return platform::text::encodeUtf8(platform::text::decodeUtf8(text)) == text &&
         text.find("\xEF\xBF\xBD") == std::string::npos;
}

// The longest run of blank lines.
size_t blankLinesInRow(const std::string& text) {
  size_t longest = 0, breaks = 0;
  for (char c : text) {
    if (c == '\n') {
      longest = std::max(longest, breaks++);
    } else {
      breaks = 0;
    }
  }
  return longest;
}

// Converts the RTF files to UTF-8 text with one LibreOffice call; answers
// the files it read, mapped to their text.
std::map<fs::path, std::string> officeTexts(const std::vector<fs::path>& rtfs, const fs::path& folder) {
  std::string command = "timeout 400 soffice -env:UserInstallation=file://" + (folder / "profile").string() +
                        " --headless --norestore --convert-to 'txt:Text (encoded):UTF8' --outdir " +
                        qvtest::shellQuote((folder / "office").string());
  for (const fs::path& rtf : rtfs) command += " " + qvtest::shellQuote(rtf.string());
  qvtest::runCommand(command);
  std::map<fs::path, std::string> out;
  for (const fs::path& rtf : rtfs) {
    std::string text = qvtest::readWhole(folder / "office" / (rtf.stem().string() + ".txt"));
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    // LibreOffice keeps a run of blanks in its text export by writing every
    // other one as U+2006, a narrower blank.
    for (size_t at = text.find("\xE2\x80\x86"); at != std::string::npos; at = text.find("\xE2\x80\x86", at))
      text.replace(at, 3, " ");
    if (!text.empty()) out[rtf] = text;
  }
  return out;
}

// A page of text beyond Latin-1: é, €, 한 and U+1F600 through a composite
// font's ToUnicode map, and a line in a font whose name would end the font
// table and open a document of its own.
fs::path buildUnicodeSample(const qvtest::TempDir& dir) {
  qvtest::PdfBuilder b;
  auto toUnicode = b.stream(
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /Uni def\n"
      "1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
      "6 beginbfchar <0001> <00E9> <0002> <20AC> <0003> <D55C> <0004> <D83DDE00> <0005> <0041> <0006> <0020>\n"
      "endbfchar endcmap CMapName currentdict /CMap defineresource pop end end");
  auto composite = b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /Uni /Encoding /Identity-H >>");
  composite.replaceKey("/DescendantFonts",
                       QPDFObjectHandle::newArray({b.parse("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Uni"
                                                           " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity)"
                                                           " /Supplement 0 >> /DW 600 >>")}));
  composite.replaceKey("/ToUnicode", toUnicode);
  b.addPage(
      "BT /U 12 Tf 72 700 Td <000500010002000300040006000500050005> Tj ET "
      "BT /H 12 Tf 72 660 Td (hostile font line) Tj ET",
      b.resources({{"Font",
                    {{"U", b.qpdf().makeIndirectObject(composite)},
                     {"H", b.standardFont("X#7D#7B#5Crtf1#20#5Cpar#7D")}}}}));
  const fs::path pdf = dir.file("unicode.pdf");
  b.write(pdf);
  return pdf;
}

const std::string kUnicodeLine = "A\xC3\xA9\xE2\x82\xAC\xED\x95\x9C\xF0\x9F\x98\x80 AAA";

// What every RTF output must be, whatever its content.
void expectSoundRtf(const fs::path& file) {
  SCOPED_TRACE(file.string());
  const std::string rtf = qvtest::readWhole(file);
  EXPECT_TRUE(isOneGroup(rtf));
  EXPECT_THAT(rtf, StartsWith("{\\rtf1\\ansi\\mac\n{\\fonttbl\\f0\\fnil\\fcharset0 Arial Unicode MS;"));
  EXPECT_THAT(rtf, HasSubstr("}\n{\\colortbl\\red0\\green0\\blue0;"));
  EXPECT_TRUE(rtf.ends_with("\n}"));
  // Everything outside ASCII is quoted.
  EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
}

// What every text output must be.
void expectSoundText(const fs::path& file) {
  SCOPED_TRACE(file.string());
  const std::string text = qvtest::readWhole(file);
  EXPECT_TRUE(isValidUtf8(text));
  EXPECT_FALSE(text.starts_with("\xEF\xBB\xBF"));
  EXPECT_LE(blankLinesInRow(text), 5u);
}

size_t position(const std::string& text, const std::string& words) { return text.find(words); }

#ifdef QV_PDFCONVERT
qvtest::CommandResult pdfconvert(const std::string& type, const fs::path& pdf, const fs::path& out) {
  return qvtest::runCommand(qvtest::shellQuote(QV_PDFCONVERT) + " --to " + type + " " +
                              qvtest::shellQuote(pdf.string()) + " " + qvtest::shellQuote(out.string()));
}
#endif

}  // namespace

#ifdef QV_PDFCONVERT
TEST(RtfTextEndToEnd, DrawnPagesKeepReadingOrderAndLeaveTurnedTextOut) {
  qvtest::TempDir dir;
  const fs::path pdf = flowtest::drawSample(dir);
  const fs::path rtfFile = dir.file("notes.rtf"), textFile = dir.file("notes.txt");
  auto r = pdfconvert("rtf", pdf, rtfFile);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  r = pdfconvert("txt", pdf, textFile);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  expectSoundRtf(rtfFile);
  expectSoundText(textFile);

  const std::string rtf = qvtest::readWhole(rtfFile);
  // Bold and italic words switch the face on and off again.
  EXPECT_THAT(rtf, testing::HasSubstr("\\b boldface words\\b0  then "));
  EXPECT_THAT(rtf, testing::HasSubstr("\\i slanted words\\i0  end."));

  for (const std::string& text : {qvtest::readWhole(textFile), qvtest::rtfBodyText(rtf)}) {
    SCOPED_TRACE(text);
    std::vector<size_t> at;
    for (const auto& column : {flowtest::kLeftColumn, flowtest::kRightColumn})
      for (const std::string& line : column) at.push_back(position(text, line));
    for (size_t i = 0; i < at.size(); ++i) {
      ASSERT_NE(at[i], std::string::npos) << i;
      if (i > 0) {
        EXPECT_LT(at[i - 1], at[i]);
      }
    }
    EXPECT_LT(position(text, "Survey of the Northern Coast"), position(text, "amber harbour"));
    EXPECT_THAT(text, HasSubstr("hereas the beside initial line"));
    EXPECT_THAT(text, Not(HasSubstr("DIAGONAL")));
    EXPECT_THAT(text, Not(HasSubstr("SIDEWAYS")));
    // The second page starts a line of its own.
    EXPECT_THAT(text, HasSubstr("\nclosing remark on the second page"));
  }
}

// A page of a drawing alone gives no text, and still a document that a
// reader opens: one empty paragraph.
TEST(RtfTextEndToEnd, APageWithoutTextIsADocumentOfOneEmptyParagraph) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.addPage("1 0 0 rg 100 100 200 200 re f");
  const fs::path pdf = dir.file("drawing.pdf"), rtfFile = dir.file("drawing.rtf");
  b.write(pdf);
  const auto r = pdfconvert("rtf", pdf, rtfFile);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  expectSoundRtf(rtfFile);
  EXPECT_THAT(qvtest::readWhole(rtfFile), testing::EndsWith("}\n\\pard\\par\n}"));
  if (qvtest::runCommand("command -v abiword").exitCode != 0) GTEST_SKIP() << "AbiWord not installed";
  const fs::path read = dir.file("drawing.txt");
  const auto run = qvtest::runCommand("timeout 120 abiword --to=txt -o " + qvtest::shellQuote(read.string()) + " " +
                                      qvtest::shellQuote(rtfFile.string()));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(fs::exists(read));
}

TEST(RtfTextEndToEnd, AnOutputThatCannotBeWrittenIsAnErrorAndLeavesNoFile) {
  qvtest::TempDir dir;
  const fs::path pdf = flowtest::drawSample(dir);
  for (const std::string type : {"rtf", "txt"}) {
    const fs::path out = dir.path() / "missing-folder" / ("x." + type);
    const auto r = pdfconvert(type, pdf, out);
    EXPECT_NE(r.exitCode, 0) << r.output;
    EXPECT_FALSE(fs::exists(out));
  }
}
#endif

TEST(RtfTextEndToEnd, TextBeyondLatinAndHostileFontNamesSurviveBoth) {
  qvtest::TempDir dir;
  const fs::path pdf = buildUnicodeSample(dir);
  const fs::path rtfFile = dir.file("unicode.rtf"), textFile = dir.file("unicode.txt");
  qvtest::convertWithExporter<QVRTFPDFExporter>(pdf, rtfFile);
  qvtest::convertWithExporter<QVTextPDFExporter>(pdf, textFile);
  expectSoundRtf(rtfFile);
  expectSoundText(textFile);
  const std::string rtf = qvtest::readWhole(rtfFile);
  EXPECT_THAT(rtf, HasSubstr("A\\uc0\\u233 \\uc0\\u8364 \\uc0\\u-10916 \\uc0\\u-10179 \\uc0\\u-8704  AAA"));
  EXPECT_THAT(rtf, HasSubstr("\\fcharset0 X\\}\\{\\\\rtf1 \\\\par\\};"));
  // Blank lines stand for the space above the text and between the lines.
  for (const std::string& text : {qvtest::rtfBodyText(rtf), qvtest::readWhole(textFile)}) {
    EXPECT_THAT(text, testing::MatchesRegex("\n*" + kUnicodeLine + "\n+hostile font line")) << text;
  }
}

// Each character beyond ASCII is one escape; the blank after it is the
// text's own, so every reader keeps the words of Cyrillic, Greek and Arabic
// lines apart.
TEST(RtfTextEndToEnd, EveryReaderKeepsTheWordsOfNonLatinLinesApart) {
  if (qvtest::runCommand("command -v pandoc").exitCode != 0) GTEST_SKIP() << "pandoc not installed";
  const std::vector<std::u32string> lines = {
      U"\u043F\u0440\u0438\u0432\u0435\u0442 \u043C\u0438\u0440 \u0434\u043E\u043C \u0441\u0442\u043E\u043B",
      U"\u03BA\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1 \u03BA\u03CC\u03C3\u03BC\u03B5 "
      U"\u03C3\u03C0\u03AF\u03C4\u03B9 \u03AD\u03BD\u03B1",
      U"\u0633\u0644\u0627\u0645 \u0639\u0644\u064A\u0643\u0645 \u0643\u062A\u0627\u0628 \u0628\u064A\u062A"};
  std::u32string all;
  for (const auto& line : lines) all += line + U" ";
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  const auto font = qvtest::embedTrueTypeFont(b, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", all);
  std::string content;
  for (size_t i = 0; i < lines.size(); ++i) {
    // The Arabic line is drawn as a typesetter draws it: its first letter
    // rightmost.
    const std::u32string shown = i == 2 ? std::u32string(lines[i].rbegin(), lines[i].rend()) : lines[i];
    content += "BT /F1 14 Tf 72 " + std::to_string(700 - 40 * i) + " Td <" + font.hex(shown) + "> Tj ET ";
  }
  b.addPage(content, b.resources({{"Font", {{"F1", font.font}}}}));
  const fs::path pdf = dir.file("scripts.pdf"), rtf = dir.file("scripts.rtf");
  b.write(pdf);
  qvtest::convertWithExporter<QVRTFPDFExporter>(pdf, rtf);
  expectSoundRtf(rtf);
  const std::string words = platform::text::encodeUtf8(all);
  const auto expectAllWords = [&](const std::string& reader, const std::string& text) {
    const auto coverage = qvtest::wholeWordCoverage(words, text);
    EXPECT_EQ(coverage.found, 12) << reader << " read:\n" << text;
  };
  const auto pandoc = qvtest::runCommand("timeout 120 pandoc -f rtf -t plain " + qvtest::shellQuote(rtf.string()));
  ASSERT_EQ(pandoc.exitCode, 0) << pandoc.output;
  expectAllWords("pandoc", pandoc.output);
  if (qvtest::runCommand("command -v abiword").exitCode == 0) {
    const fs::path read = dir.file("abiword.txt");
    qvtest::runCommand("timeout 120 abiword --to=txt -o " + qvtest::shellQuote(read.string()) + " " +
                       qvtest::shellQuote(rtf.string()));
    expectAllWords("AbiWord", qvtest::readWhole(read));
  }
  if (qvtest::officeAvailable()) expectAllWords("LibreOffice", officeTexts({rtf}, dir.path())[rtf]);
}

TEST(RtfTextEndToEnd, LibreOfficeReadsTheWordsOfTheTextOutputFromTheRtf) {
  if (!qvtest::officeAvailable()) GTEST_SKIP() << "LibreOffice not installed";
  qvtest::TempDir dir;
  std::vector<fs::path> pdfs = {flowtest::drawSample(dir), buildUnicodeSample(dir)};
  for (const char* name : {"gofpdf-rotated-text.pdf", "gofpdf-tables.pdf", "paper2col-aps-revtex.pdf"})
    if (fs::exists(qvtest::corpusDir() / name)) pdfs.push_back(qvtest::corpusDir() / name);
  std::vector<fs::path> rtfs;
  std::map<fs::path, fs::path> texts;
  for (const fs::path& pdf : pdfs) {
    const fs::path rtf = dir.file(pdf.stem().string() + ".rtf");
    const fs::path text = dir.file(pdf.stem().string() + ".txt");
    qvtest::convertWithExporter<QVRTFPDFExporter>(pdf, rtf);
    qvtest::convertWithExporter<QVTextPDFExporter>(pdf, text);
    rtfs.push_back(rtf);
    texts[rtf] = text;
  }
  const auto read = officeTexts(rtfs, dir.path());
  for (const fs::path& rtf : rtfs) {
    SCOPED_TRACE(rtf.string());
    ASSERT_EQ(read.count(rtf), 1u) << "LibreOffice did not read it";
    EXPECT_EQ(qvtest::foldedWords(read.at(rtf)), qvtest::foldedWords(qvtest::readWhole(texts[rtf])));
  }
  EXPECT_THAT(read.at(dir.file("unicode.rtf")), HasSubstr(kUnicodeLine));
}

TEST(RtfTextEndToEnd, HugeGapsWriteBoundedBlanksAndBlankLines) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  // A font so small that the gaps between the words are billions of its
  // spaces and lines; a word turned a quarter whose next piece stands far
  // along its line.
  b.addPage(
      "BT /F1 0.000001 Tf 72 700 Td (a) Tj ET BT /F1 0.000001 Tf 500 700 Td (b) Tj ET "
      "BT /F1 0.000001 Tf 72 100 Td (c) Tj ET "
      "BT /F1 0.000001 Tf 0 1 -1 0 300 100 Tm (v) Tj 0 1 -1 0 300 700 Tm (w) Tj ET",
      b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  const fs::path pdf = dir.file("tiny.pdf");
  b.write(pdf);
  const fs::path rtfFile = dir.file("tiny.rtf"), textFile = dir.file("tiny.txt");
  qvtest::convertWithExporter<QVRTFPDFExporter>(pdf, rtfFile);
  qvtest::convertWithExporter<QVTextPDFExporter>(pdf, textFile);
  expectSoundRtf(rtfFile);
  expectSoundText(textFile);
  EXPECT_LT(fs::file_size(rtfFile), 64u * 1024u);
  EXPECT_LT(fs::file_size(textFile), 1024u);
  const std::string text = qvtest::readWhole(textFile);
  EXPECT_EQ(qvtest::foldedWords(text), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(RtfTextEndToEnd, CancelledOrFailedConversionsLeaveNoOutputAndNoWorkFiles) {
  qvtest::TempDir dir;
  const fs::path pdf = flowtest::drawSample(dir);
  auto document = platform::PdfDocument::open(pdf.string(), "");
  ASSERT_TRUE(document);
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  const auto entries = [](const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const fs::path kept = dir.file("kept.txt");
  platform::fs::writeFile(kept.string(), "earlier text");
  {
    // A cancelled text conversion: what stood under the name stays as it was.
    QVTextPDFExporter exporter;
    exporter.setNumberOfPagesToConvert(2);
    exporter.begainConvertPDF(kept.string());
    EXPECT_TRUE(exporter.convertPDFPage(*document->page(1)));
    exporter.cleanConvertPDF();
    EXPECT_EQ(qvtest::readWhole(kept), "earlier text");
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"kept.txt", "sample.pdf"}));
  }
  {
    // The output's folder disappears before the text file is complete.
    const fs::path folder = dir.path() / "gone";
    fs::create_directory(folder);
    QVTextPDFExporter exporter;
    exporter.setNumberOfPagesToConvert(1);
    exporter.begainConvertPDF((folder / "gone.txt").string());
    EXPECT_TRUE(exporter.convertPDFPage(*document->page(1)));
    fs::remove_all(folder);
    EXPECT_ANY_THROW(exporter.endConvertPDF(*document));
    EXPECT_FALSE(fs::exists(folder / "gone.txt"));
  }
  {
    const fs::path out = dir.file("cancelled.rtf");
    QVRTFPDFExporter exporter;
    exporter.setNumberOfPagesToConvert(2);
    exporter.begainConvertPDF(out.string());
    EXPECT_EQ(entries(work.path()).size(), 1u);
    EXPECT_TRUE(exporter.convertPDFPage(*document->page(1)));
    exporter.cleanConvertPDF();
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(entries(work.path()).empty());
  }
  {
    // The body file disappears before the document is written.
    const fs::path out = dir.file("failed.rtf");
    QVRTFPDFExporter exporter;
    exporter.setNumberOfPagesToConvert(1);
    exporter.begainConvertPDF(out.string());
    EXPECT_TRUE(exporter.convertPDFPage(*document->page(1)));
    for (const auto& entry : fs::recursive_directory_iterator(work.path()))
      if (entry.path().filename() == "content.rtf") fs::remove(entry.path());
    EXPECT_ANY_THROW(exporter.endConvertPDF(*document));
    EXPECT_FALSE(fs::exists(out));
  }
  {
    for (const std::string name : {"done.rtf", "done.txt"}) {
      const fs::path out = dir.file(name);
      std::unique_ptr<QVFlowTextPDFExporter> exporter;
      if (name.ends_with(".rtf"))
        exporter = std::make_unique<QVRTFPDFExporter>();
      else
        exporter = std::make_unique<QVTextPDFExporter>();
      exporter->setNumberOfPagesToConvert(1);
      exporter->begainConvertPDF(out.string());
      EXPECT_TRUE(exporter->convertPDFPage(*document->page(2)));
      exporter->endConvertPDF(*document);
      EXPECT_TRUE(fs::exists(out));
      EXPECT_TRUE(entries(work.path()).empty());
    }
  }
  EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"done.rtf", "done.txt", "kept.txt", "sample.pdf"}));
}

// ---------------------------------------------------------------------------
// The corpus

TEST(RtfTextEndToEnd, CorpusPdfsConvertToBothAndKeepTheirWords) {
  if (qvtest::corpusFiles().empty()) GTEST_SKIP() << qvtest::noCorpus();
  qvtest::TempDir dir;
  const std::vector<fs::path> files = qvtest::corpusFilesWithStandIns(dir.file("made"));
  for (const fs::path& pdf : files) {
    SCOPED_TRACE(pdf.string());
    if (const std::string why = qvtest::corpusFileUnreadable(pdf); !why.empty()) {
      ADD_FAILURE() << why;
      continue;
    }
    const std::string password = qvtest::corpusPassword(pdf);
    const fs::path rtfFile = dir.file(pdf.stem().string() + ".rtf");
    const fs::path textFile = dir.file(pdf.stem().string() + ".txt");
    int pages = 0;
    EXPECT_NO_THROW(pages = qvtest::convertWithExporter<QVRTFPDFExporter>(pdf, rtfFile, password));
    EXPECT_GT(pages, 0);
    EXPECT_NO_THROW(pages = qvtest::convertWithExporter<QVTextPDFExporter>(pdf, textFile, password));
    EXPECT_GT(pages, 0);
    if (!fs::exists(rtfFile) || !fs::exists(textFile)) continue;
    expectSoundRtf(rtfFile);
    expectSoundText(textFile);
    if (!flowtest::pdftotextAvailable()) continue;
    const flowtest::TextException* exception = flowtest::textException(pdf);
    const std::string reference = qvtest::pdftotextPage(pdf, exception ? exception->onlyPage : 0, password);
    const double least = exception ? exception->coverage : flowtest::kCoverage;
    for (const std::string& text : {qvtest::rtfBodyText(qvtest::readWhole(rtfFile)), qvtest::readWhole(textFile)}) {
      const auto c = qvtest::wordCoverage(reference, text);
      std::string missing;
      for (size_t i = 0; i < c.missing.size() && i < 8; ++i) missing += " " + c.missing[i];
      EXPECT_GE(c.fraction(), least) << c.found << " of " << c.total << " words; missing e.g." << missing;
    }
  }
}

TEST(RtfTextEndToEnd, RotatedTextOfTheCorpusIsLeftOutOfBoth) {
  const fs::path pdf = qvtest::corpusDir() / "gofpdf-rotated-text.pdf";
  if (!fs::exists(pdf)) GTEST_SKIP() << qvtest::missingCorpusFile(pdf);
  qvtest::TempDir dir;
  const fs::path rtfFile = dir.file("rotated.rtf"), textFile = dir.file("rotated.txt");
  qvtest::convertWithExporter<QVRTFPDFExporter>(pdf, rtfFile);
  qvtest::convertWithExporter<QVTextPDFExporter>(pdf, textFile);
  // The upright paragraphs are all there is: the turned letters between them
  // are left out.
  std::set<std::string> allowed;
  for (const std::string& w : qvtest::foldedWords(
           "Lorem ipsum dolor sit amet, consectetur adipisicing elit, sed do eiusmod tempor incididunt ut labore et "
           "dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ullamco laboris nisi ut aliquip "
           "ex ea commodo consequat. Duis aute irure dolor in reprehenderit in voluptate velit esse cillum dolore eu "
           "fugiat nulla pariatur. Excepteur sint occaecat cupidatat non proident, sunt in culpa qui officia deserunt "
           "mollit anim id est laborum."))
    allowed.insert(w);
  for (const std::string& text : {qvtest::rtfBodyText(qvtest::readWhole(rtfFile)), qvtest::readWhole(textFile)}) {
    const std::vector<std::string> words = qvtest::foldedWords(text);
    EXPECT_GT(words.size(), 100u);
    for (const std::string& w : words) EXPECT_EQ(allowed.count(w), 1u) << w;
  }
}

// PDF to presentation end to end, as a user sees the result: PDFs made here
// and the real PDFs of the corpus are converted; every package passes the
// package checker, LibreOffice opens it and prints as many pages as the PDF
// has, and each slide holds the words pdftotext reads on its page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "platform/text/text.h"
#include "tests/pptx/e2e_support.h"
#include "tests/pptx/exporter_fixtures.h"
#include "tests/support/corpus_stand_ins.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"

namespace {

namespace fs = std::filesystem;

struct Document {
  fs::path pdf;
  std::string password;
  fs::path pptx;
  int pages = 0;
};

bool toolsAvailable() {
  return qvtest::officeAvailable() && std::system("command -v pdftotext > /dev/null 2>&1") == 0;
}

// Files whose words pdftotext reads in a way no slide can show, with why:
// the share of its words a slide must hold anywhere in its text, and as
// whole words.
struct TextException {
  const char* file;
  double anywhere;
  double whole;
  const char* reason;
};
constexpr TextException kTextExceptions[] = {
    {"gofpdf-transparency.pdf", 0.80, 0.80,
     "pdftotext joins the 150-point letters of a 4 x 4 grid, each shown by its own string at its own place, "
     "into four words \"AAAA\"; the slide keeps each letter where the page shows it"},
    {"cjk-ja-ptex-manual.pdf", 0.95, 0.85,
     "Japanese runs without blanks: pdftotext's words end where its lines end, which are not the slide's"},
    {"cjk-zh-vertical.pdf", 0.95, 0.2,
     "Chinese runs without blanks, and the second page is set vertically: pdftotext's words are its "
     "columns, which the slide does not break where pdftotext does"},
};

constexpr TextException kMadeTextException = {
    "made-text.pdf", 0.95, 0.8,
    "pdftotext breaks the line turned by 30 degrees into pieces of words (\"Tu\", \"rn\", \"ed\"); the slide "
    "keeps the line whole"};

constexpr double kAnywhere = 0.95;
constexpr double kWhole = 0.9;

const TextException* textException(const fs::path& pdf) {
  for (const TextException& e : kTextExceptions)
    if (pdf.filename() == e.file) return &e;
  if (pdf.filename() == kMadeTextException.file) return &kMadeTextException;
  return nullptr;
}

// Converts, checks the packages, prints them with one LibreOffice run and
// compares their text with pdftotext's.
void checkEndToEnd(std::vector<Document>& documents, const fs::path& work) {
  std::vector<fs::path> packages;
  for (Document& d : documents) {
    SCOPED_TRACE(d.pdf.string());
    d.pptx = work / (d.pdf.stem().string() + ".pptx");
    EXPECT_NO_THROW(d.pages = pptxe2e::convertToPptx(d.pdf, d.pptx, d.password));
    if (!fs::exists(d.pptx)) continue;
    EXPECT_THAT(qvtest::checkPresentationPackage(d.pptx), testing::IsEmpty());
    packages.push_back(d.pptx);
  }

  const auto printed = pptxe2e::officeConvertAllToPdf(packages, work / "office");
  for (const Document& d : documents) {
    if (!fs::exists(d.pptx)) continue;
    SCOPED_TRACE(d.pdf.string());
    auto pdf = printed.find(d.pptx);
    ASSERT_NE(pdf, printed.end()) << "LibreOffice did not open the presentation";
    EXPECT_EQ(qvtest::pdfPageCount(pdf->second), d.pages);

    const std::vector<std::string> texts = pptxe2e::slideTexts(d.pptx);
    ASSERT_EQ(static_cast<int>(texts.size()), d.pages);
    pptxe2e::WordCoverage anywhere, whole;
    std::string missing, notWhole;
    for (int page = 1; page <= d.pages; ++page) {
      const std::string reference = pptxe2e::pdftotextPage(d.pdf, page, d.password);
      const auto a = pptxe2e::wordCoverage(reference, texts[page - 1]);
      const auto w = pptxe2e::wholeWordCoverage(reference, texts[page - 1]);
      anywhere.found += a.found;
      anywhere.total += a.total;
      whole.found += w.found;
      whole.total += w.total;
      for (size_t i = 0; i < a.missing.size() && i < 5; ++i)
        missing += " p" + std::to_string(page) + ":" + a.missing[i];
      for (size_t i = 0; i < w.missing.size() && i < 3; ++i)
        notWhole += " p" + std::to_string(page) + ":" + w.missing[i];
    }
    const TextException* exception = textException(d.pdf);
    EXPECT_GE(anywhere.fraction(), exception ? exception->anywhere : kAnywhere)
        << anywhere.found << " of " << anywhere.total << " words; missing e.g." << missing;
    EXPECT_GE(whole.fraction(), exception ? exception->whole : kWhole)
        << whole.found << " of " << whole.total << " whole words; missing e.g." << notWhole;
  }
}

// A few pages of the kinds of content the exporter handles, made here.
std::vector<Document> madeDocuments(const qvtest::TempDir& dir) {
  std::vector<Document> out;
  out.push_back({fs::path(QV_SOURCE_DIR) / "resources" / "sample" / "sample.pdf"});

  {
    qvtest::PdfBuilder b;
    auto resources = b.resources({{"Font",
                                   {{"F1", b.standardFont("Helvetica")},
                                    {"F2", b.standardFont("Times-Roman")},
                                    {"F3", b.standardFont("Courier")}}}});
    b.addPage("BT /F1 18 Tf 72 720 Td (Quarterly figures for the harbour) Tj ET "
              "BT /F2 11 Tf 72 690 Td 14 TL (Tides were higher than last year, and the) Tj "
              "T* (eastern wall needed new stones twice.) Tj T* [(Justified) -250 (words) -250 (stay) -250 "
              "(apart.)] TJ ET "
              "BT /F3 10 Tf 72 600 Td (Month   Height   Notes) Tj 0 -12 Td (March   41       calm) Tj ET "
              "BT /F1 12 Tf 0.866 0.5 -0.5 0.866 300 300 Tm (Turned thirty degrees) Tj ET "
              "BT /F1 12 Tf 0 1 -1 0 550 200 Tm (Rising along the edge) Tj ET",
              resources);
    b.addPage("BT /F2 12 Tf 72 700 Td (A second page with one line.) Tj ET", resources);
    for (int rotate : {90, 180, 270}) {
      auto page = b.addPage("BT /F1 14 Tf 72 700 Td (Page turned by " + std::to_string(rotate) +
                                " degrees) Tj ET 0 0 1 RG 4 w 72 650 m 300 650 l S",
                            resources);
      page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
    }
    Document d{dir.file("made-text.pdf")};
    b.write(d.pdf);
    out.push_back(d);
  }
  {
    qvtest::PdfBuilder b;
    auto image = pptxfix::rgbImage(b, 16, 16, [](int x, int y) -> uint32_t {
      return ((x / 4 + y / 4) % 2) ? 0x2060C0u : 0xF0D040u;
    });
    auto resources = b.resources(
        {{"Font", {{"F1", b.standardFont("Helvetica")}}}, {"XObject", {{"Im1", image}}}});
    std::string star = "0.8 0.1 0.1 rg 0 0 0.5 RG 3 w ";
    for (int i = 0; i < 40; ++i) {
      const double a = std::numbers::pi * i / 20, r = i % 2 ? 40 : 100;
      star += platform::text::formatShortest(400 + r * std::cos(a)) + " " +
              platform::text::formatShortest(300 + r * std::sin(a)) + (i == 0 ? " m " : " l ");
    }
    b.addPage("BT /F1 16 Tf 72 720 Td (Shapes and pictures) Tj ET " + star +
                  "h B q 72 400 200 150 re W n 60 0 0 60 72 380 cm /Im1 Do Q "
                  "q 300 500 m 500 500 l 400 650 l h W* n 200 0 0 200 300 480 cm /Im1 Do Q "
                  "BT /F1 10 Tf 72 100 Td (Figure 1: a star, a checked picture cut by two clips.) Tj ET",
              resources);
    Document d{dir.file("made-shapes.pdf")};
    b.write(d.pdf);
    out.push_back(d);
  }
  return out;
}

TEST(PptxEndToEnd, PdfsMadeHereConvertOpenInOfficeAndKeepTheirWords) {
  if (!toolsAvailable()) GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  qvtest::TempDir dir;
  std::vector<Document> documents = madeDocuments(dir);
  checkEndToEnd(documents, dir.path());
}

TEST(PptxEndToEnd, CorpusPdfsConvertOpenInOfficeAndKeepTheirWords) {
  if (!toolsAvailable()) GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
  if (qvtest::corpusFiles().empty()) GTEST_SKIP() << qvtest::noCorpus();
  qvtest::TempDir dir;
  std::vector<Document> documents;
  for (const fs::path& f : qvtest::corpusFilesWithStandIns(dir.file("made"))) {
    if (const std::string why = qvtest::corpusFileUnreadable(f); !why.empty()) ADD_FAILURE() << why;
    else documents.push_back({f, qvtest::corpusPassword(f)});
  }
  checkEndToEnd(documents, dir.path());
}

}  // namespace

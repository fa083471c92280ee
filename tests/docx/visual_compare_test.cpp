// The Word documents look like the pages: each page is rendered as it is
// (pdftoppm) and as LibreOffice prints the document made from it, at the
// same size, and the two pictures must hold their ink in the same places.
// The pages are the floating objects page, upright and turned, and corpus
// files chosen for their pictures and shapes. Measured with this build: the
// floating objects page 0.95, the tiger 0.99, the reference card 0.61 and
// the transparency page 0.65 (where the flowing text of large or scattered
// letters and LibreOffice's opaque pictures differ). Scans made searchable
// show their picture alone, 0.97 (0.85 when the text layer was drawn too),
// and the page of rendering modes shows nothing of its invisible line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/text/text.h"
#include "tests/docx/docx_test_support.h"
#include "tests/support/corpus_stand_ins.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/support/text_coverage.h"

namespace {

namespace fs = std::filesystem;

struct Case {
  std::string name;
  double minimum;  // similarity the document's first page must reach
  fs::path pdf;
  fs::path docx;
  // Share of the page's words the print must read, when it is checked.
  double words = 0;
  // A band of the page (fractions of its height from the top) where only
  // text drawn without ink lies, so that the print shows nothing there.
  double blankTop = 0;
  double blankBottom = 0;
  std::string keptPicture;  // bytes a media part must hold as they are
};

constexpr int kDpi = 40;
// Cells of 4 pixels (7.2 points): a line of text is compared by where it
// lies, not by the shapes of its glyphs, which another font draws otherwise.
constexpr int kCell = 4;

fs::path corpusFile(const std::string& name) {
  for (const fs::path& f : qvtest::corpusFiles())
    if (f.filename() == name) return f;
  return {};
}

TEST(DocxVisual, DocumentsLookLikeTheirPages) {
  if (!qvtest::officeAvailable() || std::system("command -v pdftoppm > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "LibreOffice or pdftoppm is not installed";
  qvtest::TempDir dir;
  std::vector<Case> cases;
  for (const bool turned : {false, true}) {
    const std::string name = turned ? "marks-rotate-90" : "marks";
    const fs::path pdf = dir.file(name + ".pdf");
    docxtest::writeFloatingObjectsPdf(pdf, turned);
    cases.push_back({name, 0.85, pdf, dir.file(name + ".docx")});
  }
  for (const Case& corpus : std::vector<Case>{{"gs-tiger-vector.pdf", 0.97},
                                              {"refcard-en.pdf", 0.5},
                                              {"gofpdf-transparency.pdf", 0.55},
                                              {"gofpdf-text-render-modes.pdf", 0.5, {}, {}, 1.0, 0.58, 0.72}}) {
    const fs::path pdf = corpusFile(corpus.name);
    if (pdf.empty()) continue;
    Case c = corpus;
    c.pdf = pdf;
    c.docx = dir.file(pdf.stem().string() + ".docx");
    cases.push_back(std::move(c));
  }
  for (const bool glyphless : {false, true}) {
    const std::string name = glyphless ? "ocr-glyphless" : "ocr";
    const fs::path pdf = dir.file(name + ".pdf");
    qvtest::writeSearchableScan(pdf, dir.path() / (name + "-work"), glyphless);
    cases.push_back({name, 0.9, pdf, dir.file(name + ".docx"), 1.0});
  }
  cases.push_back({"huge-image-mask", 0.8, dir.file("huge-image-mask.pdf"), dir.file("huge-image-mask.docx")});
  qvtest::writeHugeImageMaskPdf(cases.back().pdf);
  cases.push_back({"jpeg-drawn-33-times", 0.9, dir.file("jpeg.pdf"), dir.file("jpeg.docx")});
  qvtest::writeRepeatedJpegPdf(cases.back().pdf, &cases.back().keptPicture);

  std::vector<fs::path> documents;
  for (const Case& c : cases) {
    ASSERT_GE(docxtest::convertToDocx(c.pdf, c.docx), 1) << c.name;
    documents.push_back(c.docx);
    // A picture the document holds already is not stored again; a JPEG
    // drawn whole goes in as it is.
    const qvtest::ZipPackage package(c.docx);
    std::map<std::string, std::string> partOfBytes;
    for (const std::string& name : package.entries())
      if (name.starts_with("word/media/")) {
        const auto [same, fresh] = partOfBytes.emplace(package.data(name), name);
        EXPECT_TRUE(fresh) << c.name << ": " << name << " holds the bytes of " << same->second;
      }
    if (!c.keptPicture.empty()) EXPECT_TRUE(partOfBytes.count(c.keptPicture)) << c.name;
  }
  const auto printed = qvtest::officeConvertAllToPdf(documents, dir.path() / "office");

  std::vector<qvtest::GrayImage> pages, documentPages;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto pdf = printed.find(c.docx);
    ASSERT_NE(pdf, printed.end()) << "LibreOffice did not print the document";
    auto page = qvtest::renderPdfPage(c.pdf, 1, kDpi);
    auto document = qvtest::renderPdfPage(pdf->second, 1, kDpi);
    ASSERT_TRUE(page && document);
    EXPECT_NEAR(document->width, page->width, 1);
    EXPECT_NEAR(document->height, page->height, 1);
    const double similarity = qvtest::inkSimilarity(*page, *document, kCell);
    EXPECT_GE(similarity, c.minimum);
    RecordProperty(c.name, platform::text::formatFixed(similarity, 3));
    if (c.words > 0)
      EXPECT_GE(qvtest::wholeWordCoverage(qvtest::pdftotextPage(c.pdf, 1), qvtest::pdftotextPage(pdf->second, 1))
                    .fraction(),
                c.words);
    if (c.blankBottom > c.blankTop) EXPECT_EQ(document->inkIn(0, c.blankTop, 1, c.blankBottom, 200), 0);
    pages.push_back(std::move(*page));
    documentPages.push_back(std::move(*document));
  }
  // The measure tells pages apart: the tiger is not the floating objects page.
  if (pages.size() >= 3 && cases[2].name == "gs-tiger-vector.pdf") {
    EXPECT_LT(qvtest::inkSimilarity(pages[0], documentPages[2], kCell), 0.4);
  }
}

}  // namespace

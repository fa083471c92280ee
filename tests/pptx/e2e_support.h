#pragma once
// Helpers of the presentation exporter's tests: convert a PDF as the
// converter drives the exporter, read slides back, run LibreOffice over many
// packages at once, and compare text and page images.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/package_checker.h"
#include "tests/support/text_coverage.h"

namespace pptxe2e {

namespace fs = std::filesystem;

// The text helpers every end-to-end test shares.
using qvtest::foldForComparison;
using qvtest::officeConvertAllToPdf;
using qvtest::pdftotextPage;
using qvtest::wholeWordCoverage;
using qvtest::WordCoverage;
using qvtest::wordCoverage;

// Converts every page of the PDF into the presentation at `output` through
// QVPPTXPDFExporter, inside a private work folder, as the converter does.
// Answers the number of pages converted; throws what the exporter throws.
int convertToPptx(const fs::path& pdf, const fs::path& output, const std::string& password = {});

// The slide parts of a presentation in slide order, parsed.
std::vector<std::unique_ptr<qvtest::XmlElement>> slides(const fs::path& pptx);
// The shapes of a slide's shape tree (p:sp and p:pic), in drawing order.
std::vector<const qvtest::XmlElement*> shapes(const qvtest::XmlElement& slide);
// The text of each slide: its paragraphs in shape order, one per line.
std::vector<std::string> slideTexts(const fs::path& pptx);
// The text of one text body or slide element.
std::string textOf(const qvtest::XmlElement& element);

// The input filter variant: LibreOffice's own import of PDFs into Impress,
// saved as presentations (for the benchmark and comparisons).
bool officeImportPdfsAsPptx(const std::vector<fs::path>& pdfs, const fs::path& outputFolder, int timeoutSeconds);

// A page image in gray, 0 black .. 255 white.
struct PageImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};
std::optional<PageImage> renderPage(const fs::path& pdf, int page, int dpi, const std::string& password = {});

// Similarity of two page images of the same page size: both are reduced to
// cells of `cell` pixels (their mean ink), and the result is 1 minus the ink
// that differs over the ink both hold (1 identical, 0 nothing in common).
// Pages of different pixel sizes are compared over their common part.
double inkSimilarity(const PageImage& a, const PageImage& b, int cell);

// The image scaled to fit a frame of the given pixel size, centred with its
// proportions kept and white around it: where a slide of another size than
// its page shows the page.
PageImage fitIntoFrame(const PageImage& image, int width, int height);
// How much a page looks like the print of its slide: inkSimilarity, with the
// page fitted into the slide's frame when their sizes differ.
double pageLikeness(const PageImage& page, const PageImage& slide, int cell);

// The likeness of each page of the PDF to the print of its slide (0 for a
// page whose slide was not printed).
std::vector<double> pageLikenesses(const fs::path& pdf, const std::string& password, const fs::path& printedDeck,
                                   int dpi = 40, int cell = 4);

// The slide's whole words against the reference's (both folded, a hyphen at a
// line end joining, each word used once).
struct WordScore {
  int64_t matched = 0;
  int64_t referenceWords = 0;
  int64_t slideWords = 0;

  WordScore& operator+=(const WordScore& o) {
    matched += o.matched, referenceWords += o.referenceWords, slideWords += o.slideWords;
    return *this;
  }
  // Both empty counts as a perfect match.
  double f1() const {
    const int64_t all = referenceWords + slideWords;
    return all == 0 ? 1.0 : 2.0 * static_cast<double>(matched) / static_cast<double>(all);
  }
};
WordScore wordScore(const std::string& reference, const std::string& slideText);

// One deck against its PDF: the word F1 over all pages, and the mean page
// likeness (LibreOffice's print of the deck against the pages at `dpi`; a page
// without a printed slide counts 0).
struct DeckScore {
  double wordF1 = 0;
  double visual = 0;
};
DeckScore scoreDeck(const fs::path& pdf, const std::string& password, const fs::path& deck,
                    const fs::path& printedDeck, int dpi = 40, int cell = 4);

}  // namespace pptxe2e

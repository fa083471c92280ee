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

// Page images in gray, 0 black .. 255 white, and their similarity.
using PageImage = qvtest::GrayImage;
inline std::optional<PageImage> renderPage(const fs::path& pdf, int page, int dpi) {
  return qvtest::renderPdfPage(pdf, page, dpi);
}
using qvtest::inkSimilarity;

}  // namespace pptxe2e

#include "tests/pptx/e2e_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "convert/QVPDFExporter.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/text/text.h"
#include "pptx/QVPPTXPDFExporter.h"
#include "tests/support/exporter_run.h"
#include "tests/support/fixtures.h"

namespace pptxe2e {

namespace {

using qvtest::joinHyphenatedLines;
using qvtest::readWhole;
using qvtest::shellQuote;
using qvtest::splitWords;

void collectText(const qvtest::XmlElement& e, std::string& out) {
  if (e.local == "t") out += e.text;
  for (const auto& child : e.children) collectText(*child, out);
}

}  // namespace

int convertToPptx(const fs::path& pdf, const fs::path& output, const std::string& password) {
  return qvtest::convertWithExporter<QVPPTXPDFExporter>(pdf, output, password);
}

std::vector<std::unique_ptr<qvtest::XmlElement>> slides(const fs::path& pptx) {
  qvtest::ZipPackage package(pptx);
  std::vector<std::unique_ptr<qvtest::XmlElement>> out;
  for (int n = 1;; ++n) {
    const std::string name = "ppt/slides/slide" + std::to_string(n) + ".xml";
    if (!package.contains(name)) break;
    auto tree = qvtest::parseXml(package.data(name));
    if (!tree) throw std::runtime_error(name + " is not well formed");
    out.push_back(std::move(tree));
  }
  return out;
}

std::vector<const qvtest::XmlElement*> shapes(const qvtest::XmlElement& slide) {
  std::vector<const qvtest::XmlElement*> out;
  slide.visit([&](const qvtest::XmlElement& e) {
    if (e.local == "spTree")
      for (const auto& child : e.children)
        if (child->local == "sp" || child->local == "pic") out.push_back(child.get());
  });
  return out;
}

std::string textOf(const qvtest::XmlElement& element) {
  std::string out;
  bool first = true;
  element.visit([&](const qvtest::XmlElement& e) {
    if (e.local != "p" || e.uri != "http://schemas.openxmlformats.org/drawingml/2006/main") return;
    if (!first) out += '\n';
    first = false;
    collectText(e, out);
  });
  return out;
}

std::vector<std::string> slideTexts(const fs::path& pptx) {
  std::vector<std::string> out;
  for (const auto& slide : slides(pptx)) out.push_back(textOf(*slide));
  return out;
}

bool officeImportPdfsAsPptx(const std::vector<fs::path>& pdfs, const fs::path& outputFolder, int timeoutSeconds) {
  qvtest::TempDir profile;
  fs::create_directories(outputFolder);
  std::string command = "timeout " + std::to_string(timeoutSeconds) +
                        " soffice -env:UserInstallation=file://" + profile.path().string() +
                        " --headless --norestore --infilter=impress_pdf_import --convert-to pptx --outdir " +
                        shellQuote(outputFolder.string());
  for (const fs::path& p : pdfs) command += " " + shellQuote(p.string());
  command += " > " + shellQuote((outputFolder / "soffice.log").string()) + " 2>&1";
  return std::system(command.c_str()) == 0;
}

std::optional<PageImage> renderPage(const fs::path& pdf, int page, int dpi, const std::string& password) {
  auto gray = qvtest::renderPdfPage(pdf, page, dpi, password);
  if (!gray) return std::nullopt;
  PageImage image;
  image.width = gray->width;
  image.height = gray->height;
  image.pixels = std::move(gray->pixels);
  return image;
}

double inkSimilarity(const PageImage& a, const PageImage& b, int cell) {
  const int width = std::min(a.width, b.width), height = std::min(a.height, b.height);
  if (width <= 0 || height <= 0 || cell <= 0) return 0;
  double differing = 0, held = 0;
  for (int cy = 0; cy < height; cy += cell) {
    for (int cx = 0; cx < width; cx += cell) {
      double inkA = 0, inkB = 0;
      const int y1 = std::min(height, cy + cell), x1 = std::min(width, cx + cell);
      for (int y = cy; y < y1; ++y) {
        for (int x = cx; x < x1; ++x) {
          inkA += 255 - a.pixels[static_cast<size_t>(y) * a.width + x];
          inkB += 255 - b.pixels[static_cast<size_t>(y) * b.width + x];
        }
      }
      differing += std::abs(inkA - inkB);
      held += inkA + inkB;
    }
  }
  if (held == 0) return 1.0;
  return 1.0 - differing / held;
}

PageImage fitIntoFrame(const PageImage& image, int width, int height) {
  PageImage out;
  out.width = std::max(width, 0);
  out.height = std::max(height, 0);
  out.pixels.assign(static_cast<size_t>(out.width) * out.height, 255);
  if (image.width <= 0 || image.height <= 0 || out.pixels.empty()) return out;
  const double scale = std::min(static_cast<double>(width) / image.width, static_cast<double>(height) / image.height);
  const double offsetX = (width - image.width * scale) / 2, offsetY = (height - image.height * scale) / 2;
  // Each frame pixel takes the mean of the image pixels it covers.
  for (int y = 0; y < height; ++y) {
    const double y0 = (y - offsetY) / scale, y1 = (y + 1 - offsetY) / scale;
    if (y1 <= 0 || y0 >= image.height) continue;
    for (int x = 0; x < width; ++x) {
      const double x0 = (x - offsetX) / scale, x1 = (x + 1 - offsetX) / scale;
      if (x1 <= 0 || x0 >= image.width) continue;
      const int sy0 = std::clamp(static_cast<int>(y0), 0, image.height - 1);
      const int sy1 = std::clamp(static_cast<int>(std::ceil(y1)) - 1, sy0, image.height - 1);
      const int sx0 = std::clamp(static_cast<int>(x0), 0, image.width - 1);
      const int sx1 = std::clamp(static_cast<int>(std::ceil(x1)) - 1, sx0, image.width - 1);
      int64_t sum = 0, count = 0;
      for (int sy = sy0; sy <= sy1; ++sy)
        for (int sx = sx0; sx <= sx1; ++sx, ++count) sum += image.pixels[static_cast<size_t>(sy) * image.width + sx];
      out.pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(sum / std::max<int64_t>(count, 1));
    }
  }
  return out;
}

double pageLikeness(const PageImage& page, const PageImage& slide, int cell) {
  if (std::abs(page.width - slide.width) <= 1 && std::abs(page.height - slide.height) <= 1)
    return inkSimilarity(page, slide, cell);
  return inkSimilarity(fitIntoFrame(page, slide.width, slide.height), slide, cell);
}

WordScore wordScore(const std::string& reference, const std::string& slideText) {
  std::map<std::u32string, int64_t> available;
  WordScore score;
  for (const std::u32string& w :
       qvtest::splitWords(qvtest::joinHyphenatedLines(platform::text::decodeUtf8(foldForComparison(slideText))))) {
    ++available[w];
    ++score.slideWords;
  }
  for (const std::u32string& w : qvtest::splitWords(platform::text::decodeUtf8(foldForComparison(reference)))) {
    ++score.referenceWords;
    auto it = available.find(w);
    if (it != available.end() && it->second > 0) {
      --it->second;
      ++score.matched;
    }
  }
  return score;
}

std::vector<double> pageLikenesses(const fs::path& pdf, const std::string& password, const fs::path& printedDeck,
                                   int dpi, int cell) {
  auto document = platform::PdfDocument::open(pdf.string(), password);
  const int pages = document && document->isUnlocked() ? document->pageCount() : 0;
  std::vector<double> out(static_cast<size_t>(std::max(pages, 0)), 0.0);
  if (printedDeck.empty()) return out;
  for (int page = 1; page <= pages; ++page) {
    auto original = renderPage(pdf, page, dpi, password);
    auto slide = renderPage(printedDeck, page, dpi);
    if (original && slide) out[static_cast<size_t>(page - 1)] = pageLikeness(*original, *slide, cell);
  }
  return out;
}

DeckScore scoreDeck(const fs::path& pdf, const std::string& password, const fs::path& deck,
                    const fs::path& printedDeck, int dpi, int cell) {
  DeckScore out;
  const std::vector<double> likenesses = pageLikenesses(pdf, password, printedDeck, dpi, cell);
  if (likenesses.empty()) return out;
  std::vector<std::string> texts;
  try {
    texts = slideTexts(deck);
  } catch (const std::exception&) {
  }
  WordScore words;
  double likeness = 0;
  for (size_t page = 1; page <= likenesses.size(); ++page) {
    const std::string slideText = page <= texts.size() ? texts[page - 1] : std::string();
    words += wordScore(pdftotextPage(pdf, static_cast<int>(page), password), slideText);
    likeness += likenesses[page - 1];
  }
  out.wordF1 = words.f1();
  out.visual = likeness / static_cast<double>(likenesses.size());
  return out;
}

}  // namespace pptxe2e

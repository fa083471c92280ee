#include "tests/pptx/e2e_support.h"

#include <algorithm>
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

std::optional<PageImage> renderPage(const fs::path& pdf, int page, int dpi) {
  auto gray = qvtest::renderPdfPage(pdf, page, dpi);
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

}  // namespace pptxe2e

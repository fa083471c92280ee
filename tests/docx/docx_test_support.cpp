#include "tests/docx/docx_test_support.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "convert/QVPDF_CTMInfo.h"
#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxPDFExporter.h"
#include "docx/QVDocxUtilities.h"
#include "platform/fs/files.h"
#include "platform/image/bitmap.h"
#include "platform/image/codecs.h"
#include "platform/pdf/document.h"
#include "tests/support/exporter_run.h"
#include "tests/support/fixtures.h"

namespace docxtest {

std::string markup(const std::function<void(XMLFileWriter&)>& body) {
  qvtest::TempDir dir;
  const fs::path file = dir.file("part.xml");
  {
    XMLFileWriter w(file.string());
    w.setPrefix("w", kW);
    w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    w.writeStartElementWithNamespace(kW, "root");
    body(w);
    w.writeEndDocument();
  }
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::unique_ptr<qvtest::XmlElement> markupTree(const std::function<void(XMLFileWriter&)>& body) {
  std::string error;
  auto tree = qvtest::parseXml(markup(body), &error);
  if (!tree) throw std::runtime_error("not well formed: " + error);
  return tree;
}

const qvtest::XmlElement* find(const qvtest::XmlElement& e, std::string_view local) {
  const qvtest::XmlElement* found = nullptr;
  e.visit([&](const qvtest::XmlElement& x) {
    if (!found && x.local == local) found = &x;
  });
  return found;
}

std::vector<const qvtest::XmlElement*> findAll(const qvtest::XmlElement& e, std::string_view local) {
  std::vector<const qvtest::XmlElement*> out;
  e.visit([&](const qvtest::XmlElement& x) {
    if (x.local == local) out.push_back(&x);
  });
  return out;
}

std::string wAttr(const qvtest::XmlElement* e, std::string_view local) {
  if (!e) return {};
  return e->attr(local, kW).value_or("");
}

std::shared_ptr<QVDocxRunText> textRun(const std::string& text, double x, double yBase, double size, double width,
                                       uint64_t drawIndex, double descent) {
  auto run = std::make_shared<QVDocxRunText>();
  run->runText = text;
  run->ctmInfo = QVPDF_CTMInfoMake(size, 0.8, descent, platform::AffineTransform{1, 0, 0, -1, x, yBase});
  run->textWidth = width;
  run->spaceWidth = size / 4;
  run->drawIndex = drawIndex;
  run->rProperty.sz = static_cast<float>(run->ctmInfo.fontSize.width);
  return run;
}

int convertToDocx(const fs::path& pdf, const fs::path& output, const std::string& password) {
  return qvtest::convertWithExporter<QVDocxPDFExporter>(pdf, output, password);
}

Document::Document(const fs::path& docx) : package(docx) {
  std::string error;
  auto root = qvtest::parseXml(package.data("word/document.xml"), &error);
  if (!root) throw std::runtime_error("word/document.xml is not well formed: " + error);
  for (auto& child : root->children)
    if (child->local == "body") {
      body = std::move(child);
      break;
    }
  if (!body) throw std::runtime_error("word/document.xml has no body");
}

std::vector<const qvtest::XmlElement*> Document::paragraphs() const { return body->childrenNamed("p", kW); }

std::string Document::textOf(const qvtest::XmlElement& paragraph) {
  std::string out;
  paragraph.visit([&](const qvtest::XmlElement& e) {
    if (e.local == "t") out += e.text;
  });
  return out;
}

std::vector<std::string> Document::pageTexts() const {
  std::vector<std::string> pages;
  for (const auto& child : body->children) {
    // A page's bookmark stands in its first paragraph.
    if (child->local == "bookmarkStart" || (child->local == "p" && !child->childrenNamed("bookmarkStart", kW).empty())) {
      pages.emplace_back();
    }
    if (child->local == "p" && !pages.empty()) {
      pages.back() += textOf(*child);
      pages.back() += '\n';
    }
  }
  return pages;
}

std::string Document::text() const {
  std::string out;
  for (const qvtest::XmlElement* p : paragraphs()) out += textOf(*p) + "\n";
  return out;
}

// A JPEG of stripes, 60 x 40 pixels.
std::string stripesJpeg() {
  platform::image::Bitmap image(60, 40, platform::image::PixelFormat::RGB8);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      uint8_t* p = image.row(y) + 3 * x;
      const bool dark = (x / 10) % 2 == 0;
      p[0] = dark ? 30 : 230;
      p[1] = dark ? 60 : 180;
      p[2] = dark ? 140 : 40;
    }
  return platform::image::encodeJpeg(image, 90);
}

const char* const kFloatingObjectsContent =
    "1 1 1 rg 0 0 612 612 re f "
    "0.2 0.5 0.8 rg 72 420 200 100 re f "
    "0 0 0 rg BT /F1 12 Tf 80 470 Td (Over the blue fill) Tj ET "
    "0 0 0 RG 2 w 320 420 100 60 re 440 420 100 60 re S "
    "0 w 72 380 m 540 380 l S "
    "0.6 0 0 rg 72 360 400 0.5 re f "
    "q 100 120 150 150 re W n 300 0 0 200 80 100 cm /Im1 Do Q "
    "q 120 0 0 80 420 120 cm /Im1 Do Q "
    "0 0 0 rg BT /F1 14 Tf 0 1 -1 0 180 140 Tm (Side label) Tj ET "
    "BT /F1 12 Tf 72 560 Td (Harbour notes of the week) Tj ET "
    "BT /F1 16 Tf 0.7071 0.7071 -0.7071 0.7071 330 240 Tm (Forty five) Tj ET "
    "BT /F1 16 Tf -1 0 0 1 560 60 Tm (Mirrored words) Tj ET ";

void writeFloatingObjectsPdf(const fs::path& path, bool turned) {
  qvtest::PdfBuilder b;
  auto jpeg = b.stream(stripesJpeg(), "<< /Type /XObject /Subtype /Image /Width 60 /Height 40 /ColorSpace /DeviceRGB "
                                      "/BitsPerComponent 8 /Filter /DCTDecode >>");
  auto resources =
      b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}, {"XObject", {{"Im1", jpeg}}}});
  const std::string content = turned ? "q 0 1 -1 0 612 0 cm " + std::string(kFloatingObjectsContent) + "Q" : kFloatingObjectsContent;
  auto page = b.addPage(content, resources, "[0 0 612 612]");
  if (turned) page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
  b.write(path);
}

}  // namespace docxtest

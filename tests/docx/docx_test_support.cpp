#include "tests/docx/docx_test_support.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "convert/QVPDF_CTMInfo.h"
#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxPDFExporter.h"
#include "docx/QVDocxUtilities.h"
#include "platform/fs/files.h"
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
    if (child->local == "bookmarkStart") {
      pages.emplace_back();
    } else if (child->local == "p" && !pages.empty()) {
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

}  // namespace docxtest

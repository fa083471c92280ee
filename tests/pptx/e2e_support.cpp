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

}  // namespace pptxe2e

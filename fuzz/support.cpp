#include "fuzz/support.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>

#include "convert/QVExporterRegistry.h"
#include "exporters/QVBuiltInExporters.h"
#include "platform/fs/files.h"

namespace qvfuzz {
namespace {

// Removes the scratch folder when the process ends normally.
struct ScratchFolder {
  std::string path;
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qvfuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make the fuzz scratch folder");
    path = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

const QVExporterRegistry& registry() {
  static const bool registered = [] {
    registerBuiltInExporters();
    return true;
  }();
  (void)registered;
  return QVExporterRegistry::shared();
}

}  // namespace

const std::string& scratchFolder() {
  static ScratchFolder folder;
  return folder.path;
}

std::string writeScratchFile(std::string_view name, const uint8_t* data, size_t size) {
  std::string path = scratchFolder() + "/" + std::string(name);
  if (!platform::fs::writeFile(path, asText(data, size))) throw std::runtime_error("cannot write " + path);
  return path;
}

std::unique_ptr<QPDF> documentFromBody(std::string_view body) {
  std::string file = "%PDF-1.7\n";
  file.append(body);
  file.append("\ntrailer\n<< /Size 1000 /Root 1 0 R >>\n%%EOF\n");
  // qpdf reads objects lazily from the buffer, so the input source owns it.
  auto buffer = std::make_unique<Buffer>(file.size());
  std::memcpy(buffer->getBuffer(), file.data(), file.size());
  auto source = std::make_shared<BufferInputSource>("fuzz body", buffer.release(), true);
  auto document = std::make_unique<QPDF>();
  try {
    document->setSuppressWarnings(true);
    document->setAttemptRecovery(true);
    document->processInputSource(source);
  } catch (const std::exception&) {
    return nullptr;
  }
  return document;
}

platform::PdfObject objectNumbered(QPDF& document, int number) {
  try {
    return platform::PdfObject(document.getObjectByID(number, 0));
  } catch (const std::exception&) {
    return {};
  }
}

FirstPage openFirstPage(std::string_view name, const uint8_t* data, size_t size) {
  FirstPage first;
  first.document = platform::PdfDocument::open(writeScratchFile(name, data, size));
  if (first.document && first.document->isUnlocked()) first.page = first.document->page(1);
  return first;
}

bool convertPage(const platform::PdfDocument& document, const platform::PdfPage& page, std::string_view extension) {
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  std::unique_ptr<QVPDFExporter> exporter = registry().createExporter(extension, std::nullopt);
  if (!exporter) return false;
  const std::string output = work.path() + "/out." + std::string(extension);
  exporter->setNumberOfPagesToConvert(1);
  exporter->begainConvertPDF(output);
  try {
    (void)exporter->convertPDFPage(page);
  } catch (const std::exception&) {
    // The converter reports a failed page and goes on to save.
  }
  exporter->endConvertPDF(document);
  return true;
}

int convertFirstPage(const uint8_t* data, size_t size, std::initializer_list<std::string_view> extensions) {
  try {
    const FirstPage first = openFirstPage("page.pdf", data, size);
    if (!first.page) return 0;
    for (std::string_view extension : extensions) {
      try {
        (void)convertPage(*first.document, *first.page, extension);
      } catch (const std::exception&) {
        // A refused save is the converter's error report, not a finding.
      }
    }
  } catch (const std::exception&) {
  }
  return 0;
}

uint64_t inputHash(const uint8_t* data, size_t size) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
  return h;
}

}  // namespace qvfuzz

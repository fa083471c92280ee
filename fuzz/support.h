#pragma once
// What the fuzz targets share: a private scratch folder for the files the
// reader needs on disk, and documents built from a bare PDF body.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <qpdf/QPDF.hh>

#include "platform/pdf/document.h"

#include "platform/pdf/object.h"

namespace qvfuzz {

// The bytes of an input as text.
inline std::string_view asText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A folder of this process (made on first use under the temporary folder,
// removed at exit) for inputs that must be files.
const std::string& scratchFolder();
// Writes the input to `name` in the scratch folder and answers the path.
// Throws std::runtime_error when the write fails (a broken machine, not an
// input's fault).
std::string writeScratchFile(std::string_view name, const uint8_t* data, size_t size);

// A document made from a PDF body of numbered objects ("1 0 obj ... endobj"),
// given a header and a trailer naming object 1 as its root, and loaded with
// qpdf's reconstruction, which finds the objects without a cross-reference
// table. Null when qpdf cannot make a document of it at all.
std::unique_ptr<QPDF> documentFromBody(std::string_view body);
// The object with that number (generation 0) of the document; null when
// missing.
platform::PdfObject objectNumbered(QPDF& document, int number);

// The first page of an input read as a whole PDF file. `page` is empty when
// the file does not open, stays locked or has no readable first page.
struct FirstPage {
  std::unique_ptr<platform::PdfDocument> document;
  std::optional<platform::PdfPage> page;
};
// Writes the input to `name` in the scratch folder and opens it; throws
// what writeScratchFile throws.
FirstPage openFirstPage(std::string_view name, const uint8_t* data, size_t size);

// Converts the page the way the converter drives an exporter (begin, convert
// the one page, save) through the exporter registered for `extension`, into
// a work folder of its own. A failed page is caught as the converter catches
// it and the document is still saved; what the save throws goes to the
// caller. False when the build registers no exporter for the extension.
bool convertPage(const platform::PdfDocument& document, const platform::PdfPage& page, std::string_view extension);

// The page targets that only convert: the first page of the input as a
// whole PDF file, converted to each extension in turn. Answers 0.
int convertFirstPage(const uint8_t* data, size_t size, std::initializer_list<std::string_view> extensions);

// A cheap deterministic hash of the input, to derive values (colours,
// evaluation points) that follow the input without consuming it.
uint64_t inputHash(const uint8_t* data, size_t size);

}  // namespace qvfuzz

#pragma once
// What the fuzz targets share: a private scratch folder for the files the
// reader needs on disk, and documents built from a bare PDF body.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <qpdf/QPDF.hh>

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

// A cheap deterministic hash of the input, to derive values (colours,
// evaluation points) that follow the input without consuming it.
uint64_t inputHash(const uint8_t* data, size_t size);

}  // namespace qvfuzz

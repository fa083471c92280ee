#pragma once
// The fuzz targets: each takes one input of arbitrary bytes and runs a part
// of the reader or the interpreter over it. A target answers 0 and never
// throws; a crash, a hang, a sanitizer report or runaway memory inside one is
// a finding.
//
// They are plain functions so that one source serves two drivers: the
// libFuzzer executables of this folder (built with clang and QV_FUZZ) and the
// regression test of tests/sweep, which replays saved findings and seeds
// under the ordinary sanitizer build.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace qvfuzz {

using Target = int (*)(const uint8_t* data, size_t size);

// A whole PDF file: document open (repair and recovery), page boxes and
// resources, and the content-stream scanner over every page's content and
// the forms it draws, with typed pops and inline images.
int fuzzDocument(const uint8_t* data, size_t size);

// CMap text: the first byte chooses the code-to-CID parser (0) or the
// ToUnicode parser with 8-bit (1) or 16-bit (2) codes; the rest is the text,
// which is also decoded through the map as a shown string.
int fuzzCMap(const uint8_t* data, size_t size);

// A PDF body of numbered objects ("1 0 obj ... endobj ..."): objects 1 to 4
// are each read as a colour space, a function and a shading, and evaluated.
int fuzzColor(const uint8_t* data, size_t size);

// The first byte chooses a decoder: 0 JPEG, 1 PNG, 2 JPEG 2000, 3 JBIG2 (two
// bytes of globals length, globals, data), 4 CCITT (eight bytes of
// parameters, data), 5 an image XObject (a PDF body whose object 1 is the
// image stream) written to a file as the interpreter writes it.
int fuzzImage(const uint8_t* data, size_t size);

// A whole PDF file whose first page is converted to a presentation through
// the exporter registered for "pptx"; without one, the page runs through the
// interpreter with a delegate that reads the state and writes every image.
int fuzzPagePptx(const uint8_t* data, size_t size);

// A whole PDF file whose first page is converted to a Word document ("docx").
int fuzzPageDocx(const uint8_t* data, size_t size);

// A whole PDF file whose first page is converted to HTML and then, from the
// same open document, to plain text ("html", "txt").
int fuzzPageFlowText(const uint8_t* data, size_t size);

// A whole PDF file whose first page is converted to a workbook ("xlsx").
int fuzzPageXlsx(const uint8_t* data, size_t size);

struct NamedTarget {
  std::string_view name;  // also the folder of its seeds and saved findings
  Target run;
};

// Every target by name: "document", "cmap", "color", "image", "page_pptx",
// "page_docx", "page_flowtext", "page_xlsx".
std::span<const NamedTarget> allTargets();

}  // namespace qvfuzz

// Document open and the content-stream scanner, below the interpreter: every
// operator pops its operands by the kinds it expects, names are looked up in
// the resources, forms are scanned in place of their Do, inline images are
// taken at EI and image data is decoded in part.
#include <exception>
#include <string>
#include <string_view>

#include "fuzz/support.h"
#include "fuzz/targets.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"

namespace qvfuzz {
namespace {

using platform::PdfContentStream;
using platform::PdfObject;
using platform::PdfScanner;

// Pages and forms looked at per input, and how deep forms nest here; enough
// to reach every part of the reader without letting one input run long.
constexpr int kMaxPages = 8;
constexpr int kMaxForms = 32;
constexpr int kMaxFormDepth = 4;
constexpr size_t kImagePrefixBytes = 64 * 1024;

// The operand kinds each operator pops, in pop order (top of the stack
// first): n number, i integer, s string, N name, a array, d dictionary,
// S stream (inline image), o any object, b boolean.
struct OperatorShape {
  const char* op;
  const char* pops;
};

constexpr OperatorShape kShapes[] = {
    {"b", ""},      {"B", ""},       {"b*", ""},       {"B*", ""},       {"BDC", "oN"},   {"BI", ""},
    {"BMC", "N"},   {"BT", ""},      {"BX", ""},       {"c", "nnnnnn"},  {"cm", "nnnnnn"}, {"CS", "N"},
    {"cs", "N"},    {"d", "na"},     {"d0", "nn"},     {"d1", "nnnnnn"}, {"Do", "N"},     {"DP", "oN"},
    {"EI", "S"},    {"EMC", ""},     {"ET", ""},       {"EX", ""},       {"f", ""},       {"F", ""},
    {"f*", ""},     {"G", "n"},      {"g", "n"},       {"gs", "N"},      {"h", ""},       {"i", "n"},
    {"ID", ""},     {"j", "i"},      {"J", "i"},       {"K", "nnnn"},    {"k", "nnnn"},   {"l", "nn"},
    {"m", "nn"},    {"M", "n"},      {"MP", "N"},      {"n", ""},        {"q", ""},       {"Q", ""},
    {"re", "nnnn"}, {"RG", "nnn"},   {"rg", "nnn"},    {"ri", "N"},      {"s", ""},       {"S", ""},
    {"SC", "nnnn"}, {"sc", "nnnn"},  {"SCN", "Nnnnn"}, {"scn", "Nnnnn"}, {"sh", "N"},     {"T*", ""},
    {"Tc", "n"},    {"Td", "nn"},    {"TD", "nn"},     {"Tf", "nN"},     {"Tj", "s"},     {"TJ", "a"},
    {"TL", "n"},    {"Tm", "nnnnnn"}, {"Tr", "i"},     {"Ts", "n"},      {"Tw", "n"},     {"Tz", "n"},
    {"v", "nnnn"},  {"w", "n"},      {"W", ""},        {"W*", ""},       {"y", "nnnn"},   {"'", "s"},
    {"\"", "snn"},
};

// What the resource look-ups of an operator search for.
std::string_view categoryOf(std::string_view op) {
  if (op == "Do") return "XObject";
  if (op == "Tf") return "Font";
  if (op == "gs") return "ExtGState";
  if (op == "cs" || op == "CS") return "ColorSpace";
  if (op == "sh") return "Shading";
  if (op == "scn" || op == "SCN") return "Pattern";
  if (op == "BDC" || op == "DP") return "Properties";
  return {};
}

class Walker {
 public:
  void scanStream(const std::shared_ptr<const PdfContentStream>& stream, int depth) {
    platform::PdfOperatorTable table;
    for (const OperatorShape& shape : kShapes) {
      std::string_view op = shape.op;
      std::string_view pops = shape.pops;
      table.set(op, [this, op, pops, depth](PdfScanner& scanner) { runOperator(scanner, op, pops, depth); });
    }
    PdfScanner scanner(stream, table);
    scanner.scan();
    (void)scanner.operatorCount();
  }

 private:
  void runOperator(PdfScanner& scanner, std::string_view op, std::string_view pops, int depth) {
    std::string name;
    for (char kind : pops) {
      switch (kind) {
        case 'n': (void)scanner.popNumber(); break;
        case 'i': (void)scanner.popInteger(); break;
        case 'b': (void)scanner.popBoolean(); break;
        case 's': (void)scanner.popString(); break;
        case 'a': {
          auto array = scanner.popArray();
          if (array)
            for (const platform::PdfOperand& element : *array) (void)element.toObject();
          break;
        }
        case 'd': (void)scanner.popDictionary(); break;
        case 'o': {
          auto object = scanner.popObject();
          if (object) (void)object->toObject();
          break;
        }
        case 'N': {
          auto popped = scanner.popName();
          if (popped && name.empty()) name = *popped;
          break;
        }
        case 'S': {
          auto image = scanner.popStream();
          if (image) readImage(*image);
          break;
        }
      }
    }
    // What is left on the stack stays for the scanner to drop.
    std::string_view category = categoryOf(op);
    if (category.empty() || name.empty()) return;
    PdfObject resource = scanner.contentStream().resource(category, name);
    if (op == "Do") drawXObject(scanner, resource, depth);
  }

  void drawXObject(PdfScanner& scanner, const PdfObject& xObject, int depth) {
    if (!xObject.isStream()) return;
    auto subtype = xObject.getName("Subtype");
    if (subtype == "Image") {
      readImage(xObject);
    } else if (subtype == "Form" && depth < kMaxFormDepth && forms_ < kMaxForms) {
      ++forms_;
      auto form = PdfContentStream::forForm(xObject, xObject.getDictionary("Resources"), scanner.contentStreamPtr());
      if (form) scanStream(form, depth + 1);
    }
  }

  static void readImage(const PdfObject& image) {
    try {
      (void)image.rawLength();
      (void)image.decodedPrefix(kImagePrefixBytes);
      PdfObject smask = image.getStream("SMask");
      if (smask.isStream()) (void)smask.decodedPrefix(kImagePrefixBytes);
    } catch (const platform::PdfError&) {
    }
  }

  int forms_ = 0;
};

void readPage(const platform::PdfPage& page) {
  (void)page.mediaBox();
  (void)page.cropBox();
  (void)page.rotation();
  PdfObject resources = page.resources();
  for (const std::string& key : resources.keys()) (void)resources.get(key).keys();
  auto content = PdfContentStream::forPage(page);
  if (!content) return;
  (void)content->isDamaged();
  Walker().scanStream(content, 0);
}

}  // namespace

int fuzzDocument(const uint8_t* data, size_t size) {
  try {
    const std::string path = writeScratchFile("document.pdf", data, size);
    platform::PdfDocument::OpenStatus status{};
    auto document = platform::PdfDocument::open(path, {}, &status);
    if (!document) return 0;
    // Files that need a password are tried with an empty user password once;
    // the rest of the reader is reached through unencrypted inputs.
    if (!document->isUnlocked() && !document->unlock("")) return 0;
    (void)document->allowsPrinting();
    (void)document->allowsCopying();
    (void)document->info().keys();
    (void)document->catalog().keys();
    (void)document->warnings();
    const int count = document->pageCount();
    for (int number = 1; number <= count && number <= kMaxPages; ++number) {
      auto page = document->page(number);
      if (page) readPage(*page);
    }
  } catch (const std::exception&) {
    // Exceptions are the reader's way to refuse an input; only crashes,
    // hangs and sanitizer reports are findings.
  }
  return 0;
}

}  // namespace qvfuzz

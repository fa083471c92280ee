// pdftext: prints the text the page interpreter decodes from a PDF, page by
// page in content order. A debug tool for the font and text-showing code.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/pdf/document.h"
#include "platform/text/text.h"
#include "tools/pdftext/PdfTextCollector.h"

namespace {

constexpr const char* kUsage =
    "Usage: pdftext [--password PW] [--first N] [--last N] [--raw] INPUT.pdf\n"
    "\n"
    "Prints the decoded text of each page, a form feed after every page.\n"
    "\n"
    "Options:\n"
    "  --password PW   password of an encrypted PDF\n"
    "  --first N       first page to print (default 1)\n"
    "  --last N        last page to print (default the last page)\n"
    "  --raw           one line per shown string, as the interpreter reports\n"
    "                  it: the text, its advance (width, height) in text space,\n"
    "                  the font size and the font name, separated by tabs;\n"
    "                  without it, strings are joined into lines and words by\n"
    "                  their positions on the page\n"
    "  -h, --help      show this text\n"
    "\n"
    "Exit status: 0 on success, 1 when the file cannot be opened, 2 for a\n"
    "usage error.\n";

int usageError(const std::string& message) {
  std::cerr << "pdftext: " << message << "\n\n" << kUsage;
  return 2;
}

bool parsePageNumber(const char* text, int& out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!end || *end != '\0' || v < 1 || v > 1000000000L) return false;
  out = static_cast<int>(v);
  return true;
}

void printRaw(const std::vector<pdftext::TextPiece>& pieces, std::string& out) {
  using platform::text::appendFixed;
  for (const pdftext::TextPiece& piece : pieces) {
    out += piece.text;
    out.push_back('\t');
    appendFixed(out, piece.advance.width, 3);
    out.push_back('\t');
    appendFixed(out, piece.advance.height, 3);
    out.push_back('\t');
    appendFixed(out, piece.fontSize, 2);
    out.push_back('\t');
    out += piece.fontName;
    out.push_back('\n');
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string password, input;
  int first = 1, last = 0;
  bool raw = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--raw") {
      raw = true;
    } else if (arg == "--password" || arg == "--first" || arg == "--last") {
      if (i + 1 >= argc) return usageError(arg + " needs a value");
      const char* value = argv[++i];
      if (arg == "--password") {
        password = value;
      } else if (!parsePageNumber(value, arg == "--first" ? first : last)) {
        return usageError(arg + " needs a page number");
      }
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return usageError("unknown option " + arg);
    } else if (input.empty()) {
      input = arg;
    } else {
      return usageError("more than one input file");
    }
  }
  if (input.empty()) return usageError("no input file");

  platform::PdfDocument::OpenStatus status{};
  auto document = platform::PdfDocument::open(input, password, &status);
  if (!document || !document->isUnlocked()) {
    std::cerr << "pdftext: cannot open " << input << "\n";
    return 1;
  }
  const int count = document->pageCount();
  if (last == 0 || last > count) last = count;
  QVPDFFontFactory::DocumentScope fonts(&document->qpdf());
  std::string out;
  for (int number = first; number <= last; ++number) {
    auto page = document->page(number);
    if (page) {
      auto pieces = pdftext::collectPage(*page);
      if (raw) {
        printRaw(pieces, out);
      } else {
        out += pdftext::assemblePageText(pieces);
      }
    }
    out.push_back('\f');
    std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

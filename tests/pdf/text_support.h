#pragma once
// Helpers of the font and text-showing tests: fonts built from dictionaries
// written in the test, strings decoded through them, and pages interpreted
// with a recording delegate.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <qpdf/QPDFObjectHandle.hh>

#include "pdf/fonts/QVPDFFont.h"
#include "pdf/fonts/QVPDFFontFactory.h"
#include "platform/pdf/object.h"
#include "platform/text/text.h"
#include "tests/pdf/interpreter_recording.h"
#include "tests/support/fixtures.h"

namespace texttest {

// A font from a dictionary of the builder's document, without the cache.
inline std::shared_ptr<const QVPDFFont> makeFont(QPDFObjectHandle dictionary, std::string_view key = "F1") {
  return QVPDFFontFactory::createFont(platform::PdfObject(std::move(dictionary)), key);
}

// Every code of the bytes decoded through the font.
struct Decoded {
  std::string text;             // UTF-8 of every code's values
  std::vector<uint32_t> codes;  // code or CID of each step
  std::vector<float> dx, dy;    // advance of each step for size 1
  std::vector<int> lengths;     // bytes each step took
};

inline Decoded decode(const QVPDFFont& font, std::string_view bytes) {
  Decoded out;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  int remaining = static_cast<int>(bytes.size());
  while (remaining > 0) {
    uint32_t code = 0, u[16];
    int uLen = 0;
    float dx = 0, dy = 0, ox = 0, oy = 0;
    int n = font.getNextChar(p, remaining, &code, u, 16, &uLen, &dx, &dy, &ox, &oy);
    for (int i = 0; i < uLen; ++i) platform::text::appendUtf8(out.text, static_cast<char32_t>(u[i]));
    out.codes.push_back(code);
    out.dx.push_back(dx);
    out.dy.push_back(dy);
    out.lengths.push_back(n);
    if (n < 1 || n >= remaining) break;
    p += n;
    remaining -= n;
  }
  return out;
}

// A ToUnicode (or CMap) stream in the builder's document.
inline QPDFObjectHandle cmapStream(qvtest::PdfBuilder& b, const std::string& body) {
  std::string text =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CMapName /Test def\n/CMapType 2 def\n" +
      body + "\nendcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  return b.stream(text);
}

// The text reports of page 1 of the builder's document.
struct Page {
  interptest::InterpretedPdf::Run run;
  std::vector<const interptest::Event*> texts;
};

inline Page interpret(qvtest::PdfBuilder& b) {
  interptest::InterpretedPdf pdf(b);
  Page page{pdf.run(), {}};
  page.texts = page.run.delegate->of(interptest::Event::Text);
  return page;
}

inline std::string joinedText(const Page& page) {
  std::string out;
  for (const auto* e : page.texts) out += e->text;
  return out;
}

}  // namespace texttest

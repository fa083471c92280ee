#include "bench/support/made_pages.h"

#include <cstdint>
#include <iostream>
#include <memory>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include "bench/support/harness.h"
#include "platform/text/text.h"

namespace qvbench {

namespace {

using platform::text::formatFixed;
using platform::text::formatInteger;

// A one-page document under construction.
class OnePage {
 public:
  OnePage() { pdf_.emptyPDF(); }

  QPDFObjectHandle parse(const std::string& text) { return QPDFObjectHandle::parse(text); }
  QPDFObjectHandle stream(const std::string& data, const std::string& dictionary = "<< >>") {
    QPDFObjectHandle s = pdf_.newStream(data);
    QPDFObjectHandle extra = parse(dictionary);
    for (const std::string& key : extra.getKeys()) s.getDict().replaceKey(key, extra.getKey(key));
    return s;
  }
  QPDF& pdf() { return pdf_; }

  void write(const std::string& content, QPDFObjectHandle resources, const fs::path& path) {
    QPDFObjectHandle page = parse("<< /Type /Page /MediaBox [0 0 612 792] >>");
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", pdf_.newStream(content));
    pdf_.addPage(pdf_.makeIndirectObject(page), false);
    QPDFWriter writer(pdf_, path.string().c_str());
    writer.setCompressStreams(true);
    writer.write();
  }

 private:
  QPDF pdf_;
};

// A page of running text in Times: a thousand words or so, whose serif
// glyphs, turned to outlines, are many of them complex enough to become
// pictures of a slide.
void writeTextPage(const fs::path& path) {
  static const char* const kWords[] = {"sound",   "harmony", "measure", "against", "quickly", "graphic", "sample",
                                       "passage", "theory",  "writing", "balance", "example", "figures", "gesture"};
  OnePage page;
  std::string content = "BT /F1 10 Tf 12 TL 54 740 Td\n";
  uint32_t seed = 12345;
  for (int line = 0; line < 56; ++line) {
    std::string text;
    while (text.size() < 95) {
      seed = seed * 1103515245u + 12345u;
      text += kWords[(seed >> 16) % std::size(kWords)];
      text += ' ';
    }
    content += "(" + text + ") '\n";
  }
  content += "ET\n";
  QPDFObjectHandle font =
      page.pdf().makeIndirectObject(page.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman "
                                               "/Encoding /WinAnsiEncoding >>"));
  QPDFObjectHandle resources = page.parse("<< /Font << >> >>");
  resources.getKey("/Font").replaceKey("/F1", font);
  page.write(content, resources, path);
}

// Several hundred small pictures, each an image of its own.
void writePicturePage(const fs::path& path) {
  constexpr int kColumns = 20, kRows = 24, kSide = 16;
  OnePage page;
  QPDFObjectHandle resources = page.parse("<< /XObject << >> >>");
  QPDFObjectHandle xobjects = resources.getKey("/XObject");
  std::string content;
  uint32_t seed = 99;
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < kColumns; ++column) {
      std::string samples(kSide * kSide * 3, '\0');
      for (size_t i = 0; i < samples.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        samples[i] = static_cast<char>((i * 7 + row * 31 + column * 17) % 256 ^ ((seed >> 24) & 0x1F));
      }
      const std::string name = "Im" + formatInteger(row * kColumns + column);
      xobjects.replaceKey("/" + name, page.stream(samples, "<< /Type /XObject /Subtype /Image /Width 16 /Height 16 "
                                                          "/ColorSpace /DeviceRGB /BitsPerComponent 8 >>"));
      content += "q 26 0 0 26 " + formatInteger(46 + column * 26) + " " + formatInteger(40 + row * 30) + " cm /" +
                 name + " Do Q\n";
    }
  page.write(content, resources, path);
}

// Many small filled paths, in a Separation space whose tint transform is a
// calculator function and in a calibrated RGB space.
void writeSeparationPage(const fs::path& path) {
  OnePage page;
  QPDFObjectHandle tint = page.stream("{ dup 0.2 mul exch dup 0.9 mul exch 0.5 mul 1 exch sub }",
                                      "<< /FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1] >>");
  QPDFObjectHandle separation = page.parse("[/Separation /Spot /DeviceRGB null]");
  separation.setArrayItem(3, page.pdf().makeIndirectObject(tint));
  QPDFObjectHandle resources = page.parse(
      "<< /ColorSpace << /CS1 [/CalRGB << /WhitePoint [0.9505 1 1.089] /Gamma [2.2 2.2 2.2] >>] >> >>");
  resources.getKey("/ColorSpace").replaceKey("/CS0", separation);
  std::string content;
  for (int i = 0; i < 3000; ++i) {
    const double x = 30 + (i % 60) * 9.3, y = 30 + (i / 60) * 14.6;
    if (i % 3 == 2)
      content += "/CS1 cs " + formatFixed((i % 11) / 10.0, 2) + " " + formatFixed((i % 7) / 6.0, 2) + " 0.4 sc ";
    else
      content += "/CS0 cs " + formatFixed((i % 97) / 96.0, 3) + " scn ";
    content += formatFixed(x, 1) + " " + formatFixed(y, 1) + " m " + formatFixed(x + 7, 1) + " " + formatFixed(y, 1) +
               " l " + formatFixed(x + 3.5, 1) + " " + formatFixed(y + 9, 1) + " l h f\n";
  }
  page.write(content, resources, path);
}

}  // namespace

std::vector<fs::path> makeSlowPages(const fs::path& folder) {
  std::vector<fs::path> pages;
  fs::create_directories(folder);
  const fs::path text = folder / "made-text-page.pdf";
  writeTextPage(text);
  const fs::path outlined = folder / "made-outlined-text.pdf";
  if (toolExists("gs") && runTool({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=pdfwrite", "-dNoOutputFonts",
                                   "-o", outlined.string(), text.string()}))
    pages.push_back(outlined);
  else
    std::cerr << "Ghostscript (gs) not run: the page of text turned to outlines is left out\n";
  pages.push_back(folder / "made-many-pictures.pdf");
  writePicturePage(pages.back());
  pages.push_back(folder / "made-separation-paths.pdf");
  writeSeparationPage(pages.back());
  return pages;
}

}  // namespace qvbench

#include "bench/support/made_pages.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include "bench/support/harness.h"
#include "platform/image/codecs.h"
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

// Samples of a picture, made a row at a time by `row(y, bytes)`.
std::string samples(int height, size_t rowBytes, const std::function<void(int, uint8_t*)>& row) {
  std::string out(rowBytes * static_cast<size_t>(height), '\0');
  for (int y = 0; y < height; ++y) row(y, reinterpret_cast<uint8_t*>(out.data()) + rowBytes * static_cast<size_t>(y));
  return out;
}

// A full-page image of 10,000 x 10,000 pixels of 1, 8 (grey) or 24 bits.
void writeHugeImagePage(const fs::path& path, int bits) {
  constexpr int kSide = 10000;
  const size_t rowBytes = bits == 1 ? (kSide + 7) / 8 : static_cast<size_t>(kSide) * (bits / 8);
  const std::string data = samples(kSide, rowBytes, [&](int y, uint8_t* row) {
    for (int x = 0; x < kSide; ++x) {
      if (bits == 1) {
        // Lines of "words", as a scan of a page of text.
        if ((y / 60) % 3 == 0 && (x / 170) % 5 != 4) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else if (bits == 8) {
        row[x] = static_cast<uint8_t>(((x / 400 + y / 400) % 2 ? 60 : 200) + (x * 40) / kSide);
      } else {
        uint8_t* p = row + 3 * static_cast<size_t>(x);
        p[0] = static_cast<uint8_t>(x * 255 / kSide), p[1] = static_cast<uint8_t>(y * 255 / kSide);
        p[2] = (x / 500 + y / 500) % 2 ? 230 : 40;
      }
    }
  });
  OnePage page;
  const std::string space = bits == 24 ? "/DeviceRGB" : "/DeviceGray";
  QPDFObjectHandle image = page.stream(data, "<< /Type /XObject /Subtype /Image /Width 10000 /Height 10000 "
                                             "/ColorSpace " + space + " /BitsPerComponent " +
                                             std::to_string(bits == 1 ? 1 : 8) + " >>");
  QPDFObjectHandle resources = page.parse("<< >>");
  resources.replaceKey("/XObject", page.parse("<< >>"));
  resources.getKey("/XObject").replaceKey("/Im1", image);
  page.write("q 612 0 0 792 0 0 cm /Im1 Do Q", resources, path);
}

// A photograph-like RGB picture as JPEG.
std::string photoJpeg(int width, int height) {
  platform::image::Bitmap pixels = platform::image::Bitmap::uninitialized(width, height, platform::image::PixelFormat::RGB8);
  uint32_t seed = 99;
  for (int y = 0; y < height; ++y) {
    uint8_t* p = pixels.row(y);
    for (int x = 0; x < width; ++x, p += 3) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = static_cast<int>(seed >> 28);
      p[0] = static_cast<uint8_t>(std::clamp(x * 200 / width + noise, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(y * 180 / height + 30 + noise, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(((x / 64 + y / 64) % 2 ? 180 : 90) + noise, 0, 255));
    }
  }
  return platform::image::encodeJpeg(pixels, 90);
}

// A 2,996 x 4,256 JPEG with an 8-bit soft mask (a vignette), over the page.
void writeMaskedJpegPage(const fs::path& path) {
  constexpr int kWidth = 2996, kHeight = 4256;
  OnePage page;
  const std::string mask = samples(kHeight, kWidth, [&](int y, uint8_t* row) {
    for (int x = 0; x < kWidth; ++x) {
      const double dx = (x - kWidth / 2.0) / kWidth, dy = (y - kHeight / 2.0) / kHeight;
      row[x] = static_cast<uint8_t>(std::clamp(255.0 * (1.0 - 2.5 * (dx * dx + dy * dy)), 0.0, 255.0));
    }
  });
  QPDFObjectHandle smask = page.stream(mask, "<< /Type /XObject /Subtype /Image /Width 2996 /Height 4256 "
                                             "/ColorSpace /DeviceGray /BitsPerComponent 8 >>");
  QPDFObjectHandle image = page.stream(photoJpeg(kWidth, kHeight),
                                       "<< /Type /XObject /Subtype /Image /Width 2996 /Height 4256 /ColorSpace "
                                       "/DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>");
  image.getDict().replaceKey("/SMask", smask);
  QPDFObjectHandle resources = page.parse("<< /XObject << >> >>");
  resources.getKey("/XObject").replaceKey("/Im1", image);
  page.write("q 557 0 0 792 27 0 cm /Im1 Do Q", resources, path);
}

// A 1,600 x 1,608 RGB picture with a stencil mask (a disc), over most of the page.
void writeStencilMaskedPage(const fs::path& path) {
  constexpr int kWidth = 1600, kHeight = 1608;
  OnePage page;
  const std::string mask = samples(kHeight, (kWidth + 7) / 8, [&](int y, uint8_t* row) {
    for (int x = 0; x < kWidth; ++x) {
      const double dx = x - kWidth / 2.0, dy = y - kHeight / 2.0;
      if (dx * dx + dy * dy > 700.0 * 700.0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  });
  const std::string colour = samples(kHeight, kWidth * 3, [&](int y, uint8_t* row) {
    uint32_t seed = static_cast<uint32_t>(y) * 7919u;
    for (int x = 0; x < kWidth; ++x, row += 3) {
      seed = seed * 1664525u + 1013904223u;
      row[0] = static_cast<uint8_t>(x * 255 / kWidth), row[1] = static_cast<uint8_t>(y * 255 / kHeight);
      row[2] = static_cast<uint8_t>(seed >> 24);
    }
  });
  QPDFObjectHandle stencil = page.stream(mask, "<< /Type /XObject /Subtype /Image /Width 1600 /Height 1608 "
                                               "/ImageMask true /BitsPerComponent 1 >>");
  QPDFObjectHandle image = page.stream(colour, "<< /Type /XObject /Subtype /Image /Width 1600 /Height 1608 "
                                               "/ColorSpace /DeviceRGB /BitsPerComponent 8 >>");
  image.getDict().replaceKey("/Mask", stencil);
  QPDFObjectHandle resources = page.parse("<< /XObject << >> >>");
  resources.getKey("/XObject").replaceKey("/Im1", image);
  page.write("q 560 0 0 563 26 114 cm /Im1 Do Q", resources, path);
}

// One 200 x 200 JPEG drawn 32 times, each under a triangle clip, in a grid.
void writeClippedJpegPage(const fs::path& path) {
  OnePage page;
  QPDFObjectHandle image = page.stream(photoJpeg(200, 200),
                                       "<< /Type /XObject /Subtype /Image /Width 200 /Height 200 /ColorSpace "
                                       "/DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>");
  std::string content;
  for (int i = 0; i < 32; ++i) {
    const int x = 40 + (i % 4) * 140, y = 40 + (i / 4) * 92;
    content += "q " + formatInteger(x) + " " + formatInteger(y) + " m " + formatInteger(x + 130) + " " +
               formatInteger(y) + " l " + formatInteger(x + 45 + (i % 2) * 40) + " " + formatInteger(y + 88) + " l h W n 130 0 0 88 " +
               formatInteger(x) + " " + formatInteger(y) + " cm /Im1 Do Q\n";
  }
  QPDFObjectHandle resources = page.parse("<< /XObject << >> >>");
  resources.getKey("/XObject").replaceKey("/Im1", image);
  page.write(content, resources, path);
}

}  // namespace

std::vector<fs::path> makePicturePages(const fs::path& folder) {
  fs::create_directories(folder);
  std::vector<fs::path> pages;
  for (const auto& [bits, name] : {std::pair{1, "made-10000-1-bit.pdf"}, {8, "made-10000-grey.pdf"},
                                   {24, "made-10000-colour.pdf"}}) {
    pages.push_back(folder / name);
    writeHugeImagePage(pages.back(), bits);
  }
  pages.push_back(folder / "made-jpeg-with-soft-mask.pdf");
  writeMaskedJpegPage(pages.back());
  pages.push_back(folder / "made-picture-with-mask.pdf");
  writeStencilMaskedPage(pages.back());
  pages.push_back(folder / "made-jpeg-32-clips.pdf");
  writeClippedJpegPage(pages.back());
  return pages;
}

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

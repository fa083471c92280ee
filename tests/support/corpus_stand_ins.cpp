#include "tests/support/corpus_stand_ins.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/fs/files.h"
#include "platform/image/codecs.h"
#include "platform/text/text.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"

namespace qvtest {

namespace fs = std::filesystem;

void writeTurnedPages(const fs::path& source, const fs::path& out) {
  QPDF in;
  in.processFile(source.string().c_str());
  // /Rotate and the boxes may sit on the page tree's nodes, which the copy
  // does not take along.
  in.pushInheritedAttributesToPage();
  QPDF copy;
  copy.emptyPDF();
  QPDFPageDocumentHelper copyPages(copy);
  const auto pages = QPDFPageDocumentHelper(in).getAllPages();
  for (size_t i = 0; i < 4 && i < pages.size(); ++i) {
    copyPages.addPage(pages[i], false);
    copyPages.getAllPages().back().getObjectHandle().replaceKey(
        "/Rotate", QPDFObjectHandle::newInteger(static_cast<long long>(90 * i)));
  }
  const std::string name = out.string();  // qpdf keeps the name until it writes
  QPDFWriter writer(copy, name.c_str());
  writer.setStaticID(true);
  writer.write();
}

void writeScannedPages(const fs::path& source, const fs::path& out, const fs::path& work) {
  fs::create_directories(work);
  const std::string command = "pdftoppm -gray -jpeg -r 100 -f 1 -l 3 '" + source.string() + "' '" +
                              (work / "page").string() + "' > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
  std::vector<fs::path> scans;
  for (const auto& entry : fs::directory_iterator(work))
    if (entry.path().extension() == ".jpg") scans.push_back(entry.path());
  std::sort(scans.begin(), scans.end());
  if (scans.empty()) throw std::runtime_error("pdftoppm made no page of " + source.string());
  PdfBuilder b;
  for (const fs::path& scan : scans) {
    const auto read = platform::fs::readFile(scan.string());
    if (!read) throw std::runtime_error("cannot read " + scan.string());
    // pdftoppm writes grey pages as three equal components; a scanner's
    // grey picture has one, at a scanner's rough quality.
    const platform::image::Bitmap grey =
        platform::image::decodeJpeg(platform::image::asBytes(*read)).converted(platform::image::PixelFormat::Gray8);
    const std::string jpeg = platform::image::encodeJpeg(grey, 55, 100);
    auto image = b.stream(jpeg, "<< /Type /XObject /Subtype /Image /Width " + std::to_string(grey.width()) +
                                    " /Height " + std::to_string(grey.height()) +
                                    " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode >>");
    // 100 dpi pictures on pages of 72 points an inch.
    const std::string width = platform::text::formatShortest(grey.width() * 0.72);
    const std::string height = platform::text::formatShortest(grey.height() * 0.72);
    b.addPage("q " + width + " 0 0 " + height + " 0 0 cm /Scan Do Q", b.resources({{"XObject", {{"Scan", image}}}}),
              "[0 0 " + width + " " + height + "]");
  }
  b.write(out);
}

void writeSearchableScan(const fs::path& out, const fs::path& work, bool glyphless) {
  const char* const lines[] = {"The harbour report for the week", "The tide came in twice a day, as it always",
                               "does, and twice a day it went out again,", "leaving the boats on the mud and the gulls",
                               "quarrelling over what it left behind."};
  const auto layer = [&](bool asUnicode) {
    std::string content = "BT /F1 16 Tf ";
    int y = 700;
    for (const char* line : lines) {
      std::string shown = "(" + std::string(line) + ")";
      if (asUnicode) {
        // Two-byte codes that are the characters' own (all below U+0080).
        shown = "<";
        for (const char* c = line; *c; ++c) {
          char code[8];
          std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(static_cast<unsigned char>(*c)));
          shown += code;
        }
        shown += ">";
      }
      content += "1 0 0 1 72 " + std::to_string(y) + " Tm " + shown + " Tj ";
      y -= 24;
    }
    return content + "ET";
  };
  fs::create_directories(work);
  {
    PdfBuilder paper;
    paper.addPage(layer(false), paper.resources({{"Font", {{"F1", paper.standardFont("Courier")}}}}));
    paper.write(work / "paper.pdf");
  }
  const auto scan = renderPdfPage(work / "paper.pdf", 1, 100);
  if (!scan) throw std::runtime_error("pdftoppm did not render " + (work / "paper.pdf").string());
  // A scanner's grey: the text lighter than black, the paper darker than white.
  std::string pixels(scan->pixels.size(), '\0');
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<char>(250 - (255 - scan->pixels[i]) * 3 / 5);
  PdfBuilder b;
  auto image = b.flateStream(pixels, "<< /Type /XObject /Subtype /Image /Width " + std::to_string(scan->width) +
                                         " /Height " + std::to_string(scan->height) +
                                         " /ColorSpace /DeviceGray /BitsPerComponent 8 >>");
  QPDFObjectHandle font = b.standardFont("Courier");
  if (glyphless) {
    auto toUnicode = b.stream(
        "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /Identity-UCS def /CMapType 2 def "
        "1 begincodespacerange <0000> <FFFF> endcodespacerange 1 beginbfrange <0000> <FFFF> <0000> endbfrange "
        "endcmap CMapName currentdict /CMap defineresource pop end end");
    auto descriptor = b.qpdf().makeIndirectObject(
        b.parse("<< /Type /FontDescriptor /FontName /GlyphLessFont /Flags 5 /FontBBox [0 0 500 1000] "
                "/ItalicAngle 0 /Ascent 1000 /Descent 0 /CapHeight 1000 /StemV 80 >>"));
    auto cidFont = b.qpdf().makeIndirectObject(
        b.parse("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /GlyphLessFont /CIDSystemInfo << /Registry "
                "(Adobe) /Ordering (Identity) /Supplement 0 >> /DW 500 /CIDToGIDMap /Identity >>"));
    cidFont.replaceKey("/FontDescriptor", descriptor);
    font = b.qpdf().makeIndirectObject(
        b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /GlyphLessFont /Encoding /Identity-H >>"));
    font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({cidFont}));
    font.replaceKey("/ToUnicode", toUnicode);
  }
  b.addPage("q 612 0 0 792 0 0 cm /Scan Do Q 3 Tr " + std::string(glyphless ? "120 Tz " : "") + layer(glyphless),
            b.resources({{"XObject", {{"Scan", image}}}, {"Font", {{"F1", font}}}}));
  b.write(out);
}

std::vector<fs::path> corpusFilesWithStandIns(const fs::path& work) {
  std::vector<fs::path> files = corpusFiles();
  auto present = [&](const char* name) {
    return std::find(files.begin(), files.end(), corpusDir() / name) != files.end();
  };
  std::vector<fs::path> made;
  if (!present("rotated-pages-qpdf.pdf") && present("tables-booktabs.pdf")) {
    fs::create_directories(work);
    made.push_back(work / "rotated-pages-qpdf.pdf");
    writeTurnedPages(corpusDir() / "tables-booktabs.pdf", made.back());
  }
  if (!present("scan-gray-jpeg.pdf") && present("paper2col-aps-revtex.pdf")) {
    made.push_back(work / "scan-gray-jpeg.pdf");
    writeScannedPages(corpusDir() / "paper2col-aps-revtex.pdf", made.back(), work / "scans");
  }
  files.insert(files.end(), made.begin(), made.end());
  std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
  return files;
}

}  // namespace qvtest

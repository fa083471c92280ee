#include "bench/support/made_book.h"

#include <cstdint>
#include <memory>
#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/text/text.h"

namespace qvbench {

namespace {

constexpr int kChapterPages = 20;
constexpr int kPictureSide = 48;

std::unique_ptr<QPDF> openSource(const std::filesystem::path& file) {
  auto pdf = std::make_unique<QPDF>();
  try {
    pdf->setSuppressWarnings(true);
    pdf->processFile(file.string().c_str());
    if (pdf->isEncrypted() || pdf->getAllPages().empty()) return nullptr;
  } catch (const std::exception&) {
    return nullptr;
  }
  return pdf;
}

// A picture that no other page of the book shows: a gradient with the page's
// own tint.
QPDFObjectHandle pagePicture(QPDF& book, int page) {
  std::string samples(size_t{kPictureSide} * kPictureSide * 3, '\0');
  for (int y = 0; y < kPictureSide; ++y)
    for (int x = 0; x < kPictureSide; ++x) {
      char* px = &samples[(size_t{static_cast<size_t>(y)} * kPictureSide + x) * 3];
      px[0] = static_cast<char>(x * 5 + page * 7);
      px[1] = static_cast<char>(y * 5 + page * 13);
      px[2] = static_cast<char>((x ^ y) * 3 + page);
    }
  QPDFObjectHandle image = book.newStream(samples);
  image.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
  image.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
  image.getDict().replaceKey("/Width", QPDFObjectHandle::newInteger(kPictureSide));
  image.getDict().replaceKey("/Height", QPDFObjectHandle::newInteger(kPictureSide));
  image.getDict().replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceRGB"));
  image.getDict().replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
  return image;
}

// Draws the page's own picture in its lower left corner, after and apart
// from what the page draws.
void addPicture(QPDF& book, QPDFPageObjectHelper page, int number) {
  const std::string name = "/QvBookPicture" + platform::text::formatInteger(number);
  QPDFObjectHandle resources = page.getAttribute("/Resources", true);
  if (!resources.isDictionary()) {
    resources = QPDFObjectHandle::newDictionary();
    page.getObjectHandle().replaceKey("/Resources", resources);
  }
  QPDFObjectHandle xobjects = resources.getKey("/XObject");
  if (!xobjects.isDictionary()) {
    xobjects = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/XObject", xobjects);
  }
  xobjects.replaceKey(name, pagePicture(book, number));
  page.addPageContents(book.newStream("q\n"), true);
  page.addPageContents(book.newStream("\nQ q 36 0 0 36 12 12 cm " + name + " Do Q\n"), false);
}

}  // namespace

bool makeBook(const std::vector<std::filesystem::path>& sources, int pages, const std::filesystem::path& output) {
  if (sources.empty() || pages < 1) return false;
  try {
    QPDF book;
    book.emptyPDF();
    QPDFPageDocumentHelper bookPages(book);
    // Every chapter's source stays open until the book is written: the
    // copied streams are read from it then.
    std::vector<std::unique_ptr<QPDF>> opened;
    size_t next = 0;
    int made = 0, failures = 0;
    while (made < pages) {
      std::unique_ptr<QPDF> source = openSource(sources[next++ % sources.size()]);
      if (!source) {
        if (++failures > static_cast<int>(sources.size())) return false;
        continue;
      }
      const std::vector<QPDFPageObjectHelper> sourcePages = QPDFPageDocumentHelper(*source).getAllPages();
      for (int i = 0; i < kChapterPages && made < pages; ++i) {
        bookPages.addPage(sourcePages[static_cast<size_t>(i) % sourcePages.size()], false);
        ++made;
        addPicture(book, bookPages.getAllPages().back(), made);
      }
      opened.push_back(std::move(source));
    }
    QPDFWriter writer(book, output.string().c_str());
    writer.setCompressStreams(true);
    writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::vector<std::filesystem::path> bookSources(const std::filesystem::path& corpusFolder) {
  static const char* const kFiles[] = {"paper2col-aps-revtex.pdf", "slides-beamer-lecture.pdf", "gofpdf-images.pdf",
                                       "tables-booktabs.pdf",      "guide-graphviz-dot.pdf",    "scan-gray-jpeg.pdf",
                                       "cjk-ja-ptex-manual.pdf",   "office-writer-officer.pdf", "gofpdf-grid-chart.pdf"};
  std::vector<std::filesystem::path> files;
  for (const char* name : kFiles)
    if (std::filesystem::exists(corpusFolder / name)) files.push_back(corpusFolder / name);
  return files;
}

}  // namespace qvbench

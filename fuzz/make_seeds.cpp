// make_fuzz_seeds: derives starting inputs for every fuzz target from PDF
// files, plus a few small hand-made ones that reach corners real files
// rarely show.
//
//   make_fuzz_seeds OUTDIR FILE.pdf...
//
// Writes OUTDIR/<target>/<hash> for the targets of fuzz/targets.h:
//   document   the files themselves (up to 1 MiB)
//   page_pptx, page_docx, page_flowtext, page_xlsx
//              single pages split out of the files
//   cmap       embedded CMaps and ToUnicode maps, and small predefined CMaps
//   color      colour spaces, shadings and functions as PDF bodies
//   image      image XObjects as PDF bodies and their encoded data per codec
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/fs/files.h"
#include "platform/image/codecs.h"
#include "platform/pdf/object.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxDocumentSeed = 1 << 20;
constexpr size_t kMaxPageSeed = 512 * 1024;
constexpr size_t kMaxSmallSeed = 256 * 1024;
constexpr int kPagesPerFile = 4;
constexpr int kSeedsPerKindAndFile = 24;
constexpr size_t kMaxBodyObjects = 200;
// The targets that convert a file's first page; they share their seeds.
constexpr const char* kPageTargets[] = {"page_pptx", "page_docx", "page_flowtext", "page_xlsx"};

uint64_t hashOf(const std::string& data) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : data) h = (h ^ c) * 1099511628211ull;
  return h;
}

class SeedWriter {
 public:
  explicit SeedWriter(fs::path root) : root_(std::move(root)) {}

  // Writes the seed under its content hash; false when it was there already
  // or is too large.
  bool add(const std::string& target, const std::string& data, size_t maxBytes = kMaxSmallSeed) {
    if (data.empty() || data.size() > maxBytes) return false;
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hashOf(data)));
    fs::path folder = root_ / target;
    fs::create_directories(folder);
    fs::path file = folder / name;
    if (fs::exists(file)) return false;
    if (!platform::fs::writeFile(file.string(), data)) throw std::runtime_error("cannot write " + file.string());
    ++counts_[target];
    return true;
  }
  const std::map<std::string, int>& counts() const { return counts_; }

 private:
  fs::path root_;
  std::map<std::string, int> counts_;
};

// Writes an object graph as a PDF body whose first objects are the roots,
// numbered 1, 2, ...; everything they reach follows, renumbered. Streams keep
// their raw (encoded) data.
class BodyWriter {
 public:
  std::string write(const std::vector<QPDFObjectHandle>& roots) {
    for (const QPDFObjectHandle& root : roots) {
      const int number = static_cast<int>(order_.size()) + 1;
      if (root.isIndirect()) numbers_[root.getObjGen()] = number;
      order_.push_back(root);
    }
    std::string out;
    for (size_t i = 0; i < order_.size() && i < kMaxBodyObjects; ++i) {
      QPDFObjectHandle object = order_[i];
      out += std::to_string(i + 1) + " 0 obj\n";
      if (object.isStream()) {
        std::string data;
        try {
          auto buffer = object.getRawStreamData();
          data.assign(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
        } catch (const std::exception&) {
        }
        QPDFObjectHandle dict = object.getDict();
        out += "<<";
        for (const std::string& key : dict.getKeys()) {
          if (key == "/Length") continue;
          out += QPDFObjectHandle::newName(key).unparse() + " ";
          value(out, dict.getKey(key), 0);
          out += " ";
        }
        out += "/Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
      } else {
        value(out, object, 0, /*top=*/true);
      }
      out += "\nendobj\n";
    }
    return out;
  }

 private:
  void value(std::string& out, QPDFObjectHandle h, int depth, bool top = false) {
    if (depth > 64) {
      out += "null";
      return;
    }
    if (h.isIndirect() && !top) {
      out += std::to_string(numberFor(h)) + " 0 R";
      return;
    }
    if (h.isArray()) {
      out += "[";
      for (const QPDFObjectHandle& item : h.getArrayAsVector()) {
        value(out, item, depth + 1);
        out += " ";
      }
      out += "]";
    } else if (h.isDictionary()) {
      out += "<<";
      for (const std::string& key : h.getKeys()) {
        out += QPDFObjectHandle::newName(key).unparse() + " ";
        value(out, h.getKey(key), depth + 1);
        out += " ";
      }
      out += ">>";
    } else if (h.isStream()) {
      out += "null";
    } else {
      out += h.unparse();
    }
  }

  int numberFor(const QPDFObjectHandle& h) {
    auto found = numbers_.find(h.getObjGen());
    if (found != numbers_.end()) return found->second;
    const int number = static_cast<int>(order_.size()) + 1;
    numbers_[h.getObjGen()] = number;
    order_.push_back(h);
    return number;
  }

  std::map<QPDFObjGen, int> numbers_;
  std::vector<QPDFObjectHandle> order_;
};

std::string bodyOf(const std::vector<QPDFObjectHandle>& roots) { return BodyWriter().write(roots); }

std::string decoded(QPDFObjectHandle stream) {
  try {
    auto buffer = stream.getStreamData(qpdf_dl_generalized);
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
  } catch (const std::exception&) {
    return {};
  }
}

// Resource dictionaries of every page and of the forms they list (one level).
std::vector<QPDFObjectHandle> resourceDictionaries(QPDF& pdf) {
  std::vector<QPDFObjectHandle> out;
  std::set<QPDFObjGen> seen;
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    if (!resources.isDictionary()) continue;
    out.push_back(resources);
    QPDFObjectHandle xObjects = resources.getKey("/XObject");
    if (!xObjects.isDictionary()) continue;
    for (const std::string& key : xObjects.getKeys()) {
      QPDFObjectHandle x = xObjects.getKey(key);
      if (!x.isStream() || !x.getDict().getKey("/Subtype").isNameAndEquals("/Form")) continue;
      if (!seen.insert(x.getObjGen()).second) continue;
      QPDFObjectHandle formResources = x.getDict().getKey("/Resources");
      if (formResources.isDictionary()) out.push_back(formResources);
    }
  }
  return out;
}

void addPages(SeedWriter& seeds, QPDF& pdf) {
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  if (pages.empty()) return;
  const size_t step = std::max<size_t>(1, pages.size() / kPagesPerFile);
  int written = 0;
  for (size_t i = 0; i < pages.size() && written < kPagesPerFile; i += step, ++written) {
    try {
      QPDF single;
      single.emptyPDF();
      QPDFPageDocumentHelper(single).addPage(pages[i], false);
      QPDFWriter writer(single);
      writer.setOutputMemory();
      writer.setStaticID(true);
      writer.write();
      auto buffer = writer.getBufferSharedPointer();
      const std::string page(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
      for (const char* target : kPageTargets) seeds.add(target, page, kMaxPageSeed);
    } catch (const std::exception& e) {
      std::cerr << "make_fuzz_seeds: page " << i + 1 << ": " << e.what() << "\n";
    }
  }
}

void addFontMaps(SeedWriter& seeds, const std::vector<QPDFObjectHandle>& resourceDicts) {
  int written = 0;
  std::set<QPDFObjGen> seen;
  for (QPDFObjectHandle resources : resourceDicts) {
    QPDFObjectHandle fonts = resources.getKey("/Font");
    if (!fonts.isDictionary()) continue;
    for (const std::string& key : fonts.getKeys()) {
      if (written >= kSeedsPerKindAndFile) return;
      QPDFObjectHandle font = fonts.getKey(key);
      if (!font.isDictionary() || !seen.insert(font.getObjGen()).second) continue;
      const bool composite = font.getKey("/Subtype").isNameAndEquals("/Type0");
      QPDFObjectHandle toUnicode = font.getKey("/ToUnicode");
      if (toUnicode.isStream()) {
        std::string mode(1, composite ? '\x02' : '\x01');
        if (seeds.add("cmap", mode + decoded(toUnicode))) ++written;
      }
      QPDFObjectHandle encoding = font.getKey("/Encoding");
      if (encoding.isStream() && seeds.add("cmap", std::string(1, '\x00') + decoded(encoding))) ++written;
    }
  }
}

void addColors(SeedWriter& seeds, const std::vector<QPDFObjectHandle>& resourceDicts) {
  int written = 0;
  auto add = [&](QPDFObjectHandle object) {
    if (written < kSeedsPerKindAndFile && seeds.add("color", bodyOf({object}))) ++written;
  };
  for (QPDFObjectHandle resources : resourceDicts) {
    for (const char* category : {"/ColorSpace", "/Shading"}) {
      QPDFObjectHandle entries = resources.getKey(category);
      if (!entries.isDictionary()) continue;
      for (const std::string& key : entries.getKeys()) {
        QPDFObjectHandle entry = entries.getKey(key);
        add(entry);
        QPDFObjectHandle dict = entry.isStream() ? entry.getDict() : entry;
        if (dict.isDictionary() && dict.hasKey("/Function")) add(dict.getKey("/Function"));
        if (entry.isArray() && entry.getArrayNItems() >= 4) add(entry.getArrayItem(3));  // a tint transform
      }
    }
    QPDFObjectHandle patterns = resources.getKey("/Pattern");
    if (patterns.isDictionary()) {
      for (const std::string& key : patterns.getKeys()) {
        QPDFObjectHandle pattern = patterns.getKey(key);
        QPDFObjectHandle dict = pattern.isStream() ? pattern.getDict() : pattern;
        if (dict.isDictionary() && dict.hasKey("/Shading")) add(dict.getKey("/Shading"));
      }
    }
  }
}

std::string ccittParameters(const platform::PdfObject* parms) {
  auto get = [&](const char* key, int64_t fallback) {
    if (!parms) return fallback;
    if (auto v = parms->getInteger(key)) return *v;
    if (auto b = parms->getBoolean(key)) return static_cast<int64_t>(*b);
    return fallback;
  };
  const int64_t columns = get("Columns", 1728), rows = get("Rows", 0);
  std::string out(8, '\0');
  out[0] = static_cast<char>(static_cast<int8_t>(get("K", 0)));
  out[1] = static_cast<char>((get("EndOfLine", 0) ? 1 : 0) | (get("EncodedByteAlign", 0) ? 2 : 0) |
                             (get("EndOfBlock", 1) ? 4 : 0) | (get("BlackIs1", 0) ? 8 : 0));
  out[2] = static_cast<char>((columns >> 8) & 0xff);
  out[3] = static_cast<char>(columns & 0xff);
  out[4] = static_cast<char>((rows >> 8) & 0xff);
  out[5] = static_cast<char>(rows & 0xff);
  out[6] = static_cast<char>(get("DamagedRowsBeforeError", 0));
  out[7] = 0;
  return out;
}

void addImages(SeedWriter& seeds, const std::vector<QPDFObjectHandle>& resourceDicts) {
  int written = 0;
  std::set<QPDFObjGen> seen;
  for (QPDFObjectHandle resources : resourceDicts) {
    QPDFObjectHandle xObjects = resources.getKey("/XObject");
    if (!xObjects.isDictionary()) continue;
    QPDFObjectHandle colorSpaces = resources.getKey("/ColorSpace");
    for (const std::string& key : xObjects.getKeys()) {
      if (written >= kSeedsPerKindAndFile) return;
      QPDFObjectHandle x = xObjects.getKey(key);
      if (!x.isStream() || !x.getDict().getKey("/Subtype").isNameAndEquals("/Image")) continue;
      if (!seen.insert(x.getObjGen()).second) continue;
      QPDFObjectHandle imageSpace = x.getDict().getKey("/ColorSpace");
      if (imageSpace.isArray()) seeds.add("color", bodyOf({imageSpace}));
      std::vector<QPDFObjectHandle> roots{x};
      if (colorSpaces.isDictionary()) roots.push_back(colorSpaces);
      if (seeds.add("image", std::string(1, '\x05') + bodyOf(roots))) ++written;
      try {
        platform::PdfStreamData data = platform::PdfObject(x).streamData();
        switch (data.format) {
          case platform::PdfStreamFormat::JPEG: {
            seeds.add("image", std::string(1, '\x00') + data.bytes);
            // The same picture as PNG, when small, seeds the PNG decoder.
            auto bitmap = platform::image::decodeJpeg(platform::image::asBytes(data.bytes));
            if (int64_t{bitmap.width()} * bitmap.height() <= 256 * 256)
              seeds.add("image", std::string(1, '\x01') + platform::image::encodePng(bitmap));
            break;
          }
          case platform::PdfStreamFormat::JPEG2000: seeds.add("image", std::string(1, '\x02') + data.bytes); break;
          case platform::PdfStreamFormat::JBIG2: {
            std::string globals;
            if (data.lastFilterParms) {
              platform::PdfObject g = data.lastFilterParms->getStream("JBIG2Globals");
              if (g.isStream()) globals = g.decodedData();
            }
            if (globals.size() > 0xffff) break;
            std::string seed(1, '\x03');
            seed += static_cast<char>(globals.size() >> 8);
            seed += static_cast<char>(globals.size() & 0xff);
            seeds.add("image", seed + globals + data.bytes);
            break;
          }
          case platform::PdfStreamFormat::CCITTFax:
            seeds.add("image", std::string(1, '\x04') + ccittParameters(data.lastFilterParms.get()) + data.bytes);
            break;
          case platform::PdfStreamFormat::Raw: break;
        }
      } catch (const std::exception&) {
      }
    }
  }
}

void addFile(SeedWriter& seeds, const fs::path& file) {
  auto bytes = platform::fs::readFile(file.string());
  if (!bytes) {
    std::cerr << "make_fuzz_seeds: cannot read " << file << "\n";
    return;
  }
  seeds.add("document", *bytes, kMaxDocumentSeed);
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile(file.string().c_str(), bytes->data(), bytes->size());
    addPages(seeds, pdf);
    const std::vector<QPDFObjectHandle> resources = resourceDictionaries(pdf);
    addFontMaps(seeds, resources);
    addColors(seeds, resources);
    addImages(seeds, resources);
  } catch (const std::exception& e) {
    // Encrypted files without their password still seed the document target.
    std::cerr << "make_fuzz_seeds: " << file.filename().string() << ": " << e.what() << "\n";
  }
}

// Small predefined CMaps (the large ones only slow the search down).
void addPredefinedCMaps(SeedWriter& seeds) {
  const fs::path root = fs::path(platform::fs::popplerDataDir()) / "cMap";
  std::error_code ec;
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file() && it->file_size() < 16 * 1024) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  const size_t step = std::max<size_t>(1, files.size() / 24);
  for (size_t i = 0; i < files.size(); i += step) {
    if (auto text = platform::fs::readFile(files[i].string())) seeds.add("cmap", std::string(1, '\x00') + *text);
  }
}

// A one-page file drawing `content`, with the standard font /F1 and an image
// /Im of 2 by 2 grey pixels among its resources.
std::string onePage(const std::string& content) {
  std::string file =
      "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources"
      " << /Font << /F1 5 0 R >> /XObject << /Im 6 0 R >> >> >> endobj\n"
      "4 0 obj << /Length " + std::to_string(content.size()) + " >> stream\n" + content + "\nendstream endobj\n"
      "5 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >> endobj\n"
      "6 0 obj << /Type /XObject /Subtype /Image /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray"
      " /Length 4 >> stream\n\x10\x80\xc0\xff\nendstream endobj\n";
  return file + "trailer << /Root 1 0 R >>\n%%EOF\n";
}

// Hand-made inputs for corners that real files rarely show.
void addHandMade(SeedWriter& seeds) {
  using namespace std::string_literals;
  const std::string cmaps[] = {
      "\x00/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /T def\n"
      "2 begincodespacerange <00> <80> <8140> <FFFF> endcodespacerange\n"
      "2 begincidrange <20> <7e> 1 <8140> <817e> 633 endcidrange\n"
      "1 begincidchar <8180> 700 endcidchar\n"
      "1 beginnotdefrange <00> <1f> 0 endnotdefrange endcmap\n"s,
      "\x00/Identity-H usecmap 1 begincodespacerange <000000> <FFFFFF> endcodespacerange\n"
      "1 begincidrange <000000> <00FFFF> 5 endcidrange\n"s,
      "\x01/CIDInit /ProcSet findresource begin begincmap 1 begincodespacerange <00> <FF> endcodespacerange\n"
      "3 beginbfchar <41> <0041> <42> <D835DC00> <43> <00660066> endbfchar\n"
      "2 beginbfrange <61> <7a> <0061> <80> <82> [<2022> <2013> <0020>] endbfrange endcmap\n"s,
      "\x02/Adobe-Japan1-UCS2 usecmap 2 begincodespacerange <00> <7F> <8000> <FFFF> endcodespacerange\n"
      "1 beginbfrange <0000> <FFFF> <0000> endbfrange 1 beginbfchar <0003> <0020> endbfchar\n"s,
  };
  for (const std::string& c : cmaps) seeds.add("cmap", c);

  const std::string colors[] = {
      "1 0 obj [/Indexed /DeviceRGB 3 <ff000000ff000000ff000000>] endobj"s,
      "1 0 obj [/Indexed [/ICCBased 2 0 R] 1 3 0 R] endobj\n2 0 obj << /N 4 /Length 0 >> stream\n\nendstream endobj\n"
      "3 0 obj (\\000\\000\\000\\000\\377\\377\\377\\377) endobj"s,
      "1 0 obj [/Separation /Spot /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 .5 1 0] /N 1 >>]"
      " endobj"s,
      "1 0 obj [/DeviceN [/A /B /C] /DeviceRGB 2 0 R << /Subtype /NChannel >>] endobj\n"
      "2 0 obj << /FunctionType 4 /Domain [0 1 0 1 0 1] /Range [0 1 0 1 0 1] /Length 44 >> stream\n"
      "{ 3 copy add add 3 div dup 0.5 gt { pop } if }\nendstream endobj"s,
      "1 0 obj << /FunctionType 0 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] /Size [2 2] /BitsPerSample 8 /Order 3"
      " /Encode [0 1 0 1] /Decode [0 1 0 1 0 1] /Length 12 >> stream\n"
      "\x00\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\xb0\nendstream endobj"s,
      "1 0 obj << /FunctionType 3 /Domain [0 1] /Functions [2 0 R 2 0 R] /Bounds [0.5] /Encode [0 1 1 0] >> endobj\n"
      "2 0 obj << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 2.2 >> endobj"s,
      "1 0 obj << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Extend [true false]"
      " /Function 2 0 R >> endobj\n2 0 obj << /FunctionType 2 /Domain [0 1] /C0 [1 1 0] /C1 [0 0 1] /N 1 >> endobj"s,
      "1 0 obj [/Lab << /WhitePoint [0.9505 1 1.089] /Range [-128 127 -128 127] >>] endobj"s,
      "1 0 obj [/CalRGB << /WhitePoint [0.9505 1 1.089] /Gamma [1.8 1.8 1.8]"
      " /Matrix [0.4497 0.2446 0.0252 0.3163 0.672 0.1412 0.1845 0.0833 0.9227] >>] endobj"s,
      "1 0 obj [/Indexed 1 0 R 255 <00>] endobj"s,
  };
  for (const std::string& c : colors) seeds.add("color", c);

  const std::string images[] = {
      "1 0 obj << /Width 4 /Height 2 /BitsPerComponent 2 /ColorSpace /DeviceGray /Decode [1 0] /Length 2 >>\n"
      "stream\n\x1b\xe4\nendstream endobj"s,
      "1 0 obj << /Width 3 /Height 1 /BitsPerComponent 4 /ColorSpace [/Indexed /DeviceRGB 2 <ff0000 00ff00 0000ff>]"
      " /Mask [1 1] /Length 2 >>\nstream\n\x01\x20\nendstream endobj"s,
      "1 0 obj << /Width 8 /Height 2 /ImageMask true /Decode [1 0] /Length 2 >>\nstream\n\xa5\x5a\nendstream endobj"s,
      "1 0 obj << /Width 2 /Height 1 /BitsPerComponent 16 /ColorSpace /CS0 /SMask 3 0 R /Length 12 >>\nstream\n"
      "\x00\x00\xff\xff\x80\x00\xff\xff\x00\x00\x12\x34\nendstream endobj\n2 0 obj << /CS0 /DeviceRGB >> endobj\n"
      "3 0 obj << /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Length 2 >>\nstream\n\x00\xff\n"
      "endstream endobj"s,
      "1 0 obj << /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceCMYK /Filter /ASCIIHexDecode"
      " /Length 33 >>\nstream\n00000000ff000000 00ff0000000000ff>\nendstream endobj"s,
  };
  for (const std::string& body : images) seeds.add("image", std::string(1, '\x05') + body);

  // Small bitmaps of each PNG layout the decoder answers.
  using platform::image::Bitmap;
  using platform::image::PixelFormat;
  for (PixelFormat format : {PixelFormat::Gray8, PixelFormat::GrayAlpha8, PixelFormat::RGB8, PixelFormat::RGBA8,
                             PixelFormat::Gray16, PixelFormat::RGB16, PixelFormat::RGBA16}) {
    Bitmap bitmap(5, 3, format);
    uint8_t v = 17;
    for (uint8_t& b : bitmap.bytes()) b = v += 37;
    seeds.add("image", std::string(1, '\x01') + platform::image::encodePng(bitmap));
  }
  {
    Bitmap bitmap(9, 7, PixelFormat::RGB8);
    uint8_t v = 3;
    for (uint8_t& b : bitmap.bytes()) b = v += 29;
    seeds.add("image", std::string(1, '\x00') + platform::image::encodeJpeg(bitmap, 80));
    seeds.add("image", std::string(1, '\x00') + platform::image::encodeJpeg(bitmap.converted(PixelFormat::CMYK8), 80));
  }

  // Pages with forms that draw themselves, inline images and odd tokens.
  const char* pages[] = {
      "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << /XObject << /X 5 0 R >> >>"
      " /Contents 4 0 R >> endobj\n"
      "4 0 obj << /Length 96 >> stream\n"
      "q 1 0 0 1 10 10 cm /X Do Q BI /W 2 /H 2 /BPC 8 /CS /G /F /AHx ID 00ff80 40> EI 0 0 m 10 10 l S\n"
      "endstream endobj\n"
      "5 0 obj << /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << /XObject << /X 5 0 R >> >>"
      " /Length 22 >> stream\n0.5 0 0 0.5 1 1 cm /X Do\nendstream endobj\n"
      "trailer << /Root 1 0 R >>\n%%EOF\n",
      "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /Font << /F1 5 0 R >> >> >> endobj\n"
      "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Rotate 90 /Contents [4 0 R 4 0 R] >> endobj\n"
      "4 0 obj << /Length 88 >> stream\n"
      "BT /F1 12 Tf 99999999999999999999 Tz [(A) -250 (B)] TJ 1 0 0 1 5 5 Tm (\\101\\102) ' ET q q Q Q Q\n"
      "endstream endobj\n"
      "5 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Differences [65 /B /A] >> >>"
      " endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n",
  };
  for (const char* page : pages) {
    seeds.add("document", page);
    for (const char* target : kPageTargets) seeds.add(target, page);
  }

  // The geometry the page layouts build: a ruled table with a number in each
  // cell, two columns of lines, text boxes under a rotation, a clipped
  // picture, and the matrices and fonts that stretch them (huge and
  // degenerate scales, zero-width text, many strings on one line).
  std::string many = "BT /F1 9 Tf 20 100 Td";
  for (int i = 0; i < 60; ++i) many += " (" + std::to_string(i) + ") Tj 2 0 Td";
  many += " ET";
  const std::string contents[] = {
      "0.5 w 72 600 m 372 600 l 72 630 m 372 630 l 72 660 m 372 660 l S 72 600 m 72 660 l 222 600 m 222 660 l"
      " 372 600 m 372 660 l S BT /F1 10 Tf 80 640 Td (Item) Tj 150 0 Td (12.50) Tj -150 -30 Td (Total) Tj"
      " 150 0 Td (1,234.00) Tj ET",
      "BT /F1 11 Tf 14 TL 72 700 Td (Left column line one) Tj T* (Left column line two) Tj T* (two) Tj ET"
      " BT /F1 11 Tf 14 TL 320 700 Td (Right column line one) Tj T* (Right column line two) Tj ET"
      " BT /F1 11 Tf 200 706 Td (Overlapping both) Tj ET",
      "q 0.866 0.5 -0.5 0.866 200 300 cm BT /F1 14 Tf 0 0 Td (Turned text box) Tj ET Q"
      " BT /F1 12 Tf 0 1 -1 0 500 200 Tm (Upward) Tj ET",
      "q 100 100 m 300 120 l 200 300 l h W n 250 0 0 250 80 80 cm /Im Do Q"
      " q 1 0 0 rg 300 300 100 50 re f 0 0 1 RG 2 w 300 300 m 400 350 l 350 450 300 250 400 300 c S Q",
      "BT /F1 12 Tf 1e30 0 0 1e-30 0 0 Tm (huge) Tj 0 0 0 0 10 10 Tm (flat) Tj 3 Tr 0 Tz (gone) Tj ET"
      " q 1e20 0 0 1e20 -1e20 -1e20 cm 0 0 1 1 re f Q BT /F1 0 Tf 72 72 Td (zero size) Tj ET",
      many,
  };
  for (const std::string& content : contents) {
    for (const char* target : kPageTargets) seeds.add(target, onePage(content));
  }

  // Annotations read from their stored bytes: links without appearances and
  // a stamp with one, in the file's body (its keys written with escapes,
  // strings and comments among them) and in object streams.
  const std::string annotated =
      "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Annots [6 0 R 7 0 R 8 0 R 6 0 R 3 0 R]"
      " /Contents 4 0 R >> endobj\n"
      "4 0 obj << /Length 8 >> stream\n0 0 m S\nendstream endobj\n"
      "5 0 obj << /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Length 10 >> stream\n0 0 5 5 re f\nendstream endobj\n"
      "6 0 obj << /Subtype /Link /Rect [0 0 9 9] /A << /URI (/AP \\) (x\\)) >> % /AP\n /Border [0 0 0] >> endobj\n"
      "7 0 obj<</Subtype/Stamp/Rect[20 20 40 40]/A#50<</N 5 0 R>>>>endobj\n"
      "8 0 obj << /Subtype /Link /Rect [50 50 60 60] /Contents <2F4150> /AP << /N 5 0 R >> endobj\n"
      "trailer << /Root 1 0 R >>\n%%EOF\n";
  for (const char* target : kPageTargets) seeds.add(target, annotated);
  try {
    QPDF streams;
    streams.processMemoryFile("annotated", annotated.data(), annotated.size());
    QPDFWriter writer(streams);
    writer.setOutputMemory();
    writer.setStaticID(true);
    writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
    auto buffer = writer.getBufferSharedPointer();
    const std::string page(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    for (const char* target : kPageTargets) seeds.add(target, page);
  } catch (const std::exception& e) {
    std::cerr << "make_fuzz_seeds: annotated page: " << e.what() << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "Usage: make_fuzz_seeds OUTDIR FILE.pdf...\n";
    return 2;
  }
  SeedWriter seeds(argv[1]);
  try {
    addHandMade(seeds);
    addPredefinedCMaps(seeds);
    for (int i = 2; i < argc; ++i) addFile(seeds, argv[i]);
  } catch (const std::exception& e) {
    std::cerr << "make_fuzz_seeds: " << e.what() << "\n";
    return 1;
  }
  for (const auto& [target, count] : seeds.counts()) std::cout << target << ": " << count << " seeds\n";
  return 0;
}

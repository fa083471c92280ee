#include "tests/support/fixtures.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/image/codecs.h"
#include "platform/pdf/document.h"
#include "platform/text/faces.h"

namespace qvtest {

std::filesystem::path corpusDir() {
  if (const char* env = std::getenv("QV_CORPUS_DIR"); env && *env) return env;
  return QV_CORPUS_DIR_DEFAULT;
}

std::vector<std::filesystem::path> corpusFiles() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(corpusDir(), ec))
    if (entry.path().extension() == ".pdf") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// The tab-separated fields of the line of a corpus list that names the file
// (file, pages, password, origin, ...); empty when none does.
static std::vector<std::string> listedFields(const std::filesystem::path& list, const std::string& name) {
  std::ifstream in(list);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream stream(line);
    for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
    if (!fields.empty() && fields[0] == name) return fields;
  }
  return {};
}

std::string corpusPassword(const std::filesystem::path& file) {
  const auto fields = listedFields(corpusDir() / "manifest.tsv", file.filename().string());
  return fields.size() < 3 || fields[2] == "-" ? "" : fields[2];
}

std::string corpusFileUnreadable(const std::filesystem::path& file) {
  const std::string password = corpusPassword(file);
  const auto document = platform::PdfDocument::open(file.string(), password);
  if (!document) return file.filename().string() + " does not open as a PDF";
  if (!document->isUnlocked())
    return file.filename().string() + " stays locked" + (password.empty() ? " (no password in the manifest)" : "");
  if (!document->hasReadablePage()) return file.filename().string() + " has no readable page";
  return {};
}

std::string noCorpus() {
  return "no corpus: " + corpusDir().string() +
         " holds no PDF (./test.sh fetches the corpus with scripts/fetch-corpus.sh; QV_CORPUS_DIR names "
         "another folder)";
}

std::string missingCorpusFile(const std::filesystem::path& file) {
  if (corpusFiles().empty()) return noCorpus();
  std::string why = "corpus file " + file.filename().string() + " is not in " + corpusDir().string();
  // A file made from others (printed, turned, scanned) is never among the
  // files fetched from packages: say so, with how it was made.
  const auto fields = listedFields(std::filesystem::path(QV_SOURCE_DIR) / "scripts" / "corpus.tsv",
                                   file.filename().string());
  if (fields.size() > 3) {
    const std::string& origin = fields[3];
    const bool packageFile = origin.starts_with("deb:") && origin.find(' ') == std::string::npos &&
                             (origin.ends_with(".pdf") || origin.ends_with(".pdf.gz"));
    if (!packageFile) why += " (made from another file, which the corpus fetch does not do: " + origin + ")";
  }
  return why;
}

std::vector<std::filesystem::path> corpusFilesOrNone() {
  std::vector<std::filesystem::path> files = corpusFiles();
  if (files.empty()) files.emplace_back();
  return files;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qvtest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

PdfBuilder::PdfBuilder() : qpdf_(std::make_unique<QPDF>()) { qpdf_->emptyPDF(); }

QPDFObjectHandle PdfBuilder::parse(const std::string& text) { return QPDFObjectHandle::parse(text); }

QPDFObjectHandle PdfBuilder::stream(const std::string& data, const std::string& dictText) {
  QPDFObjectHandle s = qpdf_->newStream(data);
  QPDFObjectHandle extra = parse(dictText);
  for (const auto& key : extra.getKeys()) s.getDict().replaceKey(key, extra.getKey(key));
  return s;
}

QPDFObjectHandle PdfBuilder::flateStream(const std::string& data, const std::string& dictText) {
  QPDFObjectHandle s = stream("", dictText);
  s.replaceStreamData(data, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  // The writer compresses streams without a filter; mark the wish explicitly
  // by letting QPDFWriter's default (compress) apply.
  return s;
}

void writeHugeImageMaskPdf(const std::filesystem::path& path) {
  constexpr int kWidth = 8992, kHeight = 10384, kRowBytes = kWidth / 8;
  std::string bits(static_cast<size_t>(kRowBytes) * kHeight, '\0');
  const auto paint = [&](int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) bits[static_cast<size_t>(y) * kRowBytes + x / 8] |= static_cast<char>(0x80 >> (x % 8));
  };
  // A frame 40 pixels thick, and lines of words 180 pixels high.
  paint(400, 400, kWidth - 400, 440), paint(400, kHeight - 440, kWidth - 400, kHeight - 400);
  paint(400, 400, 440, kHeight - 400), paint(kWidth - 440, 400, kWidth - 400, kHeight - 400);
  unsigned seed = 7;
  for (int line = 0; line < 25; ++line) {
    const int y = 900 + line * 360;
    for (int x = 900; x < kWidth - 1200;) {
      seed = seed * 1103515245u + 12345u;
      const int word = 200 + static_cast<int>((seed >> 16) % 700);
      paint(x, y, std::min(x + word, kWidth - 900), y + 180);
      x += word + 120;
    }
  }
  PdfBuilder b;
  QPDFObjectHandle mask = b.flateStream(bits, "<< /Type /XObject /Subtype /Image /Width 8992 /Height 10384 "
                                              "/ImageMask true /BitsPerComponent 1 /Decode [1 0] >>");
  b.addPage("q 612 0 0 792 0 0 cm 0 0 0 rg /Im1 Do Q", b.resources({{"XObject", {{"Im1", mask}}}}));
  b.write(path);
}

void writeRepeatedJpegPdf(const std::filesystem::path& path, std::string* jpegBytes) {
  platform::image::Bitmap pixels(200, 200, platform::image::PixelFormat::RGB8);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) {
      const bool dark = (x / 25 + y / 25) % 2 != 0;
      uint8_t* p = pixels.row(y) + 3 * x;
      p[0] = dark ? 40 : 230, p[1] = dark ? 60 : 190, p[2] = dark ? 120 : 60;
    }
  const std::string jpeg = platform::image::encodeJpeg(pixels, 90);
  if (jpegBytes) *jpegBytes = jpeg;
  PdfBuilder b;
  QPDFObjectHandle image = b.stream(jpeg, "<< /Type /XObject /Subtype /Image /Width 200 /Height 200 "
                                          "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>");
  std::string content;
  for (int i = 0; i < 32; ++i) {
    const std::string x = std::to_string(40 + (i % 8) * 66), y = std::to_string(420 + (i / 8) * 66);
    const std::string x1 = std::to_string(40 + (i % 8) * 66 + 60), xm = std::to_string(40 + (i % 8) * 66 + 30),
                      y1 = std::to_string(420 + (i / 8) * 66 + 60);
    content += "q " + x + " " + y + " m " + x1 + " " + y + " l " + xm + " " + y1 + " l h W n 60 0 0 60 " + x + " " +
               y + " cm /Jp Do Q\n";
  }
  content += "q 200 0 0 200 200 100 cm /Jp Do Q\n";
  b.addPage(content, b.resources({{"XObject", {{"Jp", image}}}}));
  b.write(path);
}

QPDFObjectHandle PdfBuilder::standardFont(const std::string& baseFont, const std::string& encoding) {
  std::string text = "<< /Type /Font /Subtype /Type1 /BaseFont /" + baseFont;
  if (!encoding.empty()) text += " /Encoding /" + encoding;
  text += " >>";
  return qpdf_->makeIndirectObject(parse(text));
}

QPDFObjectHandle PdfBuilder::resources(const std::map<std::string, Dict>& categories) {
  QPDFObjectHandle res = QPDFObjectHandle::newDictionary();
  for (const auto& [category, entries] : categories) {
    QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
    for (const auto& [name, obj] : entries) d.replaceKey("/" + name, obj);
    res.replaceKey("/" + category, d);
  }
  return res;
}

QPDFObjectHandle PdfBuilder::addPage(const std::string& content, QPDFObjectHandle resources,
                                     const std::string& mediaBox) {
  return addPageWithContents({content}, resources, mediaBox);
}

QPDFObjectHandle PdfBuilder::addPageWithContents(const std::vector<std::string>& contents,
                                                 QPDFObjectHandle resources, const std::string& mediaBox) {
  QPDFObjectHandle page = parse("<< /Type /Page >>");
  page.replaceKey("/MediaBox", parse(mediaBox));
  if (resources.isInitialized() && !resources.isNull()) page.replaceKey("/Resources", resources);
  if (contents.size() == 1) {
    page.replaceKey("/Contents", qpdf_->newStream(contents[0]));
  } else {
    QPDFObjectHandle arr = QPDFObjectHandle::newArray();
    for (const auto& c : contents) arr.appendItem(qpdf_->newStream(c));
    page.replaceKey("/Contents", arr);
  }
  page = qpdf_->makeIndirectObject(page);
  qpdf_->addPage(page, false);
  return page;
}

static void configure(QPDFWriter& w, const PdfBuilder::Encryption& e, bool compressStreams) {
  w.setStaticID(true);
  // Pre-encoded (or deliberately damaged) stream data is kept byte for byte.
  w.setDecodeLevel(qpdf_dl_none);
  w.setCompressStreams(compressStreams);
  using E = PdfBuilder::Encryption;
  const char* u = e.userPassword.c_str();
  const char* o = e.ownerPassword.c_str();
  qpdf_r3_print_e print = e.allowPrint ? qpdf_r3p_full : qpdf_r3p_none;
  switch (e.kind) {
    case E::None: break;
    case E::RC4_40: w.setR2EncryptionParametersInsecure(u, o, e.allowPrint, true, true, true); break;
    case E::RC4_128: w.setR3EncryptionParametersInsecure(u, o, true, true, true, true, true, true, print); break;
    case E::AES_128: w.setR4EncryptionParametersInsecure(u, o, true, true, true, true, true, true, print, true, true); break;
    case E::AES_256: w.setR6EncryptionParameters(u, o, true, true, true, true, true, true, print, true); break;
  }
  if (e.kind != E::None) w.setStaticID(false);
}

void PdfBuilder::write(const std::filesystem::path& path, const Encryption& encryption) {
  const std::string name = path.string();  // qpdf keeps the name until it writes
  QPDFWriter w(*qpdf_, name.c_str());
  configure(w, encryption, compressStreams_);
  w.write();
}

std::string PdfBuilder::writeToString(const Encryption& encryption) {
  QPDFWriter w(*qpdf_);
  w.setOutputMemory();
  configure(w, encryption, compressStreams_);
  w.write();
  auto buf = w.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(buf->getBuffer()), buf->getSize());
}

namespace {

std::string hex4(unsigned v) {
  static const char* digits = "0123456789ABCDEF";
  std::string out(4, '0');
  for (int i = 3; i >= 0; --i, v >>= 4) out[static_cast<size_t>(i)] = digits[v & 0xF];
  return out;
}

// UTF-16 of one character, as hexadecimal digits.
std::string utf16Hex(char32_t c) {
  if (c < 0x10000) return hex4(static_cast<unsigned>(c));
  const char32_t v = c - 0x10000;
  return hex4(0xD800 + static_cast<unsigned>(v >> 10)) + hex4(0xDC00 + static_cast<unsigned>(v & 0x3FF));
}

}  // namespace

std::string EmbeddedFont::hex(std::u32string_view text) const {
  std::string out;
  for (char32_t c : text)
    if (auto it = glyphs.find(c); it != glyphs.end()) out += hex4(it->second);
  return out;
}

double EmbeddedFont::advance(std::u32string_view text, double fontSize) const {
  double total = 0;
  for (char32_t c : text)
    if (auto it = advances.find(c); it != advances.end()) total += it->second;
  return total * fontSize / 1000.0;
}

const std::vector<std::u32string> kThaiWords = {
    U"ภาษาไทย", U"เป็นภาษา", U"ที่มีระดับเสียง", U"ของคำแน่นอน", U"หรือวรรณยุกต์", U"เช่นเดียวกับ", U"ภาษาจีน",
    U"และออกเสียง", U"แยกคำต่อคำ", U"ท่าเรือ", U"น้ำขึ้นวันละสองครั้ง", U"เรือประมง", U"นกนางนวล", U"ตลาดเช้า"};
const std::vector<std::u32string> kArabicWords = {
    U"اللغة", U"العربية", U"هي", U"أكثر", U"اللغات", U"تحدثا", U"ونطقا", U"ضمن", U"مجموعة", U"السامية",
    U"وإحدى", U"انتشارا", U"في", U"العالم", U"الميناء", U"المد", U"والجزر", U"القوارب"};
const char* const kThaiFaceFile = "/usr/share/fonts/truetype/tlwg/Norasi.ttf";
const char* const kArabicFaceFile = "/usr/share/fonts/truetype/fonts-arabeyes/ae_AlArabiya.ttf";

void addScriptPage(PdfBuilder& builder, const std::filesystem::path& face, const std::vector<std::u32string>& words,
                   double size, double leading, bool rightToLeft, const std::string& fontName) {
  // Arabic letters in the forms they join their neighbours in, as a page
  // made by a shaping application shows them.
  std::vector<std::u32string> shaped;
  for (const std::u32string& word : words) {
    std::u32string forms;
    for (size_t i = 0; i < word.size(); ++i)
      if (const char32_t form = platform::text::shownForm(word, i)) forms += form;
    shaped.push_back(std::move(forms));
  }
  std::u32string characters = U" ";
  for (const std::u32string& w : shaped) characters += w;
  EmbeddedFont font = embedTrueTypeFont(builder, face, characters);
  if (!fontName.empty()) {
    const QPDFObjectHandle name = QPDFObjectHandle::newName("/" + fontName);
    font.font.replaceKey("/BaseFont", name);
    QPDFObjectHandle cid = font.font.getKey("/DescendantFonts").getArrayItem(0);
    cid.replaceKey("/BaseFont", name);
    cid.getKey("/FontDescriptor").replaceKey("/FontName", name);
  }
  std::string content;
  size_t next = 0;
  for (double y = 720; y >= 72; y -= leading) {
    std::u32string line;
    for (size_t n = 0;; ++n) {
      const std::u32string& word = shaped[(next + n) % shaped.size()];
      const std::u32string longer = line.empty() ? word : line + U" " + word;
      if (!line.empty() && font.advance(longer, size) > 468) break;
      line = longer;
    }
    next += 3;
    const std::u32string seen = rightToLeft ? std::u32string(line.rbegin(), line.rend()) : line;
    const double x = rightToLeft ? 540 - font.advance(seen, size) : 72;
    content += "BT /F1 " + std::to_string(size) + " Tf " + std::to_string(x) + " " + std::to_string(y) + " Td <" +
               font.hex(seen) + "> Tj ET\n";
  }
  builder.addPage(content, builder.resources({{"Font", {{"F1", font.font}}}}));
}

EmbeddedFont embedTrueTypeFont(PdfBuilder& builder, const std::filesystem::path& file, std::u32string_view characters,
                               bool vertical) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string data = bytes.str();
  if (data.empty()) throw std::runtime_error("cannot read " + file.string());

  EmbeddedFont out;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0) throw std::runtime_error("FreeType");
  if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(data.data()), static_cast<FT_Long>(data.size()), 0,
                         &face) != 0) {
    FT_Done_FreeType(library);
    throw std::runtime_error("cannot open " + file.string());
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  std::string widths = "[", toUnicode;
  for (char32_t c : characters) {
    if (out.glyphs.count(c)) continue;
    const FT_UInt glyph = FT_Get_Char_Index(face, c);
    if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) != 0) {
      FT_Done_Face(face);
      FT_Done_FreeType(library);
      throw std::runtime_error(file.string() + " has no glyph for U+" + hex4(static_cast<unsigned>(c)));
    }
    const double advance = 1000.0 * face->glyph->metrics.horiAdvance / face->units_per_EM;
    out.glyphs[c] = glyph;
    out.advances[c] = advance;
    widths += " " + std::to_string(glyph) + " [" + std::to_string(static_cast<int>(advance + 0.5)) + "]";
    toUnicode += "<" + hex4(glyph) + "> <" + utf16Hex(c) + ">\n";
  }
  widths += " ]";
  const double ascent = 1000.0 * face->ascender / face->units_per_EM;
  const double descent = 1000.0 * face->descender / face->units_per_EM;
  FT_Done_Face(face);
  FT_Done_FreeType(library);

  std::string cmap =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange <0000> <FFFF> endcodespacerange\n" +
      std::to_string(out.glyphs.size()) + " beginbfchar\n" + toUnicode +
      "endbfchar\nendcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  const std::string name = file.stem().string();
  QPDFObjectHandle descriptor = builder.parse(
      "<< /Type /FontDescriptor /FontName /" + name + " /Flags 32 /Ascent " + std::to_string(static_cast<int>(ascent)) +
      " /Descent " + std::to_string(static_cast<int>(descent)) +
      " /FontBBox [-1000 -300 2000 1000] /ItalicAngle 0 /StemV 80 >>");
  descriptor.replaceKey("/FontFile2", builder.flateStream(data));
  QPDFObjectHandle cid = builder.parse("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                                       " /CIDToGIDMap /Identity /CIDSystemInfo << /Registry (Adobe) /Ordering "
                                       "(Identity) /Supplement 0 >> /DW 1000 /W " + widths + " >>");
  cid.replaceKey("/FontDescriptor", builder.qpdf().makeIndirectObject(descriptor));
  QPDFObjectHandle font = builder.parse("<< /Type /Font /Subtype /Type0 /BaseFont /" + name + " /Encoding /" +
                                        (vertical ? "Identity-V" : "Identity-H") + " >>");
  font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({builder.qpdf().makeIndirectObject(cid)}));
  font.replaceKey("/ToUnicode", builder.flateStream(cmap));
  out.font = builder.qpdf().makeIndirectObject(font);
  return out;
}

}  // namespace qvtest

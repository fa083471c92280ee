// The pictures a deck holds, pixel for pixel. Every media part of the decks
// made from the corpus and from PDFs made here (images with soft masks,
// stencils, colour keys, 16-bit samples, JPEG data kept or re-encoded,
// images cut by clips, complex paths painted with alpha) is decoded, and its
// size and pixels are compared with the list recorded in
// tests/data/pptx-picture-pixels.tsv. How a picture is encoded (its
// compression) may change; what it shows may not. The pictures are stored in
// the package as they are, not deflated a second time.
//
// When a change is meant to alter pictures, record the list again and review
// the difference:
//   QV_RECORD_PICTURE_PIXELS=$PWD/tests/data/pptx-picture-pixels.tsv
//   build-asan/tests/pptx/test_pptx --gtest_filter='PptxPicturePixels.*'
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "platform/image/codecs.h"
#include "platform/text/text.h"
#include "tests/pptx/e2e_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"

namespace {

namespace fs = std::filesystem;
using platform::image::Bitmap;
using platform::image::PixelFormat;

// One picture as a user sees it: its size and a digest of its straight RGBA
// pixels.
struct PictureDigest {
  int width = 0;
  int height = 0;
  uint64_t hash = 0;
  bool operator==(const PictureDigest&) const = default;
};

uint64_t fnv1a(std::span<const uint8_t> bytes, uint64_t h = 0xcbf29ce484222325ull) {
  for (uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

PictureDigest digest(const std::string& encoded) {
  const auto bytes = platform::image::asBytes(encoded);
  const bool png = encoded.size() > 4 && encoded.compare(1, 3, "PNG") == 0;
  const Bitmap decoded = png ? platform::image::decodePng(bytes) : platform::image::decodeJpeg(bytes, true);
  const Bitmap rgba = decoded.converted(PixelFormat::RGBA8);
  return {rgba.width(), rgba.height(), fnv1a(rgba.bytes())};
}

// Deck name and media part name to the picture.
using DigestList = std::map<std::pair<std::string, std::string>, PictureDigest>;

const fs::path kListFile = fs::path(QV_SOURCE_DIR) / "tests" / "data" / "pptx-picture-pixels.tsv";

DigestList readList(const fs::path& file) {
  DigestList list;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string deck, part, hash;
    PictureDigest d;
    if (std::getline(fields, deck, '\t') && std::getline(fields, part, '\t') && fields >> d.width >> d.height >> hash)
      d.hash = std::stoull(hash, nullptr, 16);
    list[{deck, part}] = d;
  }
  return list;
}

void writeList(const fs::path& file, const DigestList& list) {
  std::ofstream out(file);
  out << "# deck\tmedia part\twidth\theight\tFNV-1a 64 of the straight RGBA pixels\n";
  for (const auto& [key, d] : list) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(d.hash));
    out << key.first << '\t' << key.second << '\t' << d.width << '\t' << d.height << '\t' << hash << '\n';
  }
}

// The compression method of every entry of a zip file (0 stored, 8 deflated).
std::map<std::string, unsigned long> entryMethods(const fs::path& file) {
  std::map<std::string, unsigned long> out;
  unzFile zip = unzOpen64(file.string().c_str());
  if (!zip) return out;
  for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
    unz_file_info64 info{};
    char name[512];
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) == UNZ_OK)
      out[name] = info.compression_method;
  }
  unzClose(zip);
  return out;
}

// ---- PDFs made here ----

std::string number(double v) { return platform::text::formatShortest(v); }

std::string bytesOf(const Bitmap& b) { return std::string(reinterpret_cast<const char*>(b.bytes().data()), b.bytes().size()); }

Bitmap gradient(int w, int h, PixelFormat format) {
  Bitmap b(w, h, format);
  const int n = b.bytesPerPixel();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < n; ++c)
        b.row(y)[x * n + c] = static_cast<uint8_t>((x * 255 / std::max(1, w - 1) + c * 70 + y * 3) & 0xFF);
  return b;
}

std::string imageDict(int w, int h, const std::string& space, int bpc, const std::string& extra = "") {
  return "<< /Type /XObject /Subtype /Image /Width " + std::to_string(w) + " /Height " + std::to_string(h) +
         " /ColorSpace " + space + " /BitsPerComponent " + std::to_string(bpc) + " " + extra + " >>";
}

// A star of 40 points around (cx, cy): a path too complex for a freeform.
std::string star(double cx, double cy, double inner, double outer) {
  std::string s;
  for (int i = 0; i < 40; ++i) {
    const double a = std::numbers::pi * i / 20, r = i % 2 ? inner : outer;
    s += number(cx + r * std::cos(a)) + " " + number(cy + r * std::sin(a)) + (i == 0 ? " m " : " l ");
  }
  return s + "h ";
}

fs::path madePictures(const qvtest::TempDir& dir) {
  qvtest::PdfBuilder b;
  const int w = 48, h = 32;
  const std::string rgb = bytesOf(gradient(w, h, PixelFormat::RGB8));
  const std::string gray = bytesOf(gradient(w, h, PixelFormat::Gray8));

  auto smask = b.stream(gray, imageDict(w, h, "/DeviceGray", 8));
  auto softMasked = b.stream(rgb, imageDict(w, h, "/DeviceRGB", 8));
  softMasked.getDict().replaceKey("/SMask", smask);
  auto plain = b.stream(rgb, imageDict(w, h, "/DeviceRGB", 8));
  std::string stencilBits;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < (w + 7) / 8; ++x) stencilBits.push_back(static_cast<char>(y % 2 ? 0x5A : 0xC3));
  auto stencil = b.stream(stencilBits, "<< /Type /XObject /Subtype /Image /Width " + std::to_string(w) +
                                           " /Height " + std::to_string(h) + " /ImageMask true >>");
  std::string indexed;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) indexed.push_back(static_cast<char>((x / 6 + y / 4) % 4));
  auto keyed = b.stream(indexed, imageDict(w, h, "[/Indexed /DeviceRGB 3 <FF000000FF000000FFFFFF00>]", 8,
                                           "/Mask [1 1]"));
  std::string wide;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        const int v = (x * 1365 + y * 2047 + c * 9000) & 0xFFFF;
        wide.push_back(static_cast<char>(v >> 8));
        wide.push_back(static_cast<char>(v & 0xFF));
      }
  auto sixteen = b.stream(wide, imageDict(w, h, "/DeviceRGB", 16));
  auto grayJpeg = b.stream(platform::image::encodeJpeg(gradient(w, h, PixelFormat::Gray8), 90),
                           imageDict(w, h, "/DeviceGray", 8, "/Filter /DCTDecode"));
  auto cmykJpeg = b.stream(platform::image::encodeJpeg(gradient(w, h, PixelFormat::CMYK8), 90),
                           imageDict(w, h, "/DeviceCMYK", 8, "/Filter /DCTDecode"));
  auto maskedJpeg = b.stream(platform::image::encodeJpeg(gradient(w, h, PixelFormat::RGB8), 90),
                             imageDict(w, h, "/DeviceRGB", 8, "/Filter /DCTDecode"));
  maskedJpeg.getDict().replaceKey("/SMask", smask);
  auto alphas = b.parse("<< /Half << /ca 0.5 /CA 0.7 >> >>");

  auto resources = b.resources({{"XObject",
                                 {{"Soft", softMasked},
                                  {"Plain", plain},
                                  {"Stencil", stencil},
                                  {"Keyed", keyed},
                                  {"Sixteen", sixteen},
                                  {"GrayJpeg", grayJpeg},
                                  {"CmykJpeg", cmykJpeg},
                                  {"MaskedJpeg", maskedJpeg}}}});
  resources.replaceKey("/ExtGState", alphas);

  // Images as they are, scaled, turned and under clips.
  b.addPage("q 192 0 0 128 40 620 cm /Soft Do Q "
            "q 0 100 -100 0 400 620 cm /Plain Do Q "
            "q 1 0 0.5 rg 144 0 0 96 40 480 cm /Stencil Do Q "
            "q 144 0 0 96 240 480 cm /Keyed Do Q "
            "q 144 0 0 96 420 480 cm /Sixteen Do Q "
            "q 100 300 m 200 420 l 300 300 l h W n 240 0 0 160 80 280 cm /Plain Do Q "
            "q 400 350 m 400 405 455 450 510 450 c 565 450 610 405 610 350 c 610 295 565 250 510 250 c "
            "455 250 400 295 400 350 c h W* n 240 0 0 160 390 270 cm /Soft Do Q "
            "BI /W 4 /H 3 /CS /G /BPC 8 ID \x10\x40\x80\xC0\x20\x50\x90\xD0\x30\x60\xA0\xF0 EI",
            resources);
  // JPEG data kept, re-encoded and masked.
  b.addPage("q 192 0 0 128 40 620 cm /GrayJpeg Do Q "
            "q 192 0 0 128 260 620 cm /CmykJpeg Do Q "
            "q 192 0 0 128 40 440 cm /MaskedJpeg Do Q "
            "q 100 200 m 300 200 l 300 400 l h W n 192 0 0 128 120 220 cm /CmykJpeg Do Q",
            resources);
  // Complex paths painted with alpha, with strokes, and under a clip.
  b.addPage("/Half gs 0.9 0.2 0.1 rg 0.1 0.2 0.7 RG 6 w 1 j " + star(200, 600, 60, 140) + "B " +
                "0 0.5 0 RG 2 w [6 3] 0 d " + star(450, 600, 40, 100) + "S " +
                "q 50 100 300 150 re W n 0.2 0.6 0.9 rg " + star(200, 200, 50, 150) + "f* Q",
            resources);
  const fs::path pdf = dir.file("made-pictures.pdf");
  b.write(pdf);
  return pdf;
}

TEST(PptxPicturePixels, DeckPicturesKeepTheirPixels) {
  qvtest::TempDir dir;
  std::vector<std::pair<fs::path, std::string>> inputs;
  for (const fs::path& f : qvtest::corpusFiles()) {
    if (const std::string why = qvtest::corpusFileUnreadable(f); !why.empty()) ADD_FAILURE() << why;
    else inputs.emplace_back(f, qvtest::corpusPassword(f));
  }
  inputs.emplace_back(madePictures(dir), "");

  DigestList actual;
  for (const auto& [pdf, password] : inputs) {
    SCOPED_TRACE(pdf.filename().string());
    const fs::path pptx = dir.file(pdf.stem().string() + ".pptx");
    EXPECT_NO_THROW(pptxe2e::convertToPptx(pdf, pptx, password));
    if (!fs::exists(pptx)) continue;
    qvtest::ZipPackage package(pptx);
    const auto methods = entryMethods(pptx);
    for (const std::string& name : package.entries()) {
      if (!name.starts_with("ppt/media/")) {
        if (name.ends_with(".xml") || name.ends_with(".rels")) {
          EXPECT_EQ(methods.at(name), 8u) << name;
        }
        continue;
      }
      EXPECT_EQ(methods.at(name), 0u) << name << " is compressed a second time";
      try {
        actual[{pdf.filename().string(), name}] = digest(package.data(name));
      } catch (const std::exception& e) {
        ADD_FAILURE() << name << " cannot be decoded: " << e.what();
      }
    }
  }
  // The made PDF draws every kind of picture the list stands for.
  EXPECT_GE(std::count_if(actual.begin(), actual.end(), [](const auto& e) { return e.first.first == "made-pictures.pdf"; }),
            14);

  if (const char* record = std::getenv("QV_RECORD_PICTURE_PIXELS"); record && *record) {
    writeList(record, actual);
    GTEST_SKIP() << "recorded " << actual.size() << " pictures to " << record;
  }
  const DigestList expected = readList(kListFile);
  ASSERT_FALSE(expected.empty()) << "no list at " << kListFile;
  // A checkout without every corpus file (a fetched corpus lacks the office-
  // and Ghostscript-printed ones) checks the pictures of the files it has.
  std::set<std::string> converted;
  for (const auto& input : inputs) converted.insert(input.first.filename().string());
  for (const auto& [key, want] : expected) {
    if (!converted.count(key.first)) continue;
    auto it = actual.find(key);
    if (it == actual.end()) {
      ADD_FAILURE() << key.first << ": " << key.second << " is missing from the deck";
      continue;
    }
    EXPECT_EQ(it->second, want) << key.first << ": " << key.second << " shows other pixels (" << it->second.width
                                << " x " << it->second.height << " against " << want.width << " x " << want.height
                                << ")";
  }
  for (const auto& [key, got] : actual)
    if (!expected.count(key)) ADD_FAILURE() << key.first << ": " << key.second << " is a picture the list lacks";
}

}  // namespace

// Image extraction end to end: a PDF written with qpdf carries images of every
// kind the extractor handles; each image XObject (and an inline image) is
// encoded as an image file in memory, which is decoded again with libpng or
// libjpeg and compared with the samples the PDF was made from.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFUtilities.h"
#include "platform/fs/files.h"
#include "platform/image/codecs.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"
#include "tests/platform/image_fixtures.h"
#include "tests/support/fixtures.h"

using platform::image::Bitmap;
using platform::image::PixelFormat;
namespace fx = qvtest::images;

namespace {

constexpr int kW = 12, kH = 7;

// The JPEG without its segments of one marker (0xDB: the quantisation tables).
std::string withoutSegments(const std::string& jpeg, uint8_t marker) {
  std::string out = jpeg.substr(0, 2);
  size_t at = 2;
  while (at + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[at]) == 0xFF) {
    const uint8_t m = static_cast<uint8_t>(jpeg[at + 1]);
    const size_t length = static_cast<uint8_t>(jpeg[at + 2]) << 8 | static_cast<uint8_t>(jpeg[at + 3]);
    if (m == 0xDA) break;  // the scan: the rest is copied as it is
    if (m != marker) out += jpeg.substr(at, 2 + length);
    at += 2 + length;
  }
  return out + jpeg.substr(at);
}

std::string bytesOf(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// Samples of `n` components at `bpc` bits, packed into PDF rows.
std::string pack(const std::vector<uint32_t>& samples, int width, int height, int n, int bpc) {
  const size_t rowBytes = (static_cast<size_t>(width) * n * bpc + 7) / 8;
  std::string out(rowBytes * height, '\0');
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < width * n; ++i) {
      uint32_t v = samples[static_cast<size_t>(y) * width * n + i];
      size_t bit = static_cast<size_t>(i) * bpc;
      for (int b = bpc - 1; b >= 0; --b, ++bit)
        if ((v >> b) & 1) out[y * rowBytes + bit / 8] = static_cast<char>(out[y * rowBytes + bit / 8] | (0x80 >> (bit % 8)));
    }
  return out;
}

std::vector<uint32_t> pattern(int count, uint32_t maxValue, uint32_t seed = 7) {
  std::vector<uint32_t> v(count);
  for (int i = 0; i < count; ++i) v[i] = (static_cast<uint32_t>(i) * 2654435761u + seed * 97u) % (maxValue + 1);
  return v;
}

// Smooth 8-bit content that JPEG keeps close.
std::vector<uint8_t> smooth(int width, int height, int n) {
  std::vector<uint8_t> v(static_cast<size_t>(width) * height * n);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < n; ++c) v[(static_cast<size_t>(y) * width + x) * n + c] = static_cast<uint8_t>(40 + x * 2 + y * 3 + c * 25);
  return v;
}

struct Written {
  std::string path;  // the image file's name
  std::string bytes;
  Bitmap pixels;
};

Written readBack(const QVPDFImageFile& file) {
  Written w{file.name, std::string(file.bytes()), {}};
  EXPECT_FALSE(file.empty()) << file.name;
  if (file.empty()) return w;
  const auto data = platform::image::asBytes(w.bytes);
  if (w.path.ends_with(".png")) w.pixels = platform::image::decodePng(data);
  else if (w.path.ends_with(".jpeg")) w.pixels = platform::image::decodeJpeg(data);
  else ADD_FAILURE() << "unexpected file type " << w.path;
  return w;
}

int channelOf(const Bitmap& b, int x, int y, int c) {
  if (platform::image::is16Bit(b.format())) return b.row16(y)[x * b.channels() + c];
  return b.row(y)[x * b.channels() + c];
}

// Builds the PDF, opens it, and extracts every named image of page 1.
class ExtractionTest : public ::testing::Test {
 protected:
  qvtest::PdfBuilder builder;
  std::map<std::string, QPDFObjectHandle> images;
  std::string content = "q 10 0 0 10 0 0 cm Q";
  qvtest::TempDir dir;
  platform::fs::WorkFolder work;
  std::unique_ptr<platform::fs::WorkFolderScope> scope;
  std::unique_ptr<platform::PdfDocument> document;
  std::optional<platform::PdfPage> page;

  void SetUp() override { scope = std::make_unique<platform::fs::WorkFolderScope>(work); }

  void add(const std::string& name, QPDFObjectHandle stream) { images[name] = stream; }

  void open() {
    qvtest::PdfBuilder::Dict xobjects(images.begin(), images.end());
    builder.addPage(content, builder.resources({{"XObject", xobjects}}));
    builder.write(dir.file("images.pdf"));
    document = platform::PdfDocument::open(dir.file("images.pdf").string());
    ASSERT_TRUE(document);
    page = document->page(1);
    ASSERT_TRUE(page);
  }

  std::shared_ptr<QVPDFXObject> xobject(const std::string& name) {
    return QVPDFXObject::xObjectWithStream(page->resources().get("XObject").get(name), name,
                                           page->resources().get("ColorSpace"));
  }

  Written extract(const std::string& name, QVPDFRGB fill = {}) {
    auto x = std::dynamic_pointer_cast<QVPDFImageXObject>(xobject(name));
    EXPECT_TRUE(x) << name;
    if (!x) return {};
    const QVPDFImageFile& file = x->imageFile(fill);
    EXPECT_FALSE(file.empty()) << name;
    if (file.empty()) return {};
    return readBack(file);
  }

  std::vector<std::string> filesWritten() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(work.path())) names.push_back(e.path().filename().string());
    return names;
  }
};

}  // namespace

TEST_F(ExtractionTest, FlateGrayAtEveryDepthIsWrittenAsLosslessPng) {
  for (int bpc : {1, 2, 4, 8, 16}) {
    const uint32_t maxValue = (1u << bpc) - 1;
    add("G" + std::to_string(bpc),
        builder.flateStream(pack(pattern(kW * kH, maxValue, bpc), kW, kH, 1, bpc),
                            "<< /Type /XObject /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceGray "
                            "/BitsPerComponent " + std::to_string(bpc) + " >>"));
  }
  open();
  for (int bpc : {1, 2, 4, 8, 16}) {
    SCOPED_TRACE(bpc);
    const uint32_t maxValue = (1u << bpc) - 1;
    const auto samples = pattern(kW * kH, maxValue, bpc);
    Written w = extract("G" + std::to_string(bpc));
    ASSERT_TRUE(w.path.ends_with(".png"));
    ASSERT_EQ(w.pixels.format(), bpc == 16 ? PixelFormat::Gray16 : PixelFormat::Gray8);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const uint32_t s = samples[y * kW + x];
        const int expected = bpc == 16 ? static_cast<int>(s) : static_cast<int>(s * 255 / maxValue);
        ASSERT_EQ(channelOf(w.pixels, x, y, 0), expected) << x << "," << y;
      }
  }
}

TEST_F(ExtractionTest, FlateRgbCmykAndDecodeArraysConvertThroughTheColourSpace) {
  add("RGB8", builder.flateStream(pack(pattern(kW * kH * 3, 255), kW, kH, 3, 8),
                                  "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceRGB /BitsPerComponent 8 >>"));
  add("RGB16", builder.flateStream(pack(pattern(kW * kH * 3, 65535), kW, kH, 3, 16),
                                   "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceRGB /BitsPerComponent 16 >>"));
  add("RGB4", builder.flateStream(pack(pattern(kW * kH * 3, 15), kW, kH, 3, 4),
                                  "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceRGB /BitsPerComponent 4 >>"));
  add("CMYK", builder.flateStream(pack(pattern(kW * kH * 4, 255), kW, kH, 4, 8),
                                  "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceCMYK /BitsPerComponent 8 >>"));
  add("Inverted", builder.flateStream(pack(pattern(kW * kH, 255), kW, kH, 1, 8),
                                      "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceGray /BitsPerComponent 8 "
                                      "/Decode [1 0] >>"));
  // Each channel decoded its own way: converted a channel at a time.
  add("RGBDecoded", builder.flateStream(pack(pattern(kW * kH * 3, 255), kW, kH, 3, 8),
                                        "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceRGB "
                                        "/BitsPerComponent 8 /Decode [1 0 0 1 0 0.5] >>"));
  open();

  const auto rgb = pattern(kW * kH * 3, 255);
  Written w = extract("RGB8");
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGB8);
  EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), w.pixels.bytes().begin()));

  const auto rgb16 = pattern(kW * kH * 3, 65535);
  w = extract("RGB16");
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGB16);
  for (int i = 0; i < kW * kH * 3; ++i) ASSERT_EQ(w.pixels.row16(0)[i], rgb16[i]);

  const auto rgb4 = pattern(kW * kH * 3, 15);
  w = extract("RGB4");
  for (int i = 0; i < kW * kH * 3; ++i) ASSERT_EQ(w.pixels.bytes()[i], rgb4[i] * 17);

  const auto cmyk = pattern(kW * kH * 4, 255);
  w = extract("CMYK");
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGB8);
  const auto deviceCMYK = QVPDFColorSpace::deviceCMYK();
  for (int i = 0; i < kW * kH; ++i) {
    QVPDFColor c;
    for (int k = 0; k < 4; ++k) c.c[k] = static_cast<int32_t>(cmyk[i * 4 + k]);
    QVPDFRGB expected = deviceCMYK->getRGB(c);
    ASSERT_EQ(w.pixels.bytes()[i * 3], expected.r);
    ASSERT_EQ(w.pixels.bytes()[i * 3 + 1], expected.g);
    ASSERT_EQ(w.pixels.bytes()[i * 3 + 2], expected.b);
  }

  const auto gray = pattern(kW * kH, 255);
  w = extract("Inverted");
  for (int i = 0; i < kW * kH; ++i) ASSERT_NEAR(w.pixels.bytes()[i], 255 - static_cast<int>(gray[i]), 1);

  w = extract("RGBDecoded");
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGB8);
  for (int i = 0; i < kW * kH; ++i) {
    ASSERT_NEAR(w.pixels.bytes()[i * 3], 255 - static_cast<int>(rgb[i * 3]), 1) << i;
    ASSERT_EQ(w.pixels.bytes()[i * 3 + 1], rgb[i * 3 + 1]) << i;
    ASSERT_NEAR(w.pixels.bytes()[i * 3 + 2], static_cast<int>(rgb[i * 3 + 2]) / 2, 1) << i;
  }
}

TEST_F(ExtractionTest, IndexedSeparationAndNamedSpacesAreConverted) {
  // Four palette entries over RGB, two bits per index.
  add("Indexed", builder.flateStream(pack(pattern(kW * kH, 3), kW, kH, 1, 2),
                                     "<< /Subtype /Image /Width 12 /Height 7 /BitsPerComponent 2 "
                                     "/ColorSpace [/Indexed /DeviceRGB 3 <FF000000FF000000FF102030>] >>"));
  // A spot colour whose tint runs from white to (0, 128, 255).
  add("Spot", builder.flateStream(pack(pattern(kW * kH, 255), kW, kH, 1, 8),
                                  "<< /Subtype /Image /Width 12 /Height 7 /BitsPerComponent 8 "
                                  "/ColorSpace [/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] "
                                  "/C0 [1 1 1] /C1 [0 0.5 1] /N 1 >>] >>"));
  add("ICC", builder.flateStream(pack(pattern(kW * kH * 3, 255, 3), kW, kH, 3, 8),
                                 "<< /Subtype /Image /Width 12 /Height 7 /BitsPerComponent 8 >>"));
  images["ICC"].getDict().replaceKey("/ColorSpace", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{
                                                         QPDFObjectHandle::newName("/ICCBased"),
                                                         builder.stream("profile", "<< /N 3 >>")}));
  open();

  const uint8_t palette[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {16, 32, 48}};
  const auto indices = pattern(kW * kH, 3);
  Written w = extract("Indexed");
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGB8);
  for (int i = 0; i < kW * kH; ++i)
    for (int c = 0; c < 3; ++c) ASSERT_EQ(w.pixels.bytes()[i * 3 + c], palette[indices[i]][c]);

  const auto tints = pattern(kW * kH, 255);
  w = extract("Spot");
  for (int i = 0; i < kW * kH; ++i) {
    const double t = tints[i] / 255.0;
    ASSERT_NEAR(w.pixels.bytes()[i * 3], 255 * (1 - t), 1.0);
    ASSERT_NEAR(w.pixels.bytes()[i * 3 + 1], 255 * (1 - 0.5 * t), 1.0);
    ASSERT_NEAR(w.pixels.bytes()[i * 3 + 2], 255, 1.0);
  }

  const auto icc = pattern(kW * kH * 3, 255, 3);
  w = extract("ICC");
  EXPECT_TRUE(std::equal(icc.begin(), icc.end(), w.pixels.bytes().begin()));
}

TEST_F(ExtractionTest, DctRgbStaysJpegAndAdobeCmykIsConvertedToRgbJpeg) {
  const auto rgb = smooth(32, 24, 3);
  Bitmap rgbBitmap(32, 24, PixelFormat::RGB8);
  std::copy(rgb.begin(), rgb.end(), rgbBitmap.bytes().begin());
  const std::string rgbJpeg = platform::image::encodeJpeg(rgbBitmap, 95);
  add("DCT", builder.stream(rgbJpeg, "<< /Subtype /Image /Width 32 /Height 24 /ColorSpace /DeviceRGB "
                                     "/BitsPerComponent 8 /Filter /DCTDecode >>"));

  // As Adobe applications write CMYK JPEG: 255 - ink stored, an Adobe
  // marker, and a /Decode array that reads the samples back as ink.
  const auto ink = smooth(32, 24, 4);
  Bitmap stored(32, 24, PixelFormat::CMYK8);
  for (size_t i = 0; i < ink.size(); ++i) stored.bytes()[i] = static_cast<uint8_t>(255 - ink[i]);
  add("AdobeCMYK", builder.stream(platform::image::encodeJpeg(stored, 98),
                                  "<< /Subtype /Image /Width 32 /Height 24 /ColorSpace /DeviceCMYK /BitsPerComponent 8 "
                                  "/Filter /DCTDecode /Decode [1 0 1 0 1 0 1 0] >>"));
  open();

  Written w = extract("DCT");
  ASSERT_TRUE(w.path.ends_with(".jpeg"));
  EXPECT_EQ(w.bytes, rgbJpeg);  // kept as it was
  for (size_t i = 0; i < rgb.size(); ++i) ASSERT_NEAR(w.pixels.bytes()[i], rgb[i], 10);

  w = extract("AdobeCMYK");
  ASSERT_TRUE(w.path.ends_with(".jpeg"));
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGB8);
  const auto deviceCMYK = QVPDFColorSpace::deviceCMYK();
  for (int i = 0; i < 32 * 24; ++i) {
    QVPDFColor c;
    for (int k = 0; k < 4; ++k) c.c[k] = ink[i * 4 + k];
    QVPDFRGB e = deviceCMYK->getRGB(c);
    ASSERT_NEAR(w.pixels.bytes()[i * 3], e.r, 14) << i;
    ASSERT_NEAR(w.pixels.bytes()[i * 3 + 1], e.g, 14) << i;
    ASSERT_NEAR(w.pixels.bytes()[i * 3 + 2], e.b, 14) << i;
  }
}

TEST_F(ExtractionTest, AJpegFrameFarLargerThanTheImageIsWrittenAtAReducedScale) {
  // The dictionary says 200 x 150; the JPEG's own frame is 3200 x 2400. The
  // picture is decoded and written at 1/8 (400 x 300), not at 7.7 million
  // pixels, and not passed through as it is.
  const auto rgb = smooth(3200, 2400, 3);
  Bitmap big(3200, 2400, PixelFormat::RGB8);
  std::copy(rgb.begin(), rgb.end(), big.bytes().begin());
  const std::string jpeg = platform::image::encodeJpeg(big, 70);
  add("Big", builder.stream(jpeg, "<< /Subtype /Image /Width 200 /Height 150 /ColorSpace /DeviceRGB "
                                  "/BitsPerComponent 8 /Filter /DCTDecode >>"));
  // The same frame with a soft mask, read while the frame decodes.
  QPDFObjectHandle masked = builder.stream(jpeg, "<< /Subtype /Image /Width 200 /Height 150 /ColorSpace /DeviceRGB "
                                                 "/BitsPerComponent 8 /Filter /DCTDecode >>");
  masked.getDict().replaceKey("/SMask", builder.flateStream(std::string(200 * 150, '\x80'),
                                                            "<< /Subtype /Image /Width 200 /Height 150 "
                                                            "/ColorSpace /DeviceGray /BitsPerComponent 8 >>"));
  add("BigMasked", masked);
  open();
  Written m = extract("BigMasked");
  ASSERT_TRUE(m.path.ends_with(".png"));
  ASSERT_EQ(m.pixels.format(), PixelFormat::RGBA8);
  EXPECT_EQ(m.pixels.width(), 400);
  EXPECT_EQ(m.pixels.height(), 300);
  EXPECT_NEAR(m.pixels.row(0)[0], 40 + 2 * 3.5 + 3 * 3.5, 8);
  for (int y = 0; y < 300; y += 37) EXPECT_EQ(m.pixels.row(y)[4 * 123 + 3], 0x80) << y;
  Written w = extract("Big");
  ASSERT_TRUE(w.path.ends_with(".jpeg"));
  EXPECT_NE(w.bytes, jpeg);
  EXPECT_EQ(w.pixels.width(), 400);
  EXPECT_EQ(w.pixels.height(), 300);
  // The content is the frame's, shrunk: the first pixel is the mean of the
  // source's top-left 8 x 8 block (40 + 2x + 3y over x, y in 0..7).
  EXPECT_NEAR(w.pixels.row(0)[0], 40 + 2 * 3.5 + 3 * 3.5, 8);
}

TEST_F(ExtractionTest, Jpeg2000Jbig2AndCcittAreDecodedToPng) {
  std::vector<uint8_t> rgb(kW * kH * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 37);
  add("JPX", builder.stream(fx::encodeJpeg2000(rgb, kW, kH, 3, true),
                            "<< /Subtype /Image /Width 12 /Height 7 /Filter /JPXDecode >>"));

  fx::Bilevel picture = fx::testBilevel(40, 18);
  add("G4", builder.stream(fx::encodeG4(picture),
                           "<< /Subtype /Image /Width 40 /Height 18 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                           "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 40 /Rows 18 >> >>"));

  fx::Jbig2WithGlobals jbig2 = fx::encodeJbig2Halftone(fx::testBilevel(8, 8), fx::Bilevel{4, 2, {1, 0, 1, 1, 0, 1, 1, 0}});
  QPDFObjectHandle globals = builder.stream(jbig2.globals);
  QPDFObjectHandle jb = builder.stream(jbig2.page, "<< /Subtype /Image /Width 32 /Height 16 /ColorSpace /DeviceGray "
                                                   "/BitsPerComponent 1 /Filter /JBIG2Decode >>");
  jb.getDict().replaceKey("/DecodeParms", QPDFObjectHandle::newDictionary({{"/JBIG2Globals", globals}}));
  add("JB2", jb);
  open();

  Written w = extract("JPX");
  ASSERT_TRUE(w.path.ends_with(".png"));
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGB8);
  EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), w.pixels.bytes().begin()));

  w = extract("G4");
  ASSERT_EQ(w.pixels.format(), PixelFormat::Gray8);
  ASSERT_EQ(w.pixels.width(), 40);
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(w.pixels.row(y)[x], picture.at(x, y) ? 0 : 255) << x << "," << y;

  w = extract("JB2");
  ASSERT_EQ(w.pixels.width(), 32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(w.pixels.row(y)[x], jbig2.expected.at(x, y) ? 0 : 255) << x << "," << y;
}

TEST_F(ExtractionTest, SoftMasksColourKeysAndMaskStreamsBecomeAlpha) {
  const auto rgb = pattern(kW * kH * 3, 255);
  const auto alpha = pattern(kW * kH, 255, 11);
  QPDFObjectHandle smask = builder.flateStream(pack(alpha, kW, kH, 1, 8),
                                               "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceGray /BitsPerComponent 8 >>");
  QPDFObjectHandle soft = builder.flateStream(pack(rgb, kW, kH, 3, 8),
                                              "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceRGB /BitsPerComponent 8 >>");
  soft.getDict().replaceKey("/SMask", smask);
  add("Soft", soft);

  // A JPEG with a soft mask keeps its transparency: PNG with alpha.
  const auto jpegRgb = smooth(kW, kH, 3);
  Bitmap jb(kW, kH, PixelFormat::RGB8);
  std::copy(jpegRgb.begin(), jpegRgb.end(), jb.bytes().begin());
  QPDFObjectHandle dct = builder.stream(platform::image::encodeJpeg(jb, 95),
                                        "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>");
  dct.getDict().replaceKey("/SMask", smask);
  add("DctSoft", dct);

  // Colour key: palette index 2 is transparent.
  const auto indices = pattern(kW * kH, 3);
  add("Keyed", builder.flateStream(pack(indices, kW, kH, 1, 8),
                                   "<< /Subtype /Image /Width 12 /Height 7 /BitsPerComponent 8 /Mask [2 2] "
                                   "/ColorSpace [/Indexed /DeviceRGB 3 <FF000000FF000000FF102030>] >>"));

  // An explicit mask of twice the image's size.
  fx::Bilevel maskPicture = fx::testBilevel(24, 14);
  std::vector<uint32_t> maskBits(24 * 14);
  for (int i = 0; i < 24 * 14; ++i) maskBits[i] = maskPicture.black[i];
  QPDFObjectHandle maskStream = builder.flateStream(pack(maskBits, 24, 14, 1, 1),
                                                    "<< /Subtype /Image /Width 24 /Height 14 /ImageMask true >>");
  QPDFObjectHandle masked = builder.flateStream(pack(rgb, kW, kH, 3, 8),
                                                "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceRGB /BitsPerComponent 8 >>");
  masked.getDict().replaceKey("/Mask", maskStream);
  add("Masked", masked);
  open();

  Written w = extract("Soft");
  ASSERT_TRUE(w.path.ends_with(".png"));
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGBA8);
  for (int i = 0; i < kW * kH; ++i) {
    for (int c = 0; c < 3; ++c) ASSERT_EQ(w.pixels.bytes()[i * 4 + c], rgb[i * 3 + c]);
    ASSERT_EQ(w.pixels.bytes()[i * 4 + 3], alpha[i]);
  }

  w = extract("DctSoft");
  ASSERT_TRUE(w.path.ends_with(".png"));
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGBA8);
  for (int i = 0; i < kW * kH; ++i) {
    for (int c = 0; c < 3; ++c) ASSERT_NEAR(w.pixels.bytes()[i * 4 + c], jpegRgb[i * 3 + c], 10);
    ASSERT_EQ(w.pixels.bytes()[i * 4 + 3], alpha[i]);
  }

  w = extract("Keyed");
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGBA8);
  for (int i = 0; i < kW * kH; ++i) ASSERT_EQ(w.pixels.bytes()[i * 4 + 3], indices[i] == 2 ? 0 : 255) << i;

  w = extract("Masked");
  ASSERT_EQ(w.pixels.width(), 24);
  ASSERT_EQ(w.pixels.height(), 14);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 24; ++x) {
      const uint8_t* p = w.pixels.row(y) + x * 4;
      ASSERT_EQ(p[3], maskPicture.at(x, y) ? 0 : 255) << x << "," << y;  // 1 masks out
      ASSERT_EQ(p[0], rgb[((y / 2) * kW + x / 2) * 3]);
    }
}

TEST_F(ExtractionTest, ASoftMaskMatteIsUnblended) {
  // Colours stored pre-blended with white by their opacity.
  std::vector<uint32_t> stored(kW * kH * 3), alpha(kW * kH), original(kW * kH * 3);
  for (int i = 0; i < kW * kH; ++i) {
    alpha[i] = 64 + (i * 7) % 192;
    for (int c = 0; c < 3; ++c) {
      original[i * 3 + c] = (i * 13 + c * 70) % 256;
      stored[i * 3 + c] = static_cast<uint32_t>(std::lround(255 + alpha[i] / 255.0 * (static_cast<double>(original[i * 3 + c]) - 255)));
    }
  }
  QPDFObjectHandle smask = builder.flateStream(pack(alpha, kW, kH, 1, 8),
                                               "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceGray "
                                               "/BitsPerComponent 8 /Matte [1 1 1] >>");
  QPDFObjectHandle image = builder.flateStream(pack(stored, kW, kH, 3, 8),
                                               "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceRGB /BitsPerComponent 8 >>");
  image.getDict().replaceKey("/SMask", smask);
  add("Matte", image);
  open();
  Written w = extract("Matte");
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGBA8);
  for (int i = 0; i < kW * kH; ++i) {
    ASSERT_EQ(w.pixels.bytes()[i * 4 + 3], alpha[i]);
    for (int c = 0; c < 3; ++c) ASSERT_NEAR(w.pixels.bytes()[i * 4 + c], original[i * 3 + c], 3) << i;
  }
}

TEST_F(ExtractionTest, StencilMasksArePaintedInTheFillColour) {
  fx::Bilevel picture = fx::testBilevel(kW, kH);
  std::vector<uint32_t> bits(kW * kH);
  for (int i = 0; i < kW * kH; ++i) bits[i] = picture.black[i];
  add("Stencil", builder.flateStream(pack(bits, kW, kH, 1, 1), "<< /Subtype /Image /Width 12 /Height 7 /ImageMask true >>"));
  add("StencilInverted", builder.flateStream(pack(bits, kW, kH, 1, 1),
                                             "<< /Subtype /Image /Width 12 /Height 7 /ImageMask true /BitsPerComponent 1 /Decode [1 0] >>"));
  open();

  auto x = std::dynamic_pointer_cast<QVPDFImageXObject>(xobject("Stencil"));
  ASSERT_TRUE(x);
  EXPECT_TRUE(x->isImageMask());
  const QVPDFImageFile red = x->imageFile({255, 0, 0});
  const QVPDFImageFile blue = x->imageFile({0, 0, 255});
  EXPECT_NE(red.serial, blue.serial);
  EXPECT_NE(red.name, blue.name);
  EXPECT_EQ(x->imageFile({255, 0, 0}).serial, red.serial);  // one file per colour
  Written w = readBack(red);
  ASSERT_EQ(w.pixels.format(), PixelFormat::RGBA8);
  for (int y = 0; y < kH; ++y)
    for (int i = 0; i < kW; ++i) {
      const uint8_t* p = w.pixels.row(y) + i * 4;
      ASSERT_EQ(p[3], picture.at(i, y) ? 0 : 255);  // sample 0 paints
      if (p[3]) {
        ASSERT_EQ(p[0], 255);
        ASSERT_EQ(p[2], 0);
      }
    }
  Bitmap bluePixels = readBack(blue).pixels;
  for (int y = 0; y < kH; ++y)
    for (int i = 0; i < kW; ++i)
      if (!picture.at(i, y)) {
        ASSERT_EQ(bluePixels.row(y)[i * 4], 0);
        ASSERT_EQ(bluePixels.row(y)[i * 4 + 2], 255);
      }

  w = extract("StencilInverted", {0, 128, 0});
  for (int y = 0; y < kH; ++y)
    for (int i = 0; i < kW; ++i) ASSERT_EQ(w.pixels.row(y)[i * 4 + 3], picture.at(i, y) ? 255 : 0);
}

TEST_F(ExtractionTest, AnInlineImageIsExtractedFromTheContentStream) {
  const std::string data = pack(pattern(4 * 3, 255, 5), 4, 3, 1, 8);
  content = "q 40 0 0 30 10 10 cm BI /W 4 /H 3 /BPC 8 /CS /G ID " + data + " EI Q";
  open();
  auto stream = platform::PdfContentStream::forPage(*page);
  platform::PdfOperatorTable table;
  std::shared_ptr<QVPDFImageXObject> image;
  table.set("EI", [&](platform::PdfScanner& scanner) {
    if (auto s = scanner.popStream()) image = QVPDFImageXObject::inlineImage(*s, page->resources().get("ColorSpace"));
  });
  platform::PdfScanner scanner(stream, table);
  scanner.scan();
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->objectID().empty());
  EXPECT_EQ(image->pixelSize(), (platform::Size{4, 3}));
  Written w = readBack(image->imageFile());
  ASSERT_EQ(w.pixels.format(), PixelFormat::Gray8);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), w.pixels.bytes().begin(),
                         [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }));
}

TEST_F(ExtractionTest, ImagesAreMadeOnlyWhenAskedOnlyAsPngOrJpegAndNeverOnDisk) {
  add("A", builder.flateStream(pack(pattern(kW * kH, 255), kW, kH, 1, 8),
                               "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceGray /BitsPerComponent 8 >>"));
  std::vector<uint8_t> gray(64, 100);
  add("J", builder.stream(fx::encodeJpeg2000(gray, 8, 8, 1), "<< /Subtype /Image /Width 8 /Height 8 /Filter /JPXDecode >>"));
  open();
  auto a = std::dynamic_pointer_cast<QVPDFImageXObject>(xobject("A"));
  auto j = std::dynamic_pointer_cast<QVPDFImageXObject>(xobject("J"));
  ASSERT_TRUE(a && j);
  EXPECT_EQ(a->pixelSize(), (platform::Size{12, 7}));
  EXPECT_TRUE(a->cachedImageFile().empty());
  const QVPDFImageFile pa = a->imageFile(), pj = j->imageFile();
  EXPECT_NE(pa.name, pj.name);
  EXPECT_EQ(a->imageFile().serial, pa.serial);  // made once
  EXPECT_EQ(a->cachedImageFile().serial, pa.serial);
  EXPECT_EQ(pa.pixelWidth, 12);
  EXPECT_EQ(pa.pixelHeight, 7);
  for (const QVPDFImageFile& f : {pa, pj}) {
    EXPECT_TRUE(f.name.starts_with("IMG_")) << f.name;
    EXPECT_TRUE(f.name.ends_with(".png") || f.name.ends_with(".jpeg")) << f.name;
    EXPECT_TRUE(QVPDFImageFile::typeOfData(f.bytes())) << f.name;
  }
  // The pictures live in memory: the work folder stays empty.
  EXPECT_TRUE(filesWritten().empty());
}

TEST_F(ExtractionTest, UndecodableAndOversizedImagesAreSkippedWithOneLine) {
  add("Short", builder.flateStream(std::string(20, 'x'),
                                   "<< /Subtype /Image /Width 12 /Height 7 /ColorSpace /DeviceGray /BitsPerComponent 8 >>"));
  add("Huge", builder.flateStream(std::string(20, 'x'),
                                  "<< /Subtype /Image /Width 2000000 /Height 2000000 /ColorSpace /DeviceRGB /BitsPerComponent 8 >>"));
  add("NoSize", builder.flateStream("abc", "<< /Subtype /Image /ColorSpace /DeviceGray /BitsPerComponent 8 >>"));
  // Room is made for the samples the dictionary promises (121 MB here) before
  // a few bytes come out: the picture is still refused, and the memory was
  // never touched.
  add("Promises", builder.flateStream(std::string(2000, 'x'),
                                      "<< /Subtype /Image /Width 11000 /Height 11000 /ColorSpace /DeviceGray "
                                      "/BitsPerComponent 8 >>"));
  add("BadJpeg", builder.stream("\xFF\xD8 not really", "<< /Subtype /Image /Width 4 /Height 4 /ColorSpace /DeviceRGB "
                                                      "/BitsPerComponent 8 /Filter /DCTDecode >>"));
  // A JPEG that would go out as it is, with a readable header but without the
  // tables its data needs: checked to decode, so refused like any other.
  Bitmap gray(16, 16, PixelFormat::Gray8);
  add("NoTables", builder.stream(withoutSegments(platform::image::encodeJpeg(gray, 90), 0xDB),
                                 "<< /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceGray "
                                 "/BitsPerComponent 8 /Filter /DCTDecode >>"));
  // A JPEG decodes while its soft mask is read: either failing refuses the
  // picture, once, when both have ended.
  QPDFObjectHandle goodMask = builder.flateStream(std::string(16 * 16, '\x80'),
                                                  "<< /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceGray "
                                                  "/BitsPerComponent 8 >>");
  QPDFObjectHandle shortMask = builder.flateStream(std::string(20, 'x'),
                                                   "<< /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceGray "
                                                   "/BitsPerComponent 8 >>");
  QPDFObjectHandle badMasked = builder.stream("\xFF\xD8 not really", "<< /Subtype /Image /Width 16 /Height 16 "
                                                                    "/ColorSpace /DeviceGray /BitsPerComponent 8 "
                                                                    "/Filter /DCTDecode >>");
  badMasked.getDict().replaceKey("/SMask", goodMask);
  add("BadJpegMasked", badMasked);
  QPDFObjectHandle badMask = builder.stream(platform::image::encodeJpeg(gray, 90),
                                            "<< /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceGray "
                                            "/BitsPerComponent 8 /Filter /DCTDecode >>");
  badMask.getDict().replaceKey("/SMask", shortMask);
  add("ShortSoftMask", badMask);
  add("BadCS", builder.flateStream(std::string(84, 'x'), "<< /Subtype /Image /Width 12 /Height 7 /BitsPerComponent 8 "
                                                         "/ColorSpace [/Indexed /DeviceRGB 300 <00>] >>"));
  open();
  for (const char* name : {"Short", "Huge", "NoSize", "BadJpeg", "Promises", "NoTables", "BadJpegMasked", "ShortSoftMask"}) {
    SCOPED_TRACE(name);
    auto x = std::dynamic_pointer_cast<QVPDFImageXObject>(xobject(name));
    ASSERT_TRUE(x);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(x->imageFile().empty());
    EXPECT_TRUE(x->imageFile().empty());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
  // An Indexed space that failed its parse converts to black, but the page goes on.
  auto bad = std::dynamic_pointer_cast<QVPDFImageXObject>(xobject("BadCS"));
  ASSERT_TRUE(bad);
  const QVPDFImageFile& black = bad->imageFile();
  EXPECT_TRUE(black.empty() || black.name.ends_with(".png")) << black.name;
}

TEST(ImageUtilities, MediaBoxFollowsTheRotation) {
  const platform::Rect letter(0, 0, 612, 792);
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(letter, 0), platform::Rect(0, 0, 612, 792));
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(letter, 90), platform::Rect(0, 0, 792, 612));
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(letter, -90), platform::Rect(0, 0, 792, 612));
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(letter, 180), platform::Rect(0, 0, 612, 792));
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(letter, 270), platform::Rect(0, 0, 792, 612));
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(letter, 450), platform::Rect(0, 0, 792, 612));
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(platform::Rect(100, 50, 200, 100), 0), platform::Rect(0, 0, 200, 100));
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(platform::Rect(0, 0, 0, 0), 0), platform::Rect(0, 0, 595, 842));
  const platform::Rect tilted = QVPDFUtilities::MediaBoxOfPDFPage(platform::Rect(0, 0, 100, 100), 45);
  EXPECT_NEAR(tilted.size.width, 100 * std::sqrt(2.0), 1e-9);
}

TEST(ImageUtilities, MediaBoxOfAPageUsesItsInheritedBoxAndRotation) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle p = b.addPage("", QPDFObjectHandle(), "[0 0 612 792]");
  p.replaceKey("/Rotate", QPDFObjectHandle::newInteger(-90));
  b.addPage("", QPDFObjectHandle(), "[0 0 0 0]");
  qvtest::TempDir dir;
  b.write(dir.file("r.pdf"));
  auto doc = platform::PdfDocument::open(dir.file("r.pdf").string());
  ASSERT_TRUE(doc);
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(*doc->page(1)), platform::Rect(0, 0, 792, 612));
  EXPECT_EQ(QVPDFUtilities::MediaBoxOfPDFPage(*doc->page(2)), platform::Rect(0, 0, 595, 842));
}

TEST(ImageUtilities, FilesWrittenReadBackAsArgbAndContextsHaveWholePixelSizes) {
  qvtest::TempDir dir;
  Bitmap rgba(3, 2, PixelFormat::RGBA8);
  for (size_t i = 0; i < rgba.bytes().size(); ++i) rgba.bytes()[i] = static_cast<uint8_t>(i * 20 + 15);
  for (int i = 0; i < 6; ++i) rgba.bytes()[i * 4 + 3] = 255;
  const std::string png = dir.file("a.png").string();
  ASSERT_TRUE(QVPDFUtilities::writeCGImageToFile(rgba, png, QVPDFImageFileType::PNG));
  auto back = QVPDFUtilities::cgImageWithContentsOfFile(png);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->format(), PixelFormat::ARGB32);
  EXPECT_EQ(back->toRGBA8().bytes()[4], rgba.bytes()[4]);
  const std::string jpeg = dir.file("b.jpeg").string();
  ASSERT_TRUE(QVPDFUtilities::writeCGImageToFile(rgba, jpeg, QVPDFImageFileType::JPEG, 72, 72, 0.9f));
  EXPECT_TRUE(QVPDFUtilities::cgImageWithContentsOfFile(jpeg));
  EXPECT_FALSE(QVPDFUtilities::cgImageWithContentsOfFile(dir.file("missing.png").string()));

  testing::internal::CaptureStderr();
  EXPECT_FALSE(QVPDFUtilities::writeCGImageToFile(rgba, dir.file("no/such/folder/c.png").string(), QVPDFImageFileType::PNG));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't write image to file!\n");

  auto context = QVPDFUtilities::CreateARGBBitmapContextSize({10.7, 5.2});
  ASSERT_TRUE(context);
  EXPECT_EQ(context->width(), 10);
  EXPECT_EQ(context->height(), 5);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(QVPDFUtilities::CreateARGBBitmapContextSize({0.4, 800}));
  EXPECT_FALSE(QVPDFUtilities::CreateARGBBitmapContextSize({1e9, 1e9}));
  testing::internal::GetCapturedStderr();
}

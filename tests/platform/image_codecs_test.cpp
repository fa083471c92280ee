// Decoders and encoders of platform/image: round trips through each codec,
// polarity and colour conventions, and damaged or oversized input refused
// with an ImageError instead of a crash.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <tuple>

#include <zlib.h>

#include "platform/image/bitmap.h"
#include "platform/image/codecs.h"
#include "tests/platform/image_fixtures.h"

using namespace platform::image;
namespace fx = qvtest::images;

namespace {

Bitmap gradient(int width, int height, PixelFormat format) {
  Bitmap b(width, height, format);
  for (int y = 0; y < height; ++y) {
    if (is16Bit(format)) {
      uint16_t* p = b.row16(y);
      for (int i = 0; i < width * channelCount(format); ++i) p[i] = static_cast<uint16_t>((i * 2477 + y * 40503) & 0xFFFF);
    } else {
      uint8_t* p = b.row(y);
      for (size_t i = 0; i < b.stride(); ++i) p[i] = static_cast<uint8_t>((i * 7 + y * 13) & 0xFF);
    }
  }
  return b;
}

// Smooth content, so that JPEG keeps it close.
Bitmap smooth(int width, int height, PixelFormat format) {
  Bitmap b(width, height, format);
  const int n = b.channels();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < n; ++c) b.row(y)[x * n + c] = static_cast<uint8_t>(30 + x + y * 2 + c * 20);
  return b;
}

int maxDifference(const Bitmap& a, const Bitmap& b) {
  EXPECT_EQ(a.width(), b.width());
  EXPECT_EQ(a.height(), b.height());
  EXPECT_EQ(a.bytes().size(), b.bytes().size());
  int worst = 0;
  for (size_t i = 0; i < std::min(a.bytes().size(), b.bytes().size()); ++i)
    worst = std::max(worst, std::abs(int(a.bytes()[i]) - int(b.bytes()[i])));
  return worst;
}

bool bitAt(const BilevelImage& img, int x, int y) {
  return (img.bits[static_cast<size_t>(y) * img.stride + x / 8] >> (7 - x % 8)) & 1;
}

}  // namespace

TEST(ImageBitmap, SizesBeyondThePixelCapAreRefused) {
  EXPECT_THROW(Bitmap(1 << 16, 1 << 16, PixelFormat::RGBA8), ImageError);
  EXPECT_THROW(Bitmap(0, 10, PixelFormat::Gray8), ImageError);
  EXPECT_THROW(Bitmap(-5, 10, PixelFormat::Gray8), ImageError);
  EXPECT_THROW(Bitmap(4, 4, PixelFormat::Samples8, 0), ImageError);
  EXPECT_FALSE(withinPixelCap(int64_t{1} << 40, 1));
  EXPECT_TRUE(withinPixelCap(10000, 10000));
  Bitmap ok(3, 2, PixelFormat::RGB16);
  EXPECT_EQ(ok.stride(), 18u);
  EXPECT_EQ(ok.bytes().size(), 36u);
}

TEST(ImageBitmap, PremultipliedArgbRoundTripsOpaqueAndTransparentPixels) {
  Bitmap rgba(3, 1, PixelFormat::RGBA8);
  const uint8_t px[] = {255, 0, 0, 255, 10, 200, 30, 255, 90, 90, 90, 0};
  std::copy(std::begin(px), std::end(px), rgba.row(0));
  Bitmap argb = rgba.toARGB32();
  const uint32_t* words = reinterpret_cast<const uint32_t*>(argb.row(0));
  EXPECT_EQ(words[0], 0xFFFF0000u);
  EXPECT_EQ(words[1], 0xFF0AC81Eu);
  EXPECT_EQ(words[2], 0u);
  Bitmap back = argb.toRGBA8();
  EXPECT_EQ(back.row(0)[4], 10);
  EXPECT_EQ(back.row(0)[7], 255);
  EXPECT_EQ(back.row(0)[11], 0);
}

TEST(ImageBitmap, SixteenBitSamplesRoundToEightBits) {
  Bitmap wide(2, 1, PixelFormat::Gray16);
  wide.row16(0)[0] = 0xFFFF;
  wide.row16(0)[1] = 0x8080;
  Bitmap narrow = wide.converted(PixelFormat::Gray8);
  EXPECT_EQ(narrow.row(0)[0], 255);
  EXPECT_EQ(narrow.row(0)[1], 128);
}

TEST(ImagePng, EveryFormatRoundTripsExactly) {
  // Small pictures, and large ones (deflated a block at a time) with their
  // rows predicted or not.
  for (const auto& [width, height, rows] : {std::tuple{37, 11, PngRows::Predicted}, {1500, 700, PngRows::Predicted},
                                            {1500, 700, PngRows::Unfiltered}})
    for (PixelFormat f : {PixelFormat::Gray8, PixelFormat::GrayAlpha8, PixelFormat::RGB8, PixelFormat::RGBA8,
                          PixelFormat::Gray16, PixelFormat::GrayAlpha16, PixelFormat::RGB16, PixelFormat::RGBA16}) {
      Bitmap src = gradient(width, height, f);
      PngInfo info;
      Bitmap back = decodePng(asBytes(encodePng(src, 150, rows)), &info);
      ASSERT_EQ(back.format(), f);
      EXPECT_EQ(maxDifference(src, back), 0) << static_cast<int>(f) << " at " << width;
      EXPECT_EQ(info.bitDepth, is16Bit(f) ? 16 : 8);
      ASSERT_TRUE(info.dpiX);
      EXPECT_NEAR(*info.dpiX, 150.0, 0.05);
    }
}

// Pictures of one, a few and many deflating threads, and a file that grows
// past its first large page (noise barely deflates): each chunk's CRC holds,
// the blocks make one zlib stream whose Adler-32 holds, and the pixels read
// back exactly.
TEST(ImagePng, ALargePictureIsOneValidStreamWhateverItsThreads) {
  std::mt19937 random(7);
  for (const auto& [width, height] : {std::pair{700, 700}, {1500, 1000}, {2600, 1400}}) {
    Bitmap src(width, height, PixelFormat::RGB8);
    for (uint8_t& v : src.bytes()) v = static_cast<uint8_t>(random() >> 24);
    const std::string png = encodePng(src);
    std::string stream;
    for (size_t at = 8; at + 12 <= png.size();) {
      const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(png[i])); };
      const uint32_t length = byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
      ASSERT_LE(at + 12 + length, png.size());
      const auto* typed = reinterpret_cast<const Bytef*>(png.data() + at + 4);
      const size_t end = at + 8 + length;
      const uint32_t stored = byte(end) << 24 | byte(end + 1) << 16 | byte(end + 2) << 8 | byte(end + 3);
      EXPECT_EQ(crc32(0, typed, length + 4), stored) << png.substr(at + 4, 4) << " at " << at;
      if (png.compare(at + 4, 4, "IDAT") == 0) stream.append(png, at + 8, length);
      at = end + 4;
    }
    std::vector<uint8_t> rows((static_cast<size_t>(width) * 3 + 1) * height + 1);
    uLongf size = rows.size();
    ASSERT_EQ(uncompress(rows.data(), &size, reinterpret_cast<const Bytef*>(stream.data()), stream.size()), Z_OK)
        << width;
    EXPECT_EQ(size, rows.size() - 1);
    EXPECT_EQ(maxDifference(src, decodePng(asBytes(png))), 0) << width;
  }
}

TEST(ImagePng, ResolutionIs72DotsPerInch) {
  PngInfo info;
  decodePng(asBytes(encodePng(gradient(4, 4, PixelFormat::RGB8))), &info);
  ASSERT_TRUE(info.dpiX && info.dpiY);
  EXPECT_NEAR(*info.dpiX, 72.0, 0.01);
  EXPECT_NEAR(*info.dpiY, 72.0, 0.01);
}

TEST(ImagePng, PremultipliedAndCmykInputsAreWrittenAsRgb) {
  Bitmap rgba = gradient(5, 5, PixelFormat::RGBA8);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) rgba.row(y)[x * 4 + 3] = 255;
  Bitmap back = decodePng(asBytes(encodePng(rgba.toARGB32())));
  EXPECT_EQ(back.format(), PixelFormat::RGBA8);
  EXPECT_EQ(maxDifference(rgba, back), 0);
  Bitmap cmyk(1, 1, PixelFormat::CMYK8);
  EXPECT_EQ(decodePng(asBytes(encodePng(cmyk))).format(), PixelFormat::RGB8);
}

// Every alpha with every value a premultiplied channel can hold (0..alpha).
Bitmap everyPremultipliedPixel() {
  Bitmap argb(256, 256, PixelFormat::ARGB32);
  for (int a = 0; a < 256; ++a)
    for (int c = 0; c < 256; ++c) {
      const uint32_t v = static_cast<uint32_t>(std::min(c, a)), half = static_cast<uint32_t>(a / 2);
      const uint32_t word = (uint32_t(a) << 24) | (v << 16) | (static_cast<uint32_t>(a) - v) << 8 | half;
      std::memcpy(argb.row(a) + 4 * c, &word, 4);
    }
  return argb;
}

// Straight colour of a premultiplied channel: rounded, at most 255, 0 where
// nothing is opaque.
uint8_t straight(uint32_t c, uint32_t a) { return a == 0 ? 0 : static_cast<uint8_t>(std::min<uint32_t>(255, (c * 255 + a / 2) / a)); }

TEST(ImageBitmap, PremultipliedPixelsConvertToTheirRoundedStraightColours) {
  const Bitmap argb = everyPremultipliedPixel();
  const Bitmap rgba = argb.toRGBA8();
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      uint32_t w;
      std::memcpy(&w, argb.row(y) + 4 * x, 4);
      const uint32_t a = w >> 24;
      const uint8_t* p = rgba.row(y) + 4 * x;
      ASSERT_EQ(p[0], straight((w >> 16) & 0xFF, a)) << x << "," << y;
      ASSERT_EQ(p[1], straight((w >> 8) & 0xFF, a)) << x << "," << y;
      ASSERT_EQ(p[2], straight(w & 0xFF, a)) << x << "," << y;
      ASSERT_EQ(p[3], a);
    }
}

TEST(ImageBitmap, StraightPixelsPremultiplyRoundedInEveryEightBitForm) {
  Bitmap rgba(256, 256, PixelFormat::RGBA8);
  for (int a = 0; a < 256; ++a)
    for (int c = 0; c < 256; ++c) {
      uint8_t* p = rgba.row(a) + 4 * c;
      p[0] = static_cast<uint8_t>(c), p[1] = static_cast<uint8_t>(255 - c), p[2] = static_cast<uint8_t>(c / 3);
      p[3] = static_cast<uint8_t>(a);
    }
  auto word = [](const Bitmap& b, int x, int y) {
    uint32_t w;
    std::memcpy(&w, b.row(y) + 4 * x, 4);
    return w;
  };
  auto times = [](uint32_t c, uint32_t a) { return (c * a + 127) / 255; };
  const Bitmap fromRgba = rgba.toARGB32();
  const Bitmap fromRgb = rgba.converted(PixelFormat::RGB8).toARGB32();
  const Bitmap fromGray = rgba.converted(PixelFormat::Gray8).toARGB32();
  const Bitmap fromGrayAlpha = rgba.converted(PixelFormat::GrayAlpha8).toARGB32();
  const Bitmap gray = rgba.converted(PixelFormat::Gray8);
  for (int a = 0; a < 256; ++a)
    for (int c = 0; c < 256; ++c) {
      const uint8_t* p = rgba.row(a) + 4 * c;
      const uint32_t g = gray.row(a)[c];
      ASSERT_EQ(word(fromRgba, c, a),
                (uint32_t(a) << 24) | times(p[0], a) << 16 | times(p[1], a) << 8 | times(p[2], a));
      ASSERT_EQ(word(fromRgb, c, a), 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
      ASSERT_EQ(word(fromGray, c, a), 0xFF000000u | g << 16 | g << 8 | g);
      ASSERT_EQ(word(fromGrayAlpha, c, a), (uint32_t(a) << 24) | times(g, a) << 16 | times(g, a) << 8 | times(g, a));
    }
}

TEST(ImagePng, CanvasIsWrittenAsItsStraightColours) {
  const Bitmap argb = everyPremultipliedPixel();
  Bitmap back = decodePng(asBytes(encodePng(argb)));
  ASSERT_EQ(back.format(), PixelFormat::RGBA8);
  EXPECT_EQ(maxDifference(argb.toRGBA8(), back), 0);
}

// A drawing of at most 256 colours is written with a palette (PNG colour
// type 3) and reads back as the very pixels, in the picture's own format;
// one colour more and it is written as it is.
TEST(ImagePng, PicturesOfFewColoursAreWrittenWithAPaletteAndReadBackUnchanged) {
  const auto colourType = [](const std::string& png) { return static_cast<int>(static_cast<uint8_t>(png.at(25))); };
  Bitmap canvas(256, 2, PixelFormat::ARGB32);  // one colour at every opacity, over a transparent row
  for (int a = 0; a < 256; ++a) {
    const uint32_t word = (uint32_t(a) << 24) | (uint32_t(a * 200 / 255) << 16) | (uint32_t(a * 30 / 255) << 8);
    std::memcpy(canvas.row(0) + 4 * a, &word, 4);
  }
  std::string png = encodePng(canvas, 72, PngRows::Unfiltered);
  EXPECT_EQ(colourType(png), 3);
  Bitmap back = decodePng(asBytes(png));
  ASSERT_EQ(back.format(), PixelFormat::RGBA8);
  EXPECT_EQ(maxDifference(canvas.toRGBA8(), back), 0);

  Bitmap rgb(16, 16, PixelFormat::RGB8);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) rgb.row(y)[3 * x] = static_cast<uint8_t>(16 * y + x);
  png = encodePng(rgb);
  EXPECT_EQ(colourType(png), 3);
  back = decodePng(asBytes(png));
  ASSERT_EQ(back.format(), PixelFormat::RGB8);
  EXPECT_EQ(maxDifference(rgb, back), 0);

  rgb = Bitmap(17, 16, PixelFormat::RGB8);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 17; ++x) rgb.row(y)[3 * x] = static_cast<uint8_t>(16 * y + x), rgb.row(y)[3 * x + 1] = x == 16;
  png = encodePng(rgb);
  EXPECT_EQ(colourType(png), 2);
  EXPECT_EQ(maxDifference(rgb, decodePng(asBytes(png))), 0);
}

TEST(ImagePng, DamagedDataIsAnError) {
  std::string png = encodePng(gradient(20, 20, PixelFormat::RGB8));
  EXPECT_THROW(decodePng(asBytes("not a png at all")), ImageError);
  EXPECT_THROW(decodePng(asBytes(png.substr(0, png.size() / 2))), ImageError);
  std::string corrupt = png;
  for (size_t i = 40; i < corrupt.size() - 20; i += 7) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
  EXPECT_THROW(decodePng(asBytes(corrupt)), ImageError);
}

TEST(ImageJpeg, GrayAndRgbRoundTripWithinCompressionLoss) {
  for (PixelFormat f : {PixelFormat::Gray8, PixelFormat::RGB8}) {
    Bitmap src = smooth(48, 40, f);
    JpegInfo info;
    Bitmap back = decodeJpeg(asBytes(encodeJpeg(src, 95)), false, &info);
    ASSERT_EQ(back.format(), f);
    EXPECT_LE(maxDifference(src, back), 12);
    EXPECT_EQ(info.components, f == PixelFormat::Gray8 ? 1 : 3);
    EXPECT_FALSE(info.adobeMarker);
  }
}

TEST(ImageJpeg, CmykIsAnsweredAsStoredUnlessAdobeInversionIsAsked) {
  Bitmap src = smooth(24, 16, PixelFormat::CMYK8);
  std::string jpeg = encodeJpeg(src, 98);
  auto info = readJpegInfo(asBytes(jpeg));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->components, 4);
  EXPECT_TRUE(info->adobeMarker);
  Bitmap stored = decodeJpeg(asBytes(jpeg));
  ASSERT_EQ(stored.format(), PixelFormat::CMYK8);
  EXPECT_LE(maxDifference(src, stored), 10);
  Bitmap inverted = decodeJpeg(asBytes(jpeg), true);
  EXPECT_EQ(inverted.row(3)[5], 255 - stored.row(3)[5]);
}

TEST(ImageJpeg, QualityChangesTheSizeAndResolutionIsRecorded) {
  Bitmap src = gradient(64, 64, PixelFormat::RGB8);
  std::string low = encodeJpeg(src, 20), high = encodeJpeg(src, 95);
  EXPECT_LT(low.size(), high.size());
  // JFIF APP0: units 1 (dots per inch), 72 x 72.
  ASSERT_GT(high.size(), 18u);
  EXPECT_EQ(high.substr(6, 5), std::string("JFIF\0", 5));
  EXPECT_EQ(static_cast<uint8_t>(high[13]), 1);
  EXPECT_EQ((static_cast<uint8_t>(high[14]) << 8) | static_cast<uint8_t>(high[15]), 72);
}

TEST(ImageJpeg, GarbageAndHugeDeclaredSizesAreErrors) {
  EXPECT_THROW(decodeJpeg(asBytes("\xFF\xD8\xFF garbage")), ImageError);
  EXPECT_FALSE(readJpegInfo(asBytes("plain text")));
  // Patch the frame header of a real JPEG to claim 60000 x 60000 pixels.
  std::string jpeg = encodeJpeg(smooth(16, 16, PixelFormat::RGB8), 80);
  size_t sof = jpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  jpeg[sof + 5] = static_cast<char>(0xEA);
  jpeg[sof + 6] = 0x60;
  jpeg[sof + 7] = static_cast<char>(0xEA);
  jpeg[sof + 8] = 0x60;
  EXPECT_THROW(decodeJpeg(asBytes(jpeg)), ImageError);
}

TEST(ImageJpeg, AFrameManyTimesTheWantedSizeIsDecodedScaledDown) {
  // 2400 x 2000 wanted at 300 x 240: one eighth each way still covers it.
  const std::string jpeg = encodeJpeg(smooth(2400, 2000, PixelFormat::Gray8), 75);
  JpegInfo info;
  Bitmap small = decodeJpeg(asBytes(jpeg), false, &info, -1, 300, 240);
  EXPECT_EQ(info.width, 2400);
  EXPECT_EQ(info.height, 2000);
  EXPECT_EQ(small.width(), 300);
  EXPECT_EQ(small.height(), 250);
  // Wanted wider than an eighth: the next scale that covers it (3/8).
  Bitmap wider = decodeJpeg(asBytes(jpeg), false, nullptr, -1, 700, 100);
  EXPECT_EQ(wider.width(), 900);
  EXPECT_EQ(wider.height(), 750);
  // Near the frame's own size, or no size wanted: decoded whole.
  EXPECT_EQ(decodeJpeg(asBytes(jpeg), false, nullptr, -1, 1300, 1000).width(), 2400);
  EXPECT_EQ(decodeJpeg(asBytes(jpeg)).width(), 2400);
  // Small frames are never scaled, whatever size is wanted.
  const std::string little = encodeJpeg(smooth(256, 256, PixelFormat::RGB8), 75);
  EXPECT_EQ(decodeJpeg(asBytes(little), false, nullptr, -1, 8, 8).width(), 256);
}

TEST(ImageJpeg, TruncatedDataDecodesWhatIsThereOrFails) {
  std::string jpeg = encodeJpeg(smooth(64, 64, PixelFormat::RGB8), 90);
  for (size_t cut : {jpeg.size() / 3, jpeg.size() / 2, jpeg.size() - 10}) {
    try {
      Bitmap b = decodeJpeg(asBytes(jpeg.substr(0, cut)));
      EXPECT_EQ(b.width(), 64);
    } catch (const ImageError&) {
    }
  }
}

TEST(ImageJpeg2000, CodestreamAndJp2FilesDecodeLosslessly) {
  const int w = 19, h = 13;
  std::vector<uint8_t> rgb(w * h * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>((i * 31) & 0xFF);
  Jpeg2000Image a = decodeJpeg2000(asBytes(fx::encodeJpeg2000(rgb, w, h, 3)));
  ASSERT_EQ(a.color.format(), PixelFormat::RGB8);
  EXPECT_TRUE(a.alpha.empty());
  EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), a.color.bytes().begin()));

  std::vector<uint8_t> gray(w * h);
  for (size_t i = 0; i < gray.size(); ++i) gray[i] = static_cast<uint8_t>(i * 3);
  Jpeg2000Image b = decodeJpeg2000(asBytes(fx::encodeJpeg2000(gray, w, h, 1, true)));
  ASSERT_EQ(b.color.format(), PixelFormat::Gray8);
  EXPECT_EQ(b.space, Jpeg2000ColorSpace::Gray);
  EXPECT_TRUE(std::equal(gray.begin(), gray.end(), b.color.bytes().begin()));
}

TEST(ImageJpeg2000, AnOpacityChannelBecomesTheAlpha) {
  const int w = 8, h = 8;
  std::vector<uint8_t> rgba(w * h * 4);
  for (int i = 0; i < w * h; ++i) {
    rgba[i * 4] = 200;
    rgba[i * 4 + 1] = 100;
    rgba[i * 4 + 2] = 50;
    rgba[i * 4 + 3] = static_cast<uint8_t>(i * 4);
  }
  Jpeg2000Image img = decodeJpeg2000(asBytes(fx::encodeJpeg2000(rgba, w, h, 4, true, true)));
  ASSERT_FALSE(img.alpha.empty());
  EXPECT_EQ(img.color.format(), PixelFormat::RGB8);
  EXPECT_EQ(img.alpha.row(2)[3], (2 * 8 + 3) * 4);
  EXPECT_EQ(img.color.row(2)[3 * 3], 200);
}

TEST(ImageJpeg2000, GarbageIsAnError) {
  EXPECT_THROW(decodeJpeg2000(asBytes("\xFF\x4F\xFF\x51 this is not a codestream")), ImageError);
  std::vector<uint8_t> g(64, 9);
  std::string j2k = fx::encodeJpeg2000(g, 8, 8, 1);
  EXPECT_THROW(decodeJpeg2000(asBytes(j2k.substr(0, 30))), ImageError);
}

TEST(ImageCcitt, Group4DecodesToThePictureWithPdfPolarity) {
  fx::Bilevel picture = fx::testBilevel(45, 17);
  std::string g4 = fx::encodeG4(picture);
  CcittParams params;
  params.k = -1;
  params.columns = 45;
  params.rows = 17;
  BilevelImage img = decodeCcitt(asBytes(g4), params);
  ASSERT_EQ(img.width, 45);
  ASSERT_EQ(img.height, 17);
  EXPECT_EQ(img.stride, 6u);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 45; ++x) ASSERT_EQ(bitAt(img, x, y), !picture.at(x, y)) << x << "," << y;

  params.blackIs1 = true;
  params.rows = 0;
  BilevelImage inverted = decodeCcitt(asBytes(g4), params, 17);
  EXPECT_EQ(bitAt(inverted, 0, 0), true);
  EXPECT_EQ(bitAt(inverted, 2, 1), picture.at(2, 1));
}

TEST(ImageCcitt, ShortDataLeavesTheRestWhiteAndGarbageDoesNotCrash) {
  fx::Bilevel picture = fx::testBilevel(64, 40);
  std::string g4 = fx::encodeG4(picture);
  CcittParams params;
  params.k = -1;
  params.columns = 64;
  params.rows = 40;
  BilevelImage img = decodeCcitt(asBytes(g4.substr(0, g4.size() / 3)), params);
  EXPECT_EQ(bitAt(img, 10, 39), true);  // white
  std::string noise(200, '\0');
  std::mt19937 rng(5);
  for (char& c : noise) c = static_cast<char>(rng());
  EXPECT_NO_THROW(decodeCcitt(asBytes(noise), params));
  params.columns = 1 << 20;
  params.rows = 1 << 20;
  EXPECT_THROW(decodeCcitt(asBytes(g4), params), ImageError);
}

TEST(ImageCcitt, UnsupportedGroup3LayoutIsAnError) {
  CcittParams params;
  params.k = 0;
  params.columns = 8;
  params.rows = 1;
  EXPECT_THROW(decodeCcitt(asBytes("\x00\x01"), params), ImageError);
}

TEST(ImageJbig2, GenericRegionDecodesToThePicture) {
  fx::Bilevel picture = fx::testBilevel(33, 21);
  BilevelImage img = decodeJbig2(asBytes(fx::encodeJbig2Generic(picture)));
  ASSERT_EQ(img.width, 33);
  ASSERT_EQ(img.height, 21);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 33; ++x) ASSERT_EQ(bitAt(img, x, y), !picture.at(x, y)) << x << "," << y;
}

TEST(ImageJbig2, PatternsFromTheGlobalSegmentsAreUsed) {
  fx::Bilevel pattern = fx::testBilevel(8, 8);
  fx::Bilevel cells{3, 2, {1, 0, 1, 0, 1, 1}};
  fx::Jbig2WithGlobals data = fx::encodeJbig2Halftone(pattern, cells);
  BilevelImage img = decodeJbig2(asBytes(data.page), asBytes(data.globals));
  ASSERT_EQ(img.width, 24);
  ASSERT_EQ(img.height, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) ASSERT_EQ(bitAt(img, x, y), !data.expected.at(x, y)) << x << "," << y;
  // Without its globals the halftone region has no patterns to draw.
  try {
    BilevelImage bare = decodeJbig2(asBytes(data.page));
    int black = 0;
    for (int y = 0; y < bare.height; ++y)
      for (int x = 0; x < bare.width; ++x) black += !bitAt(bare, x, y);
    EXPECT_EQ(black, 0);
  } catch (const ImageError&) {
  }
}

TEST(ImageJbig2, GarbageIsAnError) {
  EXPECT_THROW(decodeJbig2(asBytes("garbage that is not jbig2")), ImageError);
  // A page information segment claiming a page of 2^31 x 2^31 pixels.
  std::string page = qvtest::images::detail::segment(0, 48, 1, {}, qvtest::images::detail::pageInformation(0x7FFFFFFF, 0x7FFFFFFF));
  EXPECT_THROW(decodeJbig2(asBytes(page)), ImageError);
}

// Damaged encoded data (bit flips, cut-offs, bytes overwritten) given to
// every decoder: each answers a bitmap or an ImageError, never a crash, a
// hang or an unbounded allocation. Meant to be run under the sanitizers too.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "platform/image/codecs.h"
#include "tests/platform/image_fixtures.h"

using namespace platform::image;
namespace fx = qvtest::images;

namespace {

// Runs `decode` on `rounds` damaged copies of `valid`; counts the copies
// that still decoded (for the curious: the point is that nothing crashed).
int survive(const std::string& valid, int rounds, unsigned seed, const std::function<void(const std::string&)>& decode) {
  std::mt19937 rng(seed);
  int decoded = 0;
  for (int i = 0; i < rounds; ++i) {
    std::string damaged = valid;
    switch (i % 4) {
      case 0:  // a few flipped bits
        for (int k = 0; k < 1 + static_cast<int>(rng() % 4); ++k) damaged[rng() % damaged.size()] ^= static_cast<char>(1 << (rng() % 8));
        break;
      case 1:  // cut off
        damaged.resize(rng() % damaged.size());
        break;
      case 2:  // a run of bytes overwritten
        for (size_t p = rng() % damaged.size(), n = 0; p < damaged.size() && n < 8; ++p, ++n) damaged[p] = static_cast<char>(rng());
        break;
      default:  // bytes that look like sizes: 0xFF runs
        for (int k = 0; k < 3; ++k) damaged[rng() % damaged.size()] = '\xFF';
        break;
    }
    try {
      decode(damaged);
      ++decoded;
    } catch (const ImageError&) {
    }
  }
  return decoded;
}

Bitmap sample(int w, int h, PixelFormat f) {
  Bitmap b(w, h, f);
  for (size_t i = 0; i < b.bytes().size(); ++i) b.bytes()[i] = static_cast<uint8_t>(i * 13 + i / 7);
  return b;
}

}  // namespace

TEST(ImageHostileInput, DamagedJpegNeverCrashes) {
  const std::string jpeg = encodeJpeg(sample(40, 30, PixelFormat::RGB8), 80);
  survive(jpeg, 400, 1, [](const std::string& d) { decodeJpeg(asBytes(d)); });
  const std::string cmyk = encodeJpeg(sample(16, 16, PixelFormat::CMYK8), 80);
  survive(cmyk, 200, 2, [](const std::string& d) { decodeJpeg(asBytes(d), true); });
}

TEST(ImageHostileInput, DamagedPngNeverCrashes) {
  const std::string png = encodePng(sample(30, 20, PixelFormat::RGBA8));
  survive(png, 400, 3, [](const std::string& d) { decodePng(asBytes(d)); });
}

TEST(ImageHostileInput, DamagedJpeg2000NeverCrashes) {
  std::vector<uint8_t> rgb(24 * 16 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7);
  survive(fx::encodeJpeg2000(rgb, 24, 16, 3), 300, 4, [](const std::string& d) { decodeJpeg2000(asBytes(d)); });
  survive(fx::encodeJpeg2000(rgb, 24, 16, 3, true), 300, 5, [](const std::string& d) { decodeJpeg2000(asBytes(d)); });
}

TEST(ImageHostileInput, DamagedJbig2NeverCrashes) {
  fx::Bilevel picture = fx::testBilevel(40, 24);
  survive(fx::encodeJbig2Generic(picture), 300, 6, [](const std::string& d) { decodeJbig2(asBytes(d)); });
  fx::Jbig2WithGlobals halftone = fx::encodeJbig2Halftone(fx::testBilevel(8, 8), fx::Bilevel{3, 3, {1, 0, 1, 0, 1, 0, 1, 1, 0}});
  survive(halftone.page, 300, 7, [&](const std::string& d) { decodeJbig2(asBytes(d), asBytes(halftone.globals)); });
  survive(halftone.globals, 300, 8, [&](const std::string& d) { decodeJbig2(asBytes(halftone.page), asBytes(d)); });
}

TEST(ImageHostileInput, DamagedFaxDataNeverCrashes) {
  fx::Bilevel picture = fx::testBilevel(50, 30);
  CcittParams params;
  params.k = -1;
  params.columns = 50;
  params.rows = 30;
  survive(fx::encodeG4(picture), 400, 9, [&](const std::string& d) { decodeCcitt(asBytes(d), params); });
  params.k = 1;
  params.endOfLine = true;
  survive(fx::encodeG4(picture), 100, 10, [&](const std::string& d) { decodeCcitt(asBytes(d), params); });
}

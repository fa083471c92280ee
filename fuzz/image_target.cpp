// Image decoding: each codec from memory, and image XObjects written to files
// the way the interpreter writes them (samples through colour spaces, masks,
// Decode arrays, re-encoding).
#include <cstring>
#include <exception>
#include <span>

#include "fuzz/support.h"
#include "fuzz/targets.h"
#include "pdf/QVPDFFunction.h"
#include "pdf/QVPDFImageXObject.h"
#include "platform/fs/files.h"
#include "platform/image/codecs.h"

namespace qvfuzz {
namespace {

namespace image = platform::image;

// Decoded images up to this many pixels are encoded again as PNG, which
// reads every pixel of the result; larger ones would only slow the search.
constexpr int64_t kMaxReencodedPixels = int64_t{1} << 20;

void reencode(const image::Bitmap& bitmap) {
  if (bitmap.empty() || int64_t{bitmap.width()} * bitmap.height() > kMaxReencodedPixels) return;
  (void)image::encodePng(bitmap);
}

void decodeJbig2(std::span<const uint8_t> input) {
  if (input.size() < 2) return;
  const size_t globalsLength = std::min<size_t>((size_t{input[0]} << 8) | input[1], input.size() - 2);
  auto globals = input.subspan(2, globalsLength);
  auto data = input.subspan(2 + globalsLength);
  image::BilevelImage result = image::decodeJbig2(data, globals);
  if (result.bits.size() < result.stride * static_cast<size_t>(result.height)) __builtin_trap();
}

void decodeCcitt(std::span<const uint8_t> input) {
  if (input.size() < 8) return;
  image::CcittParams params;
  params.k = static_cast<int8_t>(input[0]);
  params.endOfLine = input[1] & 1;
  params.encodedByteAlign = input[1] & 2;
  params.endOfBlock = input[1] & 4;
  params.blackIs1 = input[1] & 8;
  params.columns = (input[2] << 8) | input[3];
  params.rows = (input[4] << 8) | input[5];
  params.damagedRowsBeforeError = input[6];
  const int fallbackRows = input[7];
  image::BilevelImage result = image::decodeCcitt(input.subspan(8), params, fallbackRows);
  if (result.bits.size() < result.stride * static_cast<size_t>(result.height)) __builtin_trap();
}

void writeImageXObject(std::string_view body, uint64_t hash) {
  auto document = documentFromBody(body);
  if (!document) return;
  platform::PdfObject stream = objectNumbered(*document, 1);
  if (!stream.isStream()) return;
  platform::PdfObject colorSpaces = objectNumbered(*document, 2);
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  QVPDFImageXObject image(stream, colorSpaces.isDictionary() ? colorSpaces : platform::PdfObject());
  (void)image.pixelSize();
  const QVPDFRGB fill{static_cast<int32_t>(hash & 0xff), static_cast<int32_t>((hash >> 8) & 0x1ff) - 128,
                      static_cast<int32_t>(hash >> 40)};
  (void)image.imageFile(fill);
  (void)image.imageFile(QVPDFRGB{});
  // The inline form of the same stream takes the abbreviation-free path.
  auto inlineImage = QVPDFImageXObject::inlineImage(stream, colorSpaces);
  if (inlineImage) (void)inlineImage->imageFile(fill);
}

}  // namespace

int fuzzImage(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::span<const uint8_t> input(data + 1, size - 1);
  // Each input is a page of its own (colour functions of image XObjects).
  QVPDFFunction::resetEvaluationWork();
  try {
    switch (data[0] % 6) {
      case 0: {
        (void)image::readJpegInfo(input);
        image::JpegInfo info;
        reencode(image::decodeJpeg(input, data[0] & 0x80, &info, static_cast<int>((data[0] >> 3) % 3) - 1));
        break;
      }
      case 1: {
        image::PngInfo info;
        reencode(image::decodePng(input, &info));
        break;
      }
      case 2: {
        image::Jpeg2000Image result = image::decodeJpeg2000(input);
        reencode(result.color);
        break;
      }
      case 3: decodeJbig2(input); break;
      case 4: decodeCcitt(input); break;
      case 5: writeImageXObject(asText(input.data(), input.size()), inputHash(data, size)); break;
    }
  } catch (const std::exception&) {
  }
  return 0;
}

}  // namespace qvfuzz

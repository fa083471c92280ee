#pragma once
// Internal to platform/pdf: inline images (BI ... ID ... EI) turned into
// ordinary image streams.
#include <cstdint>
#include <optional>
#include <string>

#include <qpdf/QPDFObjectHandle.hh>

#include "platform/pdf/object.h"

class QPDF;

namespace platform {
class PdfContentStream;
}

namespace platform::pdfdetail {

// The inline image's dictionary with the full key names (Width, Height,
// BitsPerComponent, ColorSpace, Filter, DecodeParms, Decode, ImageMask,
// Interpolate), full filter names (ASCIIHexDecode, ...) and full colour
// space names (DeviceGray, DeviceRGB, DeviceCMYK, Indexed). Length entries
// are dropped: the stream made from it gets its own.
QPDFObjectHandle expandInlineImageDictionary(QPDFObjectHandle abbreviated);

struct InlineImageInfo {
  // Bytes of sample data the dictionary implies; only for unfiltered images
  // whose size and colour space are known.
  std::optional<uint64_t> expectedLength;
};

// What the (expanded) dictionary says of the data; named colour spaces are
// looked up in the content stream's resources.
InlineImageInfo inlineImageInfo(const PdfObject& dict, const PdfContentStream& stream);

// A new stream in `owner` with the dictionary and the (still encoded) data,
// so that PdfObject::streamData() decodes it like any image XObject.
PdfObject makeInlineImageStream(QPDF& owner, QPDFObjectHandle dict, std::string data);

}  // namespace platform::pdfdetail

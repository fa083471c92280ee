#pragma once
// Internal to platform/pdf: decoding stream data through qpdf into a string
// whose size is capped, so that a small stream that inflates to gigabytes
// (a "zip bomb") fails with PdfError instead of exhausting memory.
#include <cstddef>
#include <functional>
#include <string>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFObjectHandle.hh>

namespace platform::pdfdetail {

// Largest decoded size of one stream handed out by PdfObject.
inline constexpr size_t kMaxDecodedStreamBytes = size_t{1} << 30;
// Largest size of a page's or form's content (all parts together).
inline constexpr size_t kMaxContentBytes = size_t{256} << 20;

// Appends everything written to it to a string, and throws PdfError once the
// string would grow past `limit` bytes in all (what fits is kept).
class CappedStringSink : public Pipeline {
 public:
  CappedStringSink(std::string& out, size_t limit);
  void write(unsigned char const* data, size_t len) override;
  void finish() override {}
  bool overflowed() const { return overflowed_; }

 private:
  std::string& out_;
  size_t limit_;
  bool overflowed_ = false;
};

enum class DecodeResult {
  Complete,     // every filter applied
  Partial,      // a filter failed part way (or the size cap was hit); the data is what came out before
  Unsupported,  // a filter qpdf cannot apply at this level; nothing was appended
};

// Appends the decoded data of `stream` to `out` (filters up to qpdf's
// "specialized" level: Flate, LZW, ASCII85, ASCIIHex, RunLength), letting it
// grow to at most `limit` bytes. Never throws for bad data; std::bad_alloc
// may still escape.
DecodeResult appendDecoded(QPDFObjectHandle stream, std::string& out, size_t limit);

// The same, handing the decoded data to `piece` as it comes instead of
// keeping it, for at most `limit` bytes: a picture read a row at a time is
// never held whole. Unsupported comes after `piece` was given the raw
// (still encoded) bytes.
DecodeResult pipeDecoded(QPDFObjectHandle stream, const std::function<void(const unsigned char*, size_t)>& piece,
                         size_t limit);

}  // namespace platform::pdfdetail

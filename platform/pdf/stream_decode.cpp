#include "platform/pdf/stream_decode.h"

#include <new>

#include "platform/pdf/object.h"

namespace platform::pdfdetail {

CappedStringSink::CappedStringSink(std::string& out, size_t limit)
    : Pipeline("capped string", nullptr), out_(out), limit_(limit) {}

void CappedStringSink::write(unsigned char const* data, size_t len) {
  if (len > limit_ || out_.size() > limit_ - len) {
    overflowed_ = true;
    size_t room = limit_ > out_.size() ? limit_ - out_.size() : 0;
    out_.append(reinterpret_cast<const char*>(data), room);
    throw PdfError("decoded stream data exceeds the size limit");
  }
  out_.append(reinterpret_cast<const char*>(data), len);
}

DecodeResult appendDecoded(QPDFObjectHandle stream, std::string& out, size_t limit) {
  if (out.size() >= limit) return DecodeResult::Partial;
  const size_t before = out.size();
  CappedStringSink sink(out, limit);
  bool attempted = false;
  bool ok = false;
  try {
    // qpdf reports a failed filter by answering false (with the data that
    // came out before the failure already written); it clears `attempted`
    // both then and when it could not filter at all and wrote raw bytes.
    ok = stream.pipeStreamData(&sink, &attempted, 0, qpdf_dl_specialized, true, false);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    ok = false;
  }
  if (ok && !attempted) {
    // qpdf wrote the raw (still encoded) bytes: they are not content.
    out.resize(before);
    return DecodeResult::Unsupported;
  }
  return ok && !sink.overflowed() ? DecodeResult::Complete : DecodeResult::Partial;
}

namespace {

// Hands on what is written to it, and stops the decoding once `limit`
// bytes went by.
class PieceSink : public Pipeline {
 public:
  struct Stop {};
  PieceSink(const std::function<void(const unsigned char*, size_t)>& piece, size_t limit)
      : Pipeline("pieces", nullptr), piece_(piece), limit_(limit) {}
  void write(unsigned char const* data, size_t len) override {
    const size_t room = limit_ - given_;
    if (len >= room) {
      if (room > 0) piece_(data, room);
      given_ = limit_;
      throw Stop{};
    }
    piece_(data, len);
    given_ += len;
  }
  void finish() override {}
  bool full() const { return given_ == limit_; }

 private:
  const std::function<void(const unsigned char*, size_t)>& piece_;
  size_t limit_;
  size_t given_ = 0;
};

}  // namespace

DecodeResult pipeDecoded(QPDFObjectHandle stream, const std::function<void(const unsigned char*, size_t)>& piece,
                         size_t limit) {
  if (limit == 0) return DecodeResult::Partial;
  PieceSink sink(piece, limit);
  bool attempted = false;
  bool ok = false;
  try {
    ok = stream.pipeStreamData(&sink, &attempted, 0, qpdf_dl_specialized, true, false);
  } catch (const PieceSink::Stop&) {
    return DecodeResult::Complete;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const PdfError&) {
    throw;
  } catch (const std::exception&) {
    ok = false;
  }
  if (ok && !attempted) return DecodeResult::Unsupported;
  return ok ? DecodeResult::Complete : DecodeResult::Partial;
}

}  // namespace platform::pdfdetail

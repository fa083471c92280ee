#pragma once
// One handle type for every PDF object of an open document (dictionary, array,
// stream, string, name, number, integer, boolean, null), over qpdf.
//
// Lifetime: a handle must not outlive the PdfDocument it came from (a handle
// that does throws PdfError instead of reading freed memory). Handles are
// cheap to copy (a shared reference to the underlying object).
//
// Getters on a wrong type answer std::nullopt / a null object and never throw;
// "number" accepts an integer or a real, "integer" only an integer, the way
// the content-stream operators and the resource readers expect.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <qpdf/QPDFObjectHandle.hh>

namespace platform {

// Thrown by the layer for failures the caller must see (a damaged stream that
// cannot be decoded, an object used after its document was closed, a size
// that cannot be allocated).
class PdfError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class PdfObjectType { Null, Boolean, Integer, Real, Name, String, Array, Dictionary, Stream };

// Format of a stream's data as handed out by PdfObject::streamData().
enum class PdfStreamFormat {
  Raw,        // every filter decoded
  JPEG,       // DCT data, earlier filters of the chain removed
  JPEG2000,   // JPX data
  JBIG2,      // JBIG2 embedded stream (globals in the decode parameters)
  CCITTFax,   // CCITT group 3 / 4 data (parameters in the decode parameters)
};

class PdfObject;

struct PdfStreamData {
  std::string bytes;
  PdfStreamFormat format = PdfStreamFormat::Raw;
  // The /DecodeParms dictionary of the last filter when the data is not Raw
  // (null otherwise): K, Columns, BlackIs1, JBIG2Globals, ColorTransform, ...
  std::shared_ptr<PdfObject> lastFilterParms;
};

class PdfObject {
 public:
  PdfObject() = default;  // the null object
  explicit PdfObject(QPDFObjectHandle handle);

  PdfObjectType type() const;
  bool isNull() const;
  bool isBoolean() const;
  bool isInteger() const;
  bool isReal() const;
  bool isNumber() const;  // integer or real
  bool isName() const;
  bool isString() const;
  bool isArray() const;
  bool isDictionary() const;  // a dictionary, not a stream
  bool isStream() const;

  // Scalars. asName() has no leading slash. asString() gives the bytes of the
  // string (decrypted), without any text decoding.
  std::optional<bool> asBoolean() const;
  std::optional<int64_t> asInteger() const;
  std::optional<double> asNumber() const;
  std::optional<std::string> asName() const;
  std::optional<std::string> asString() const;

  // Arrays. at() out of range gives the null object.
  size_t size() const;
  PdfObject at(size_t index) const;
  std::vector<PdfObject> elements() const;

  // Dictionaries; for a stream these read the stream's dictionary. Keys are
  // given without the leading slash ("Type", "Resources").
  bool hasKey(std::string_view key) const;
  PdfObject get(std::string_view key) const;   // null when missing
  std::vector<std::string> keys() const;
  PdfObject dictionary() const;                 // the stream's dictionary (itself for a dictionary)

  // Typed look-ups by key, the way the platform's dictionary getters work:
  // std::nullopt (or a null object) when the entry is missing or of another type.
  std::optional<bool> getBoolean(std::string_view key) const;
  std::optional<int64_t> getInteger(std::string_view key) const;
  std::optional<double> getNumber(std::string_view key) const;
  std::optional<std::string> getName(std::string_view key) const;
  std::optional<std::string> getString(std::string_view key) const;
  PdfObject getArray(std::string_view key) const;       // null unless an array
  PdfObject getDictionary(std::string_view key) const;  // null unless a dictionary (not a stream)
  PdfObject getStream(std::string_view key) const;      // null unless a stream

  // Streams.
  // Data with its format: fully decoded, or, when the last filter of the chain
  // is DCT, JPX, JBIG2 or CCITT, that filter's input. Throws PdfError when the
  // data cannot be decoded.
  PdfStreamData streamData() const;
  // Fully decoded data; throws PdfError when a filter cannot be applied.
  std::string decodedData() const;
  // The first `maxBytes` bytes of the decoded data (all of it when shorter).
  // Decoding stops there, so a small stream that inflates without end costs
  // no more than the bytes asked for; a filter that fails part way gives
  // what came out before it. Throws PdfError when the filters cannot be
  // applied at all. `expectedBytes`: the size the caller expects (image
  // samples, whose size the dictionary gives); room for that much (up to
  // 256 MiB) is made at once rather than grown, and copied, while decoding.
  std::string decodedPrefix(size_t maxBytes, size_t expectedBytes = 0) const;
  // The same bytes handed to `piece` as they are decoded, in pieces of any
  // size, without keeping them: answers how many were given. Throws as
  // decodedPrefix does (after `piece` may have seen bytes that were not
  // content). `piece` must not throw.
  size_t decodePieces(size_t maxBytes, const std::function<void(const uint8_t*, size_t)>& piece) const;
  // Length of the raw (still encoded) data, without reading it.
  size_t rawLength() const;
  // Bytes of raw data the file really holds for the stream, read through to
  // count them (the /Length that rawLength() answers is the file's word, and
  // may claim far more than there is). 0 for a stream that cannot be read.
  size_t storedLength() const;
  // The object in PDF syntax; for a stream its dictionary followed by its
  // data as stored (no filter applied). Empty when that would be longer than
  // maxBytes or the data cannot be read. Equal texts are equal objects.
  std::string serialized(size_t maxBytes) const;

  // Empties an indirect object in its document: it becomes null there and in
  // every handle to it, and its memory is given back. For objects the reader
  // made itself (inline images) once they are no longer needed; the document
  // would otherwise keep them until it is closed.
  void release() const;

  // Identity of an indirect object (0 for a direct one); used to build each
  // font or colour space once per document object.
  int objectNumber() const;
  int generation() const;
  bool isIndirect() const;
  // True when both handles reach the same indirect object (or are the same direct one).
  bool sameObject(const PdfObject& other) const;

  const QPDFObjectHandle& handle() const { return handle_; }

 private:
  QPDFObjectHandle handle_;
};

}  // namespace platform

#include "platform/pdf/object.h"

#include <algorithm>

#include <charconv>
#include <cmath>
#include <new>

#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>

#include "platform/memory/large_pages.h"
#include "platform/pdf/stream_decode.h"

namespace platform {
namespace {

std::string slashed(std::string_view key) {
  std::string k;
  k.reserve(key.size() + 1);
  k.push_back('/');
  k.append(key);
  return k;
}

// The filter names that stop decoding: their input is handed out as is.
std::optional<PdfStreamFormat> passThroughFormat(const std::string& filter) {
  if (filter == "/DCTDecode" || filter == "/DCT") return PdfStreamFormat::JPEG;
  if (filter == "/JPXDecode") return PdfStreamFormat::JPEG2000;
  if (filter == "/JBIG2Decode") return PdfStreamFormat::JBIG2;
  if (filter == "/CCITTFaxDecode" || filter == "/CCF") return PdfStreamFormat::CCITTFax;
  return std::nullopt;
}

// Decodes `stream` with every general-purpose filter; throws PdfError when
// a filter fails, is not supported, or the data grows past the size cap.
std::string pipeDecoded(QPDFObjectHandle stream) {
  std::string out;
  pdfdetail::CappedStringSink sink(out, pdfdetail::kMaxDecodedStreamBytes);
  bool attempted = false;
  bool ok = false;
  try {
    ok = stream.pipeStreamData(&sink, &attempted, 0, qpdf_dl_specialized, true, false);
  } catch (const PdfError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    throw PdfError(std::string("stream data: ") + e.what());
  }
  if (sink.overflowed()) throw PdfError("stream data exceeds the size limit");
  if (!ok || !attempted) throw PdfError("stream data cannot be decoded");
  return out;
}

// qpdf keeps a real as the text of its token and converts it with atof,
// which follows the process locale (a decimal comma would cut "0.5" to 0).
double parseReal(std::string text) {
  std::string_view v = text;
  if (!v.empty() && v[0] == '+') v.remove_prefix(1);
  double d = 0;
  auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
  if (ec != std::errc() || !std::isfinite(d)) return 0.0;
  return d;
}

}  // namespace

PdfObject::PdfObject(QPDFObjectHandle handle) : handle_(std::move(handle)) {}

PdfObjectType PdfObject::type() const {
  if (!handle_.isInitialized()) return PdfObjectType::Null;
  try {
    // One look at the object (resolving a reference once), not one for
    // each type it might be: this is asked of every object read.
    switch (QPDFObjectHandle(handle_).getTypeCode()) {
      case ::ot_boolean: return PdfObjectType::Boolean;
      case ::ot_integer: return PdfObjectType::Integer;
      case ::ot_real: return PdfObjectType::Real;
      case ::ot_name: return PdfObjectType::Name;
      case ::ot_string: return PdfObjectType::String;
      case ::ot_array: return PdfObjectType::Array;
      case ::ot_stream: return PdfObjectType::Stream;
      case ::ot_dictionary: return PdfObjectType::Dictionary;
      case ::ot_destroyed: throw PdfError("PDF object used after its document was closed");
      default: break;
    }
  } catch (const PdfError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::logic_error& e) {
    // qpdf's answer to a handle whose document is gone.
    throw PdfError(std::string("PDF object used after its document was closed: ") + e.what());
  } catch (const std::exception&) {
    // An object qpdf could not read counts as null.
  }
  return PdfObjectType::Null;
}

bool PdfObject::isNull() const { return type() == PdfObjectType::Null; }
bool PdfObject::isBoolean() const { return type() == PdfObjectType::Boolean; }
bool PdfObject::isInteger() const { return type() == PdfObjectType::Integer; }
bool PdfObject::isReal() const { return type() == PdfObjectType::Real; }
bool PdfObject::isNumber() const {
  auto t = type();
  return t == PdfObjectType::Integer || t == PdfObjectType::Real;
}
bool PdfObject::isName() const { return type() == PdfObjectType::Name; }
bool PdfObject::isString() const { return type() == PdfObjectType::String; }
bool PdfObject::isArray() const { return type() == PdfObjectType::Array; }
bool PdfObject::isDictionary() const { return type() == PdfObjectType::Dictionary; }
bool PdfObject::isStream() const { return type() == PdfObjectType::Stream; }

std::optional<bool> PdfObject::asBoolean() const {
  if (!isBoolean()) return std::nullopt;
  return QPDFObjectHandle(handle_).getBoolValue();
}

std::optional<int64_t> PdfObject::asInteger() const {
  if (!isInteger()) return std::nullopt;
  return static_cast<int64_t>(QPDFObjectHandle(handle_).getIntValue());
}

std::optional<double> PdfObject::asNumber() const {
  auto t = type();
  if (t == PdfObjectType::Integer) return static_cast<double>(QPDFObjectHandle(handle_).getIntValue());
  if (t == PdfObjectType::Real) return parseReal(QPDFObjectHandle(handle_).getRealValue());
  return std::nullopt;
}

std::optional<std::string> PdfObject::asName() const {
  if (!isName()) return std::nullopt;
  std::string n = QPDFObjectHandle(handle_).getName();
  if (!n.empty() && n[0] == '/') n.erase(0, 1);
  return n;
}

std::optional<std::string> PdfObject::asString() const {
  if (!isString()) return std::nullopt;
  return QPDFObjectHandle(handle_).getStringValue();
}

size_t PdfObject::size() const {
  if (!isArray()) return 0;
  int n = QPDFObjectHandle(handle_).getArrayNItems();
  return n > 0 ? static_cast<size_t>(n) : 0;
}

PdfObject PdfObject::at(size_t index) const {
  if (index >= size()) return {};
  return PdfObject(QPDFObjectHandle(handle_).getArrayItem(static_cast<int>(index)));
}

std::vector<PdfObject> PdfObject::elements() const {
  std::vector<PdfObject> out;
  size_t n = size();
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) out.push_back(at(i));
  return out;
}

PdfObject PdfObject::dictionary() const {
  auto t = type();
  if (t == PdfObjectType::Dictionary) return *this;
  if (t == PdfObjectType::Stream) return PdfObject(QPDFObjectHandle(handle_).getDict());
  return {};
}

bool PdfObject::hasKey(std::string_view key) const {
  PdfObject d = dictionary();
  if (d.isNull()) return false;
  QPDFObjectHandle h = d.handle_;
  if (!h.hasKey(slashed(key))) return false;
  return !h.getKey(slashed(key)).isNull();
}

PdfObject PdfObject::get(std::string_view key) const {
  PdfObject d = dictionary();
  if (d.isNull()) return {};
  QPDFObjectHandle v = QPDFObjectHandle(d.handle_).getKey(slashed(key));
  if (v.isNull()) return {};
  return PdfObject(v);
}

std::vector<std::string> PdfObject::keys() const {
  std::vector<std::string> out;
  PdfObject d = dictionary();
  if (d.isNull()) return out;
  for (const auto& k : QPDFObjectHandle(d.handle_).getKeys()) {
    if (QPDFObjectHandle(d.handle_).getKey(k).isNull()) continue;
    out.push_back(k.size() > 0 && k[0] == '/' ? k.substr(1) : k);
  }
  return out;
}

std::optional<bool> PdfObject::getBoolean(std::string_view key) const { return get(key).asBoolean(); }
std::optional<int64_t> PdfObject::getInteger(std::string_view key) const { return get(key).asInteger(); }
std::optional<double> PdfObject::getNumber(std::string_view key) const { return get(key).asNumber(); }
std::optional<std::string> PdfObject::getName(std::string_view key) const { return get(key).asName(); }
std::optional<std::string> PdfObject::getString(std::string_view key) const { return get(key).asString(); }

PdfObject PdfObject::getArray(std::string_view key) const {
  PdfObject v = get(key);
  return v.isArray() ? v : PdfObject();
}
PdfObject PdfObject::getDictionary(std::string_view key) const {
  PdfObject v = get(key);
  return v.isDictionary() ? v : PdfObject();
}
PdfObject PdfObject::getStream(std::string_view key) const {
  PdfObject v = get(key);
  return v.isStream() ? v : PdfObject();
}

// The most room reserved for a stream's data before it is read (its /Length
// may say anything).
constexpr size_t kMaxRawReserve = size_t{64} << 20;

PdfStreamData PdfObject::streamData() const {
  if (!isStream()) throw PdfError("not a stream");
  QPDFObjectHandle h = handle_;
  PdfObject dict = dictionary();
  PdfObject filter = dict.get("Filter");
  PdfObject parms = dict.get("DecodeParms");

  std::vector<QPDFObjectHandle> filters;
  std::vector<QPDFObjectHandle> parmList;
  if (filter.isName()) {
    filters.push_back(filter.handle());
    parmList.push_back(parms.isArray() ? parms.at(0).handle() : parms.handle());
  } else if (filter.isArray()) {
    for (size_t i = 0; i < filter.size(); ++i) {
      filters.push_back(filter.at(i).handle());
      parmList.push_back(parms.isArray() ? parms.at(i).handle() : (i == 0 ? parms.handle() : QPDFObjectHandle()));
    }
  }

  PdfStreamData out;
  std::optional<PdfStreamFormat> last;
  if (!filters.empty() && filters.back().isName()) last = passThroughFormat(filters.back().getName());
  if (!last) {
    out.bytes = decodedData();
    return out;
  }
  out.format = *last;
  if (parmList.back().isInitialized() && parmList.back().isDictionary())
    out.lastFilterParms = std::make_shared<PdfObject>(parmList.back());
  // Piped into a string of the stored length (a picture's data runs to
  // megabytes): not grown a doubling at a time, nor copied out of a buffer.
  std::string rawBytes;
  memory::reserveLarge(rawBytes, std::min(rawLength(), kMaxRawReserve));
  try {
    Pl_String sink("raw stream data", nullptr, rawBytes);
    bool filtered = false;
    if (!h.pipeStreamData(&sink, &filtered, 0, qpdf_dl_none, false, false))
      throw PdfError("stream data: cannot be read");
  } catch (const PdfError&) {
    throw;
  } catch (const std::exception& e) {
    throw PdfError(std::string("stream data: ") + e.what());
  }
  if (filters.size() == 1) {
    out.bytes = std::move(rawBytes);
    return out;
  }
  // Earlier filters remain: decode them through a detached stream that
  // carries only those filters, made in a document of its own (asked to
  // make an object, qpdf first reads every object of its file).
  QPDF scratch;
  scratch.setSuppressWarnings(true);
  scratch.emptyPDF();
  QPDFObjectHandle detached = scratch.newStream(rawBytes);
  QPDFObjectHandle earlierFilters = QPDFObjectHandle::newArray();
  QPDFObjectHandle earlierParms = QPDFObjectHandle::newArray();
  for (size_t i = 0; i + 1 < filters.size(); ++i) {
    earlierFilters.appendItem(filters[i]);
    earlierParms.appendItem(parmList[i].isInitialized() ? parmList[i] : QPDFObjectHandle::newNull());
  }
  detached.getDict().replaceKey("/Filter", earlierFilters);
  detached.getDict().replaceKey("/DecodeParms", earlierParms);
  out.bytes = pipeDecoded(detached);
  return out;
}

std::string PdfObject::decodedData() const {
  if (!isStream()) throw PdfError("not a stream");
  return pipeDecoded(handle_);
}

std::string PdfObject::decodedPrefix(size_t maxBytes, size_t expectedBytes) const {
  if (!isStream()) throw PdfError("not a stream");
  std::string out;
  out.reserve(std::min({expectedBytes, maxBytes, size_t{256} << 20}));
  if (pdfdetail::appendDecoded(handle_, out, maxBytes) == pdfdetail::DecodeResult::Unsupported)
    throw PdfError("stream data cannot be decoded");
  return out;
}

size_t PdfObject::decodePieces(size_t maxBytes, const std::function<void(const uint8_t*, size_t)>& piece) const {
  if (!isStream()) throw PdfError("not a stream");
  size_t given = 0;
  const std::function<void(const unsigned char*, size_t)> counted = [&](const unsigned char* data, size_t len) {
    given += len;
    piece(data, len);
  };
  if (pdfdetail::pipeDecoded(handle_, counted, maxBytes) == pdfdetail::DecodeResult::Unsupported)
    throw PdfError("stream data cannot be decoded");
  return given;
}

size_t PdfObject::rawLength() const {
  if (!isStream()) return 0;
  auto len = dictionary().getInteger("Length");
  return len && *len > 0 ? static_cast<size_t>(*len) : 0;
}

namespace {

class CountingSink : public Pipeline {
 public:
  CountingSink() : Pipeline("count", nullptr) {}
  void write(unsigned char const*, size_t len) override { count += len; }
  void finish() override {}
  size_t count = 0;
};

}  // namespace

size_t PdfObject::storedLength() const {
  if (!isStream()) return 0;
  CountingSink sink;
  try {
    QPDFObjectHandle(handle_).pipeStreamData(&sink, 0, qpdf_dl_none);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
  }
  return sink.count;
}

std::string PdfObject::serialized(size_t maxBytes) const {
  if (!handle_.isInitialized()) return {};
  QPDFObjectHandle h = handle_;
  try {
    if (!isStream()) {
      std::string text = h.unparse();
      return text.size() <= maxBytes ? text : std::string();
    }
    if (rawLength() > maxBytes) return {};
    std::string text = h.getDict().unparse();
    if (text.size() > maxBytes) return {};
    std::shared_ptr<Buffer> raw = h.getRawStreamData();
    if (!raw || raw->getSize() > maxBytes - text.size() - 7) return {};
    text += " stream";
    text.append(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
    return text;
  } catch (const std::exception&) {
    return {};
  }
}

void PdfObject::release() const {
  if (!isIndirect()) return;
  QPDFObjectHandle h = handle_;
  QPDF* owner = h.getOwningQPDF();
  if (owner == nullptr) return;
  try {
    owner->replaceObject(h.getObjGen(), QPDFObjectHandle::newNull());
  } catch (const std::exception&) {
  }
}

int PdfObject::objectNumber() const {
  if (!handle_.isInitialized()) return 0;
  return handle_.getObjGen().getObj();
}

int PdfObject::generation() const {
  if (!handle_.isInitialized()) return 0;
  return handle_.getObjGen().getGen();
}

bool PdfObject::isIndirect() const { return objectNumber() != 0; }

bool PdfObject::sameObject(const PdfObject& other) const {
  if (!handle_.isInitialized() || !other.handle_.isInitialized()) return false;
  return handle_.isSameObjectAs(other.handle_);
}

}  // namespace platform

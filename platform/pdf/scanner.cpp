#include "platform/pdf/scanner.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <new>

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFTokenizer.hh>

#include "platform/pdf/inline_image.h"
#include "platform/pdf/stream_decode.h"

namespace platform {
namespace {

// Arrays and dictionaries in content streams nest two or three deep; deeper
// nesting only comes from damaged or hostile data.
constexpr size_t kMaxNesting = 64;
// Operands (array and dictionary elements included) gathered for one
// operator. Real operators take a handful; long TJ arrays take thousands.
constexpr size_t kMaxOperandsPerOperator = size_t{1} << 17;
// Bound on the chain of enclosing content streams searched for a resource.
constexpr int kMaxResourceChain = 1024;

bool isPdfSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

bool isDelimiter(char c) {
  return isPdfSpace(c) || c == '/' || c == '<' || c == '>' || c == '[' || c == ']' || c == '(' || c == ')' ||
         c == '{' || c == '}' || c == '%';
}

// What nearly all of a content stream is made of: numbers, operators and
// names of printable ASCII, parted by spaces and line ends. The scan reads
// these itself; anything else (strings, dictionaries, comments, escapes in
// names, form feeds, NUL and bytes above 0x7e) goes to the full tokenizer.
bool isPlainSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

bool isPlainByte(char c) {
  return c > ' ' && c < 0x7f && c != '/' && c != '<' && c != '>' && c != '[' && c != ']' && c != '(' && c != ')' &&
         c != '{' && c != '}' && c != '%' && c != '#';
}

bool isPlainEnd(char c) {
  return isPlainSpace(c) || c == '/' || c == '<' || c == '>' || c == '[' || c == ']' || c == '(' || c == ')' ||
         c == '{' || c == '}' || c == '%';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

enum class PlainKind { Integer, Real, Word, Unsure };

// A sign, digits and at most one point make a number; a token that starts
// like a number but is not one ("1.2.3", "-", "5e3") is left to the full
// tokenizer, whose reading of such tokens stays the rule.
PlainKind plainKind(std::string_view token) {
  const char first = token.front();
  if (!isDigit(first) && first != '+' && first != '-' && first != '.') return PlainKind::Word;
  size_t i = first == '+' || first == '-' ? 1 : 0;
  size_t digits = 0;
  while (i < token.size() && isDigit(token[i])) ++i, ++digits;
  if (i == token.size()) return digits > 0 ? PlainKind::Integer : PlainKind::Unsure;
  if (token[i] != '.') return PlainKind::Unsure;
  ++i;
  while (i < token.size() && isDigit(token[i])) ++i, ++digits;
  return i == token.size() && digits > 0 ? PlainKind::Real : PlainKind::Unsure;
}

PdfOperand makeInteger(std::string_view text) {
  PdfOperand op;
  op.kind = PdfOperand::Kind::Integer;
  size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    i = 1;
  }
  // Accumulate as a negative number so that the most negative value fits.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;
  bool overflow = false;
  for (; i < text.size(); ++i) {
    int digit = text[i] - '0';
    if (digit < 0 || digit > 9) break;
    if (value < (kMin + digit) / 10) {
      overflow = true;
      break;
    }
    value = value * 10 - digit;
  }
  if (!overflow && !negative && value == kMin) overflow = true;
  if (overflow) {
    // Too wide for 64 bits: saturate, and keep the magnitude as a double.
    op.integer = negative ? kMin : std::numeric_limits<int64_t>::max();
    op.real = negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    std::string_view digits = text.substr(text[0] == '+' ? 1 : 0);
    double d = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), d);
    if (ec == std::errc() && std::isfinite(d)) op.real = d;
    return op;
  }
  op.integer = negative ? value : -value;
  op.real = static_cast<double>(op.integer);
  return op;
}

// A real of at most 15 digits: its digits as a whole number, divided by the
// power of ten its fraction needs. Both are exact doubles, so the one
// division rounds correctly and the value is the one from_chars reads.
std::optional<double> shortReal(std::string_view text) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) i = 1;
  int64_t digits = 0;
  int count = 0, fraction = -1;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      if (fraction >= 0) return std::nullopt;
      fraction = 0;
      continue;
    }
    if (c < '0' || c > '9' || ++count > 15) return std::nullopt;
    digits = digits * 10 + (c - '0');
    if (fraction >= 0) ++fraction;
  }
  if (count == 0) return std::nullopt;
  const double value = static_cast<double>(digits) / kPowersOfTen[std::max(fraction, 0)];
  return negative ? -value : value;
}

PdfOperand makeReal(std::string_view text) {
  PdfOperand op;
  op.kind = PdfOperand::Kind::Real;
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (const std::optional<double> value = shortReal(text)) {
    op.real = *value;
    return op;
  }
  double d = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (ec == std::errc::result_out_of_range) {
    // Hundreds of digits: huge when any digit before the point is non-zero,
    // else vanishingly small.
    bool huge = false;
    for (char c : text) {
      if (c == '.') break;
      if (c >= '1' && c <= '9') huge = true;
    }
    double magnitude = huge ? std::numeric_limits<double>::max() : 0.0;
    d = (!text.empty() && text[0] == '-') ? -magnitude : magnitude;
  } else if (ec != std::errc() || !std::isfinite(d)) {
    d = 0;
  }
  op.real = d;
  return op;
}

}  // namespace

// ---------------------------------------------------------------------------
// PdfContentStream

namespace {

// Room for what content streams decode to, guessed from their encoded
// lengths: content inflates to a few times its length, and a string that
// doubled its way up to megabytes would copy them again and again into
// fresh memory. The guess is held to a bound, since a length is the file's
// word.
void reserveForContent(std::string& data, const std::vector<PdfObject>& parts) {
  constexpr size_t kExpansion = 4;
  constexpr size_t kMaxGuess = size_t{64} << 20;
  size_t guess = 0;
  for (const PdfObject& part : parts) guess += std::min(part.rawLength(), kMaxGuess) * kExpansion + 1;
  data.reserve(std::min(guess, kMaxGuess));
}

}  // namespace

std::shared_ptr<PdfContentStream> PdfContentStream::forPage(const PdfPage& page) {
  auto s = std::make_shared<PdfContentStream>();
  s->resources_ = page.resources();
  s->document_ = &page.document();
  if (page.document().isUnlocked()) {
    s->inlineImages_ = page.document().inlineImageDocument();
    s->owner_ = s->inlineImages_.get();
  }
  try {
    PdfObject contents = page.dictionary().get("Contents");
    std::vector<PdfObject> parts;
    if (contents.isStream()) {
      parts.push_back(contents);
    } else if (contents.isArray()) {
      for (size_t i = 0, n = contents.size(); i < n; ++i) {
        PdfObject part = contents.at(i);
        if (part.isStream()) {
          parts.push_back(part);
        } else {
          s->damaged_ = true;
        }
      }
    } else if (!contents.isNull()) {
      s->damaged_ = true;
    }
    reserveForContent(s->data_, parts);
    for (const PdfObject& part : parts) {
      s->sourceBytes_ += part.storedLength();
      size_t before = s->data_.size();
      // Each part is decoded on its own so that one damaged part costs only
      // its own data; the newline keeps tokens of adjacent parts apart.
      if (before > 0) s->data_.push_back('\n');
      auto result = pdfdetail::appendDecoded(part.handle(), s->data_, pdfdetail::kMaxContentBytes);
      if (result == pdfdetail::DecodeResult::Unsupported) s->data_.resize(before);
      if (result != pdfdetail::DecodeResult::Complete) s->damaged_ = true;
    }
  } catch (const PdfError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    s->damaged_ = true;
  }
  return s;
}

std::shared_ptr<PdfContentStream> PdfContentStream::forForm(const PdfObject& stream, const PdfObject& resources,
                                                            std::shared_ptr<const PdfContentStream> parent) {
  auto s = std::make_shared<PdfContentStream>();
  s->resources_ = resources.isDictionary() ? resources : PdfObject();
  s->parent_ = std::move(parent);
  s->owner_ = s->parent_ ? s->parent_->owner_ : nullptr;
  s->document_ = s->parent_ ? s->parent_->document_ : nullptr;
  try {
    if (stream.isStream()) {
      if (!s->owner_) s->owner_ = stream.handle().getOwningQPDF();
      reserveForContent(s->data_, {stream});
      auto result = pdfdetail::appendDecoded(stream.handle(), s->data_, pdfdetail::kMaxContentBytes);
      if (result == pdfdetail::DecodeResult::Unsupported) s->data_.clear();
      if (result != pdfdetail::DecodeResult::Complete) s->damaged_ = true;
    } else {
      s->damaged_ = true;
    }
  } catch (const PdfError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    s->damaged_ = true;
  }
  return s;
}

std::shared_ptr<PdfContentStream> PdfContentStream::forData(std::string data, const PdfObject& resources,
                                                            std::shared_ptr<const PdfContentStream> parent) {
  auto s = std::make_shared<PdfContentStream>();
  s->data_ = std::move(data);
  s->sourceBytes_ = s->data_.size();
  s->resources_ = resources.isDictionary() ? resources : PdfObject();
  s->parent_ = std::move(parent);
  s->owner_ = s->parent_ ? s->parent_->owner_ : nullptr;
  s->document_ = s->parent_ ? s->parent_->document_ : nullptr;
  if (resources.handle().isInitialized()) {
    if (QPDF* owner = resources.handle().getOwningQPDF()) s->owner_ = owner;
  }
  return s;
}

PdfObject PdfContentStream::resource(std::string_view category, std::string_view name) const {
  // A form that draws itself (or forms that draw each other) puts the same
  // resources at many levels of the chain: each is asked once, so that a
  // look-up costs what the distinct dictionaries cost, not the depth.
  constexpr size_t kRemembered = 8;
  std::array<const PdfObject*, kRemembered> asked{};
  size_t askedCount = 0;
  int depth = 0;
  for (const PdfContentStream* s = this; s && depth < kMaxResourceChain; s = s->parent_.get(), ++depth) {
    if (s->resources_.isNull()) continue;
    const auto end = asked.begin() + static_cast<std::ptrdiff_t>(std::min(askedCount, kRemembered));
    if (std::any_of(asked.begin(), end, [&](const PdfObject* seen) { return seen->sameObject(s->resources_); }))
      continue;
    asked[askedCount++ % kRemembered] = &s->resources_;
    try {
      PdfObject entry = s->resources_.getDictionary(category).get(name);
      if (!entry.isNull()) return entry;
    } catch (const PdfError&) {
      throw;
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception&) {
    }
  }
  return {};
}

// ---------------------------------------------------------------------------
// PdfOperand, PdfOperatorTable

PdfObject PdfOperand::toObject() const {
  switch (kind) {
    case Kind::Null: return PdfObject(QPDFObjectHandle::newNull());
    case Kind::Boolean: return PdfObject(QPDFObjectHandle::newBool(boolean));
    case Kind::Integer: return PdfObject(QPDFObjectHandle::newInteger(integer));
    case Kind::Real: {
      // Written without exponent, as PDF syntax wants, and independent of
      // the process locale.
      char buf[400];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, real, std::chars_format::fixed);
      std::string text = ec == std::errc() ? std::string(buf, end) : std::string("0");
      if (text.find('.') == std::string::npos) text += ".0";
      return PdfObject(QPDFObjectHandle::newReal(text));
    }
    case Kind::Name: return PdfObject(QPDFObjectHandle::newName("/" + text));
    case Kind::String: return PdfObject(QPDFObjectHandle::newString(text));
    case Kind::Array: {
      QPDFObjectHandle a = QPDFObjectHandle::newArray();
      for (const PdfOperand& e : array) a.appendItem(e.toObject().handle());
      return PdfObject(a);
    }
    case Kind::Dictionary:
    case Kind::Stream: return object;
  }
  return {};
}

void PdfOperatorTable::set(std::string_view op, PdfOperatorCallback callback) {
  table_[std::string(op)] = std::move(callback);
}

const PdfOperatorCallback* PdfOperatorTable::find(std::string_view op) const {
  auto it = table_.find(op);
  return it == table_.end() ? nullptr : &it->second;
}

// ---------------------------------------------------------------------------
// The scan

class PdfScannerImpl {
 public:
  explicit PdfScannerImpl(PdfScanner& scanner)
      : s_(scanner),
        data_(scanner.stream_->data()),
        buffer_(reinterpret_cast<unsigned char*>(const_cast<char*>(data_.data())), data_.size()),
        input_(std::make_shared<BufferInputSource>("content stream", &buffer_, false)) {
    tokenizer_.allowEOF();
    damaged_ = scanner.stream_->isDamaged();
  }

  bool run();

 private:
  bool readPlainToken();
  enum class ContainerKind { Array, Dictionary, InlineImage };
  struct Container {
    ContainerKind kind;
    std::vector<PdfOperand> items;
  };

  void push(PdfOperand op);
  void open(ContainerKind kind);
  void closeArray();
  void closeDictionary();
  void handleWord(const std::string& word);
  void dispatch(const std::string& op);
  void beginInlineImage();
  void finishInlineImage();
  std::optional<std::string> readInlineImageData(const pdfdetail::InlineImageInfo& info);
  void dropOpenContainers();

  PdfScanner& s_;
  const std::string& data_;
  Buffer buffer_;
  std::shared_ptr<InputSource> input_;
  QPDFTokenizer tokenizer_;
  // Where the scan stands in data_; input_ is moved there before the full
  // tokenizer reads, and read back after.
  size_t pos_ = 0;
  std::vector<Container> open_;
  size_t gathered_ = 0;       // operands gathered since the last operator
  bool skipOperands_ = false;  // set when the gathering went out of bounds
  bool damaged_ = false;
  bool callbackThrew_ = false;
};

void PdfScannerImpl::push(PdfOperand op) {
  if (skipOperands_) return;
  if (++gathered_ > kMaxOperandsPerOperator) {
    damaged_ = true;
    skipOperands_ = true;
    return;
  }
  if (open_.empty()) {
    s_.operands_.push_back(std::move(op));
  } else {
    open_.back().items.push_back(std::move(op));
  }
}

void PdfScannerImpl::open(ContainerKind kind) {
  if (skipOperands_) return;
  if (open_.size() >= kMaxNesting) {
    // Too deep to be real content: drop this operator's operands.
    damaged_ = true;
    skipOperands_ = true;
    open_.clear();
    return;
  }
  open_.push_back(Container{kind, {}});
}

void PdfScannerImpl::closeArray() {
  if (skipOperands_) return;
  if (open_.empty() || open_.back().kind != ContainerKind::Array) {
    damaged_ = true;
    return;
  }
  PdfOperand op;
  op.kind = PdfOperand::Kind::Array;
  op.array = std::move(open_.back().items);
  open_.pop_back();
  push(std::move(op));
}

// Key / value pairs to a qpdf dictionary; a pair whose key is not a name is
// dropped.
static QPDFObjectHandle dictionaryFromItems(const std::vector<PdfOperand>& items, bool& damaged) {
  QPDFObjectHandle dict = QPDFObjectHandle::newDictionary();
  if (items.size() % 2 != 0) damaged = true;
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (items[i].kind != PdfOperand::Kind::Name || items[i].text.empty()) {
      damaged = true;
      continue;
    }
    dict.replaceKey("/" + items[i].text, items[i + 1].toObject().handle());
  }
  return dict;
}

void PdfScannerImpl::closeDictionary() {
  if (skipOperands_) return;
  if (open_.empty() || open_.back().kind != ContainerKind::Dictionary) {
    damaged_ = true;
    return;
  }
  PdfOperand op;
  op.kind = PdfOperand::Kind::Dictionary;
  op.object = PdfObject(dictionaryFromItems(open_.back().items, damaged_));
  open_.pop_back();
  push(std::move(op));
}

void PdfScannerImpl::dropOpenContainers() {
  if (!open_.empty()) damaged_ = true;
  open_.clear();
}

void PdfScannerImpl::dispatch(const std::string& op) {
  ++s_.operatorCount_;
  if (const PdfOperatorCallback* callback = s_.table_.find(op)) {
    try {
      (*callback)(s_);
    } catch (...) {
      // Whatever a callback throws belongs to its caller, not to the
      // tokenizer's damage handling below.
      callbackThrew_ = true;
      throw;
    }
  }
  s_.operands_.clear();
  gathered_ = 0;
  skipOperands_ = false;
}

void PdfScannerImpl::handleWord(const std::string& word) {
  bool inInlineImage = !open_.empty() && open_.front().kind == ContainerKind::InlineImage;
  if (inInlineImage) {
    if (word == "ID" && open_.size() == 1 && !skipOperands_) {
      finishInlineImage();
      return;
    }
    // BI without its ID: the image is lost; the word is read as usual.
    damaged_ = true;
    open_.clear();
  }
  if (word == "BI") {
    dropOpenContainers();
    s_.operands_.clear();
    gathered_ = 0;
    skipOperands_ = false;
    open(ContainerKind::InlineImage);
    return;
  }
  if (word == "ID" || word == "EI") {
    // Outside an inline image these only mark damage.
    damaged_ = true;
    dropOpenContainers();
    s_.operands_.clear();
    gathered_ = 0;
    skipOperands_ = false;
    return;
  }
  // An operator inside an unterminated array or dictionary ends it.
  dropOpenContainers();
  dispatch(word);
}

std::optional<std::string> PdfScannerImpl::readInlineImageData(const pdfdetail::InlineImageInfo& info) {
  // One white-space byte separates ID from the data.
  qpdf_offset_t pos = input_->tell();
  if (pos < 0 || static_cast<size_t>(pos) > data_.size()) return std::nullopt;
  size_t start = static_cast<size_t>(pos);
  if (start < data_.size() && isPdfSpace(data_[start])) ++start;

  // Unfiltered data has a known length; taking exactly that many bytes
  // keeps binary data that happens to contain "EI" whole.
  if (info.expectedLength && *info.expectedLength <= data_.size() - start) {
    size_t end = start + static_cast<size_t>(*info.expectedLength);
    size_t k = end;
    while (k < data_.size() && isPdfSpace(data_[k])) ++k;
    if (k + 2 <= data_.size() && data_.compare(k, 2, "EI") == 0 &&
        (k + 2 == data_.size() || isDelimiter(data_[k + 2]))) {
      input_->seek(static_cast<qpdf_offset_t>(k + 2), SEEK_SET);
      return data_.substr(start, end - start);
    }
  }

  input_->seek(static_cast<qpdf_offset_t>(start), SEEK_SET);
  tokenizer_.expectInlineImage(input_);
  QPDFTokenizer::Token image = tokenizer_.readToken(input_, "content stream", true, 0);
  if (image.getType() != QPDFTokenizer::tt_inline_image) return std::nullopt;
  std::string bytes = image.getValue();
  qpdf_offset_t afterData = input_->tell();
  QPDFTokenizer::Token ei = tokenizer_.readToken(input_, "content stream", true, 0);
  if (!(ei.getType() == QPDFTokenizer::tt_word && ei.getValue() == "EI")) {
    damaged_ = true;
    input_->seek(afterData, SEEK_SET);
  }
  // The bytes before EI end with the white space that separates them from
  // it. Unfiltered data is cut to the length its dictionary implies;
  // filtered data loses that one separator (a CR LF pair counts as one).
  if (info.expectedLength) {
    if (bytes.size() > *info.expectedLength) {
      bytes.resize(static_cast<size_t>(*info.expectedLength));
    } else if (bytes.size() < *info.expectedLength) {
      damaged_ = true;
    }
  } else if (!bytes.empty() && isPdfSpace(bytes.back())) {
    bool crlf = bytes.size() >= 2 && bytes[bytes.size() - 2] == '\r' && bytes.back() == '\n';
    bytes.resize(bytes.size() - (crlf ? 2 : 1));
  }
  return bytes;
}

void PdfScannerImpl::finishInlineImage() {
  std::vector<PdfOperand> items = std::move(open_.front().items);
  open_.clear();
  bool dictDamaged = false;
  QPDFObjectHandle abbreviated = dictionaryFromItems(items, dictDamaged);
  if (dictDamaged) damaged_ = true;
  QPDFObjectHandle dict = pdfdetail::expandInlineImageDictionary(abbreviated);
  pdfdetail::InlineImageInfo info = pdfdetail::inlineImageInfo(PdfObject(dict), *s_.stream_);

  std::optional<std::string> bytes = readInlineImageData(info);
  if (!bytes) damaged_ = true;
  QPDF* owner = s_.stream_->owner();
  if (bytes && owner) {
    PdfOperand op;
    op.kind = PdfOperand::Kind::Stream;
    op.object = pdfdetail::makeInlineImageStream(*owner, dict, std::move(*bytes));
    s_.operands_.push_back(std::move(op));
  }
  // EI runs even when the image could not be made, so that the interpreter
  // sees (and reports) the failed image.
  dispatch("EI");
}

bool PdfScannerImpl::readPlainToken() {
  const size_t size = data_.size();
  size_t p = pos_;
  while (p < size && isPlainSpace(data_[p])) ++p;
  pos_ = p;
  if (p >= size) return false;
  const char c = data_[p];
  if (c == '[' || c == ']') {
    pos_ = p + 1;
    if (c == '[') open(ContainerKind::Array);
    else closeArray();
    return true;
  }
  const bool name = c == '/';
  const size_t start = name ? p + 1 : p;
  size_t end = start;
  while (end < size && isPlainByte(data_[end])) ++end;
  if (end < size && !isPlainEnd(data_[end])) return false;
  const std::string_view token(data_.data() + start, end - start);
  if (name) {
    PdfOperand op;
    op.kind = PdfOperand::Kind::Name;
    op.text.assign(token);
    push(std::move(op));
    pos_ = end;
    return true;
  }
  if (token.empty()) return false;
  switch (plainKind(token)) {
    case PlainKind::Integer: push(makeInteger(token)); break;
    case PlainKind::Real: push(makeReal(token)); break;
    case PlainKind::Unsure: return false;
    case PlainKind::Word:
      if (token == "true" || token == "false") {
        PdfOperand op;
        op.kind = PdfOperand::Kind::Boolean;
        op.boolean = token == "true";
        push(std::move(op));
      } else if (token == "null") {
        push(PdfOperand());
      } else {
        // An inline image reads its data through the full tokenizer's input.
        input_->seek(static_cast<qpdf_offset_t>(end), SEEK_SET);
        handleWord(std::string(token));
        pos_ = static_cast<size_t>(std::max<qpdf_offset_t>(input_->tell(), 0));
        return true;
      }
      break;
  }
  pos_ = end;
  return true;
}

bool PdfScannerImpl::run() {
  using T = QPDFTokenizer;
  if (data_.empty()) return !damaged_;
  try {
    while (!s_.stopped_) {
      if (readPlainToken()) continue;
      input_->seek(static_cast<qpdf_offset_t>(pos_), SEEK_SET);
      T::Token t = tokenizer_.readToken(input_, "content stream", true, 0);
      switch (t.getType()) {
        case T::tt_eof:
          dropOpenContainers();
          return !damaged_;
        case T::tt_bad:
          damaged_ = true;
          break;
        case T::tt_integer: push(makeInteger(t.getValue())); break;
        case T::tt_real: push(makeReal(t.getValue())); break;
        case T::tt_name: {
          PdfOperand op;
          op.kind = PdfOperand::Kind::Name;
          const std::string& v = t.getValue();
          op.text = (!v.empty() && v[0] == '/') ? v.substr(1) : v;
          push(std::move(op));
          break;
        }
        case T::tt_string: {
          PdfOperand op;
          op.kind = PdfOperand::Kind::String;
          op.text = t.getValue();
          push(std::move(op));
          break;
        }
        case T::tt_bool: {
          PdfOperand op;
          op.kind = PdfOperand::Kind::Boolean;
          op.boolean = t.getValue() == "true";
          push(std::move(op));
          break;
        }
        case T::tt_null: push(PdfOperand()); break;
        case T::tt_array_open: open(ContainerKind::Array); break;
        case T::tt_array_close: closeArray(); break;
        case T::tt_dict_open: open(ContainerKind::Dictionary); break;
        case T::tt_dict_close: closeDictionary(); break;
        case T::tt_word: handleWord(t.getValue()); break;
        default:
          // Braces belong to calculator functions, not to content.
          damaged_ = true;
          break;
      }
      pos_ = static_cast<size_t>(std::max<qpdf_offset_t>(input_->tell(), 0));
    }
  } catch (const PdfError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::logic_error&) {
    if (callbackThrew_) throw;
    // The tokenizer refusing a state it should not reach: the rest of this
    // stream is lost, the page goes on.
    damaged_ = true;
  }
  return !damaged_;
}

// ---------------------------------------------------------------------------
// PdfScanner

PdfScanner::PdfScanner(std::shared_ptr<const PdfContentStream> stream, const PdfOperatorTable& table)
    : stream_(std::move(stream)), table_(table) {
  if (!stream_) stream_ = PdfContentStream::forData({}, PdfObject());
}

bool PdfScanner::scan() {
  operands_.clear();
  operatorCount_ = 0;
  stopped_ = false;
  PdfScannerImpl impl(*this);
  return impl.run();
}

namespace {
template <typename T, typename Fn>
std::optional<T> popIf(std::vector<PdfOperand>& operands, Fn&& take) {
  if (operands.empty()) return std::nullopt;
  PdfOperand op = std::move(operands.back());
  operands.pop_back();
  return take(op);
}
}  // namespace

std::optional<double> PdfScanner::popNumber() {
  return popIf<double>(operands_, [](PdfOperand& op) -> std::optional<double> {
    if (op.isNumber()) return op.real;
    return std::nullopt;
  });
}

std::optional<int64_t> PdfScanner::popInteger() {
  return popIf<int64_t>(operands_, [](PdfOperand& op) -> std::optional<int64_t> {
    if (op.kind == PdfOperand::Kind::Integer) return op.integer;
    return std::nullopt;
  });
}

std::optional<bool> PdfScanner::popBoolean() {
  return popIf<bool>(operands_, [](PdfOperand& op) -> std::optional<bool> {
    if (op.kind == PdfOperand::Kind::Boolean) return op.boolean;
    return std::nullopt;
  });
}

std::optional<std::string> PdfScanner::popName() {
  return popIf<std::string>(operands_, [](PdfOperand& op) -> std::optional<std::string> {
    if (op.kind == PdfOperand::Kind::Name) return std::move(op.text);
    return std::nullopt;
  });
}

std::optional<std::string> PdfScanner::popString() {
  return popIf<std::string>(operands_, [](PdfOperand& op) -> std::optional<std::string> {
    if (op.kind == PdfOperand::Kind::String) return std::move(op.text);
    return std::nullopt;
  });
}

std::optional<std::vector<PdfOperand>> PdfScanner::popArray() {
  return popIf<std::vector<PdfOperand>>(operands_, [](PdfOperand& op) -> std::optional<std::vector<PdfOperand>> {
    if (op.kind == PdfOperand::Kind::Array) return std::move(op.array);
    return std::nullopt;
  });
}

std::optional<PdfObject> PdfScanner::popDictionary() {
  return popIf<PdfObject>(operands_, [](PdfOperand& op) -> std::optional<PdfObject> {
    if (op.kind == PdfOperand::Kind::Dictionary) return std::move(op.object);
    return std::nullopt;
  });
}

std::optional<PdfObject> PdfScanner::popStream() {
  return popIf<PdfObject>(operands_, [](PdfOperand& op) -> std::optional<PdfObject> {
    if (op.kind == PdfOperand::Kind::Stream) return std::move(op.object);
    return std::nullopt;
  });
}

std::optional<PdfOperand> PdfScanner::popObject() {
  return popIf<PdfOperand>(operands_, [](PdfOperand& op) -> std::optional<PdfOperand> { return std::move(op); });
}

}  // namespace platform

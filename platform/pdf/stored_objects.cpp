#include "platform/pdf/stored_objects.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <qpdf/QPDF.hh>

#include "platform/pdf/file_source.h"
#include "platform/pdf/stream_decode.h"
#include "platform/text/text.h"

namespace platform::pdfdetail {
namespace {

// Deeper than this, a dictionary is left to qpdf.
constexpr int kMaxDepth = 32;

// What each byte is to the tokenizer: 1 a blank, 2 a delimiter.
constexpr std::array<uint8_t, 256> kByteKinds = [] {
  std::array<uint8_t, 256> kinds{};
  for (unsigned char c : std::string_view("\0\t\n\f\r ", 6)) kinds[c] = 1;
  for (unsigned char c : std::string_view("()<>[]{}/%")) kinds[c] = 2;
  return kinds;
}();

bool isBlank(char c) { return kByteKinds[static_cast<unsigned char>(c)] == 1; }
bool isRegular(char c) { return kByteKinds[static_cast<unsigned char>(c)] == 0; }

std::optional<int64_t> integerOf(std::string_view token) {
  int64_t value = 0;
  const char* end = token.data() + token.size();
  auto [ptr, ec] = std::from_chars(token.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// The objects of a dictionary's text, read only as far as telling where
// each ends.
class DictionaryText {
 public:
  explicit DictionaryText(std::string_view text) : s_(text) {}

  void blanks() {
    while (p_ < s_.size()) {
      if (isBlank(s_[p_])) {
        ++p_;
      } else if (s_[p_] == '%') {
        while (p_ < s_.size() && s_[p_] != '\n' && s_[p_] != '\r') ++p_;
      } else {
        break;
      }
    }
  }

  std::string_view regular() {
    const size_t start = p_;
    while (p_ < s_.size() && isRegular(s_[p_])) ++p_;
    return s_.substr(start, p_ - start);
  }

  bool opens(std::string_view what) const { return s_.substr(p_, what.size()) == what; }

  // The dictionary that starts here: whether it has `key` of its own
  // (nullopt when it is not written whole).
  std::optional<bool> dictionaryHasKey(std::string_view key) {
    bool found = false;
    if (!opens("<<") || !dictionary(1, key, &found)) return std::nullopt;
    return found;
  }

 private:
  static bool sameName(std::string_view written, std::string_view key) {
    if (written.find('#') == std::string_view::npos) return written == key;
    using platform::text::hexDigitValue;
    std::string name;
    for (size_t i = 0; i < written.size(); ++i) {
      const int high = i + 2 < written.size() ? hexDigitValue(written[i + 1]) : -1;
      const int low = i + 2 < written.size() ? hexDigitValue(written[i + 2]) : -1;
      if (written[i] == '#' && high >= 0 && low >= 0) {
        name.push_back(static_cast<char>(high * 16 + low));
        i += 2;
      } else {
        name.push_back(written[i]);
      }
    }
    return name == key;
  }

  // Passes over the dictionary that starts here (at "<<"), setting *found
  // when one of its keys is `key` (none is looked for when found is null);
  // false when it is not written whole.
  bool dictionary(int depth, std::string_view key, bool* found) {
    p_ += 2;
    for (;;) {
      blanks();
      if (opens(">>")) {
        p_ += 2;
        return true;
      }
      if (p_ >= s_.size() || s_[p_] != '/') return false;
      ++p_;
      const std::string_view name = regular();
      if (found && sameName(name, key)) *found = true;
      blanks();
      if (!object(depth + 1)) return false;
    }
  }

  // Passes over one object; false when it is not written whole.
  bool object(int depth) {
    if (depth > kMaxDepth || p_ >= s_.size()) return false;
    const char c = s_[p_];
    if (opens("<<")) return dictionary(depth, {}, nullptr);
    if (c == '[') {
      ++p_;
      for (;;) {
        blanks();
        if (p_ >= s_.size()) return false;
        if (s_[p_] == ']') {
          ++p_;
          return true;
        }
        if (!object(depth + 1)) return false;
      }
    }
    if (c == '(') {
      int open = 0;
      for (; p_ < s_.size(); ++p_) {
        if (s_[p_] == '\\') {
          ++p_;
        } else if (s_[p_] == '(') {
          ++open;
        } else if (s_[p_] == ')' && --open == 0) {
          ++p_;
          return true;
        }
      }
      return false;
    }
    if (c == '<') {
      const size_t end = s_.find('>', p_);
      if (end == std::string_view::npos) return false;
      p_ = end + 1;
      return true;
    }
    if (c == '/') {
      ++p_;
      regular();
      return true;
    }
    const std::string_view token = regular();
    if (token.empty()) return false;
    // An object number and generation followed by R are one object.
    if (integerOf(token)) {
      const size_t after = p_;
      blanks();
      if (integerOf(regular())) {
        blanks();
        if (regular() == "R") return true;
      }
      p_ = after;
    }
    return true;
  }

  std::string_view s_;
  size_t p_ = 0;
};

}  // namespace

std::optional<bool> dictionaryTextHasKey(std::string_view text, std::string_view key) {
  DictionaryText reader(text);
  reader.blanks();
  return reader.dictionaryHasKey(key);
}

StoredObjects::StoredObjects(QPDF& qpdf, std::shared_ptr<FileSource> source)
    : qpdf_(qpdf), source_(std::move(source)) {}

StoredObjects::~StoredObjects() = default;

const QPDFXRefEntry* StoredObjects::entry(QPDFObjGen id) {
  if (!xref_) xref_ = qpdf_.getXRefTable();
  const auto it = xref_->find(id);
  return it == xref_->end() ? nullptr : &it->second;
}

const StoredObjects::ObjectStream* StoredObjects::objectStream(int number) {
  for (const auto& stream : streams_)
    if (stream->number == number) return stream.get();
  if (decodedBytes_ >= kDecodedBytesBudget || unreadable_.count(number)) return nullptr;
  // A stream that cannot be read is tried once.
  unreadable_.insert(number);
  QPDFObjectHandle handle = qpdf_.getObjectByID(number, 0);
  if (!handle.isStream()) return nullptr;
  QPDFObjectHandle dict = handle.getDict();
  QPDFObjectHandle n = dict.getKey("/N");
  QPDFObjectHandle first = dict.getKey("/First");
  if (!n.isInteger() || !first.isInteger() || n.getIntValue() < 0 || first.getIntValue() < 0) return nullptr;
  auto stream = std::make_unique<ObjectStream>();
  stream->number = number;
  const DecodeResult decoded = appendDecoded(handle, stream->data, kMaxObjectStreamBytes + 1);
  decodedBytes_ += stream->data.size();
  if (decoded != DecodeResult::Complete || stream->data.size() > kMaxObjectStreamBytes) return nullptr;
  const size_t firstOffset = static_cast<size_t>(first.getIntValue());
  if (firstOffset > stream->data.size()) return nullptr;
  DictionaryText header(std::string_view(stream->data).substr(0, firstOffset));
  const int64_t count = n.getIntValue();
  for (int64_t i = 0; i < count; ++i) {
    header.blanks();
    const auto object = integerOf(header.regular());
    header.blanks();
    const auto offset = integerOf(header.regular());
    if (!object || !offset || *object <= 0 || *object > INT32_MAX || *offset < 0) return nullptr;
    stream->offsets.emplace_back(static_cast<int>(*object), firstOffset + static_cast<size_t>(*offset));
  }
  unreadable_.erase(number);
  // By number, the last of a number written twice kept.
  std::vector<std::pair<int, size_t>>& offsets = stream->offsets;
  std::stable_sort(offsets.begin(), offsets.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::pair<int, size_t>> kept;
  kept.reserve(offsets.size());
  for (const auto& entry : offsets) {
    if (!kept.empty() && kept.back().first == entry.first) kept.pop_back();
    kept.push_back(entry);
  }
  offsets = std::move(kept);
  constexpr size_t kStreamsKept = 2;
  if (streams_.size() >= kStreamsKept) streams_.erase(streams_.begin());
  streams_.push_back(std::move(stream));
  return streams_.back().get();
}

std::optional<bool> StoredObjects::dictionaryHasKey(QPDFObjGen id, std::string_view key) {
  const QPDFXRefEntry* where = entry(id);
  if (!where) return std::nullopt;
  if (where->getType() == 2) {
    const ObjectStream* stream = objectStream(where->getObjStreamNumber());
    if (!stream) return std::nullopt;
    auto it = std::lower_bound(stream->offsets.begin(), stream->offsets.end(), id.getObj(),
                               [](const auto& item, int wanted) { return item.first < wanted; });
    if (it == stream->offsets.end() || it->first != id.getObj() || it->second > stream->data.size())
      return std::nullopt;
    return dictionaryTextHasKey(std::string_view(stream->data).substr(it->second), key);
  }
  if (where->getType() != 1 || !source_ || where->getOffset() < 0) return std::nullopt;
  // A few kilobytes hold most dictionaries; more is read only for one that
  // goes on past them.
  for (const size_t window : {kFirstObjectBytes, kMaxObjectBytes}) {
    std::string bytes(window, '\0');
    source_->seek(where->getOffset(), SEEK_SET);
    bytes.resize(source_->read(bytes.data(), bytes.size()));
    // "number generation obj", then the dictionary.
    DictionaryText text(bytes);
    text.blanks();
    if (integerOf(text.regular()) != id.getObj()) return std::nullopt;
    text.blanks();
    if (integerOf(text.regular()) != id.getGen()) return std::nullopt;
    text.blanks();
    if (text.regular() != "obj") return std::nullopt;
    text.blanks();
    const std::optional<bool> told = text.dictionaryHasKey(key);
    if (told || bytes.size() < window) return told;
  }
  return std::nullopt;
}

}  // namespace platform::pdfdetail

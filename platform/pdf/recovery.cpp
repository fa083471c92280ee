#include "platform/pdf/recovery.h"

#include <cstring>
#include <vector>

namespace platform::pdfdetail {
namespace {

bool isPdfSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }
bool isDelimiter(char c) {
  return isPdfSpace(c) || c == '/' || c == '<' || c == '>' || c == '[' || c == ']' || c == '(' || c == ')' ||
         c == '{' || c == '}' || c == '%';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the unsigned integer that ends just before `end` (after skipping
// white space backwards); answers its first position, or npos.
size_t integerEndingAt(std::string_view s, size_t end, long long& value) {
  size_t i = end;
  while (i > 0 && isPdfSpace(s[i - 1])) --i;
  size_t digitsEnd = i;
  while (i > 0 && isDigit(s[i - 1]) && digitsEnd - i < 10) --i;
  if (i == digitsEnd) return std::string_view::npos;
  if (i > 0 && !isDelimiter(s[i - 1])) return std::string_view::npos;
  value = 0;
  for (size_t k = i; k < digitsEnd; ++k) value = value * 10 + (s[k] - '0');
  return i;
}

// The header "N G obj" of the object that holds position `pos`, when no
// "endobj" stands between the two.
std::optional<ObjectId> enclosingObject(std::string_view s, size_t pos) {
  size_t objPos = s.rfind("obj", pos);
  while (objPos != std::string_view::npos) {
    bool endsToken = objPos + 3 >= s.size() || isDelimiter(s[objPos + 3]);
    if (objPos >= 3 && s.compare(objPos - 3, 3, "end") == 0) return std::nullopt;
    if (endsToken && objPos > 0 && isPdfSpace(s[objPos - 1])) {
      ObjectId id;
      size_t genStart = integerEndingAt(s, objPos, id.generation);
      if (genStart == std::string_view::npos) return std::nullopt;
      size_t numStart = integerEndingAt(s, genStart, id.number);
      if (numStart == std::string_view::npos || id.number <= 0) return std::nullopt;
      return id;
    }
    if (objPos == 0) break;
    objPos = s.rfind("obj", objPos - 1);
  }
  return std::nullopt;
}

// Positions of the name `name` as a whole token, from the last one back.
// They are found front to back with memmem, which reads megabytes in a
// millisecond where a search from the back compares at every position.
template <typename Fn>
void forEachNameFromTheEnd(std::string_view bytes, std::string_view name, Fn&& fn) {
  std::vector<size_t> found;
  for (size_t from = 0; from + name.size() <= bytes.size();) {
    const void* hit = memmem(bytes.data() + from, bytes.size() - from, name.data(), name.size());
    if (!hit) break;
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - bytes.data());
    found.push_back(at);
    from = at + 1;
  }
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    const size_t after = *it + name.size();
    if (after < bytes.size() && !isDelimiter(bytes[after])) continue;
    if (fn(after)) return;
  }
}

// The last top-level object whose dictionary holds `key value` (two names,
// white space between them allowed), e.g. /Type /Catalog.
std::optional<ObjectId> lastObjectWithEntry(std::string_view bytes, std::string_view key, std::string_view value) {
  std::optional<ObjectId> found;
  forEachNameFromTheEnd(bytes, value, [&](size_t after) {
    size_t k = after - value.size();
    while (k > 0 && isPdfSpace(bytes[k - 1])) --k;
    if (k < key.size() || bytes.compare(k - key.size(), key.size(), key) != 0) return false;
    found = enclosingObject(bytes, k - key.size());
    return found.has_value();
  });
  return found;
}

size_t skipSpace(std::string_view s, size_t i) {
  while (i < s.size() && isPdfSpace(s[i])) ++i;
  return i;
}

// Reads an unsigned integer at `i`; npos when there is none.
size_t readInteger(std::string_view s, size_t i, long long& value) {
  size_t start = i;
  value = 0;
  while (i < s.size() && isDigit(s[i]) && i - start < 10) value = value * 10 + (s[i++] - '0');
  if (i == start || (i < s.size() && isDigit(s[i]))) return std::string_view::npos;
  return i;
}

// The reference "N G R" at `i`.
std::optional<ObjectId> referenceAt(std::string_view s, size_t i) {
  ObjectId id;
  i = readInteger(s, skipSpace(s, i), id.number);
  if (i == std::string_view::npos || i >= s.size() || !isPdfSpace(s[i])) return std::nullopt;
  i = readInteger(s, skipSpace(s, i), id.generation);
  if (i == std::string_view::npos) return std::nullopt;
  i = skipSpace(s, i);
  if (i >= s.size() || s[i] != 'R' || (i + 1 < s.size() && !isDelimiter(s[i + 1])) || id.number <= 0)
    return std::nullopt;
  return id;
}

// The end of the string that starts at `i` (a hex string or a literal one),
// or npos when it is not a well-formed string.
size_t stringEnd(std::string_view s, size_t i) {
  if (s[i] == '<') {
    for (++i; i < s.size(); ++i) {
      char c = s[i];
      if (c == '>') return i + 1;
      bool hex = isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
      if (!hex && !isPdfSpace(c)) return std::string_view::npos;
    }
    return std::string_view::npos;
  }
  if (s[i] != '(') return std::string_view::npos;
  int depth = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\\') ++i;
    else if (c == '(') ++depth;
    else if (c == ')' && --depth == 0) return i + 1;
  }
  return std::string_view::npos;
}

// The array "[ string string ]" at `i`, as written.
std::optional<std::string_view> fileIdArrayAt(std::string_view s, size_t i) {
  constexpr size_t kMaxIdArrayBytes = 1024;
  size_t start = skipSpace(s, i);
  if (start >= s.size() || s[start] != '[') return std::nullopt;
  size_t k = start + 1;
  int strings = 0;
  while (true) {
    k = skipSpace(s, k);
    if (k >= s.size() || k - start > kMaxIdArrayBytes) return std::nullopt;
    if (s[k] == ']') break;
    k = stringEnd(s, k);
    if (k == std::string_view::npos) return std::nullopt;
    ++strings;
  }
  if (strings != 2) return std::nullopt;
  return s.substr(start, k + 1 - start);
}

}  // namespace

std::optional<ObjectId> findCatalogObject(std::string_view bytes) {
  return lastObjectWithEntry(bytes, "/Type", "/Catalog");
}

std::optional<ObjectId> findEncryptionObject(std::string_view bytes) {
  // A trailer (or cross-reference stream) that survived names it; otherwise
  // the standard security handler's dictionary is recognised by its filter.
  std::optional<ObjectId> named;
  forEachNameFromTheEnd(bytes, "/Encrypt", [&](size_t after) {
    named = referenceAt(bytes, after);
    return named.has_value();
  });
  if (named) return named;
  return lastObjectWithEntry(bytes, "/Filter", "/Standard");
}

std::optional<std::string> findFileId(std::string_view bytes) {
  std::optional<std::string> id;
  forEachNameFromTheEnd(bytes, "/ID", [&](size_t after) {
    if (auto array = fileIdArrayAt(bytes, after)) id = std::string(*array);
    return id.has_value();
  });
  return id;
}

std::optional<std::string> trailerForCatalog(std::string_view bytes) {
  auto id = findCatalogObject(bytes);
  if (!id) return std::nullopt;
  // An encrypted file keeps its encryption: without it the strings and
  // streams would be read as the encrypted bytes they are.
  const auto encryption = findEncryptionObject(bytes);
  const auto fileId = encryption ? findFileId(bytes) : std::nullopt;
  std::string trailer = "\ntrailer\n<< /Root " + std::to_string(id->number) + ' ' + std::to_string(id->generation) + " R";
  if (encryption)
    trailer += " /Encrypt " + std::to_string(encryption->number) + ' ' + std::to_string(encryption->generation) + " R";
  if (fileId) trailer += " /ID " + *fileId;
  trailer += " >>\n%%EOF\n";
  return trailer;
}

}  // namespace platform::pdfdetail

#include "platform/pdf/recovery.h"

#include <fstream>

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

}  // namespace

std::optional<ObjectId> findCatalogObject(std::string_view bytes) {
  size_t pos = bytes.size();
  while (pos > 0) {
    size_t at = bytes.rfind("/Catalog", pos - 1);
    if (at == std::string_view::npos) break;
    pos = at;
    size_t after = at + 8;
    if (after < bytes.size() && !isDelimiter(bytes[after])) continue;
    size_t k = at;
    while (k > 0 && isPdfSpace(bytes[k - 1])) --k;
    if (k < 5 || bytes.compare(k - 5, 5, "/Type") != 0) continue;
    if (auto id = enclosingObject(bytes, k - 5)) return id;
  }
  return std::nullopt;
}

std::optional<std::string> appendTrailerForCatalog(std::string bytes) {
  auto id = findCatalogObject(bytes);
  if (!id) return std::nullopt;
  bytes += "\ntrailer\n<< /Root ";
  bytes += std::to_string(id->number);
  bytes += ' ';
  bytes += std::to_string(id->generation);
  bytes += " R >>\n%%EOF\n";
  return bytes;
}

std::optional<std::string> recoverTruncatedFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  std::streamoff size = in.tellg();
  if (size <= 0 || static_cast<unsigned long long>(size) > kMaxRecoveryFileBytes) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), size)) return std::nullopt;
  return appendTrailerForCatalog(std::move(bytes));
}

}  // namespace platform::pdfdetail

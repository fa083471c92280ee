#include "tests/support/output_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <vector>

#include "platform/text/text.h"
#include "tests/support/package_checker.h"
#include "tests/support/text_coverage.h"
#include "tests/support/workbook_checker.h"

namespace qvtest {

namespace fs = std::filesystem;

std::string htmlBodyText(const std::string& html) {
  const size_t start = html.find("<body>");
  const size_t end = html.rfind("</body>");
  if (start == std::string::npos || end == std::string::npos || end < start) return {};
  const std::string b = html.substr(start + 6, end - start - 6);
  std::string out;
  out.reserve(b.size());
  size_t i = 0;
  while (i < b.size()) {
    if (b[i] == '<') {
      const size_t close = b.find('>', i);
      if (close == std::string::npos) break;
      const std::string tag = b.substr(i, close - i + 1);
      if (tag == "<br>" || tag.rfind("<p ", 0) == 0) out += '\n';
      i = close + 1;
    } else if (b[i] == '&') {
      static const std::pair<const char*, char> kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}};
      bool decoded = false;
      for (const auto& [entity, c] : kEntities) {
        if (b.compare(i, std::char_traits<char>::length(entity), entity) == 0) {
          out += c;
          i += std::char_traits<char>::length(entity);
          decoded = true;
          break;
        }
      }
      if (!decoded) out += b[i++];
    } else {
      out += b[i++];
    }
  }
  return out;
}

// The text of the RTF's body (after the information group), read as a
// reader of the control words this output writes would read it.
std::string rtfBodyText(const std::string& rtf) {
  const size_t info = rtf.find("{\\info\n");
  if (info == std::string::npos) return {};
  size_t i = rtf.find("}\n}\n", info);
  if (i == std::string::npos) return {};
  i += 4;
  std::u16string units;
  std::string out;
  size_t fallbacks = 1;
  const auto flush = [&] {
    out += platform::text::utf8FromUtf16(units);
    units.clear();
  };
  while (i < rtf.size()) {
    const char c = rtf[i];
    if (c == '{' || c == '}') {
      ++i;
      continue;
    }
    if (c != '\\') {
      if (c != '\n' && c != '\r') units.push_back(static_cast<unsigned char>(c));
      ++i;
      continue;
    }
    ++i;
    if (i >= rtf.size()) break;
    const char n = rtf[i];
    if (n == '\\' || n == '{' || n == '}') {
      units.push_back(static_cast<unsigned char>(n));
      ++i;
      continue;
    }
    if (n == '\n' || n == '\r') {
      units.push_back(u'\n');
      ++i;
      continue;
    }
    size_t end = i;
    while (end < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[end]))) ++end;
    const std::string word = rtf.substr(i, end - i);
    size_t digits = end;
    if (digits < rtf.size() && rtf[digits] == '-') ++digits;
    while (digits < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[digits]))) ++digits;
    const std::string parameter = rtf.substr(end, digits - end);
    i = digits;
    if (i < rtf.size() && rtf[i] == ' ') ++i;
    if (word == "par") {
      units.push_back(u'\n');
    } else if (word == "tab") {
      units.push_back(u'\t');
    } else if (word == "uc") {
      fallbacks = parameter.empty() ? 1 : std::stoul(parameter);
    } else if (word == "u") {
      const long value = std::stol(parameter);
      units.push_back(static_cast<char16_t>(value < 0 ? value + 65536 : value));
      // The fallback characters after it (\ucN of them, a \'hh counts as
      // one) stand for the same character.
      for (size_t skipped = 0; skipped < fallbacks && i < rtf.size(); ++skipped) {
        if (rtf.compare(i, 2, "\\'") == 0) {
          i += 4;
        } else if (rtf[i] != '\\' && rtf[i] != '{' && rtf[i] != '}') {
          ++i;
        } else {
          break;
        }
      }
    }
  }
  flush();
  return out;
}

namespace {

// The text of every element named `paragraph` below the root, a line each.
std::string paragraphLines(const XmlElement& root, std::string_view paragraph, std::string_view text) {
  std::string out;
  root.visit([&](const XmlElement& p) {
    if (p.local != paragraph) return;
    p.visit([&](const XmlElement& t) {
      if (t.local == text) out += t.text;
    });
    out += '\n';
  });
  return out;
}

std::string packageText(const fs::path& file, std::string_view extension) {
  const ZipPackage package(file);
  if (extension == "docx") {
    const auto document = parseXml(package.data("word/document.xml"));
    if (!document) throw std::runtime_error("unreadable document part in " + file.string());
    return paragraphLines(*document, "p", "t");
  }
  // Slides in their order, not the archive's.
  std::map<int, std::string> slides;
  for (const std::string& name : package.entries()) {
    int number = 0;
    if (std::sscanf(name.c_str(), "ppt/slides/slide%d.xml", &number) == 1 && name.find(".rels") == std::string::npos) {
      const auto slide = parseXml(package.data(name));
      if (!slide) throw std::runtime_error("unreadable " + name + " in " + file.string());
      slides[number] = paragraphLines(*slide, "p", "t");
    }
  }
  std::string out;
  for (const auto& [number, text] : slides) out += text;
  return out;
}

std::string workbookText(const fs::path& file) {
  std::string out;
  for (const auto& [sheet, cells] : readWorkbookCells(file)) {
    std::map<std::pair<uint64_t, uint64_t>, std::string> grid;
    for (const auto& [reference, cell] : cells)
      if (const auto at = parseCellReference(reference)) grid[*at] = cell.value;
    uint64_t row = 0;
    bool first = true;
    for (const auto& [at, value] : grid) {
      if (!first) out += at.first == row ? '\t' : '\n';
      out += value;
      row = at.first;
      first = false;
    }
    out += '\n';
  }
  return out;
}

// The tables of a CSV folder (UTF-16 with a byte-order mark), in page order.
std::string csvText(const fs::path& folder) {
  std::map<int, fs::path> tables;
  for (const auto& entry : fs::directory_iterator(folder)) {
    int number = 0;
    if (std::sscanf(entry.path().filename().c_str(), "Table %d.csv", &number) == 1) tables[number] = entry.path();
  }
  std::string out;
  for (const auto& [number, path] : tables) {
    const std::string bytes = readWhole(path);
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    out += platform::text::utf8FromUtf16(units);
    out += '\n';
  }
  return out;
}

}  // namespace

std::string outputText(const fs::path& output, std::string_view extension) {
  if (extension == "pptx" || extension == "docx") return packageText(output, extension);
  if (extension == "xlsx") return workbookText(output);
  if (extension == "csv") return csvText(output);
  if (extension == "html") return htmlBodyText(readWhole(output));
  if (extension == "rtf") return rtfBodyText(readWhole(output));
  return readWhole(output);
}

}  // namespace qvtest

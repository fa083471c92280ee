#include "pdf/fonts/QVPDFFontBook.h"

#include <optional>

#include "pdf/fonts/QVPDFFontUtilities.h"
#include "qvfontres_resources.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (isBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

const QVPDFFontBook* QVPDFFontBook::shared() {
  static const std::optional<QVPDFFontBook> book = []() -> std::optional<QVPDFFontBook> {
    auto data = qvfontres::findResource("FontBook.txt");
    if (!data) return std::nullopt;
    return parse(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
  }();
  return book ? &*book : nullptr;
}

QVPDFFontBook QVPDFFontBook::parse(std::string_view text) {
  QVPDFFontBook book;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

    std::string_view content = trim(line);
    if (content.empty() || content.front() == '#') continue;
    if (!isBlank(line.front())) {
      book.families_.push_back(Family{std::string(content), {}, QVPDFFontUtilities::scoreKey(content)});
      continue;
    }
    if (book.families_.empty()) continue;
    size_t gap = 0;
    while (gap < content.size() && !isBlank(content[gap])) ++gap;
    Face face;
    face.postScriptName = std::string(content.substr(0, gap));
    face.fullName = std::string(trim(content.substr(gap)));
    if (face.fullName.empty()) face.fullName = face.postScriptName;
    face.postScriptKey = QVPDFFontUtilities::scoreKey(face.postScriptName);
    book.families_.back().faces.push_back(std::move(face));
  }
  return book;
}

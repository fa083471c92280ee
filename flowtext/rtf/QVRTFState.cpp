#include "flowtext/rtf/QVRTFState.h"

#include <bit>
#include <cmath>

#include "flowtext/QVFlowTextFileWriter.h"
#include "flowtext/rtf/QVRTFFileWriter.h"
#include "platform/text/text.h"

namespace {

// A component in 0..1 as the table writes it.
double component(double value) {
  if (!std::isfinite(value)) return 0;
  return std::fmin(std::fmax(value, 0.0), 1.0) * 255.0;
}

}  // namespace

std::string QVRTFColorEntry::rtfFormat() const {
  const bool nearWhite = red > 0.9 && green > 0.9 && blue > 0.9;
  std::string out;
  out += "\\red";
  platform::text::appendFixed(out, nearWhite ? 127.5 : component(red), 0);
  out += "\\green";
  platform::text::appendFixed(out, nearWhite ? 127.5 : component(green), 0);
  out += "\\blue";
  platform::text::appendFixed(out, nearWhite ? 127.5 : component(blue), 0);
  out += ';';
  return out;
}

bool QVRTFColorEntry::isEqualToColor(const QVRTFColorEntry& other) const {
  return red == other.red && green == other.green && blue == other.blue;
}

std::string QVRTFFontEntry::rtfFormat() const {
  if (fontName.empty()) return ";";
  std::string out = "\\f";
  platform::text::appendInteger(out, fontIndex);
  out += "\\fnil\\fcharset0 ";
  // ";" ends an entry; a name cannot hold one.
  std::string name;
  for (char c : fontName)
    if (c != ';') name += c;
  QVRTFFileWriter::appendEscaped(out, name);
  out += ';';
  return out;
}

void QVRTFState::resetToDefault() {
  state_ = QVRTFUtilities::defaultStateProperty();
  colors_.clear();
  fonts_.clear();
  colorIndex_.clear();
  fontIndex_.clear();
  _colorIndexByColor(QVRTFColorEntry{});
  QVRTFFontEntry first;
  _fontIndexByFont(first);
}

void QVRTFState::writeRegistedFonts(QVFlowTextFileWriter& writer) const {
  writer.write("{\\fonttbl");
  for (const QVRTFFontEntry& font : fonts_) writer.write(font.rtfFormat());
  writer.write("}\n");
}

void QVRTFState::writeRegistedColors(QVFlowTextFileWriter& writer) const {
  writer.write("{\\colortbl");
  for (const QVRTFColorEntry& color : colors_) writer.write(color.rtfFormat());
  writer.write("}\n");
}

uint64_t QVRTFState::colorKey(const QVRTFColorEntry& color) {
  // Exact comparison of the three doubles, as the table's equality has it
  // (0.0 and -0.0 are one colour).
  const auto bits = [](double v) { return std::bit_cast<uint64_t>(v == 0 ? 0.0 : v); };
  uint64_t h = bits(color.red);
  h = h * 0x9E3779B97F4A7C15ull ^ bits(color.green);
  h = h * 0x9E3779B97F4A7C15ull ^ bits(color.blue);
  return h;
}

int64_t QVRTFState::_colorIndexByColor(const QVRTFColorEntry& color) {
  const uint64_t key = colorKey(color);
  auto found = colorIndex_.find(key);
  if (found != colorIndex_.end() && colors_[static_cast<size_t>(found->second)].isEqualToColor(color))
    return found->second;
  if (found != colorIndex_.end()) {
    // A hash collision: the table's own order decides.
    for (size_t i = 0; i < colors_.size(); ++i)
      if (colors_[i].isEqualToColor(color)) return static_cast<int64_t>(i);
  }
  const auto index = static_cast<int64_t>(colors_.size());
  colors_.push_back(color);
  colorIndex_.emplace(key, index);
  return index;
}

int64_t QVRTFState::_fontIndexByFont(const QVRTFFontEntry& font) {
  // A font without a name matches none: each is an entry of its own.
  if (!font.fontName.empty()) {
    auto found = fontIndex_.find(font.fontName);
    if (found != fontIndex_.end()) return found->second;
  }
  const auto index = static_cast<int64_t>(fonts_.size());
  QVRTFFontEntry entry = font;
  entry.fontIndex = static_cast<int32_t>(index);
  fonts_.push_back(std::move(entry));
  if (!font.fontName.empty()) fontIndex_.emplace(font.fontName, index);
  return index;
}

void QVRTFState::writeForegroundColorAttributesIfNeed(const QVRTFColorEntry& color, QVFlowTextFileWriter& writer) {
  const int64_t n = _colorIndexByColor(color);
  if (n == state_.foregroundColorIndex) return;
  std::string words = "\\cf";
  platform::text::appendInteger(words, n);
  words += ' ';
  writer.write(words);
  state_.foregroundColorIndex = static_cast<int32_t>(n);
}

void QVRTFState::writeFontAttributesIfNeed(const QVRTFFontEntry& font, QVFlowTextFileWriter& writer) {
  const int64_t n = _fontIndexByFont(font);
  // The size as a whole number of half-points, inside what RTF reads.
  int32_t size = 24;
  if (std::isfinite(font.fontSize))
    size = static_cast<int32_t>(std::fmin(std::fmax(std::trunc(font.fontSize), 1.0), kMaxFontSize));
  const bool fresh = state_.fontIndex == -1;
  std::string words;
  if (fresh || n != state_.fontIndex) {
    words += "\\f";
    platform::text::appendInteger(words, n);
  }
  if (fresh || state_.italic != font.italic) words += font.italic ? "\\i" : "\\i0";
  if (fresh || state_.bold != font.bold) words += font.bold ? "\\b" : "\\b0";
  if (fresh || state_.underline != font.underline) words += font.underline >= 1 ? "\\ul" : "\\ul0";
  if (fresh || static_cast<float>(size) != state_.fontSize) {
    words += "\\fs";
    platform::text::appendInteger(words, size);
  }
  state_.fontIndex = static_cast<int32_t>(n);
  state_.fontSize = static_cast<float>(size);
  state_.bold = font.bold;
  state_.italic = font.italic;
  state_.underline = font.underline;
  if (words.empty()) return;
  words += ' ';
  writer.write(words);
}

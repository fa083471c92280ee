#include "pdf/fonts/QVPDFCIDTypeFont.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "pdf/fonts/QVPDFCharCodeToUnicode.h"
#include "pdf/fonts/QVPDFFontDescriptor.h"
#include "pdf/fonts/QVPDFFontProgram.h"
#include "platform/text/codepages.h"

namespace {

std::optional<double> finiteNumber(const platform::PdfObject& object) {
  auto v = object.asNumber();
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return v;
}

// A CID operand of W or W2: a non-negative integer that fits 32 bits.
std::optional<uint32_t> cidOperand(const platform::PdfObject& object) {
  auto v = object.asInteger();
  if (!v || *v < 0 || *v > 0xFFFFFFFFll) return std::nullopt;
  return static_cast<uint32_t>(*v);
}

// Advances c after a single-CID entry, without wrapping past the last CID.
bool nextCID(uint32_t& c) {
  if (c == 0xFFFFFFFFu) return false;
  ++c;
  return true;
}

template <class Entry>
const Entry* findRun(const std::vector<Entry>& runs, uint32_t cid) {
  if (runs.empty() || cid < runs.front().first) return nullptr;
  size_t a = 0, b = runs.size();
  while (b - a > 1) {
    size_t m = (a + b) / 2;
    if (runs[m].first <= cid) {
      a = m;
    } else {
      b = m;
    }
  }
  return cid <= runs[a].last ? &runs[a] : nullptr;
}

}  // namespace

void QVPDFCIDTypeFont::initCIDFont(const platform::PdfObject& dictionary, std::string_view objectKey) {
  objectKey_ = std::string(objectKey);
  setSubtypeBaseFontName(dictionary);
  setCIDSystemInfoWithDictionary(dictionary);
  setFontDescriptorWithFontDictionary(dictionary);
  setWidthsWithFontDictionary(dictionary);
}

void QVPDFCIDTypeFont::setCIDSystemInfoWithDictionary(const platform::PdfObject& dictionary) {
  platform::PdfObject info = dictionary.getDictionary("CIDSystemInfo");
  if (info.isNull()) return;
  auto textOf = [&](std::string_view key, std::string_view fallback) {
    auto bytes = info.getString(key);
    std::string text = bytes ? platform::text::decodePdfTextString(*bytes) : std::string();
    return text.empty() ? std::string(fallback) : text;
  };
  const std::string registry = textOf("Registry", "Adobe");
  const std::string ordering = textOf("Ordering", "Identity");
  const int64_t supplement = info.getInteger("Supplement").value_or(0);
  cidSystemRegion_ = registry + "-" + ordering;
  cidSystemInfo_ = cidSystemRegion_ + "-" + std::to_string(supplement);
  extToUnicodeMap_ = QVPDFCharCodeToUnicode::collectionMap(cidSystemRegion_);
}

void QVPDFCIDTypeFont::setWidthsWithFontDictionary(const platform::PdfObject& dictionary) {
  cidWidths_ = QVPDFFontCIDWidths();
  setDW(dictionary);
  setDW2(dictionary);
}

void QVPDFCIDTypeFont::setDW(const platform::PdfObject& dictionary) {
  if (auto dw = finiteNumber(dictionary.get("DW"))) cidWidths_.defWidth = *dw * 0.001;
  platform::PdfObject w = dictionary.getArray("W");
  auto& runs = cidWidths_.exceps;
  const size_t n = w.size();
  size_t i = 0;
  while (i + 1 < n && runs.size() < kMaxWidthRuns) {
    auto first = cidOperand(w.at(i));
    if (!first) break;
    platform::PdfObject next = w.at(i + 1);
    if (auto last = cidOperand(next); last && i + 2 < n) {
      if (auto width = finiteNumber(w.at(i + 2)); width && *last >= *first)
        runs.push_back({*first, *last, *width * 0.001});
      i += 3;
    } else if (next.isArray()) {
      uint32_t c = *first;
      const size_t m = next.size();
      for (size_t k = 0; k < m && runs.size() < kMaxWidthRuns; ++k) {
        auto width = finiteNumber(next.at(k));
        if (!width) continue;
        runs.push_back({c, c, *width * 0.001});
        if (!nextCID(c)) break;
      }
      i += 2;
    } else {
      i += 1;
    }
  }
  std::stable_sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

void QVPDFCIDTypeFont::setDW2(const platform::PdfObject& dictionary) {
  platform::PdfObject dw2 = dictionary.get("DW2");
  if (dw2.isArray() && dw2.size() == 2) {
    // [vy w1]: the vertical origin above the baseline and the vertical advance.
    auto vy = finiteNumber(dw2.at(0));
    auto w1 = finiteNumber(dw2.at(1));
    if (vy && w1) {
      cidWidths_.defVY = *vy * 0.001;
      cidWidths_.defHeight = *w1 * 0.001;
    }
  } else if (auto h = finiteNumber(dw2)) {
    cidWidths_.defHeight = *h * 0.001;
  }
  platform::PdfObject w2 = dictionary.getArray("W2");
  auto& runs = cidWidths_.excepsV;
  const size_t n = w2.size();
  size_t i = 0;
  while (i + 1 < n && runs.size() < kMaxWidthRuns) {
    auto first = cidOperand(w2.at(i));
    if (!first) break;
    platform::PdfObject next = w2.at(i + 1);
    if (auto last = cidOperand(next); last && i + 4 < n) {
      auto h = finiteNumber(w2.at(i + 2));
      auto vx = finiteNumber(w2.at(i + 3));
      auto vy = finiteNumber(w2.at(i + 4));
      if (h && vx && vy && *last >= *first) runs.push_back({*first, *last, *h * 0.001, *vx * 0.001, *vy * 0.001});
      i += 5;
    } else if (next.isArray()) {
      uint32_t c = *first;
      const size_t m = next.size();
      for (size_t k = 0; k + 2 < m && runs.size() < kMaxWidthRuns; k += 3) {
        auto h = finiteNumber(next.at(k));
        auto vx = finiteNumber(next.at(k + 1));
        auto vy = finiteNumber(next.at(k + 2));
        if (!h || !vx || !vy) continue;
        runs.push_back({c, c, *h * 0.001, *vx * 0.001, *vy * 0.001});
        if (!nextCID(c)) break;
      }
      i += 2;
    } else {
      i += 1;
    }
  }
  std::stable_sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

double QVPDFCIDTypeFont::widthOfCID(uint32_t cid) const {
  const auto* run = findRun(cidWidths_.exceps, cid);
  return run ? run->width : cidWidths_.defWidth;
}

double QVPDFCIDTypeFont::averageWidth() const {
  double sum = 0, count = 0;
  for (const QVPDFFontCIDWidthExcep& run : cidWidths_.exceps) {
    if (!(run.width > 0) || !std::isfinite(run.width) || run.last < run.first) continue;
    const double n = static_cast<double>(run.last - run.first) + 1;
    sum += run.width * n;
    count += n;
  }
  return count > 0 ? sum / count : cidWidths_.defWidth;
}

void QVPDFCIDTypeFont::getCIDWidths(uint32_t cid, int wMode, float* dx, float* dy, float* ox, float* oy) const {
  double w = 0, h = 0, vx = 0, vy = 0;
  if (wMode == 0) {
    w = widthOfCID(cid);
  } else {
    h = cidWidths_.defHeight;
    // The vertical origin sits half the glyph's horizontal advance across.
    vx = widthOfCID(cid) / 2;
    vy = cidWidths_.defVY;
    if (const auto* run = findRun(cidWidths_.excepsV, cid)) {
      h = run->height;
      vx = run->vx;
      vy = run->vy;
    }
  }
  *dx = static_cast<float>(w);
  *dy = static_cast<float>(h);
  *ox = static_cast<float>(vx);
  *oy = static_cast<float>(vy);
}

void QVPDFCIDTypeFont::collectCIDGlyphs(const QVPDFFontProgram& program,
                                        std::vector<std::pair<uint32_t, uint32_t>>& pairs) const {
  const uint32_t n = program.numGlyphs();
  for (uint32_t glyph = 1; glyph < n; ++glyph) pairs.emplace_back(program.cidOfGlyph(glyph), glyph);
}

void QVPDFCIDTypeFont::readProgramText() {
  if (programText_ || !fontDescriptor_ || fontDescriptor_->embFontNum() == 0) return;
  auto program = QVPDFFontProgram::fromData(fontDescriptor_->embFontData());
  if (!program) return;
  auto text = std::make_shared<std::unordered_map<uint32_t, std::u32string>>();
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  collectCIDGlyphs(*program, pairs);
  for (const auto& [cid, glyph] : pairs) {
    std::u32string t = program->unicodeOfGlyph(glyph);
    if (!t.empty()) text->emplace(cid, std::move(t));
  }
  programText_ = std::move(text);
}

std::u32string QVPDFCIDTypeFont::programTextOfCID(uint32_t cid) const {
  if (!programText_) return {};
  auto it = programText_->find(cid);
  return it == programText_->end() ? std::u32string() : it->second;
}

std::shared_ptr<const QVPDFFont> QVPDFCIDTypeFont::copyWithObjectKey(std::string_view objectKey) const {
  return copyAs(*this, objectKey);
}

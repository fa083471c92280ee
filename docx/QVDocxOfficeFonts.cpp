#include "docx/QVDocxOfficeFonts.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "convert/QVPDFFontStyle.h"
#include "docx/QVDocxParagraph.h"
#include "docx/QVDocxRun.h"
#include "pdf/fonts/BuiltinFontManager.h"
#include "platform/text/faces.h"
#include "platform/text/text.h"

namespace {

// The widths of one standard face by character, in thousandths of an em.
using FaceWidths = std::unordered_map<char32_t, uint16_t>;

const FaceWidths* faceWidths(std::string_view standardName) {
  static const std::unordered_map<std::string_view, FaceWidths> faces = [] {
    std::unordered_map<std::string_view, FaceWidths> all;
    for (const BuiltinFont& font : BuiltinFontManager::sharedManager().fontsArray()) {
      FaceWidths widths;
      for (const qvfontdata::GlyphWidth& glyph : font.fontWidths.glyphs())
        if (char32_t c = BuiltinFontWidths::nameToUnicodeID(glyph.name)) widths.emplace(c, glyph.width);
      // A no-break space is as wide as a space.
      if (auto space = widths.find(U' '); space != widths.end()) widths.emplace(0xA0, space->second);
      all.emplace(font.fontName, std::move(widths));
    }
    return all;
  }();
  auto found = faces.find(standardName);
  return found == faces.end() ? nullptr : &found->second;
}

// The standard face whose widths an office application shows a family's
// text at, with the run's styles.
const FaceWidths* facesOfFamily(std::string_view family, bool bold, bool italic) {
  static constexpr std::string_view kTimes[] = {"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic"};
  static constexpr std::string_view kHelvetica[] = {"Helvetica", "Helvetica-Bold", "Helvetica-Oblique",
                                                    "Helvetica-BoldOblique"};
  static constexpr std::string_view kCourier[] = {"Courier", "Courier-Bold", "Courier-Oblique",
                                                  "Courier-BoldOblique"};
  const size_t style = (bold ? 1 : 0) + (italic ? 2 : 0);
  if (family == "Times New Roman") return faceWidths(kTimes[style]);
  if (family == "Arial") return faceWidths(kHelvetica[style]);
  if (family == "Courier New") return faceWidths(kCourier[style]);
  if (family == "Symbol") return faceWidths("Symbol");
  if (family == "Zapf Dingbats") return faceWidths("ZapfDingbats");
  return nullptr;
}

// The share of an em an East Asian face gives the character: a full em for
// the wide characters (ideographs, kana, Hangul, full-width forms), half an
// em for the half-width forms; 0 for any other character.
double eastAsianEm(char32_t c) {
  if (c >= 0xFF61 && c <= 0xFFDC) return 0.5;
  if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
      (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD))
    return 1.0;
  return 0.0;
}

// The size as the document writes it (whole half-points), as the
// application shows it.
double shownSize(const QVDocx_RPr& r) {
  const float half = std::isfinite(r.sz) ? std::clamp(std::nearbyint(r.sz * 2.0f), 2.0f, 3276.0f) : 24.0f;
  double size = half / 2.0;
  if (r.scrpit != 0) size *= QVDocxOfficeFonts::kScriptShare;
  return size;
}

size_t codePoints(std::string_view text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// A font-table entry: panose, charset, family, pitch, and the Unicode and
// code-page ranges of the Latin faces.
QVDocxOfficeFonts::TableEntry latinEntry(std::string panose, std::string family, std::string pitch) {
  return {std::move(panose), "00", std::move(family), std::move(pitch),
          {"20002A87", "80000000", "00000008", "00000000", "000001FF", "00000000"}};
}

QVDocxOfficeFonts::TableEntry entry(std::string panose, std::string charset, std::string family, std::string pitch) {
  return {std::move(panose), std::move(charset), std::move(family), std::move(pitch), {}};
}

}  // namespace

std::optional<double> QVDocxOfficeFonts::officeWidth(const QVDocx_RPr& rPr, std::string_view text,
                                                     double unknownWidth) {
  const FaceWidths* widths = facesOfFamily(QVDocx_FontNameText(rPr.rFonts.ascii), rPr.b, rPr.i);
  if (!widths) return std::nullopt;
  const double size = shownSize(rPr);
  const std::string_view complexFace = rPr.cs ? QVDocx_FontNameText(rPr.rFonts.cs) : std::string_view();
  const std::u32string characters = complexFace.empty() ? std::u32string() : platform::text::decodeUtf8(text);
  double total = 0;
  size_t pos = 0;
  for (size_t i = 0; pos < text.size(); ++i) {
    const char32_t c = platform::text::codePointAt(text, pos);
    std::optional<double> complexEm;
    if (i < characters.size() && platform::text::complexScriptOf(c) != platform::text::ComplexScript::None)
      complexEm = platform::text::installedAdvance(complexFace, rPr.b, rPr.i, characters, i);
    if (complexEm) {
      total += *complexEm * size;
    } else if (auto found = widths->find(c); found != widths->end()) {
      total += found->second * 0.001 * size;
    } else if (const double em = eastAsianEm(c); em > 0) {
      total += em * size;
    } else {
      total += unknownWidth;
    }
  }
  return total;
}

namespace {

// The run's complex-script slot names the face of its script, or nothing.
void nameComplexScriptFace(QVDocx_RPr& r, std::string_view text) {
  static const QVDocx_FontName kTahoma = std::make_shared<const std::string>("Tahoma");
  static const QVDocx_FontName kMangal = std::make_shared<const std::string>("Mangal");
  const std::string_view face = QVPDF_ComplexScriptFamily(text, QVDocx_FontNameText(r.rFonts.cs));
  r.cs = !face.empty();
  if (face.empty() || face == QVDocx_FontNameText(r.rFonts.cs)) return;
  r.rFonts.cs = face == *kMangal ? kMangal : kTahoma;
}

}  // namespace

void QVDocxOfficeFonts::fitRun(QVDocxRunText& run) {
  nameComplexScriptFace(run.rProperty, run.runText);
  if (!(run.textWidth > 0) || !std::isfinite(run.textWidth)) return;
  const size_t n = codePoints(run.runText);
  if (n == 0) return;
  const std::optional<double> width = officeWidth(run.rProperty, run.runText, run.textWidth / static_cast<double>(n));
  if (!width || !(*width > run.textWidth)) return;
  // Whole percents, rounded down: the run must come out no wider.
  const float scale = static_cast<float>(std::floor(100.0 * run.textWidth / *width));
  run.rProperty.w = std::min(run.rProperty.w, std::max(kLeastScale, scale));
}

namespace {

// The run's text as the application sets it, piece by piece: each piece a
// word with the blanks after it, or one East Asian character, with its
// width at the run's scale.
template <class Piece>
void forEachPiece(const QVDocxRunText& run, Piece piece) {
  const size_t n = codePoints(run.runText);
  if (n == 0) return;
  const double mean = run.textWidth > 0 && std::isfinite(run.textWidth) ? run.textWidth / static_cast<double>(n) : 0;
  const double scale = std::isfinite(run.rProperty.w) ? std::clamp(run.rProperty.w, 1.0f, 600.0f) / 100.0 : 1.0;
  const std::string_view text = run.runText;
  size_t pos = 0, start = 0;
  bool blanks = false;
  auto flush = [&](size_t end) {
    if (end <= start) return;
    const std::string_view part = text.substr(start, end - start);
    const std::optional<double> w = QVDocxOfficeFonts::officeWidth(run.rProperty, part, mean);
    piece(w ? *w * scale : mean * static_cast<double>(codePoints(part)), part.back() == ' ');
    start = end;
  };
  while (pos < text.size()) {
    const size_t at = pos;
    const char32_t c = platform::text::codePointAt(text, pos);
    if (c == U' ') {
      blanks = true;
    } else if (blanks || eastAsianEm(c) > 0) {
      flush(at);
      blanks = false;
    }
    if (eastAsianEm(c) > 0) flush(pos);
  }
  flush(text.size());
}

}  // namespace

namespace {

// Where a tab run moves the line to, from the paragraph's indentation.
double tabReach(const QVDocxParagraph& paragraph, const QVDocxRunTab& tab) {
  return tab.tabPostion - paragraph.xColumnPosition - paragraph.pProperty.ind.left;
}

}  // namespace

double QVDocxOfficeFonts::lineWidth(const QVDocxParagraph& paragraph) {
  double total = 0;
  for (const auto& run : paragraph.runArray) {
    if (const QVDocxRunText* text = run->asText()) forEachPiece(*text, [&](double w, bool) { total += w; });
    if (const QVDocxRunTab* tab = run->asTab()) total = std::max(total, tabReach(paragraph, *tab));
  }
  return total;
}

size_t QVDocxOfficeFonts::lineCount(const QVDocxParagraph& paragraph, double available) {
  available -= std::min(0.0f, paragraph.pProperty.ind.right);
  if (!(available > 0)) return 1;
  size_t lines = 1;
  double line = 0;
  for (const auto& run : paragraph.runArray) {
    if (const QVDocxRunTab* tab = run->asTab()) {
      const double reach = tabReach(paragraph, *tab);
      if (reach > line && reach < available) line = reach;
    }
    const QVDocxRunText* text = run->asText();
    if (!text) continue;
    forEachPiece(*text, [&](double w, bool) {
      // A piece that does not fit starts the next line (one wider than a
      // line is broken where it must).
      if (line > 0 && line + w > available) {
        ++lines;
        line = 0;
      }
      line += w;
      while (line > available && lines < 10'000) {
        ++lines;
        line -= available;
      }
    });
  }
  return lines;
}

void QVDocxOfficeFonts::fitParagraph(QVDocxParagraph& paragraph, double available, double room) {
  for (const auto& run : paragraph.runArray)
    if (QVDocxRunText* text = run->asText()) fitRun(*text);
  if (!(available > 0)) return;
  const double width = lineWidth(paragraph);
  if (!(width > available)) return;
  if (room > 0) {
    // A point more, for the application's rounding.
    const double reach = std::min(room, width - available + 1.0);
    paragraph.pProperty.ind.right = -static_cast<float>(reach);
    available += reach;
    if (!(width > available)) return;
  }
  if (width * kLeastLineShare > available) return;
  const double share = available / width;
  for (const auto& run : paragraph.runArray)
    if (QVDocxRunText* text = run->asText())
      text->rProperty.w = std::max(kLeastScale, static_cast<float>(std::floor(text->rProperty.w * share)));
}

QVDocxOfficeFonts::TableEntry QVDocxOfficeFonts::tableEntry(std::string_view family) {
  if (family == "Times New Roman") return latinEntry("02020603050405020304", "roman", "variable");
  if (family == "Arial") return latinEntry("020B0604020202020204", "swiss", "variable");
  if (family == "Courier New") return latinEntry("02070309020205020404", "modern", "fixed");
  if (family == "Arial Unicode MS") return latinEntry("020B0604020202020204", "swiss", "variable");
  if (family == "Cambria Math") return latinEntry("02040503050406030204", "roman", "variable");
  if (family == "Symbol") return entry("05050102010706020507", "02", "roman", "variable");
  if (family == "Zapf Dingbats" || family.starts_with("Wingdings") || family == "Webdings")
    return entry("05000000000000000000", "02", "decorative", "variable");
  if (family == "OpenSymbol" || family == "Segoe UI Symbol") return entry("", "02", "auto", "variable");
  // East Asian families: their script's character set.
  if (family == "MS Mincho") return entry("02020609040205080304", "80", "modern", "fixed");
  if (family == "MS Gothic") return entry("020B0609070205080204", "80", "modern", "fixed");
  if (family == "SimSun") return entry("02010600030101010101", "86", "auto", "variable");
  if (family == "SimHei") return entry("02010609060101010101", "86", "modern", "fixed");
  if (family == "PMingLiU") return entry("02020500000000000000", "88", "roman", "variable");
  if (family == "Microsoft JhengHei") return entry("020B0604030504040204", "88", "swiss", "variable");
  if (family == "Batang") return entry("02030600000101010101", "81", "roman", "variable");
  if (family == "Gulim") return entry("020B0600000101010101", "81", "swiss", "variable");
  QVPDFFontStyle style = QVPDFFontStyle::Serif;
  const bool named = QVPDF_FontStyleOfName(family, &style);
  std::string charset = "00";
  if (QVPDF_IsEastAsianFamily(family)) {
    static constexpr std::pair<std::string_view, std::string_view> kScripts[] = {
        {"Mincho", "80"},  {"MS ", "80"},    {"Yu ", "80"},      {"Hiragino", "80"}, {"Kozuka", "80"},
        {"Meiryo", "80"},  {"Ryumin", "80"}, {"GothicBBB", "80"}, {"Ming", "88"},     {"JhengHei", "88"},
        {"DFKai", "88"},   {"TC", "88"},     {"Batang", "81"},   {"Gulim", "81"},    {"Dotum", "81"},
        {"Gungsuh", "81"}, {"Malgun", "81"}, {"Nanum", "81"},    {"Myungjo", "81"},  {"Apple SD", "81"}};
    charset = "86";
    for (const auto& [part, set] : kScripts)
      if (family.find(part) != std::string_view::npos) {
        charset = set;
        break;
      }
  }
  const char* kind = "roman";
  if (named && style == QVPDFFontStyle::SansSerif) kind = "swiss";
  if (named && style == QVPDFFontStyle::FixedPitch) kind = "modern";
  if (named && style == QVPDFFontStyle::Script) kind = "script";
  return entry("", charset, kind, style == QVPDFFontStyle::FixedPitch ? "fixed" : "variable");
}

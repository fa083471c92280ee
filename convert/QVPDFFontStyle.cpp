#include "convert/QVPDFFontStyle.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "pdf/fonts/QVPDFCIDTypeFont.h"
#include "pdf/fonts/QVPDFFont.h"
#include "pdf/fonts/QVPDFFontDescriptor.h"
#include "pdf/fonts/QVPDFFontUtilities.h"
#include "pdf/fonts/QVPDFSimple8BitFont.h"
#include "pdf/fonts/QVPDFType0Font.h"
#include "platform/text/faces.h"
#include "platform/text/text.h"

namespace {

// Descriptor flags.
constexpr uint64_t kFixedPitchFlag = 1;
constexpr uint64_t kSerifFlag = 2;
constexpr uint64_t kScriptFlag = 8;

// Parts of names, lower case, in the order they are tried: a fixed-pitch
// name first ("Letter Gothic" is a typewriter face), then sans-serif
// ("Century Gothic", "Microsoft Sans Serif"), then serif.
constexpr std::string_view kFixedPitchNames[] = {
    "mono", "courier", "consol", "typewriter", "code",  "menlo",    "monaco", "andale",
    "cmtt", "lmtt",    "txtt",   "cursor",     "letter gothic", "fixed", "terminal"};
constexpr std::string_view kScriptNames[] = {"script", "chancery", "corsiva", "brush", "handwrit", "z003"};
constexpr std::string_view kSansSerifNames[] = {
    "sans",    "gothic",  "grotesk", "grotesque", "helvet",    "arial",   "verdana",  "tahoma",  "trebuchet",
    "calibri", "carlito", "segoe",   "futura",    "avenir",    "franklin", "gill",    "myriad",  "frutiger",
    "univers", "optima",  "roboto",    "montserrat", "ubuntu", "cantarell", "corbel", "candara",
    "geneva",  "impact",  "aptos",   "biolinum",  "heros",     "adventor", "cmss",    "lmss",    "arimo",
    "hei",     "gulim",   "dotum",   "meiryo",    "pingfang",  "malgun",  "tex gyre heros"};
constexpr std::string_view kSerifNames[] = {
    "serif",     "roman",     "times",    "georgia",  "garamond", "palatino", "pagella", "antiqua", "bookman",
    "bonum",     "cambria",   "caladea",  "constantia", "schoolbook", "schola", "century", "baskerville",
    "didot",     "hoefler",   "minion",   "caslon",   "charter",  "utopia",   "termes",  "libertine", "bodoni",
    "bembo",     "sabon",     "plantin",  "perpetua", "rockwell", "cochin",   "charis",  "gentium", "crimson",
    "merriweather", "tinos",  "cmr",      "lmroman",  "mincho",   "song",     "ming",    "batang",  "myeongjo",
    "myungjo",   "kai",       "fang",     "gungsuh"};

template <size_t N>
bool holdsAny(std::string_view lower, const std::string_view (&parts)[N]) {
  return std::any_of(std::begin(parts), std::end(parts),
                     [&](std::string_view part) { return lower.find(part) != std::string_view::npos; });
}

// Every glyph the font gives a width is as wide as the others.
bool equalWidths(const QVPDFFont& font) {
  const auto* simple = dynamic_cast<const QVPDFSimple8BitFont*>(&font);
  if (!simple) return false;
  double least = INFINITY, most = 0;
  int count = 0;
  for (double w : simple->charWidths()) {
    if (!(w > 0) || !std::isfinite(w)) continue;
    least = std::min(least, w);
    most = std::max(most, w);
    ++count;
  }
  return count >= 4 && most - least <= most * 0.01;
}

const QVPDFFontDescriptor* descriptorOf(const QVPDFFont& font) {
  if (font.fontDescriptor()) return font.fontDescriptor().get();
  if (const auto* composite = dynamic_cast<const QVPDFType0Font*>(&font))
    if (const QVPDFCIDTypeFont* descendant = composite->cidTypeFont())
      if (descendant->fontDescriptor()) return descendant->fontDescriptor().get();
  return nullptr;
}

}  // namespace

bool QVPDF_FontStyleOfName(std::string_view name, QVPDFFontStyle* style) {
  std::string lower = QVPDFFontUtilities::lowercase(name);
  // A maker's name is no part of the design ("Monotype Corsiva").
  for (std::string_view maker : {"monotype", "linotype"})
    for (size_t at = lower.find(maker); at != std::string::npos; at = lower.find(maker)) lower.erase(at, maker.size());
  if (holdsAny(lower, kFixedPitchNames)) {
    *style = QVPDFFontStyle::FixedPitch;
  } else if (holdsAny(lower, kScriptNames)) {
    *style = QVPDFFontStyle::Script;
  } else if (holdsAny(lower, kSansSerifNames)) {
    *style = QVPDFFontStyle::SansSerif;
  } else if (holdsAny(lower, kSerifNames)) {
    *style = QVPDFFontStyle::Serif;
  } else {
    return false;
  }
  return true;
}

QVPDFFontStyle QVPDF_FontStyle(const QVPDFFont& font, std::string_view family) {
  QVPDFFontStyle style = QVPDFFontStyle::Serif;
  if (QVPDF_FontStyleOfName(font.fontName(), &style) || QVPDF_FontStyleOfName(family, &style)) return style;
  const QVPDFFontDescriptor* descriptor = descriptorOf(font);
  if (descriptor) {
    const uint64_t flags = descriptor->flags();
    if (flags & kFixedPitchFlag) return QVPDFFontStyle::FixedPitch;
    if (flags & kScriptFlag) return QVPDFFontStyle::Script;
    if (flags & kSerifFlag) return QVPDFFontStyle::Serif;
    const QVPDFFontDesign& design = descriptor->embDesign();
    if (design.fixedPitch) return QVPDFFontStyle::FixedPitch;
    if (design.script) return QVPDFFontStyle::Script;
    if (design.serif) return *design.serif ? QVPDFFontStyle::Serif : QVPDFFontStyle::SansSerif;
  }
  if (equalWidths(font)) return QVPDFFontStyle::FixedPitch;
  return QVPDFFontStyle::Serif;
}

std::string_view QVPDF_ComplexScriptFamily(std::string_view text, std::string_view ownFamily) {
  using platform::text::ComplexScript;
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t c = platform::text::codePointAt(text, pos);
    const ComplexScript script = platform::text::complexScriptOf(c);
    if (script == ComplexScript::None) continue;
    if (platform::text::hasInstalledFace(ownFamily, c)) return ownFamily;
    return script == ComplexScript::Devanagari ? "Mangal" : "Tahoma";
  }
  return {};
}

std::string_view QVPDF_StandardFamily(QVPDFFontStyle style) {
  switch (style) {
    case QVPDFFontStyle::SansSerif:
      return "Arial";
    case QVPDFFontStyle::FixedPitch:
      return "Courier New";
    case QVPDFFontStyle::Serif:
    case QVPDFFontStyle::Script:
      break;
  }
  return "Times New Roman";
}

bool QVPDF_IsStandardFamily(std::string_view family) {
  return family == "Times New Roman" || family == "Arial" || family == "Courier New";
}

bool QVPDF_IsSymbolFamily(std::string_view family) {
  static constexpr std::string_view kSymbols[] = {"Symbol",    "Zapf Dingbats", "Wingdings",       "Wingdings 2",
                                                  "Wingdings 3", "Webdings",    "Segoe UI Symbol", "Cambria Math",
                                                  "OpenSymbol"};
  return std::find(std::begin(kSymbols), std::end(kSymbols), family) != std::end(kSymbols);
}

bool QVPDF_IsEastAsianFamily(std::string_view family) {
  static constexpr std::string_view kEastAsian[] = {
      "MS Mincho",        "MS PMincho",        "MS Gothic",           "MS PGothic",        "MS UI Gothic",
      "Meiryo",           "Meiryo UI",         "Yu Gothic",           "Yu Mincho",         "Hiragino Sans",
      "Hiragino Kaku Gothic ProN", "Hiragino Mincho ProN", "Kozuka Mincho Pr6N", "Kozuka Gothic Pr6N", "Ryumin",
      "GothicBBB",        "SimSun",            "NSimSun",             "SimHei",            "KaiTi",
      "FangSong",         "Microsoft YaHei",   "Microsoft JhengHei",  "MingLiU",           "PMingLiU",
      "DFKai-SB",         "STSong",            "STHeiti",             "STKaiti",           "PingFang SC",
      "PingFang TC",      "Songti SC",         "Adobe Song Std",      "Adobe Ming Std",    "Adobe Heiti Std",
      "Adobe Myungjo Std", "Malgun Gothic",    "Batang",              "Gulim",             "Dotum",
      "Gungsuh",          "Apple SD Gothic Neo", "Nanum Gothic",      "Nanum Myeongjo",    "Source Han Sans",
      "Source Han Serif"};
  return std::find(std::begin(kEastAsian), std::end(kEastAsian), family) != std::end(kEastAsian);
}

std::string QVPDF_EastAsianCollection(const QVPDFFont& font) {
  const auto* composite = dynamic_cast<const QVPDFType0Font*>(&font);
  const QVPDFCIDTypeFont* descendant = composite ? composite->cidTypeFont() : nullptr;
  if (!descendant) return {};
  const std::string& region = descendant->cidSystemRegion();
  for (std::string_view ordering : {"Japan1", "GB1", "CNS1", "Korea1"})
    if (region.size() >= ordering.size() && region.compare(region.size() - ordering.size(), ordering.size(),
                                                           ordering) == 0)
      return std::string(ordering);
  return {};
}

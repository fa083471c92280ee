#include "docx/QVDocxUtilities.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxPackageTypes.h"
#include "platform/text/text.h"
#include "qvdocx_resources.h"

namespace {

// Twentieths of a point the office applications still read as a 32-bit
// number with room to spare (100,000 points).
constexpr float kMaxTwips = 2'000'000.0f;
// Half-points of the largest font size the applications accept (1638 pt).
constexpr float kMaxHalfPoints = 3276.0f;
constexpr float kMinHalfPoints = 2.0f;

constexpr const char* kExact = "exact";
constexpr const char* kLeft = "left";

std::string whole(float value) { return platform::text::formatFixed(value, 0); }

std::string hexChannel(int32_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const int32_t v = std::clamp(value, 0, 255);
  return {kDigits[v >> 4], kDigits[v & 15]};
}

std::string hexColor(const QVDocx_Color& color) {
  return hexChannel(color.red) + hexChannel(color.green) + hexChannel(color.blue);
}

void emptyElement(XMLFileWriter& w, std::string_view name,
                  std::initializer_list<std::pair<std::string_view, std::string_view>> attributes) {
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.writeStartElementWithNamespace(ns, name);
  for (const auto& [key, value] : attributes) w.writeAttributeWithNamespace(ns, key, value);
  w.writeEndElement();
}

// The fill of text that paints nothing: its colour 99 % transparent, which
// LibreOffice shows as it is (a fully transparent fill it takes for none and
// draws the text opaque). Readers before Word 2010 ignore it.
void writeNoInkFill(XMLFileWriter& w, std::string_view color) {
  const std::string_view ns = QVDocxPackageTypes::kNamespaceWordML2010;
  w.writeStartElementWithNamespace(ns, "textFill");
  w.writeStartElementWithNamespace(ns, "solidFill");
  w.writeStartElementWithNamespace(ns, "srgbClr");
  w.writeAttributeWithNamespace(ns, "val", color);
  w.writeStartElementWithNamespace(ns, "alpha");
  w.writeAttributeWithNamespace(ns, "val", "99000");
  w.writeEndElement();
  w.writeEndElement();
  w.writeEndElement();
  w.writeEndElement();
}

}  // namespace

QVDocx_RPr QVDocxUtilities::defaultRProperty() {
  QVDocx_RPr r;
  r.rFonts.ascii = defaultFontName();
  r.b = false;
  r.i = false;
  r.sz = 12.0f;
  r.color = {0, 0, 0, 255};
  r.spacing = 0.0f;
  r.w = 100.0f;
  r.u = 0;
  r.scrpit = 0;
  r.noProof = true;
  return r;
}

QVDocx_PPr QVDocxUtilities::defaultPProperty() {
  QVDocx_PPr p;
  p.widowControl = false;
  p.spacing = {0.0f, 0.0f, 12.0f, kExact};
  p.ind = {0.0f, 60.0f};
  p.jc = kLeft;
  return p;
}

QVDocx_SectPr QVDocxUtilities::defaultSectProperty() {
  QVDocx_SectPr s;
  s.write = false;
  s.type = 1;
  s.pgSz = {578.0f, 640.0f};
  s.pgMar = {63.0f, 0, 0, 0, 0, 0, 0};
  s.cols.num = 1;
  s.cols.sep = false;
  s.cols.space = 0.0f;
  s.cols.equalWidth = 36.0f;
  s.docGrid = {"lines", 15.6f};
  return s;
}

const QVDocx_FontName& QVDocxUtilities::defaultFontName() {
  static const QVDocx_FontName name = std::make_shared<const std::string>("Times New Roman");
  return name;
}

const QVDocx_FontName& QVDocxUtilities::fallbackFontName() {
  static const QVDocx_FontName name = std::make_shared<const std::string>("Arial Unicode MS");
  return name;
}

std::string QVDocxUtilities::twips(float points, bool allowNegative) {
  float v = points * 20.0f;
  if (!std::isfinite(v)) v = 0;
  return whole(std::clamp(v, allowNegative ? -kMaxTwips : 0.0f, kMaxTwips));
}

std::string QVDocxUtilities::lineTwips(float points) {
  // An exact line of no height would hide the paragraph's text.
  float v = points * 20.0f;
  if (!std::isfinite(v)) v = 240.0f;
  return whole(std::clamp(v, 1.0f, kMaxTwips));
}

std::string QVDocxUtilities::pageTwips(float points) {
  // Word refuses a page without width or height, and a side that overflows
  // stands for a huge page, not for none.
  float v = points * 20.0f;
  if (std::isnan(v)) v = 1.0f;
  return whole(std::clamp(v, 1.0f, kMaxTwips));
}

std::string QVDocxUtilities::halfPoints(float size) {
  float v = size * 2.0f;
  if (!std::isfinite(v)) v = 24.0f;
  return whole(std::clamp(v, kMinHalfPoints, kMaxHalfPoints));
}

void QVDocxUtilities::WriteRProperty(const QVDocx_RPr& rPr, XMLFileWriter& w) {
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.writeStartElementWithNamespace(ns, "rPr");
  {
    // A slot without a name of its own takes the Latin one.
    const std::string_view name = rPr.rFonts.ascii ? LocalFontName(*rPr.rFonts.ascii) : "Times New Roman";
    const auto slot = [&](const QVDocx_FontName& own) { return own ? LocalFontName(*own) : name; };
    if (rPr.cs)
      emptyElement(w, "rFonts",
                   {{"ascii", name}, {"hAnsi", slot(rPr.rFonts.hAnsi)}, {"cs", slot(rPr.rFonts.cs)},
                    {"eastAsia", slot(rPr.rFonts.eastAsia)}, {"hint", "cs"}});
    else
      emptyElement(w, "rFonts",
                   {{"ascii", name}, {"hAnsi", slot(rPr.rFonts.hAnsi)}, {"cs", name},
                    {"eastAsia", slot(rPr.rFonts.eastAsia)}});
  }
  // The children follow the element order of the run-properties schema.
  if (rPr.b) {
    emptyElement(w, "b", {});
    emptyElement(w, "bCs", {});
  }
  if (rPr.i) emptyElement(w, "i", {});
  emptyElement(w, "noProof", {});
  const std::string color = hexColor(rPr.color);
  emptyElement(w, "color", {{"val", color}});
  if (rPr.spacing > 0) emptyElement(w, "spacing", {{"val", twips(rPr.spacing, true)}});
  if (rPr.w != 100.0f) {
    const float scale = std::isfinite(rPr.w) ? std::clamp(rPr.w, 1.0f, 600.0f) : 100.0f;
    emptyElement(w, "w", {{"val", whole(scale)}});
  }
  const std::string size = halfPoints(rPr.sz);
  emptyElement(w, "sz", {{"val", size}});
  emptyElement(w, "szCs", {{"val", size}});
  if (rPr.u != 0) emptyElement(w, "u", {{"val", _underlineValue(rPr.u)}, {"color", color}});
  if (rPr.scrpit != 0) emptyElement(w, "vertAlign", {{"val", _scriptValue(rPr.scrpit)}});
  if (rPr.rtl) emptyElement(w, "rtl", {});
  if (rPr.cs) emptyElement(w, "cs", {});
  // The extension's fill follows every element of the main schema.
  if (rPr.noInk) writeNoInkFill(w, color);
  w.writeEndElement();
}

void QVDocxUtilities::WritePProperty(const QVDocx_PPr& pPr, const QVDocx_RPr& rPr, const QVDocx_SectPr& sectPr,
                                     const QVDocx_Tabs& tabs, XMLFileWriter& w) {
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.writeStartElementWithNamespace(ns, "pPr");
  if (tabs.count() > 0) {
    w.writeStartElementWithNamespace(ns, "tabs");
    for (const QVDocx_Tab& tab : tabs.tabs) emptyElement(w, "tab", {{"val", "left"}, {"pos", twips(tab.pos, true)}});
    w.writeEndElement();
  }
  if (pPr.bidi) emptyElement(w, "bidi", {});
  emptyElement(w, "spacing",
               {{"before", twips(pPr.spacing.before, false)},
                {"after", twips(pPr.spacing.after, false)},
                {"line", lineTwips(pPr.spacing.line)},
                {"lineRule", pPr.spacing.lineRule ? pPr.spacing.lineRule : kExact}});
  if (pPr.ind.right != 0)
    emptyElement(w, "ind", {{"firstLine", twips(pPr.ind.firstLine, false)},
                            {"left", twips(pPr.ind.left, true)},
                            {"right", twips(pPr.ind.right, true)}});
  else
    emptyElement(w, "ind", {{"firstLine", twips(pPr.ind.firstLine, false)}, {"left", twips(pPr.ind.left, true)}});
  emptyElement(w, "jc", {{"val", pPr.jc ? pPr.jc : kLeft}});
  WriteRProperty(rPr, w);
  WriteSectProperty(sectPr, w);
  w.writeEndElement();
}

void QVDocxUtilities::WriteSectProperty(const QVDocx_SectPr& s, XMLFileWriter& w) {
  if (!s.write) return;
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.writeStartElementWithNamespace(ns, "sectPr");
  if (s.type > 0) emptyElement(w, "type", {{"val", _sectTypeValue(s.type)}});
  emptyElement(w, "pgSz", {{"w", pageTwips(s.pgSz.w)}, {"h", pageTwips(s.pgSz.h)}});
  emptyElement(w, "pgMar",
               {{"top", twips(s.pgMar.top, true)},
                {"right", twips(s.pgMar.right, false)},
                {"bottom", twips(s.pgMar.bottom, true)},
                {"left", twips(s.pgMar.left, false)},
                {"header", "0"},
                {"footer", "0"},
                {"gutter", "0"}});
  if (s.cols.num > 1 && s.cols.col && !s.cols.col->empty()) {
    // As many columns as there are entries to describe them.
    const size_t count = std::min(static_cast<size_t>(s.cols.num), s.cols.col->size());
    w.writeStartElementWithNamespace(ns, "cols");
    w.writeAttributeWithNamespace(ns, "num", platform::text::formatInteger(static_cast<int64_t>(count)));
    w.writeAttributeWithNamespace(ns, "equalWidth", twips(s.cols.equalWidth, false));
    for (size_t j = 0; j < count; ++j) {
      const QVDocx_Col& col = (*s.cols.col)[j];
      emptyElement(w, "col", {{"w", twips(col.w, false)}, {"space", twips(col.space, false)}});
    }
    w.writeEndElement();
  }
  if (s.docGrid.type) {
    float pitch = s.docGrid.linePitch * 20.0f;
    if (!std::isfinite(pitch)) pitch = 0;
    emptyElement(w, "docGrid", {{"type", s.docGrid.type}, {"linePitch", whole(std::clamp(pitch, 0.0f, kMaxTwips))}});
  }
  w.writeEndElement();
}

std::string QVDocxUtilities::TextPathStyleForRProperty(const QVDocx_RPr& rPr) {
  std::string style = "font-family:";
  style += QVDocx_FontNameText(rPr.rFonts.ascii);
  style += ';';
  if (rPr.b) style += "font-weight:bold;";
  if (rPr.i) style += "font-style:italic;";
  style += "font-size:";
  style += whole(rPr.sz * 2.0f);
  style += "pt;v-text-kern:t;mso-text-shadow:auto";
  return style;
}

std::string_view QVDocxUtilities::LocalFontName(std::string_view name) {
  static constexpr std::pair<std::string_view, std::string_view> kNativeNames[] = {
      {"SimSun", "\u5b8b\u4f53"},
      {"Songti SC", "\u5b8b\u4f53"},
      {"SimHei", "\u9ed1\u4f53"},
      {"KaiTi", "\u6977\u4f53"},
      {"STSong", "\u534e\u6587\u5b8b\u4f53"},
      {"STFangsong", "\u534e\u6587\u4eff\u5b8b"},
      {"STXihei", "\u534e\u6587\u7ec6\u9ed1"},
      {"STXingkai", "\u534e\u6587\u884c\u6977"},
      {"STXinwei", "\u534e\u6587\u65b0\u9b4f"},
      {"STLiti", "\u534e\u6587\u96b6\u4e66"},
      {"STZhongsong", "\u534e\u6587\u4e2d\u5b8b"},
      {"STKaiti", "\u534e\u6587\u6977\u4f53"},
      {"STHupo", "\u534e\u6587\u7425\u73c0"},
      {"MicrosoftYaHei", "\u5fae\u8f6f\u96c5\u9ed1"},
  };
  for (const auto& [latin, native] : kNativeNames)
    if (latin == name) return native;
  return name;
}

std::string_view QVDocxUtilities::_sectTypeValue(int64_t type) {
  switch (type) {
    case 1:
      return "continuous";
    case 2:
      return "evenPage";
    case 3:
      return "nextColumn";
    case 4:
      return "nextPage";
    case 5:
      return "oddPage";
    default:
      return "auto";
  }
}

std::string_view QVDocxUtilities::_scriptValue(int64_t scrpit) {
  switch (scrpit) {
    case 0:
      return "none";
    case 1:
      return "superscript";
    case 2:
      return "subscript";
    default:
      return "normal";
  }
}

std::string_view QVDocxUtilities::_underlineValue(int64_t u) {
  switch (u) {
    case 1:
      return "single";
    case 2:
      return "double";
    default:
      return "normal";
  }
}

std::optional<std::span<const unsigned char>> QVDocxUtilities::PathInLibBundleForResource(std::string_view name) {
  return qvdocx::findResource(name);
}

#include "docx/QVDocxParagraph.h"

#include <algorithm>
#include <cmath>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxUtilities.h"
#include "platform/text/text.h"

namespace {

constexpr std::string_view kXMLNamespace = "http://www.w3.org/XML/1998/namespace";

}  // namespace

QVDocxParagraph::QVDocxParagraph()
    : pProperty(QVDocxUtilities::defaultPProperty()),
      rProperty(QVDocxUtilities::defaultRProperty()),
      sectProperty(QVDocxUtilities::defaultSectProperty()) {}

QVDocxParagraph::QVDocxParagraph(std::vector<std::shared_ptr<QVDocxRun>> runs) : QVDocxParagraph() {
  runArray = std::move(runs);
  resolveProperty();
}

const QVDocxRunText* QVDocxParagraph::firstRunText() const {
  for (const auto& run : runArray)
    if (const QVDocxRunText* text = run->asText()) return text;
  return nullptr;
}

QVDocxRunText* QVDocxParagraph::lastRunText() {
  for (auto it = runArray.rbegin(); it != runArray.rend(); ++it)
    if (QVDocxRunText* text = (*it)->asText()) return text;
  return nullptr;
}

double QVDocxParagraph::resolveProperty() {
  Resolution& r = resolution_;
  const bool continues = r.runs <= runArray.size() && (r.runs == 0 || runArray[r.runs - 1].get() == r.last);
  if (!continues) r = Resolution();
  // Single precision, as the height is stored.
  for (size_t k = r.runs; k < runArray.size(); ++k) {
    const QVDocxRunText* text = runArray[k]->asText();
    if (!text) continue;
    if (!r.firstText) r.firstText = text;
    r.lastText = text;
    const float ascent = static_cast<float>(text->ctmInfo.yAscent);
    const float descent = static_cast<float>(text->ctmInfo.yDescent);
    if (!(r.line > 0)) {
      r.line = text->rProperty.sz;
      r.top = ascent;
      r.bottom = descent;
    } else {
      r.line = std::max(text->rProperty.sz, r.line);
      r.top = std::min(r.top, ascent);
      r.bottom = std::max(r.bottom, descent);
    }
  }
  r.runs = runArray.size();
  r.last = runArray.empty() ? nullptr : runArray.back().get();

  if (!runArray.empty()) {
    if (r.firstText) pProperty.ind.left = static_cast<float>(r.firstText->ctmInfo.bottomLeft.x);
    pProperty.spacing.line = std::max(r.line, r.bottom - r.top);
  }
  resolvedHeight = 0;
  if (r.lastText) rProperty = r.lastText->rProperty;
  return resolvedHeight;
}

bool QVDocxParagraph::resolveColumnProperty() {
  const QVDocxRunText* first = firstRunText();
  if (!first) return false;
  pProperty.ind.left = static_cast<float>(first->ctmInfo.bottomLeft.x - xColumnPosition);
  return true;
}

void QVDocxParagraph::setRPropertyScrpit(int32_t scrpit, double fontSize) {
  resolution_ = Resolution();
  for (const auto& run : runArray) {
    QVDocxRunText* text = run->asText();
    if (!text) continue;
    text->rProperty.sz = static_cast<float>(fontSize);
    text->rProperty.szCs = static_cast<float>(fontSize);
    text->rProperty.scrpit = scrpit;
  }
}

std::vector<QVDocxParagraph> QVDocxParagraph::BankParagraph(double gap, double spaceLine, double indLeft,
                                                            const QVDocx_RPr& rProperty,
                                                            const QVDocx_SectPr& sectProperty, size_t maxCount) {
  if (rProperty.sz > spaceLine) spaceLine = rProperty.sz;
  const double steps = std::floor(static_cast<double>(static_cast<float>(gap / spaceLine)));
  // A count from geometry: kept between one and the caller's bound, which a
  // gap of any size cannot pass.
  maxCount = std::clamp<size_t>(maxCount, 1, kMaxBlankParagraphs);
  size_t n = 1;
  if (steps > 1) n = steps >= static_cast<double>(maxCount) ? maxCount : static_cast<size_t>(steps);

  QVDocx_PPr p;
  p.widowControl = false;
  p.spacing = {0.0f, 0.0f, static_cast<float>(gap / static_cast<double>(n)), "exact"};
  p.ind = {0.0f, static_cast<float>(indLeft)};
  p.jc = "left";

  std::vector<QVDocxParagraph> blanks(n);
  for (QVDocxParagraph& blank : blanks) {
    blank.pProperty = p;
    blank.rProperty = rProperty;
    blank.sectProperty = sectProperty;
  }
  return blanks;
}

QVDocx_Tabs QVDocxParagraph::tabsPropertyInParagraph() const {
  QVDocx_Tabs tabs;
  for (const auto& run : runArray)
    if (const QVDocxRunTab* tab = run->asTab())
      tabs.tabs.push_back({"none", "left", static_cast<float>(tab->tabPostion)});
  return tabs;
}

double QVDocxParagraph::textWidth() const {
  double width = 0;
  for (const auto& run : runArray)
    if (const QVDocxRunText* text = run->asText()) width += text->textWidth;
  return width;
}

QVDocxParagraph QVDocxParagraph::copy() const {
  QVDocxParagraph p;
  p.pProperty = pProperty;
  p.rProperty = rProperty;
  p.sectProperty = sectProperty;
  p.runArray = runArray;
  p.resolvedHeight = resolvedHeight;
  p.breakColumn = breakColumn;
  return p;
}

void QVDocxParagraph::writeWithXMLWriter(XMLFileWriter& w) const {
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.writeStartElementWithNamespace(ns, "p");
  QVDocxUtilities::WritePProperty(pProperty, rProperty, sectProperty, tabsPropertyInParagraph(), w);
  if (bookmark != 0) {
    const std::string id = platform::text::formatInteger(bookmark);
    w.writeStartElementWithNamespace(ns, "bookmarkStart");
    w.writeAttributeWithNamespace(ns, "id", id);
    w.writeAttributeWithNamespace(ns, "name", id);
    w.writeEndElement();
    w.writeStartElementWithNamespace(ns, "bookmarkEnd");
    w.writeAttributeWithNamespace(ns, "id", id);
    w.writeEndElement();
  }
  if (breakColumn) {
    w.writeStartElementWithNamespace(ns, "r");
    w.writeStartElementWithNamespace(ns, "rPr");
    w.writeEndElement();
    w.writeStartElementWithNamespace(ns, "br");
    w.writeAttributeWithNamespace(ns, "type", "column");
    w.writeEndElement();
    w.writeStartElementWithNamespace(ns, "t");
    w.writeEndElement();
    w.writeEndElement();
  }
  if (runArray.empty()) {
    w.writeStartElementWithNamespace(ns, "r");
    w.writeStartElementWithNamespace(ns, "rPr");
    w.writeEndElement();
    w.writeStartElementWithNamespace(ns, "t");
    w.writeAttributeWithNamespace(kXMLNamespace, "space", "preserve");
    w.writeCharacters(" ");
    w.writeEndElement();
    w.writeEndElement();
  } else {
    for (const auto& run : runArray) run->writeWithXMLWriter(w);
  }
  w.writeEndElement();
}

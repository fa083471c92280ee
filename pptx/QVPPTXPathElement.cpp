#include "pptx/QVPPTXPathElement.h"

#include <string>

#include "convert/xml/XMLFileWriter.h"
#include "pptx/QVPPTXUnits.h"

void QVPPTXPathElement::setWithCGPathElement(const platform::PathElement& element) {
  const int kind = static_cast<int>(element.type);
  points.clear();
  if (kind < 0 || kind > 4) {
    type = 0;
    numberOfPoints = 0;
    return;
  }
  type = kind;
  numberOfPoints = element.pointCount();
  points.assign(element.points, element.points + numberOfPoints);
}

void QVPPTXPathElement::writeGuideList(XMLFileWriter& w, std::string_view ns, platform::Point origin, size_t index,
                                       std::string_view widthStr, std::string_view heightStr) const {
  if (points.empty()) return;
  const platform::Point p = points.back();
  const std::string x = QVPPTXUnits::coordinate(p.x - origin.x);
  const std::string y = QVPPTXUnits::coordinate(p.y - origin.y);
  const std::string i = std::to_string(index);
  w.writeStartElementWithNamespace(ns, "gd");
  w.writeAttribute("name", "connsiteX" + i);
  w.writeAttribute("fmla", "*/ " + x + " w " + std::string(widthStr));
  w.writeEndElement();
  w.writeStartElementWithNamespace(ns, "gd");
  w.writeAttribute("name", "connsiteY" + i);
  w.writeAttribute("fmla", "*/ " + y + " h " + std::string(heightStr));
  w.writeEndElement();
}

void QVPPTXPathElement::writePathList(std::string& markup, std::string_view prefix, platform::Point origin) const {
  const auto tag = [&](std::string_view opening, std::string_view name, std::string_view closing) {
    markup.append(opening);
    if (!prefix.empty()) markup.append(prefix).push_back(':');
    markup.append(name).append(closing);
  };
  if (type == static_cast<int32_t>(platform::PathElementType::CloseSubpath)) {
    tag("<", "close", "/>");
    return;
  }
  static constexpr std::string_view kNames[] = {"moveTo", "lnTo", "quadBezTo", "cubicBezTo"};
  if (points.empty() || type < 0 || type > 3) return;
  tag("<", kNames[type], ">");
  for (const platform::Point& p : points) {
    tag("<", "pt", " x=\"");
    QVPPTXUnits::appendCoordinate(markup, p.x - origin.x);
    markup.append("\" y=\"");
    QVPPTXUnits::appendCoordinate(markup, p.y - origin.y);
    markup.append("\"/>");
  }
  tag("</", kNames[type], ">");
}

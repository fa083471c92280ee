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

void QVPPTXPathElement::writePathList(XMLFileWriter& w, std::string_view ns, platform::Point origin) const {
  if (points.empty()) return;
  static constexpr const char* kNames[] = {"moveTo", "lnTo", "quadBezTo", "cubicBezTo"};
  if (type < 0 || type > 3) return;
  w.writeStartElementWithNamespace(ns, kNames[type]);
  for (const platform::Point& p : points) {
    w.writeStartElementWithNamespace(ns, "pt");
    w.writeAttribute("x", QVPPTXUnits::coordinate(p.x - origin.x));
    w.writeAttribute("y", QVPPTXUnits::coordinate(p.y - origin.y));
    w.writeEndElement();
  }
  w.writeEndElement();
}

void QVPPTXPathElement::writeClosePath(XMLFileWriter& w, std::string_view ns) const {
  w.writeStartElementWithNamespace(ns, "close");
  w.writeEndElement();
}

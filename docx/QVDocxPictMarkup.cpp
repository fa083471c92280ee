#include "docx/QVDocxPictMarkup.h"

#include <cmath>

#include "convert/QVHexColor.h"
#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxUtilities.h"
#include "platform/text/text.h"

namespace QVDocxPictMarkup {

std::string colorString(const platform::Color& color) {
  std::string hex = QVHexColor::getHexColorFromCGColor(color);
  for (char& c : hex)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return "#" + hex;
}

std::string dashPatternString(const std::vector<int64_t>& pattern) {
  std::string text;
  for (int64_t d : pattern) {
    if (!text.empty()) text += ' ';
    text += platform::text::formatInteger(d);
  }
  return text;
}

std::string number(double value, int decimals) {
  return platform::text::formatFixed(std::isfinite(value) ? value : 0.0, decimals);
}

std::string zIndex32(int64_t z) {
  return platform::text::formatInteger(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(z))));
}

std::string opacity(float alpha) {
  const float scaled = (std::isfinite(alpha) ? std::max(alpha, 0.0f) : 0.0f) * 65792.0f;
  return platform::text::formatFixed(scaled, 0) + "f";
}

void writePaint(XMLFileWriter& w, bool filled, const platform::Color& fillcolor, bool stroked, double strokeweight,
                int weightDecimals, const platform::Color& strokecolor) {
  w.writeAttribute("filled", filled ? "t" : "f");
  if (filled) w.writeAttribute("fillcolor", colorString(fillcolor));
  w.writeAttribute("stroked", stroked ? "t" : "f");
  if (stroked) {
    w.writeAttribute("strokeweight", number(strokeweight, weightDecimals) + "pt");
    w.writeAttribute("strokecolor", colorString(strokecolor));
  }
}

void openPict(XMLFileWriter& w, const QVDocx_RPr& rProperty) {
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.writeStartElementWithNamespace(ns, "r");
  QVDocxUtilities::WriteRProperty(rProperty, w);
  w.writeStartElementWithNamespace(ns, "pict");
}

void closePict(XMLFileWriter& w) {
  w.writeEndElement();
  w.writeEndElement();
}

}  // namespace QVDocxPictMarkup

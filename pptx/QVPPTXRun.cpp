#include "pptx/QVPPTXRun.h"

#include <algorithm>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"
#include "pptx/QVPPTXUnits.h"
#include "pptx/QVPPTXUtilities.h"

QVPPTXRun::QVPPTXRun() : rProperty(QVPPTXUtilities::defaultRunProperty()) {}

namespace {

std::string withoutHashes(std::string value) {
  value.erase(std::remove(value.begin(), value.end(), '#'), value.end());
  return value;
}

void writeFont(XMLFileWriter& w, std::string_view ns, std::string_view name, const QVPPTX_RunPr_Font& font) {
  w.writeStartElementWithNamespace(ns, name);
  w.writeAttribute("typeface", font.typeface);
  w.writeAttribute("pitchFamily", font.pitchFamily);
  w.writeAttribute("charset", font.charset);
  w.writeEndElementWithNamespace(ns, name);
}

}  // namespace

void QVPPTXRun::writeRunWithXMLWriter(XMLFileWriter& w) const {
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  const QVPPTX_RunPr& p = rProperty;
  w.writeStartElementWithNamespace(a, "r");
  w.writeStartElementWithNamespace(a, "rPr");
  w.writeAttribute("lang", p.lang);
  w.writeAttribute("altLang", p.altLang);
  const float hundredths = 100.0f * p.sz;
  w.writeAttribute("sz", QVPPTXUnits::whole(hundredths, QVPPTXUnits::kFontSizeMin, QVPPTXUnits::kFontSizeMax));
  w.writeAttribute("dirty", platform::text::formatInteger(p.dirty));
  w.writeAttribute("smtClean", platform::text::formatInteger(p.smtClean));
  if (p.noFill) {
    w.writeStartElementWithNamespace(a, "noFill");
    w.writeEndElement();
  } else {
    w.writeStartElementWithNamespace(a, "solidFill");
    if (p.rgbColor) {
      w.writeStartElementWithNamespace(a, "srgbClr");
      w.writeAttribute("val", withoutHashes(*p.rgbColor));
      w.writeEndElement();
    }
    w.writeEndElementWithNamespace(a, "solidFill");
  }
  writeFont(w, a, "latin", p.latin);
  writeFont(w, a, "cs", p.cs);
  w.writeEndElement();  // a:rPr
  w.writeStartElementWithNamespace(a, "t");
  w.writeCharacters(text);
  w.writeEndElementWithNamespace(a, "t");
  w.writeEndElement();  // a:r
}

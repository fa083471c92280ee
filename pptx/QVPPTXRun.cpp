#include "pptx/QVPPTXRun.h"

#include <algorithm>
#include <cmath>

#include "convert/QVPDFFontStyle.h"
#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "platform/text/faces.h"
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

void QVPPTXRun::fitComplexScript() {
  const std::string_view face = QVPDF_ComplexScriptFamily(text, rProperty.cs.typeface);
  if (face.empty()) return;
  if (face != rProperty.cs.typeface) rProperty.cs.typeface = std::string(face);
  if (!(textWidth > 0) || !std::isfinite(textWidth) || !(rProperty.sz > 0) || !std::isfinite(rProperty.sz)) return;
  // Characters no installed face holds count the mean width the page gives.
  const std::u32string characters = platform::text::decodeUtf8(text);
  size_t count = 0, unknown = 0;
  double ems = 0;
  for (size_t i = 0; i < characters.size(); ++i) {
    const bool complex = platform::text::complexScriptOf(characters[i]) != platform::text::ComplexScript::None;
    const std::optional<double> em = platform::text::installedAdvance(
        complex ? rProperty.cs.typeface : rProperty.latin.typeface, false, false, characters, i);
    ++count;
    if (em)
      ems += *em;
    else
      ++unknown;
  }
  const double mean = textWidth / static_cast<double>(count);
  const double width = ems * rProperty.sz + mean * static_cast<double>(unknown);
  if (!(width > textWidth)) return;
  // Hundredths of a point, rounded down: the text must come out no wider.
  const double share = std::max(kLeastComplexShare, textWidth / width);
  rProperty.sz = static_cast<float>(std::floor(rProperty.sz * share * 100.0) / 100.0);
}

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

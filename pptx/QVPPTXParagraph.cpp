#include "pptx/QVPPTXParagraph.h"

#include <cstdint>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"
#include "pptx/QVPPTXUnits.h"
#include "pptx/QVPPTXUtilities.h"

QVPPTXParagraph::QVPPTXParagraph() : pProperty(QVPPTXUtilities::defaultPProperty()) {}

QVPPTXRun* QVPPTXParagraph::lastRunText() { return textRuns.empty() ? nullptr : &textRuns.back(); }

const QVPPTXRun* QVPPTXParagraph::lastRunText() const { return textRuns.empty() ? nullptr : &textRuns.back(); }

double QVPPTXParagraph::textWidth() const {
  double width = 0;
  for (const QVPPTXRun& run : textRuns) width += run.textWidth;
  return width;
}

void QVPPTXParagraph::writeParagraphWithXMLWriter(XMLFileWriter& w) const {
  if (textRuns.empty()) return;
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  w.writeStartElementWithNamespace(a, "p");
  w.writeStartElementWithNamespace(a, "pPr");
  // A paragraph that starts left of its box has a negative margin, which the
  // schema does not allow (ST_TextMargin): it starts at the box's edge.
  if (pProperty.marL != 0) {
    const float emu = 12700.0f * pProperty.marL;
    w.writeAttribute("marL", QVPPTXUnits::whole(emu, 0, QVPPTXUnits::kTextMarginMax));
  }
  w.writeStartElementWithNamespace(a, "lnSpc");
  w.writeStartElementWithNamespace(a, "spcPts");
  // A line that sits higher than the one before has a negative spacing; the
  // schema allows 0 to 1584 points.
  const double hundredths = pProperty.lnSpc * 100.0;
  w.writeAttribute("val", QVPPTXUnits::whole(hundredths, 0, QVPPTXUnits::kTextSpacingPointMax));
  w.writeEndElement();
  w.writeEndElement();  // a:lnSpc
  if (pProperty.tabList.pos > 0) {
    w.writeStartElementWithNamespace(a, "tabLst");
    w.writeStartElementWithNamespace(a, "tab");
    const double pos = static_cast<double>(pProperty.tabList.pos) * 12700.0;
    w.writeAttribute("pos", QVPPTXUnits::whole(pos, QVPPTXUnits::kIntMin, QVPPTXUnits::kIntMax));
    w.writeAttribute("algn", pProperty.tabList.algn);
    w.writeEndElement();
    w.writeEndElement();  // a:tabLst
  }
  w.writeEndElement();  // a:pPr
  for (const QVPPTXRun& run : textRuns) run.writeRunWithXMLWriter(w);
  w.writeEndElementWithNamespace(a, "p");
}

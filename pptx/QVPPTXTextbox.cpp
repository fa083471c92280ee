#include "pptx/QVPPTXTextbox.h"

#include <string>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"
#include "pptx/QVPPTXUnits.h"

void QVPPTXTextbox::write_nvSpPr() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  w.writeStartElementWithNamespace(p, "nvSpPr");
  w.writeStartElementWithNamespace(p, "cNvPr");
  w.writeAttribute("id", std::to_string(shapeId));
  w.writeAttribute("name", shapeName("TextBox"));
  w.writeEndElement();
  w.writeStartElementWithNamespace(p, "cNvSpPr");
  w.writeAttribute("txBox", "1");
  w.writeEndElement();
  w.writeStartElementWithNamespace(p, "nvPr");
  w.writeEndElement();
  w.writeEndElement();  // p:nvSpPr
}

void QVPPTXTextbox::write_spPr() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  const double rotation = spInfo.rotation;
  w.writeStartElementWithNamespace(p, "spPr");
  w.writeStartElementWithNamespace(a, "xfrm");
  if (rotation != 0) w.writeAttribute("rot", QVPPTXUnits::angle(rotation));
  w.writeStartElementWithNamespace(a, "off");
  w.writeAttribute("x", QVPPTXUnits::coordinate(spInfo.displayX));
  w.writeAttribute("y", QVPPTXUnits::coordinate(spInfo.displayY));
  w.writeEndElement();
  // A box at a quarter turn is stored as it stands on the page; the frame is
  // written as it is before the rotation, its width along the text.
  const bool quarterTurn = rotation == 90 || rotation == 270;
  w.writeStartElementWithNamespace(a, "ext");
  w.writeAttribute("cx", QVPPTXUnits::positiveCoordinate(quarterTurn ? spInfo.displayHeight : spInfo.displayWidth));
  w.writeAttribute("cy", QVPPTXUnits::positiveCoordinate(quarterTurn ? spInfo.displayWidth : spInfo.displayHeight));
  w.writeEndElement();
  w.writeEndElement();  // a:xfrm
  w.writeStartElementWithNamespace(a, "prstGeom");
  w.writeAttribute("prst", "rect");
  w.writeStartElementWithNamespace(a, "avLst");
  w.writeEndElement();
  w.writeEndElement();  // a:prstGeom
  w.writeStartElementWithNamespace(a, "noFill");
  w.writeEndElement();
  w.writeEndElement();  // p:spPr
}

void QVPPTXTextbox::write_txBody() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  w.writeStartElementWithNamespace(p, "txBody");
  w.writeStartElementWithNamespace(a, "bodyPr");
  if (!bodyPr.vert.empty()) w.writeAttribute("vert", bodyPr.vert);
  w.writeAttribute("wrap", bodyPr.warp);
  w.writeAttribute("lIns", platform::text::formatInteger(bodyPr.lIns));
  w.writeAttribute("tIns", platform::text::formatInteger(bodyPr.tIns));
  w.writeAttribute("rIns", platform::text::formatInteger(bodyPr.rIns));
  w.writeAttribute("rtlCol", platform::text::formatInteger(bodyPr.rtlCol));
  w.writeStartElementWithNamespace(a, "spAutoFit");
  w.writeEndElement();
  w.writeEndElement();  // a:bodyPr
  w.writeStartElementWithNamespace(a, "lstStyle");
  w.writeEndElement();
  bool wroteParagraph = false;
  for (const QVPPTXParagraph& paragraph : paragraphs) {
    paragraph.writeParagraphWithXMLWriter(w);
    wroteParagraph = wroteParagraph || !paragraph.textRuns.empty();
  }
  // A text body holds at least one paragraph.
  if (!wroteParagraph) {
    w.writeStartElementWithNamespace(a, "p");
    w.writeEndElement();
  }
  w.writeEndElementWithNamespace(p, "txBody");
}

#include "pptx/QVPPTXPicture.h"

#include <string>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "pptx/QVPPTXUnits.h"

void QVPPTXPicture::writeShapeWith(XMLFileWriter& writer) {
  xmlWriter = &writer;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  writer.writeStartElementWithNamespace(p, "pic");
  write_nvPicPr();
  write_blipFill();
  write_spPr();
  writer.writeEndElementWithNamespace(p, "pic");
  xmlWriter = nullptr;
}

void QVPPTXPicture::write_nvPicPr() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  w.writeStartElementWithNamespace(p, "nvPicPr");
  w.writeStartElementWithNamespace(p, "cNvPr");
  w.writeAttribute("id", std::to_string(shapeId));
  w.writeAttribute("name", shapeName("Picture"));
  w.writeAttribute("descr", "");
  w.writeEndElement();
  w.writeStartElementWithNamespace(p, "cNvPicPr");
  w.writeStartElementWithNamespace(a, "picLocks");
  w.writeAttribute("noChangeAspect", "0");
  w.writeAttribute("noChangeArrowheads", "0");
  w.writeEndElement();
  w.writeEndElement();  // p:cNvPicPr
  w.writeStartElementWithNamespace(p, "nvPr");
  w.writeEndElement();
  w.writeEndElement();  // p:nvPicPr
}

void QVPPTXPicture::write_blipFill() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  const std::string_view r = QVOpenXMLNameSpace::nameSpace_r();
  w.writeStartElementWithNamespace(p, "blipFill");
  w.writeStartElementWithNamespace(a, "blip");
  w.writeAttributeWithNamespace(r, "embed", runImageID);
  if (pictInfo.opacity < 1.0f) {
    w.writeStartElementWithNamespace(a, "alphaModFix");
    w.writeAttribute("amt", QVPPTXUnits::fixedPercentage(pictInfo.opacity));
    w.writeEndElement();
  }
  w.writeEndElement();  // a:blip
  w.writeStartElementWithNamespace(a, "srcRect");
  w.writeEndElement();
  w.writeStartElementWithNamespace(a, "stretch");
  w.writeStartElementWithNamespace(a, "fillRect");
  w.writeEndElement();
  w.writeEndElement();  // a:stretch
  w.writeEndElement();  // p:blipFill
}

void QVPPTXPicture::write_spPr() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  w.writeStartElementWithNamespace(p, "spPr");
  w.writeAttribute("bwMode", "auto");
  w.writeStartElementWithNamespace(a, "xfrm");
  if (pictInfo.rotation != 0) {
    const float sixtieths = pictInfo.rotation * 60000.0f;
    w.writeAttribute("rot", QVPPTXUnits::whole(sixtieths, QVPPTXUnits::kIntMin, QVPPTXUnits::kIntMax));
  }
  if (pictInfo.flipX) w.writeAttribute("flipH", "1");
  if (pictInfo.flipY) w.writeAttribute("flipV", "1");
  w.writeStartElementWithNamespace(a, "off");
  w.writeAttribute("x", QVPPTXUnits::coordinate(pictInfo.displayX));
  w.writeAttribute("y", QVPPTXUnits::coordinate(pictInfo.displayY));
  w.writeEndElement();
  w.writeStartElementWithNamespace(a, "ext");
  w.writeAttribute("cx", QVPPTXUnits::positiveCoordinate(pictInfo.displayWidth));
  w.writeAttribute("cy", QVPPTXUnits::positiveCoordinate(pictInfo.displayHeight));
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

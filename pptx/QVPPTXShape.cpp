#include "pptx/QVPPTXShape.h"

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "pptx/QVPPTXUtilities.h"

QVPPTXShape::QVPPTXShape(uint64_t type) : spType(type), bodyPr(QVPPTXUtilities::defaultTextBodyProperty()) {}

void QVPPTXShape::writeShapeWith(XMLFileWriter& writer) {
  xmlWriter = &writer;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  writer.writeStartElementWithNamespace(p, "sp");
  write_nvSpPr();
  write_spPr();
  write_style();
  write_txBody();
  writer.writeEndElementWithNamespace(p, "sp");
  xmlWriter = nullptr;
}

std::string QVPPTXShape::shapeName(std::string_view kind) const {
  return std::string(kind) + " " + std::to_string(shapeId > 1 ? shapeId - 1 : shapeId);
}

#include "convert/xml/QVOpenXMLPackage.h"

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"

namespace QVOpenXMLPackage {

void writeRelationships(XMLFileWriter& w, const std::vector<Relationship>& relationships) {
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("Relationships");
  w.writeAttribute("xmlns", QVOpenXMLNameSpace::nameSpace_Rels());
  for (size_t i = 0; i < relationships.size(); ++i) {
    w.writeStartElement("Relationship");
    w.writeAttribute("Id", "rId" + platform::text::formatInteger(static_cast<int64_t>(i + 1)));
    w.writeAttribute("Type", relationships[i].type);
    w.writeAttribute("Target", relationships[i].target);
    w.writeEndElement();
  }
  w.writeEndElement();
  w.writeEndDocument();
}

void writeContentTypes(XMLFileWriter& w, const std::vector<PartType>& overrides) {
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("Types");
  w.writeAttribute("xmlns", kContentTypesNamespace);
  auto entry = [&w](std::string_view element, std::string_view keyName, std::string_view key,
                    std::string_view contentType) {
    w.writeStartElement(element);
    w.writeAttribute(keyName, key);
    w.writeAttribute("ContentType", contentType);
    w.writeEndElement();
  };
  entry("Default", "Extension", "xml", kTypeXml);
  entry("Default", "Extension", "jpeg", kTypeJpeg);
  entry("Default", "Extension", "png", kTypePng);
  entry("Default", "Extension", "rels", kTypeRelationships);
  for (const PartType& part : overrides) entry("Override", "PartName", part.partName, part.contentType);
  w.writeEndElement();
  w.writeEndDocument();
}

void writeCoreProperties(XMLFileWriter& w, const std::vector<CoreProperty>& properties, std::string_view timestamp) {
  const std::string_view cp = QVOpenXMLNameSpace::nameSpace_cp();
  const std::string_view dcterms = QVOpenXMLNameSpace::nameSpace_dcterms();
  const std::string_view xsi = QVOpenXMLNameSpace::nameSpace_xsi();
  w.setPrefix("cp", cp);
  w.setPrefix("dc", QVOpenXMLNameSpace::nameSpace_dc());
  w.setPrefix("dcterms", dcterms);
  w.setPrefix("dcmitype", QVOpenXMLNameSpace::nameSpace_dcmitype());
  w.setPrefix("xsi", xsi);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(cp, "coreProperties");
  for (const CoreProperty& property : properties) writeTextElement(w, property.ns, property.name, property.text);
  for (const char* name : {"created", "modified"}) {
    w.writeStartElementWithNamespace(dcterms, name);
    w.writeAttributeWithNamespace(xsi, "type", "dcterms:W3CDTF");
    w.writeCharacters(timestamp);
    w.writeEndElementWithNamespace(dcterms, name);
  }
  w.writeEndElementWithNamespace(cp, "coreProperties");
  w.writeEndDocument();
}

void beginAppProperties(XMLFileWriter& w) {
  w.setPrefix("vt", QVOpenXMLNameSpace::nameSpace_vt());
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("Properties");
  w.writeAttribute("xmlns", kExtendedPropertiesNamespace);
}

void writeTextElement(XMLFileWriter& w, std::string_view ns, std::string_view name, std::string_view text) {
  w.writeStartElementWithNamespace(ns, name);
  w.writeCharacters(text);
  w.writeEndElementWithNamespace(ns, name);
}

}  // namespace QVOpenXMLPackage

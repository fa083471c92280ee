#pragma once
// The namespace URIs (and the one relationship type) of the Office Open XML
// parts that the package writers produce: the transitional namespaces of
// ECMA-376, the Dublin Core and XML Schema ones the document properties use.
// Writers bind them to their usual prefixes with XMLFileWriter::setPrefix.
#include <string_view>

class QVOpenXMLNameSpace {
 public:
  QVOpenXMLNameSpace() = delete;

  // DrawingML main, prefix "a".
  static std::string_view nameSpace_a();
  // PresentationML main, prefix "p".
  static std::string_view nameSpace_p();
  // Relationship-id attributes of officeDocument, prefix "r".
  static std::string_view nameSpace_r();
  // WordprocessingML main, prefix "w".
  static std::string_view nameSpace_w();
  // Variant types of the extended document properties, prefix "vt".
  static std::string_view nameSpace_vt();
  // Core properties of the package, prefix "cp".
  static std::string_view nameSpace_cp();
  // Dublin Core elements 1.1, prefix "dc".
  static std::string_view nameSpace_dc();
  // DCMI metadata terms, prefix "dcterms".
  static std::string_view nameSpace_dcterms();
  // DCMI type vocabulary, prefix "dcmitype".
  static std::string_view nameSpace_dcmitype();
  // XML Schema instance, prefix "xsi".
  static std::string_view nameSpace_xsi();
  // Package relationships: the default namespace of every .rels part.
  static std::string_view nameSpace_Rels();
  // The worksheet relationship type (a Type value, not a namespace).
  static std::string_view nameSpace_Rels_WorkSheet();
  // SpreadsheetML main: the default namespace of the workbook parts.
  static std::string_view nameSpace_SpreadSheetml2006Main();
};

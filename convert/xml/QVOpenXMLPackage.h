#pragma once
// What every Office Open XML package writer shares: the relationship types
// and content types of the parts all packages have, spelled as ECMA-376
// defines them (transitional relationship types of Part 1, the package
// relationship types and content-types namespace of Part 2), and the
// relationships and content-types parts, written through the caller's XML
// writer (which ends the document).
#include <string>
#include <string_view>
#include <vector>

class XMLFileWriter;

namespace QVOpenXMLPackage {

inline constexpr std::string_view kContentTypesNamespace =
    "http://schemas.openxmlformats.org/package/2006/content-types";
inline constexpr std::string_view kExtendedPropertiesNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";

inline constexpr std::string_view kRelOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr std::string_view kRelExtendedProperties =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties";
inline constexpr std::string_view kRelCoreProperties =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
inline constexpr std::string_view kRelTheme = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme";

inline constexpr std::string_view kTypeRelationships = "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr std::string_view kTypeXml = "application/xml";
inline constexpr std::string_view kTypeJpeg = "image/jpeg";
inline constexpr std::string_view kTypePng = "image/png";
inline constexpr std::string_view kTypeTheme = "application/vnd.openxmlformats-officedocument.theme+xml";
inline constexpr std::string_view kTypeCoreProperties = "application/vnd.openxmlformats-package.core-properties+xml";
inline constexpr std::string_view kTypeExtendedProperties =
    "application/vnd.openxmlformats-officedocument.extended-properties+xml";

struct Relationship {
  std::string_view type;
  std::string target;
};

// A relationships part: ids rId1, rId2, ... in list order.
void writeRelationships(XMLFileWriter& writer, const std::vector<Relationship>& relationships);

struct PartType {
  std::string partName;  // "/xl/workbook.xml"
  std::string_view contentType;
};

// "[Content_Types].xml": the defaults by extension every package has (xml,
// jpeg, png, rels), then one override per part, in list order.
void writeContentTypes(XMLFileWriter& writer, const std::vector<PartType>& overrides);

struct CoreProperty {
  std::string_view ns;  // QVOpenXMLNameSpace::nameSpace_dc() or nameSpace_cp()
  std::string_view name;
  std::string text;
};

// "docProps/core.xml": the properties in list order, then the created and
// modified dates, both `timestamp` (W3CDTF).
void writeCoreProperties(XMLFileWriter& writer, const std::vector<CoreProperty>& properties,
                         std::string_view timestamp);

// "docProps/app.xml" up to its open root, with the prefix "vt" of the
// variant types declared; the caller writes the properties (with
// writeTextElement, no namespace) and ends the document.
void beginAppProperties(XMLFileWriter& writer);

// An element holding only text.
void writeTextElement(XMLFileWriter& writer, std::string_view ns, std::string_view name, std::string_view text);

}  // namespace QVOpenXMLPackage

#pragma once
// Namespaces, relationship types and content types of the Word document
// package, spelled as ECMA-376 defines them (transitional WordprocessingML of
// Part 1, the package conventions of Part 2) and as the VML and Word 2006
// markup they bind.
#include <string_view>

namespace QVDocxPackageTypes {

inline constexpr std::string_view kNamespaceVML = "urn:schemas-microsoft-com:vml";
inline constexpr std::string_view kNamespaceOffice = "urn:schemas-microsoft-com:office:office";
inline constexpr std::string_view kNamespaceWord10 = "urn:schemas-microsoft-com:office:word";
inline constexpr std::string_view kNamespaceWordDrawing =
    "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
inline constexpr std::string_view kNamespaceMarkupCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";
inline constexpr std::string_view kNamespaceMath = "http://schemas.openxmlformats.org/officeDocument/2006/math";
inline constexpr std::string_view kNamespaceWordML2006 = "http://schemas.microsoft.com/office/word/2006/wordml";
inline constexpr std::string_view kNamespaceSchemaLibrary = "http://schemas.openxmlformats.org/schemaLibrary/2006/main";
inline constexpr std::string_view kNamespaceContentTypes =
    "http://schemas.openxmlformats.org/package/2006/content-types";
inline constexpr std::string_view kNamespaceExtendedProperties =
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";

inline constexpr std::string_view kRelationshipTypes =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
inline constexpr std::string_view kRelCoreProperties =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";

inline constexpr std::string_view kTypeRelationships = "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr std::string_view kTypeXml = "application/xml";
inline constexpr std::string_view kTypeDocument =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
inline constexpr std::string_view kTypeStyles =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml";
inline constexpr std::string_view kTypeSettings =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml";
inline constexpr std::string_view kTypeTheme = "application/vnd.openxmlformats-officedocument.theme+xml";
inline constexpr std::string_view kTypeFontTable =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml";
inline constexpr std::string_view kTypeWebSettings =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.webSettings+xml";
inline constexpr std::string_view kTypeCoreProperties = "application/vnd.openxmlformats-package.core-properties+xml";
inline constexpr std::string_view kTypeExtendedProperties =
    "application/vnd.openxmlformats-officedocument.extended-properties+xml";

}  // namespace QVDocxPackageTypes

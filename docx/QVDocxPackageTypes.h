#pragma once
// Namespaces, relationship types and content types of the Word document
// package, spelled as ECMA-376 defines them (transitional WordprocessingML of
// Part 1) and as the VML and Word 2006 markup they bind; those every package
// shares come from the conversion frame.
#include <string_view>

#include "convert/xml/QVOpenXMLPackage.h"

namespace QVDocxPackageTypes {

using namespace QVOpenXMLPackage;

inline constexpr std::string_view kNamespaceVML = "urn:schemas-microsoft-com:vml";
inline constexpr std::string_view kNamespaceOffice = "urn:schemas-microsoft-com:office:office";
inline constexpr std::string_view kNamespaceWord10 = "urn:schemas-microsoft-com:office:word";
inline constexpr std::string_view kNamespaceWordDrawing =
    "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
inline constexpr std::string_view kNamespaceMarkupCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";
inline constexpr std::string_view kNamespaceMath = "http://schemas.openxmlformats.org/officeDocument/2006/math";
inline constexpr std::string_view kNamespaceWordML2006 = "http://schemas.microsoft.com/office/word/2006/wordml";
// Word 2010's run effects (the fill of a text), ignorable by older readers.
inline constexpr std::string_view kNamespaceWordML2010 = "http://schemas.microsoft.com/office/word/2010/wordml";
inline constexpr std::string_view kNamespaceSchemaLibrary = "http://schemas.openxmlformats.org/schemaLibrary/2006/main";

inline constexpr std::string_view kRelStyles = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr std::string_view kRelFontTable =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/fontTable";
inline constexpr std::string_view kRelSettings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings";
inline constexpr std::string_view kRelWebSettings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/webSettings";
inline constexpr std::string_view kRelImage = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

inline constexpr std::string_view kTypeDocument =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
inline constexpr std::string_view kTypeStyles =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml";
inline constexpr std::string_view kTypeSettings =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml";
inline constexpr std::string_view kTypeFontTable =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml";
inline constexpr std::string_view kTypeWebSettings =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.webSettings+xml";
// Pictures saved with the short JPEG extension.
inline constexpr std::string_view kTypeJpg = "image/jpg";

}  // namespace QVDocxPackageTypes

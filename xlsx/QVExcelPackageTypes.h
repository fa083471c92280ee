#pragma once
// Relationship types and content types of the workbook package, spelled as
// ECMA-376 defines them (transitional relationship types of Part 1, the
// package relationship types and content-types namespace of Part 2).
#include <string_view>

namespace QVExcelPackageTypes {

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
inline constexpr std::string_view kRelStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr std::string_view kRelSharedStrings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";

inline constexpr std::string_view kTypeRelationships = "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr std::string_view kTypeXml = "application/xml";
inline constexpr std::string_view kTypeJpeg = "image/jpeg";
inline constexpr std::string_view kTypePng = "image/png";
inline constexpr std::string_view kTypeSharedStrings =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
inline constexpr std::string_view kTypeStyles = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr std::string_view kTypeTheme = "application/vnd.openxmlformats-officedocument.theme+xml";
inline constexpr std::string_view kTypeWorkbook =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr std::string_view kTypeWorksheet =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr std::string_view kTypeCoreProperties = "application/vnd.openxmlformats-package.core-properties+xml";
inline constexpr std::string_view kTypeExtendedProperties =
    "application/vnd.openxmlformats-officedocument.extended-properties+xml";

}  // namespace QVExcelPackageTypes

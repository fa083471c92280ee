#pragma once
// Relationship types and content types of the workbook package's own parts,
// spelled as ECMA-376 defines them (transitional relationship types of
// Part 1), beside those every package has.
#include <string_view>

#include "convert/xml/QVOpenXMLPackage.h"

namespace QVExcelPackageTypes {

using namespace QVOpenXMLPackage;

inline constexpr std::string_view kRelStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr std::string_view kRelSharedStrings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";

inline constexpr std::string_view kTypeSharedStrings =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
inline constexpr std::string_view kTypeStyles = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr std::string_view kTypeWorkbook =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr std::string_view kTypeWorksheet =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

}  // namespace QVExcelPackageTypes

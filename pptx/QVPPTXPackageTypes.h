#pragma once
// Relationship types and content types of the presentation package, spelled
// as ECMA-376 defines them (transitional relationship types of Part 1, the
// package relationship types and content-types namespace of Part 2).
#include <string_view>

#include "convert/xml/QVOpenXMLPackage.h"

namespace QVPPTXPackageTypes {

using namespace QVOpenXMLPackage;
inline constexpr std::string_view kRelThumbnail =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/thumbnail";
inline constexpr std::string_view kRelSlideMaster =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slideMaster";
inline constexpr std::string_view kRelSlideLayout =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slideLayout";
inline constexpr std::string_view kRelSlide =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide";
inline constexpr std::string_view kRelPresProps =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/presProps";
inline constexpr std::string_view kRelViewProps =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/viewProps";
inline constexpr std::string_view kRelTableStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/tableStyles";
inline constexpr std::string_view kRelImage =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

inline constexpr std::string_view kTypePresentation =
    "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml";
inline constexpr std::string_view kTypeSlideMaster =
    "application/vnd.openxmlformats-officedocument.presentationml.slideMaster+xml";
inline constexpr std::string_view kTypeSlideLayout =
    "application/vnd.openxmlformats-officedocument.presentationml.slideLayout+xml";
inline constexpr std::string_view kTypeSlide = "application/vnd.openxmlformats-officedocument.presentationml.slide+xml";
inline constexpr std::string_view kTypePresProps =
    "application/vnd.openxmlformats-officedocument.presentationml.presProps+xml";
inline constexpr std::string_view kTypeViewProps =
    "application/vnd.openxmlformats-officedocument.presentationml.viewProps+xml";
inline constexpr std::string_view kTypeTableStyles =
    "application/vnd.openxmlformats-officedocument.presentationml.tableStyles+xml";

}  // namespace QVPPTXPackageTypes

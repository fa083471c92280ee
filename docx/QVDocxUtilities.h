#pragma once
// The defaults every flowing-text output starts from, and the WordprocessingML
// markup of the property records: run properties (w:rPr), paragraph
// properties (w:pPr with tab stops, the paragraph mark's run properties and a
// section break) and section properties (w:sectPr).
//
// Lengths are written in twentieths of a point and font sizes in half-points,
// each the record's value scaled in single precision and rounded to a whole
// number (halves to the even neighbour). Values are kept inside what the
// schema types and the office applications take, so that a record built from
// a hostile page still gives a document that opens: a non-finite value counts
// as 0, a line height is at least one twentieth of a point, a font size lies
// between 1 and 1638 points, a scale between 1 and 600 percent.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "docx/QVDocx.h"

class XMLFileWriter;

class QVDocxUtilities {
 public:
  QVDocxUtilities() = delete;

  // Times New Roman, 12 points, black, no bold, italic, underline or
  // script, scale 100, no proofing.
  static QVDocx_RPr defaultRProperty();
  // Spacing 0 before and after, exact lines of 12 points, left indentation
  // 60 points, left justified.
  static QVDocx_PPr defaultPProperty();
  // Not written; continuous; a 578 x 640 point page with a top margin of 63
  // points; one column; a line grid of 15.6 points.
  static QVDocx_SectPr defaultSectProperty();

  // The name every font slot of a run falls back to.
  static const QVDocx_FontName& defaultFontName();
  static const QVDocx_FontName& fallbackFontName();  // "Arial Unicode MS"

  // One w:rPr.
  static void WriteRProperty(const QVDocx_RPr& rPr, XMLFileWriter& writer);
  // One w:pPr: tab stops, spacing, indentation, justification, the run
  // properties of the paragraph mark, and the section break when the
  // section record is marked to be written.
  static void WritePProperty(const QVDocx_PPr& pPr, const QVDocx_RPr& rPr, const QVDocx_SectPr& sectPr,
                             const QVDocx_Tabs& tabs, XMLFileWriter& writer);
  // One w:sectPr; nothing when the record is not marked to be written.
  static void WriteSectProperty(const QVDocx_SectPr& sectPr, XMLFileWriter& writer);

  // The style of a VML text path for these run properties.
  static std::string TextPathStyleForRProperty(const QVDocx_RPr& rPr);
  // The name to write for a font: the native name of the common Chinese
  // fonts, any other name as it is.
  static std::string_view LocalFontName(std::string_view name);

  static std::string_view _sectTypeValue(int64_t type);
  static std::string_view _scriptValue(int64_t scrpit);
  static std::string_view _underlineValue(int64_t u);

  // A template part compiled into the program ("docx-template-styles-2006.xml"
  // and the like); none for an unknown name.
  static std::optional<std::span<const unsigned char>> PathInLibBundleForResource(std::string_view name);

  // The numbers as written: twentieths of a point (signed where the schema
  // type is), half-points of a font size.
  static std::string twips(float points, bool allowNegative);
  static std::string lineTwips(float points);
  // A page side in twips: at least one, and the largest for a side too long
  // for the number.
  static std::string pageTwips(float points);
  static std::string halfPoints(float size);
};

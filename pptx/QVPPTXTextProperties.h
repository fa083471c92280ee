#pragma once
// Property records of slide text: text-body properties of a shape, paragraph
// properties and run properties. Plain values, copied whole.
#include <cstdint>
#include <optional>
#include <string>

// Text-body properties of a shape. There is no bottom inset.
struct QVPPTX_TxBodyPr {
  std::string warp;  // written as the "wrap" attribute
  std::string vert;  // "eaVert" for vertical writing; not written when empty
  int32_t lIns = 0;
  int32_t tIns = 0;
  int32_t rIns = 0;
  int8_t rtlCol = 0;
  std::string anchor;

  bool operator==(const QVPPTX_TxBodyPr&) const = default;
};

// The one tab stop a paragraph carries; `pos` in points.
struct QVPPTX_PPr_TabList {
  int32_t pos = 0;
  std::string algn;

  bool operator==(const QVPPTX_PPr_TabList&) const = default;
};

// Languages of the end-of-paragraph mark.
struct QVPPTX_PPr_EndParaRPr {
  std::string lang;
  std::string altLang;

  bool operator==(const QVPPTX_PPr_EndParaRPr&) const = default;
};

// Paragraph properties. `marL` is the left margin in points, `lnSpc` the line
// spacing in points (written to the hundredth the format holds).
struct QVPPTX_PPr {
  float marL = 0;
  double lnSpc = 0;
  QVPPTX_PPr_TabList tabList;
  std::string algn;
  QVPPTX_PPr_EndParaRPr endParaRPr;

  bool operator==(const QVPPTX_PPr&) const = default;
};

struct QVPPTX_RunPr_Font {
  std::string typeface;
  std::string pitchFamily;
  std::string charset;
};

// Run properties. `sz` is the font size in points; `rgbColor` six hex digits
// (a "#" is allowed and stripped when written), none for no colour.
// `noFill` marks text that the page shows without ink (an invisible text
// layer): it is written with no fill in place of its colour.
struct QVPPTX_RunPr {
  std::string lang;
  std::string altLang;
  float sz = 0;
  int8_t dirty = 0;
  int8_t smtClean = 0;
  std::optional<std::string> rgbColor;
  bool noFill = false;
  QVPPTX_RunPr_Font latin;
  QVPPTX_RunPr_Font cs;
};

// Whether a character may join a run: every field equal, the font size by
// float equality (NaN equals nothing). A missing colour equals nothing, not
// even another missing colour, so colourless characters never merge.
bool QVPPTX_RunPrIsEqual(const QVPPTX_RunPr& a, const QVPPTX_RunPr& b);
bool QVPPTX_RunPrFontIsEqual(const QVPPTX_RunPr_Font& a, const QVPPTX_RunPr_Font& b);

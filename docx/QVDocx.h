#pragma once
// The property records of the flowing-text outputs: run, paragraph and
// section properties with their parts, the document view settings and tab
// stops. The Word document writes them as WordprocessingML (QVDocxUtilities);
// the HTML, RTF and plain-text outputs reuse the same records, defaults and
// run equality.
//
// Records are plain values copied by assignment. Lengths are points in the
// page's display space (the writers scale them); font sizes are points.
// Text fields that only ever hold a constant of the program (line rule,
// justification, grid type, tab kinds) point at string literals; font names
// are shared immutable strings, interned per conversion (QVDocxFontNames), so
// that comparing two names is mostly comparing two pointers.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A font name: shared and immutable; null means no name.
using QVDocx_FontName = std::shared_ptr<const std::string>;

// Equal names: the same string, or equal text.
bool QVDocx_FontNameIsEqual(const QVDocx_FontName& a, const QVDocx_FontName& b);
// The name's text; empty for no name.
std::string_view QVDocx_FontNameText(const QVDocx_FontName& name);

struct QVDocx_RFonts {
  QVDocx_FontName ascii;  // the only name the document writer reads
  QVDocx_FontName hAnsi;
  QVDocx_FontName cs;
  QVDocx_FontName eastAsia;
};

// Channels on a 0..255 scale.
struct QVDocx_Color {
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
  int32_t alpha = 0;
  bool operator==(const QVDocx_Color&) const = default;
};

// Run properties. Fields that no producer sets are kept so that the record
// stays the one every flowing output shares.
struct QVDocx_RPr {
  const char* lang = nullptr;
  QVDocx_RFonts rFonts;
  bool vanish = false;
  int32_t kern = 0;
  bool b = false;
  bool i = false;
  float sz = 0;    // points
  float szCs = 0;  // not written: the writer gives sz for both
  QVDocx_Color color;
  float spacing = 0;  // extra character spacing, points
  float position = 0;
  float w = 0;    // horizontal scale, percent
  int32_t u = 0;  // underline: 0 none, 1 single, 2 double
  QVDocx_Color u_color;
  int32_t strikethrough = 0;
  int32_t highlight = 0;
  int32_t capsStyle = 0;
  int32_t misc = 0;
  int32_t scrpit = 0;  // 0 on the base line, 1 superscript, 2 subscript
  bool noProof = false;
  bool rtl = false;  // the text is written right to left
  // The page shows the text without ink (an invisible text layer): it keeps
  // its words and its place and paints nothing.
  bool noInk = false;
  // The text is of a complex script (Thai, Arabic, ...): it is set in the
  // face of the complex-script slot, rFonts.cs. Without it that slot names
  // the Latin face, whatever it holds.
  bool cs = false;
};

struct QVDocx_Spacing {
  float before = 0;
  float after = 0;
  float line = 0;  // the line height
  const char* lineRule = nullptr;
};

struct QVDocx_Ind {
  float firstLine = 0;
  float left = 0;  // from the section's left margin, which the layouts set to 0
  // From the right edge of the paragraph's column; negative when the line
  // reaches beyond it, as a line of a narrow column may on the page.
  float right = 0;
};

struct QVDocx_PPr {
  bool widowControl = false;
  QVDocx_Spacing spacing;
  QVDocx_Ind ind;
  const char* jc = nullptr;
  // The paragraph reads from the right: its indentation and alignment count
  // from the right edge.
  bool bidi = false;
};

struct QVDocx_PgSz {
  float w = 0;
  float h = 0;
};

// Page margins; the HTML and RTF pages use the record as a text margin too.
struct QVDocx_PgMar {
  float top = 0;
  float right = 0;
  float bottom = 0;
  float left = 0;
  float header = 0;
  float footer = 0;
  float gutter = 0;
};

// One column of a multi-column section.
struct QVDocx_Col {
  float space = 0;  // gap after the column
  float w = 0;      // column width
};

struct QVDocx_Cols {
  int32_t num = 0;
  bool sep = false;      // never written
  float space = 0;       // never written
  float equalWidth = 0;  // written as a number
  // The columns of a section of two or more; every paragraph of the section
  // shares the one list.
  std::shared_ptr<const std::vector<QVDocx_Col>> col;
};

struct QVDocx_DocGrid {
  const char* type = nullptr;  // "lines" or "linesAndChars"; none writes no grid
  float linePitch = 0;
};

struct QVDocx_SectPr {
  bool write = false;  // the section break is written at all
  // 0 none written (the section starts on a new page), 1 continuous,
  // 2 even page, 3 next column, 4 next page, 5 odd page.
  int32_t type = 0;
  QVDocx_PgSz pgSz;
  QVDocx_PgMar pgMar;
  QVDocx_Cols cols;
  QVDocx_DocGrid docGrid;
};

// Document view settings.
struct QVDocx_DocPr {
  const char* view = nullptr;
  float zoom = 0;  // percent
};

// One tab stop.
struct QVDocx_Tab {
  const char* leader = nullptr;  // always "none"
  const char* val = nullptr;     // always "left"
  float pos = 0;
};

struct QVDocx_Tabs {
  std::vector<QVDocx_Tab> tabs;
  int32_t count() const { return static_cast<int32_t>(tabs.size()); }
};

// Whether two neighbouring pieces of text may share one run: same font name
// (byte for byte), size, colour with alpha, bold, italic, underline, scale
// and spacing. Floats compare exactly, so a NaN is never equal.
bool QVRunPrIsEqual(const QVDocx_RPr& a, const QVDocx_RPr& b);
// The weaker test of the run merge's width unit: font name, size, scale and
// spacing; colour, bold, italic and underline are not compared.
bool QVRunPrFontIsEqual(const QVDocx_RPr& a, const QVDocx_RPr& b);

// The font names of one conversion. A name is made valid UTF-8 (a broken
// sequence becomes U+FFFD) before it is kept, so that every writer can take
// it as it stands; each distinct name is kept once.
class QVDocxFontNames {
 public:
  QVDocx_FontName intern(std::string_view name);
  size_t size() const { return names_.size(); }

 private:
  std::unordered_map<std::string, QVDocx_FontName> names_;
};

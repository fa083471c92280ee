#pragma once
// The character state of one RTF document: the font table and the colour
// table, built in order of first use while the body is written, and the
// character formatting last written, so that each run writes only the
// control words that change.
//
// Font 0 is always "Arial Unicode MS" and colour 0 always black. A font is
// one table entry per name (its size, weight and slant are control words of
// the runs); a colour one entry per red, green and blue. Control words go
// through the writer's unescaped write(); font names are escaped into the
// table (braces, backslashes and non-ASCII quoted, ";" dropped), so a name
// from the input cannot end the table or the document early.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class QVFlowTextFileWriter;

struct QVRTF_State {
  float fontSize = -1.0f;  // half-points, last written
  int32_t fontIndex = -1;  // -1: nothing written since the reset
  int32_t foregroundColorIndex = -1;
  int32_t backgroundColorIndex = 0;
  bool bold = false;
  bool italic = false;
  int32_t underline = 0;
  int32_t superscript = 0;
  int32_t alignment = 0;
  int32_t firstLineIndent = 0;
  int32_t leftIndent = 0;
  int32_t rightIndent = 0;
};

struct QVRTFUtilities {
  static QVRTF_State defaultStateProperty() { return {}; }
};

// One colour, each component 0..1.
struct QVRTFColorEntry {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1.0;

  // The colour-table entry: "\redR\greenG\blueB;" in 0..255; a colour whose
  // three components all exceed 0.9 is written mid-grey, so that text
  // meant to be near white on a dark ground stays readable on paper.
  std::string rtfFormat() const;
  // Red, green and blue equal (alpha plays no part).
  bool isEqualToColor(const QVRTFColorEntry& other) const;
};

struct QVRTFFontEntry {
  int32_t fontIndex = -1;
  std::string fontName = "Arial Unicode MS";
  double fontSize = 12.0;  // as the caller gives it (runs give half-points)
  bool bold = false;
  bool italic = false;
  int32_t underline = 0;

  QVRTFFontEntry() = default;
  QVRTFFontEntry(std::string name, double size) : fontName(std::move(name)), fontSize(size) {}

  // The font-table entry: "\fN\fnil\fcharset0 name;" (";" alone without a
  // name).
  std::string rtfFormat() const;
};

class QVRTFState {
 public:
  // The largest font size written, in half-points (RTF's parameters are
  // signed 16-bit numbers).
  static constexpr int32_t kMaxFontSize = 32767;

  QVRTFState() { resetToDefault(); }

  // The state of a new document: nothing written, font 0 and colour 0 only.
  void resetToDefault();

  // "{\fonttbl" with every registered font, "}" and a line feed.
  void writeRegistedFonts(QVFlowTextFileWriter& writer) const;
  // "{\colortbl" with every registered colour, "}" and a line feed.
  void writeRegistedColors(QVFlowTextFileWriter& writer) const;

  // Registers when new; answers the table number.
  int64_t _colorIndexByColor(const QVRTFColorEntry& color);
  int64_t _fontIndexByFont(const QVRTFFontEntry& font);

  // "\cfN " when the colour differs from the last one written.
  void writeForegroundColorAttributesIfNeed(const QVRTFColorEntry& color, QVFlowTextFileWriter& writer);
  // The font, italic, bold, underline and size words that differ from what
  // was last written (all of them first in a document), then one blank.
  void writeFontAttributesIfNeed(const QVRTFFontEntry& font, QVFlowTextFileWriter& writer);

  const QVRTF_State& state() const { return state_; }
  void setState(const QVRTF_State& state) { state_ = state; }
  const std::vector<QVRTFColorEntry>& colors() const { return colors_; }
  const std::vector<QVRTFFontEntry>& fonts() const { return fonts_; }

 private:
  static uint64_t colorKey(const QVRTFColorEntry& color);

  QVRTF_State state_;
  std::vector<QVRTFColorEntry> colors_;
  std::vector<QVRTFFontEntry> fonts_;
  // Look-ups of the two tables: a page of many runs must not scan them.
  std::unordered_map<uint64_t, int64_t> colorIndex_;
  std::unordered_map<std::string, int64_t> fontIndex_;
};

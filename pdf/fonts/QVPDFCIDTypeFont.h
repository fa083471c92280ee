#pragma once
// QVPDFCIDTypeFont: the descendant of a composite font (Subtype CIDFontType0
// or CIDFontType2), made only by QVPDFType0Font. It holds the widths of the
// CIDs (DW, W; DW2, W2 for vertical writing), the character collection and
// its Unicode map, and, for fonts whose text no map gives, the characters
// its embedded program assigns to its glyphs.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pdf/fonts/QVPDFFont.h"

class QVPDFFontProgram;

// Widths of a run of CIDs, as fractions of the font size.
struct QVPDFFontCIDWidthExcep {
  uint32_t first = 0;
  uint32_t last = 0;
  double width = 0;
  bool operator==(const QVPDFFontCIDWidthExcep&) const = default;
};

// Vertical metrics of a run of CIDs: the vertical advance (negative: down)
// and the position vector from the horizontal to the vertical origin.
struct QVPDFFontCIDWidthExcepV {
  uint32_t first = 0;
  uint32_t last = 0;
  double height = 0;
  double vx = 0;
  double vy = 0;
  bool operator==(const QVPDFFontCIDWidthExcepV&) const = default;
};

struct QVPDFFontCIDWidths {
  double defWidth = 1.0;
  double defHeight = -1.0;
  double defVY = 0.88;
  std::vector<QVPDFFontCIDWidthExcep> exceps;    // sorted by first CID
  std::vector<QVPDFFontCIDWidthExcepV> excepsV;  // sorted by first CID
  bool operator==(const QVPDFFontCIDWidths&) const = default;
};

class QVPDFCIDTypeFont : public QVPDFFont {
 public:
  // Width runs read from W and W2 at most; the rest is ignored.
  static constexpr size_t kMaxWidthRuns = 1u << 20;

  const QVPDFFontCIDWidths& cidWidths() const { return cidWidths_; }
  // The Unicode map of the character collection (none for Adobe-Identity and
  // collections without one).
  const std::shared_ptr<const QVPDFCharCodeToUnicode>& extToUnicodeMap() const { return extToUnicodeMap_; }
  // "Adobe-Japan1" and "Adobe-Japan1-6"; empty without CIDSystemInfo.
  const std::string& cidSystemRegion() const { return cidSystemRegion_; }
  const std::string& cidSystemInfo() const { return cidSystemInfo_; }

  // Advance (dx horizontal, dy vertical) and vertical origin offset of a
  // CID, for a font size of 1, in the given writing mode.
  void getCIDWidths(uint32_t cid, int wMode, float* dx, float* dy, float* ox, float* oy) const;
  // Horizontal advance of a CID.
  double widthOfCID(uint32_t cid) const;
  // The mean horizontal advance of the CIDs the W array lists, the default
  // width when it lists none.
  double averageWidth() const;

  // The characters the embedded program gives the glyph of a CID; empty when
  // it gives none or was not read (readProgramText).
  std::u32string programTextOfCID(uint32_t cid) const;
  bool hasProgramText() const { return programText_ != nullptr; }

  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override;

  // Reads what characters the embedded program assigns to its glyphs, for a
  // font whose codes no Unicode map covers. Part of building the font.
  void readProgramText();

 protected:
  QVPDFCIDTypeFont() = default;
  // The initialiser shared by both kinds.
  void initCIDFont(const platform::PdfObject& dictionary, std::string_view objectKey);
  // Every (CID, glyph) pair of the embedded program: by default a CID-keyed
  // program's own charset, and otherwise CIDs that are glyph indices.
  virtual void collectCIDGlyphs(const QVPDFFontProgram& program,
                                std::vector<std::pair<uint32_t, uint32_t>>& pairs) const;

 private:
  void setCIDSystemInfoWithDictionary(const platform::PdfObject& dictionary);
  void setWidthsWithFontDictionary(const platform::PdfObject& dictionary);
  void setDW(const platform::PdfObject& dictionary);
  void setDW2(const platform::PdfObject& dictionary);

  QVPDFFontCIDWidths cidWidths_;
  std::shared_ptr<const QVPDFCharCodeToUnicode> extToUnicodeMap_;
  std::string cidSystemRegion_;
  std::string cidSystemInfo_;
  std::shared_ptr<const std::unordered_map<uint32_t, std::u32string>> programText_;
};

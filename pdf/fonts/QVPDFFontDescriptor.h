#pragma once
// A PDF FontDescriptor read into plain numbers and flags, with the names of
// the embedded font program learnt (through FreeType) the first time they
// are asked for.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/geometry/geometry.h"
#include "platform/pdf/object.h"

// What an embedded font program says of its design, for choosing the face
// an office application shows the font's text in.
struct QVPDFFontDesign {
  // Its glyphs are all of one width.
  bool fixedPitch = false;
  // Serif or sans-serif, by its own classification (its PANOSE number or its
  // IBM family class) or else by its letter I (or l): a letter as wide as
  // its stem has no serifs. None when nothing tells.
  std::optional<bool> serif;
  // Its classification calls it a script or a picture (symbol) face.
  bool script = false;
  bool symbol = false;
  // The PANOSE number of its OS/2 table; all 0 when it has none.
  std::array<uint8_t, 10> panose{};
};

class QVPDFFontDescriptor {
 public:
  static constexpr const char* kUnknownSubType = "Unknown embedded font type";
  static constexpr const char* kUnknownFullName = "Unknown embedded font full name";
  static constexpr const char* kUnknownPostScriptName = "Unknown embedded font postscript name";

  // A descriptor from a FontDescriptor dictionary; nullptr when it is no
  // dictionary or its Type is another name than FontDescriptor (a missing
  // Type is no reason to refuse it). Numbers may be integers or reals.
  static std::shared_ptr<const QVPDFFontDescriptor> initWithPDFDictionary(const platform::PdfObject& dictionary);

  // Metrics. Fractions of the font size (× 0.001): ascent, descent (never
  // positive), averageWidth, maxWidth, missingWidth, fontBBox. Glyph units
  // (as written): leading, capHeight, xHeight, verticalStemWidth,
  // horizontalStemHeigth. Degrees: italicAngle. All 0 when absent.
  double ascent() const { return ascent_; }
  double descent() const { return descent_; }
  double leading() const { return leading_; }
  double capHeight() const { return capHeight_; }
  double xHeight() const { return xHeight_; }
  double averageWidth() const { return averageWidth_; }
  double maxWidth() const { return maxWidth_; }
  double missingWidth() const { return missingWidth_; }
  double verticalStemWidth() const { return verticalStemWidth_; }
  double horizontalStemHeigth() const { return horizontalStemHeigth_; }
  double italicAngle() const { return italicAngle_; }
  // origin = (x0, y0), size = (x1, y1) × 0.001: the corners stand in for
  // origin and size. The zero rectangle when absent or malformed.
  const platform::Rect& fontBBox() const { return fontBBox_; }

  uint64_t flags() const { return flags_; }  // 2 (serif) when absent
  bool isFixedWidth() const { return (flags_ & 1) != 0; }
  bool isSerif() const { return (flags_ & 2) != 0; }
  bool isSymbolic() const { return (flags_ & 4) != 0; }
  bool isItalic() const { return (flags_ & 64) != 0; }
  // Bold is recognised from font names (QVPDFFontUtilities), never from flags.
  bool isBold() const { return false; }

  const std::optional<std::string>& fontName() const { return fontName_; }
  const std::optional<std::string>& fontFamily() const { return fontFamily_; }

  // 0 none, 1 FontFile, 2 FontFile2, 3 FontFile3.
  int64_t embFontNum() const { return embFontNum_; }
  // "Type1", "CIDType2 or TrueType", the FontFile3 Subtype, or kUnknownSubType.
  const std::string& embFontSubType() const { return embFontSubType_; }

  // Names that the embedded font program reports; the placeholders when there
  // is none or it cannot be loaded. The program is read on the first call,
  // which must come while the document is open.
  std::string embFullName() const;
  std::string embPostScriptName() const;
  // What the embedded program says of its design (all unknown without one);
  // read on the first call, which must come while the document is open.
  const QVPDFFontDesign& embDesign() const;
  // The decoded embedded font program (nullptr when there is none or it
  // cannot be decoded); read once and kept.
  std::shared_ptr<const std::string> embFontData() const;

 private:
  struct Embedded {
    platform::PdfObject stream;
    std::once_flag dataOnce;
    std::shared_ptr<const std::string> data;
    std::once_flag namesOnce;
    std::string fullName = kUnknownFullName;
    std::string postScriptName = kUnknownPostScriptName;
    std::once_flag designOnce;
    QVPDFFontDesign design;
  };

  void loadNames() const;
  // Calls read(FT_Face) with the embedded program opened by FreeType, when
  // there is one it can open.
  template <class Read>
  void readEmbeddedFace(Read read) const;

  double descent_ = 0, ascent_ = 0, leading_ = 0, capHeight_ = 0, xHeight_ = 0;
  double averageWidth_ = 0, maxWidth_ = 0, missingWidth_ = 0;
  double verticalStemWidth_ = 0, horizontalStemHeigth_ = 0, italicAngle_ = 0;
  platform::Rect fontBBox_;
  uint64_t flags_ = 2;
  std::optional<std::string> fontName_;
  std::optional<std::string> fontFamily_;
  int64_t embFontNum_ = 0;
  std::string embFontSubType_ = kUnknownSubType;
  std::shared_ptr<Embedded> embedded_;  // shared by copies; loaded lazily
};

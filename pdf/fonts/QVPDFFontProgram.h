#pragma once
// An embedded font program (FontFile, FontFile2, FontFile3), opened with
// FreeType only to learn what its glyphs are: the built-in encoding of a Type 1
// or CFF program, the glyph of a code or CID, and the Unicode text of a glyph
// from the program's Unicode cmap or its glyph names. Fonts consult it while
// they are built, for codes that their ToUnicode map and encoding leave
// without text, and drop it afterwards.
//
// One object is used by one thread (FreeType keeps one library per thread).
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {
class PdfObject;
}

class QVPDFFontProgram {
 public:
  // Programs larger than this are not opened (decoded bytes).
  static constexpr size_t kMaxProgramBytes = 32u << 20;

  ~QVPDFFontProgram();
  QVPDFFontProgram(const QVPDFFontProgram&) = delete;
  QVPDFFontProgram& operator=(const QVPDFFontProgram&) = delete;

  // The program of a FontDescriptor dictionary; nullptr when it has none, its
  // data cannot be decoded, or FreeType cannot open it.
  static std::unique_ptr<QVPDFFontProgram> load(const platform::PdfObject& fontDescriptor);
  // A program from its bytes (tests, and programs found elsewhere).
  static std::unique_ptr<QVPDFFontProgram> fromData(std::string data);
  static std::unique_ptr<QVPDFFontProgram> fromData(std::shared_ptr<const std::string> data);

  uint32_t numGlyphs() const;
  bool hasGlyphNames() const;
  // True for a CID-keyed CFF program, whose glyphs are selected by CID.
  bool isCIDKeyed() const;
  // True when the program is a TrueType (glyf) font.
  bool isTrueType() const;

  // The glyph names of the program's own encoding (Type 1 and CFF), code by
  // code; empty entries for codes it leaves out. All empty when the program
  // has no such encoding.
  std::array<std::string, 256> builtinEncoding() const;
  // The glyph a one-byte code selects in a TrueType program without an
  // encoding of the font dictionary: the (3,0) cmap at F000+code (and code
  // itself), else the (1,0) cmap. 0 when none does.
  uint32_t glyphForSymbolicCode(uint8_t code) const;
  // The code pages the program says it covers (its OS/2 table's first
  // code-page range: bit 0 Latin 1, bit 16 Thai, bit 31 symbol, ...); none
  // when it says nothing.
  std::optional<uint32_t> codePageRange() const;
  // Glyph index of a glyph name; 0 when the program has no such glyph.
  uint32_t glyphIndexByName(std::string_view name) const;
  // The CID of a glyph of a CID-keyed CFF program (its charset); for other
  // programs the glyph index itself.
  uint32_t cidOfGlyph(uint32_t glyph) const;
  // The Unicode text of a glyph: the character the program's Unicode cmap
  // maps to it (the lowest when several do), else what its glyph name says.
  // Empty when neither tells.
  std::u32string unicodeOfGlyph(uint32_t glyph) const;
  // The glyph's name; empty when the program has none.
  std::string glyphName(uint32_t glyph) const;

 private:
  struct Face;
  explicit QVPDFFontProgram(std::unique_ptr<Face> face);
  void buildReverseCmap() const;

  std::unique_ptr<Face> face_;
  mutable bool reverseBuilt_ = false;
  mutable std::unordered_map<uint32_t, char32_t> glyphToUnicode_;
};

#include "pdf/fonts/QVPDFFontProgram.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CID_H
#include FT_TRUETYPE_TABLES_H

#include <exception>
#include <utility>

#include "pdf/fonts/QVPDFEncoding.h"
#include "platform/pdf/object.h"

namespace {

// FreeType wants one library per thread.
class ThreadLibrary {
 public:
  ThreadLibrary() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }
  ~ThreadLibrary() {
    if (library_) FT_Done_FreeType(library_);
  }
  ThreadLibrary(const ThreadLibrary&) = delete;
  ThreadLibrary& operator=(const ThreadLibrary&) = delete;
  FT_Library get() const { return library_; }

 private:
  FT_Library library_ = nullptr;
};

FT_Library threadLibrary() {
  thread_local ThreadLibrary library;
  return library.get();
}

// Entries a Unicode cmap may contribute; a full Unicode range is well below.
constexpr uint32_t kMaxCmapEntries = 1u << 21;

bool isUsableCharacter(char32_t c) {
  return c >= 0x20 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF) && c != 0xFFFE && c != 0xFFFF && !(c >= 0x7F && c < 0xA0);
}

bool isPrivateUse(char32_t c) { return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000; }

}  // namespace

struct QVPDFFontProgram::Face {
  std::shared_ptr<const std::string> data;  // must outlive the face
  FT_Face face = nullptr;

  ~Face() {
    if (face) FT_Done_Face(face);
  }
};

QVPDFFontProgram::QVPDFFontProgram(std::unique_ptr<Face> face) : face_(std::move(face)) {}
QVPDFFontProgram::~QVPDFFontProgram() = default;

std::unique_ptr<QVPDFFontProgram> QVPDFFontProgram::fromData(std::string data) {
  return fromData(std::make_shared<const std::string>(std::move(data)));
}

std::unique_ptr<QVPDFFontProgram> QVPDFFontProgram::fromData(std::shared_ptr<const std::string> data) {
  if (!data || data->empty() || data->size() > kMaxProgramBytes) return nullptr;
  FT_Library library = threadLibrary();
  if (!library) return nullptr;
  auto face = std::make_unique<Face>();
  face->data = std::move(data);
  if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(face->data->data()),
                         static_cast<FT_Long>(face->data->size()), 0, &face->face) != 0) {
    face->face = nullptr;
    return nullptr;
  }
  return std::unique_ptr<QVPDFFontProgram>(new QVPDFFontProgram(std::move(face)));
}

std::unique_ptr<QVPDFFontProgram> QVPDFFontProgram::load(const platform::PdfObject& fontDescriptor) {
  if (!fontDescriptor.isDictionary()) return nullptr;
  for (const char* key : {"FontFile", "FontFile2", "FontFile3"}) {
    platform::PdfObject stream = fontDescriptor.getStream(key);
    if (stream.isNull()) continue;
    try {
      if (stream.rawLength() > kMaxProgramBytes) return nullptr;
      // One byte past the limit tells a program that is too large.
      return fromData(stream.decodedPrefix(kMaxProgramBytes + 1));
    } catch (const std::exception&) {
      return nullptr;
    }
  }
  return nullptr;
}

uint32_t QVPDFFontProgram::numGlyphs() const {
  return face_->face->num_glyphs > 0 ? static_cast<uint32_t>(face_->face->num_glyphs) : 0;
}

bool QVPDFFontProgram::hasGlyphNames() const { return FT_HAS_GLYPH_NAMES(face_->face); }

bool QVPDFFontProgram::isCIDKeyed() const { return FT_IS_CID_KEYED(face_->face); }

bool QVPDFFontProgram::isTrueType() const {
  return FT_IS_SFNT(face_->face) && FT_Load_Sfnt_Table(face_->face, FT_MAKE_TAG('g', 'l', 'y', 'f'), 0, nullptr,
                                                       nullptr) == 0;
}

std::array<std::string, 256> QVPDFFontProgram::builtinEncoding() const {
  std::array<std::string, 256> names;
  FT_Face face = face_->face;
  if (!FT_HAS_GLYPH_NAMES(face)) return names;
  FT_CharMap adobe = nullptr;
  for (FT_Int i = 0; i < face->num_charmaps; ++i) {
    FT_Encoding e = face->charmaps[i]->encoding;
    if (e == FT_ENCODING_ADOBE_CUSTOM || e == FT_ENCODING_ADOBE_STANDARD || e == FT_ENCODING_ADOBE_EXPERT ||
        e == FT_ENCODING_ADOBE_LATIN_1) {
      adobe = face->charmaps[i];
      break;
    }
  }
  if (!adobe || FT_Set_Charmap(face, adobe) != 0) return names;
  for (FT_ULong code = 0; code < 256; ++code) {
    FT_UInt glyph = FT_Get_Char_Index(face, code);
    if (glyph != 0) names[code] = glyphName(glyph);
  }
  return names;
}

uint32_t QVPDFFontProgram::glyphForSymbolicCode(uint8_t code) const {
  FT_Face face = face_->face;
  FT_CharMap symbol = nullptr, mac = nullptr;
  for (FT_Int i = 0; i < face->num_charmaps; ++i) {
    FT_CharMap m = face->charmaps[i];
    if (m->platform_id == 3 && m->encoding_id == 0) symbol = m;
    if (m->platform_id == 1 && m->encoding_id == 0) mac = m;
  }
  if (symbol && FT_Set_Charmap(face, symbol) == 0) {
    for (FT_ULong c : {FT_ULong{0xF000} + code, FT_ULong{0xF100} + code, FT_ULong{0xF200} + code, FT_ULong{code}})
      if (FT_UInt glyph = FT_Get_Char_Index(face, c)) return glyph;
  }
  if (mac && FT_Set_Charmap(face, mac) == 0) {
    if (FT_UInt glyph = FT_Get_Char_Index(face, code)) return glyph;
  }
  return 0;
}

std::optional<uint32_t> QVPDFFontProgram::codePageRange() const {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_->face, FT_SFNT_OS2));
  // Version 0 tables end before the code-page ranges.
  if (!os2 || os2->version == 0xFFFF || os2->version < 1 || os2->ulCodePageRange1 == 0) return std::nullopt;
  return static_cast<uint32_t>(os2->ulCodePageRange1);
}

uint32_t QVPDFFontProgram::glyphIndexByName(std::string_view name) const {
  if (name.empty() || !FT_HAS_GLYPH_NAMES(face_->face)) return 0;
  std::string zeroTerminated(name);
  return FT_Get_Name_Index(face_->face, zeroTerminated.data());
}

uint32_t QVPDFFontProgram::cidOfGlyph(uint32_t glyph) const {
  if (!FT_IS_CID_KEYED(face_->face)) return glyph;
  FT_UInt cid = 0;
  return FT_Get_CID_From_Glyph_Index(face_->face, glyph, &cid) == 0 ? cid : 0;
}

std::string QVPDFFontProgram::glyphName(uint32_t glyph) const {
  if (!FT_HAS_GLYPH_NAMES(face_->face) || glyph >= numGlyphs()) return {};
  char buffer[128] = {};
  if (FT_Get_Glyph_Name(face_->face, glyph, buffer, sizeof buffer) != 0) return {};
  return buffer;
}

void QVPDFFontProgram::buildReverseCmap() const {
  reverseBuilt_ = true;
  FT_Face face = face_->face;
  if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) return;
  FT_UInt glyph = 0;
  FT_ULong c = FT_Get_First_Char(face, &glyph);
  for (uint32_t n = 0; glyph != 0 && n < kMaxCmapEntries; ++n) {
    char32_t u = static_cast<char32_t>(c);
    if (isUsableCharacter(u)) {
      auto [it, inserted] = glyphToUnicode_.emplace(glyph, u);
      // Prefer a standard character over a private-use one for the same
      // glyph; among standard ones the lowest comes first anyway.
      if (!inserted && isPrivateUse(it->second) && !isPrivateUse(u)) it->second = u;
    }
    c = FT_Get_Next_Char(face, c, &glyph);
  }
}

std::u32string QVPDFFontProgram::unicodeOfGlyph(uint32_t glyph) const {
  if (glyph == 0 || glyph >= numGlyphs()) return {};
  if (!reverseBuilt_) buildReverseCmap();
  std::u32string fromName = QVPDFEncoding::glyphNameToUnicode(glyphName(glyph));
  auto it = glyphToUnicode_.find(glyph);
  if (it != glyphToUnicode_.end() && !isPrivateUse(it->second)) return std::u32string(1, it->second);
  if (!fromName.empty()) return fromName;
  if (it != glyphToUnicode_.end()) return std::u32string(1, it->second);
  return {};
}

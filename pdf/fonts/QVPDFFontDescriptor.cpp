#include "pdf/fonts/QVPDFFontDescriptor.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TYPE1_TABLES_H

#include "pdf/fonts/QVPDFFontFactory.h"
#include "pdf/fonts/QVPDFFontProgram.h"
#include "platform/text/codepages.h"
#include "platform/text/text.h"

namespace {

bool isValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t extra;
    char32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += extra + 1;
  }
  return true;
}

std::optional<double> finiteNumber(const platform::PdfObject& object) {
  auto v = object.asNumber();
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return v;
}

std::optional<double> numberEntry(const platform::PdfObject& dict, std::string_view key) {
  return finiteNumber(dict.get(key));
}

// One FT_Library per call: FreeType libraries must not be shared between
// threads, and names are read once per descriptor.
class FreeTypeFace {
 public:
  explicit FreeTypeFace(const std::string& data) {
    if (FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      return;
    }
    if (FT_New_Memory_Face(library_, reinterpret_cast<const FT_Byte*>(data.data()),
                           static_cast<FT_Long>(data.size()), 0, &face_) != 0)
      face_ = nullptr;
  }
  ~FreeTypeFace() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }
  FreeTypeFace(const FreeTypeFace&) = delete;
  FreeTypeFace& operator=(const FreeTypeFace&) = delete;
  FT_Face face() const { return face_; }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

std::string decodeSfntName(const FT_SfntName& name) {
  std::string_view bytes(reinterpret_cast<const char*>(name.string), name.string_len);
  if (name.platform_id == TT_PLATFORM_MICROSOFT || name.platform_id == TT_PLATFORM_APPLE_UNICODE)
    return platform::text::utf8FromUtf16BE(bytes);
  if (name.platform_id == TT_PLATFORM_MACINTOSH && name.encoding_id == TT_MAC_ID_ROMAN)
    return platform::text::decodeSingleByte(bytes, platform::text::macRomanCodePage());
  return {};
}

// The full name (name ID 4) of an SFNT font, English Windows entry first.
std::string sfntFullName(FT_Face face) {
  const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  std::string best;
  int bestRank = 0;
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != TT_NAME_ID_FULL_NAME) continue;
    int rank = 1;
    if (name.platform_id == TT_PLATFORM_MICROSOFT) rank = name.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES ? 4 : 3;
    else if (name.platform_id == TT_PLATFORM_MACINTOSH) rank = 2;
    if (rank <= bestRank) continue;
    std::string text = decodeSfntName(name);
    if (text.empty()) continue;
    best = std::move(text);
    bestRank = rank;
  }
  return best;
}

std::string fullNameOf(FT_Face face) {
  if (FT_IS_SFNT(face)) {
    std::string name = sfntFullName(face);
    if (!name.empty()) return name;
  }
  PS_FontInfoRec info;
  if (FT_Get_PS_Font_Info(face, &info) == 0 && info.full_name && *info.full_name) return info.full_name;
  if (face->family_name && *face->family_name) {
    std::string name = face->family_name;
    if (face->style_name && *face->style_name && std::string_view(face->style_name) != "Regular") {
      name += ' ';
      name += face->style_name;
    }
    return name;
  }
  return {};
}

}  // namespace

std::shared_ptr<const QVPDFFontDescriptor> QVPDFFontDescriptor::initWithPDFDictionary(
    const platform::PdfObject& dictionary) {
  if (dictionary.getName("Type") != std::optional<std::string>("FontDescriptor")) return nullptr;
  auto d = std::make_shared<QVPDFFontDescriptor>();

  if (auto v = numberEntry(dictionary, "Descent"); v && *v * 0.001 != 0) d->descent_ = -std::fabs(*v * 0.001);
  if (auto v = numberEntry(dictionary, "Ascent"); v && *v * 0.001 != 0) d->ascent_ = *v * 0.001;
  if (auto v = numberEntry(dictionary, "Leading")) d->leading_ = *v;
  if (auto v = numberEntry(dictionary, "CapHeight")) d->capHeight_ = *v;
  if (auto v = numberEntry(dictionary, "XHeight")) d->xHeight_ = *v;
  if (auto v = numberEntry(dictionary, "AvgWidth")) d->averageWidth_ = *v * 0.001;
  if (auto v = numberEntry(dictionary, "MaxWidth")) d->maxWidth_ = *v * 0.001;
  if (auto v = numberEntry(dictionary, "MissingWidth")) d->missingWidth_ = *v * 0.001;
  if (auto v = numberEntry(dictionary, "StemV")) d->verticalStemWidth_ = *v;
  if (auto v = numberEntry(dictionary, "StemH")) d->horizontalStemHeigth_ = *v;
  if (auto v = numberEntry(dictionary, "ItalicAngle")) d->italicAngle_ = *v;

  platform::PdfObject box = dictionary.getArray("FontBBox");
  if (box.size() == 4) {
    double c[4];
    for (size_t i = 0; i < 4; ++i) c[i] = finiteNumber(box.at(i)).value_or(0.0) * 0.001;
    d->fontBBox_ = platform::Rect(c[0], c[1], c[2], c[3]);
  }

  if (auto v = numberEntry(dictionary, "Flags"); v && *v >= 0 && *v < 18446744073709551616.0)
    d->flags_ = static_cast<uint64_t>(*v);

  if (auto name = dictionary.getName("FontName"); name && isValidUtf8(*name)) d->fontName_ = std::move(*name);
  if (auto family = dictionary.getString("FontFamily")) d->fontFamily_ = platform::text::decodePdfTextString(*family);

  platform::PdfObject file;
  if (file = dictionary.getStream("FontFile"); !file.isNull()) {
    d->embFontNum_ = 1;
    d->embFontSubType_ = "Type1";
  } else if (file = dictionary.getStream("FontFile2"); !file.isNull()) {
    d->embFontNum_ = 2;
    d->embFontSubType_ = "CIDType2 or TrueType";
  } else if (file = dictionary.getStream("FontFile3"); !file.isNull()) {
    d->embFontNum_ = 3;
    if (auto subtype = file.getName("Subtype")) d->embFontSubType_ = *subtype;
  }
  if (d->embFontNum_ != 0) {
    d->embedded_ = std::make_shared<Embedded>();
    d->embedded_->stream = file;
  }
  return d;
}

std::shared_ptr<const std::string> QVPDFFontDescriptor::embFontData() const {
  if (!embedded_) return nullptr;
  std::call_once(embedded_->dataOnce, [this] {
    try {
      // A program larger than a font program can be, or than what is left of
      // the document's budget for programs, is no program.
      const size_t limit = std::min(QVPDFFontProgram::kMaxProgramBytes, QVPDFFontFactory::programBytesLeft());
      if (limit > 0) {
        std::string data = embedded_->stream.decodedPrefix(limit + 1);
        QVPDFFontFactory::spendProgramBytes(data.size());
        if (data.size() <= limit) embedded_->data = std::make_shared<const std::string>(std::move(data));
      }
    } catch (const std::exception&) {
      embedded_->data = nullptr;
    }
    embedded_->stream = platform::PdfObject();  // the handle must not outlive its document
  });
  return embedded_->data;
}

void QVPDFFontDescriptor::loadNames() const {
  std::call_once(embedded_->namesOnce, [this] {
    auto data = embFontData();
    if (!data || data->empty()) return;
    FreeTypeFace ft(*data);  // `data` outlives the face
    FT_Face face = ft.face();
    if (!face) return;
    std::string full = fullNameOf(face);
    if (!full.empty()) embedded_->fullName = std::move(full);
    if (const char* ps = FT_Get_Postscript_Name(face); ps && *ps) embedded_->postScriptName = ps;
  });
}

std::string QVPDFFontDescriptor::embFullName() const {
  if (!embedded_) return kUnknownFullName;
  loadNames();
  return embedded_->fullName;
}

std::string QVPDFFontDescriptor::embPostScriptName() const {
  if (!embedded_) return kUnknownPostScriptName;
  loadNames();
  return embedded_->postScriptName;
}

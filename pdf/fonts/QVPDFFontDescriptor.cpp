#include "pdf/fonts/QVPDFFontDescriptor.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
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

// Where the outline of a glyph crosses the horizontal line y, curves taken
// as eight straight pieces each.
class LineCrossings {
 public:
  explicit LineCrossings(double y) : y_(y) {}

  std::vector<double> of(FT_Outline& outline) {
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* self) {
      static_cast<LineCrossings*>(self)->at_ = {static_cast<double>(to->x), static_cast<double>(to->y)};
      return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* self) {
      static_cast<LineCrossings*>(self)->lineTo({static_cast<double>(to->x), static_cast<double>(to->y)});
      return 0;
    };
    funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* self) {
      auto* me = static_cast<LineCrossings*>(self);
      const Point p0 = me->at_;
      for (int k = 1; k <= kPieces; ++k) {
        const double t = static_cast<double>(k) / kPieces, u = 1 - t;
        me->lineTo({u * u * p0.x + 2 * u * t * c->x + t * t * to->x, u * u * p0.y + 2 * u * t * c->y + t * t * to->y});
      }
      return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* self) {
      auto* me = static_cast<LineCrossings*>(self);
      const Point p0 = me->at_;
      for (int k = 1; k <= kPieces; ++k) {
        const double t = static_cast<double>(k) / kPieces, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        me->lineTo({a * p0.x + b * c1->x + c * c2->x + d * to->x, a * p0.y + b * c1->y + c * c2->y + d * to->y});
      }
      return 0;
    };
    xs_.clear();
    if (FT_Outline_Decompose(&outline, &funcs, this) != 0) return {};
    std::sort(xs_.begin(), xs_.end());
    return xs_;
  }

 private:
  struct Point {
    double x, y;
  };
  static constexpr int kPieces = 8;

  void lineTo(Point to) {
    const Point from = at_;
    at_ = to;
    if ((from.y < y_) == (to.y < y_)) return;
    xs_.push_back(from.x + (y_ - from.y) / (to.y - from.y) * (to.x - from.x));
  }

  double y_;
  Point at_{0, 0};
  std::vector<double> xs_;
};

// Whether a letter whose upright is a single stem (I, l, i) has serifs: the
// letter is then much wider than its stem at `share` of its height. None
// when the glyph is missing or unlike such a letter.
std::optional<bool> stemLetterHasSerifs(FT_Face face, char32_t letter, const char* glyphName, double share) {
  FT_UInt glyph = FT_Get_Char_Index(face, letter);
  if (glyph == 0 && FT_HAS_GLYPH_NAMES(face)) glyph = FT_Get_Name_Index(face, glyphName);
  if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return std::nullopt;
  if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return std::nullopt;
  FT_Outline& outline = face->glyph->outline;
  FT_BBox box;
  if (FT_Outline_Get_BBox(&outline, &box) != 0) return std::nullopt;
  const double width = static_cast<double>(box.xMax - box.xMin), height = static_cast<double>(box.yMax - box.yMin);
  if (!(width > 0) || !(height > width)) return std::nullopt;
  // Halfway between two whole units, so that no point lies on the line.
  const double y = std::floor(box.yMin + share * height) + 0.5;
  const std::vector<double> xs = LineCrossings(y).of(outline);
  if (xs.size() != 2) return std::nullopt;
  const double stem = xs[1] - xs[0];
  if (!(stem > 0)) return std::nullopt;
  const double ratio = width / stem;
  if (ratio >= 1.6) return true;
  if (ratio <= 1.25) return false;
  return std::nullopt;
}

// The design an OS/2 table states: its PANOSE number, else its IBM class.
void readClassification(FT_Face face, QVPDFFontDesign& design) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (!os2 || os2->version == 0xFFFF) return;
  std::copy(std::begin(os2->panose), std::end(os2->panose), design.panose.begin());
  const uint8_t kind = os2->panose[0], serifStyle = os2->panose[1], proportion = os2->panose[3];
  if (kind == 2) {
    // Latin text: serif styles 2 to 10 have serifs, 11 and above do not.
    if (serifStyle >= 2 && serifStyle <= 10) design.serif = true;
    if (serifStyle >= 11) design.serif = false;
    if (proportion == 9) design.fixedPitch = true;
  } else if (kind == 3) {
    design.script = true;
  } else if (kind == 5) {
    design.symbol = true;
  }
  const int familyClass = (os2->sFamilyClass >> 8) & 0xFF;
  if (!design.serif && ((familyClass >= 1 && familyClass <= 5) || familyClass == 7)) design.serif = true;
  if (!design.serif && familyClass == 8) design.serif = false;
  if (familyClass == 10) design.script = true;
  if (familyClass == 12) design.symbol = true;
}

}  // namespace

std::shared_ptr<const QVPDFFontDescriptor> QVPDFFontDescriptor::initWithPDFDictionary(
    const platform::PdfObject& dictionary) {
  // What the font's /FontDescriptor entry names is its descriptor, with or
  // without /Type /FontDescriptor, which writers leave out; a dictionary
  // that says it is something else is not one.
  if (!dictionary.isDictionary()) return nullptr;
  if (auto type = dictionary.getName("Type"); type && *type != "FontDescriptor") return nullptr;
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

template <class Read>
void QVPDFFontDescriptor::readEmbeddedFace(Read read) const {
  auto data = embFontData();
  if (!data || data->empty()) return;
  FreeTypeFace ft(*data);  // `data` outlives the face
  if (FT_Face face = ft.face()) read(face);
}

void QVPDFFontDescriptor::loadNames() const {
  std::call_once(embedded_->namesOnce, [this] { readEmbeddedFace([this](FT_Face face) {
    std::string full = fullNameOf(face);
    if (!full.empty()) embedded_->fullName = std::move(full);
    if (const char* ps = FT_Get_Postscript_Name(face); ps && *ps) embedded_->postScriptName = ps;
  }); });
}

const QVPDFFontDesign& QVPDFFontDescriptor::embDesign() const {
  static const QVPDFFontDesign kUnknown;
  if (!embedded_) return kUnknown;
  std::call_once(embedded_->designOnce, [this] { readEmbeddedFace([this](FT_Face face) {
    QVPDFFontDesign& design = embedded_->design;
    design.fixedPitch = FT_IS_FIXED_WIDTH(face);
    PS_FontInfoRec info;
    if (FT_Get_PS_Font_Info(face, &info) == 0 && info.is_fixed_pitch) design.fixedPitch = true;
    if (FT_IS_SFNT(face)) readClassification(face, design);
    if (!design.serif) design.serif = stemLetterHasSerifs(face, U'I', "I", 0.5);
    if (!design.serif) design.serif = stemLetterHasSerifs(face, U'l', "l", 0.5);
    if (!design.serif) design.serif = stemLetterHasSerifs(face, U'i', "i", 0.25);
  }); });
  return embedded_->design;
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

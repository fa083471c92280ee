#include "platform/text/faces.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <cctype>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/text/text.h"

namespace platform::text {

ComplexScript complexScriptOf(char32_t c) {
  if (c >= 0x0E00 && c <= 0x0E7F) return ComplexScript::Thai;
  if ((c >= 0x0600 && c <= 0x06FF) || (c >= 0x0750 && c <= 0x077F) || (c >= 0x08A0 && c <= 0x08FF) ||
      (c >= 0xFB50 && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFE))
    return ComplexScript::Arabic;
  if ((c >= 0x0590 && c <= 0x05FF) || (c >= 0xFB1D && c <= 0xFB4F)) return ComplexScript::Hebrew;
  if (c >= 0x0900 && c <= 0x097F) return ComplexScript::Devanagari;
  return ComplexScript::None;
}

ComplexScript complexScriptOf(std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size())
    if (const ComplexScript s = complexScriptOf(codePointAt(utf8, pos)); s != ComplexScript::None) return s;
  return ComplexScript::None;
}

bool isNonspacingMark(char32_t c) {
  return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E) ||
         (c >= 0x0610 && c <= 0x061A) || (c >= 0x064B && c <= 0x065F) || c == 0x0670 ||
         (c >= 0x06D6 && c <= 0x06DC) || (c >= 0x06DF && c <= 0x06E4) || (c >= 0x06E7 && c <= 0x06E8) ||
         (c >= 0x06EA && c <= 0x06ED) || (c >= 0x0591 && c <= 0x05BD) || c == 0x05BF || c == 0x05C1 ||
         c == 0x05C2 || c == 0x05C4 || c == 0x05C5 || c == 0x05C7 || (c >= 0x0900 && c <= 0x0902) ||
         c == 0x093A || c == 0x093C || (c >= 0x0941 && c <= 0x0948) || c == 0x094D ||
         (c >= 0x0951 && c <= 0x0957) || c == 0x0962 || c == 0x0963 || (c >= 0x0300 && c <= 0x036F) ||
         (c >= 0x200B && c <= 0x200F);
}

namespace {

// How the basic Arabic letters U+0621..U+064A join: the first of their
// presentation forms (isolated, then final, initial, medial) and how many
// they have: 1 joins neither side, 2 joins the letter before only, 4 both.
struct ArabicForms {
  char16_t isolated;
  uint8_t forms;
};
constexpr ArabicForms kArabicForms[] = {
    {0xFE80, 1}, {0xFE81, 2}, {0xFE83, 2}, {0xFE85, 2}, {0xFE87, 2}, {0xFE89, 4}, {0xFE8D, 2}, {0xFE8F, 4},
    {0xFE93, 2}, {0xFE95, 4}, {0xFE99, 4}, {0xFE9D, 4}, {0xFEA1, 4}, {0xFEA5, 4}, {0xFEA9, 2}, {0xFEAB, 2},
    {0xFEAD, 2}, {0xFEAF, 2}, {0xFEB1, 4}, {0xFEB5, 4}, {0xFEB9, 4}, {0xFEBD, 4}, {0xFEC1, 4}, {0xFEC5, 4},
    {0xFEC9, 4}, {0xFECD, 4}, {0, 0},      {0, 0},      {0, 0},      {0, 0},      {0, 0},      {0, 4},
    {0xFED1, 4}, {0xFED5, 4}, {0xFED9, 4}, {0xFEDD, 4}, {0xFEE1, 4}, {0xFEE5, 4}, {0xFEE9, 4}, {0xFEED, 2},
    {0xFEEF, 2}, {0xFEF1, 4}};

const ArabicForms* arabicForms(char32_t c) {
  if (c < 0x0621 || c > 0x064A) return nullptr;
  const ArabicForms& f = kArabicForms[c - 0x0621];
  return f.forms == 0 ? nullptr : &f;
}

// The lam-alef ligature of the alef (isolated form), or 0.
char32_t lamAlef(char32_t alef) {
  switch (alef) {
    case 0x0622: return 0xFEF5;
    case 0x0623: return 0xFEF7;
    case 0x0625: return 0xFEF9;
    case 0x0627: return 0xFEFB;
    default: return 0;
  }
}

// The neighbour of text[i] in the given direction, passing over marks;
// 0 at the end.
char32_t neighbour(std::u32string_view text, size_t i, int step) {
  for (size_t j = i + step; j < text.size(); j += step)
    if (!isNonspacingMark(text[j])) return text[j];
  return 0;
}

// Family names are the same when they differ in case and blanks only.
bool sameFamily(std::string_view a, std::string_view b) {
  auto next = [](std::string_view s, size_t& i) {
    while (i < s.size() && s[i] == ' ') ++i;
    return i < s.size() ? static_cast<char>(std::tolower(static_cast<unsigned char>(s[i++]))) : '\0';
  };
  size_t i = 0, j = 0;
  for (;;) {
    const char x = next(a, i), y = next(b, j);
    if (x != y) return false;
    if (x == '\0') return true;
  }
}

// One face file, open for the rest of the run, with the advances read from
// it so far.
struct OpenFace {
  FT_Face face = nullptr;
  std::unordered_map<char32_t, double> advances;  // ems; negative for none
};

// The faces fontconfig gave, by the question asked: family, style and the
// block of 128 characters the character asked for lies in.
class Faces {
 public:
  static Faces& shared() {
    // Kept to the end of the process: the conversions of every thread ask.
    static Faces* faces = new Faces;
    return *faces;
  }

  bool hasFamily(std::string_view family, char32_t c) {
    std::lock_guard lock(mutex_);
    const std::string key = std::string(family) + '\n' + std::to_string(c >> 7);
    if (auto found = installed_.find(key); found != installed_.end()) return found->second;
    bool has = false;
    if (FcPattern* match = matchFor(family, false, false, c)) {
      FcChar8* name = nullptr;
      for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        if (sameFamily(reinterpret_cast<const char*>(name), family)) has = true;
      FcCharSet* set = nullptr;
      has = has && FcPatternGetCharSet(match, FC_CHARSET, 0, &set) == FcResultMatch && FcCharSetHasChar(set, c);
      FcPatternDestroy(match);
    }
    installed_.emplace(key, has);
    return has;
  }

  std::optional<double> advance(std::string_view family, bool bold, bool italic, char32_t c) {
    std::lock_guard lock(mutex_);
    const std::string key = std::string(family) + '\n' + (bold ? 'b' : '-') + (italic ? 'i' : '-') +
                            std::to_string(c >> 7);
    auto found = matches_.find(key);
    if (found == matches_.end()) found = matches_.emplace(key, openFor(family, bold, italic, c)).first;
    OpenFace* face = found->second;
    if (!face) return std::nullopt;
    auto known = face->advances.find(c);
    if (known == face->advances.end()) {
      double em = -1;
      if (const FT_UInt glyph = FT_Get_Char_Index(face->face, c); glyph != 0) {
        FT_Fixed units = 0;
        if (FT_Get_Advance(face->face, glyph, FT_LOAD_NO_SCALE, &units) == 0 && face->face->units_per_EM > 0)
          em = static_cast<double>(units) / face->face->units_per_EM;
      }
      known = face->advances.emplace(c, em).first;
    }
    if (known->second < 0) return std::nullopt;
    return known->second;
  }

 private:
  Faces() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }

  // The face fontconfig gives for the family, style and character; null
  // when fontconfig has no configuration.
  FcPattern* matchFor(std::string_view family, bool bold, bool italic, char32_t c) {
    if (!FcInit()) return nullptr;
    const std::string name(family);
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcCharSet* set = FcCharSetCreate();
    FcCharSetAddChar(set, c);
    FcPatternAddCharSet(pattern, FC_CHARSET, set);
    FcCharSetDestroy(set);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
  }

  OpenFace* openFor(std::string_view family, bool bold, bool italic, char32_t c) {
    if (!library_) return nullptr;
    FcPattern* match = matchFor(family, bold, italic, c);
    if (!match) return nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    OpenFace* opened = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      const std::string path = reinterpret_cast<const char*>(file);
      const std::string key = path + '\n' + std::to_string(index);
      auto open = files_.find(key);
      if (open == files_.end()) {
        OpenFace face;
        if (FT_New_Face(library_, path.c_str(), index, &face.face) != 0) face.face = nullptr;
        open = files_.emplace(key, std::move(face)).first;
      }
      if (open->second.face) opened = &open->second;
    }
    FcPatternDestroy(match);
    return opened;
  }

  std::mutex mutex_;
  FT_Library library_ = nullptr;
  std::map<std::string, OpenFace> files_;
  std::unordered_map<std::string, OpenFace*> matches_;
  std::unordered_map<std::string, bool> installed_;
};

}  // namespace

char32_t shownForm(std::u32string_view text, size_t i) {
  const char32_t c = text[i];
  const ArabicForms* forms = arabicForms(c);
  if (!forms) return c;
  const char32_t before = neighbour(text, i, -1), after = neighbour(text, i, 1);
  const ArabicForms* b = arabicForms(before);
  // The letter before joins this one when it joins on both sides.
  const bool joinsBefore = forms->forms >= 2 && b && b->forms == 4;
  if (c == 0x0644 && lamAlef(after)) return lamAlef(after) + (joinsBefore ? 1 : 0);
  if (before == 0x0644 && lamAlef(c)) return 0;
  const ArabicForms* a = arabicForms(after);
  const bool joinsAfter = forms->forms == 4 && a && a->forms >= 2;
  if (forms->isolated == 0) return c;  // the tatweel
  if (joinsBefore && joinsAfter) return forms->isolated + 3;
  if (joinsAfter) return forms->isolated + 2;
  if (joinsBefore) return forms->isolated + 1;
  return forms->isolated;
}

bool hasInstalledFace(std::string_view family, char32_t c) {
  return !family.empty() && Faces::shared().hasFamily(family, c);
}

std::optional<double> installedAdvance(std::string_view family, bool bold, bool italic, char32_t c) {
  if (isNonspacingMark(c)) return 0.0;
  return Faces::shared().advance(family, bold, italic, c);
}

std::optional<double> installedAdvance(std::string_view family, bool bold, bool italic, std::u32string_view text,
                                       size_t i) {
  const char32_t shown = shownForm(text, i);
  if (shown == 0) return 0.0;
  if (shown != text[i])
    if (std::optional<double> form = installedAdvance(family, bold, italic, shown)) return form;
  return installedAdvance(family, bold, italic, text[i]);
}

}  // namespace platform::text

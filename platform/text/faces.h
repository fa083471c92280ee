#pragma once
// The faces installed on this machine, as fontconfig finds them for an
// application that asks for a family, and how wide they set a character
// (FreeType's advance widths). An office application on the machine shows a
// family it lacks in the face fontconfig gives it for the text's characters,
// so that face's widths are the ones its lines come out at.
//
// The complex scripts (Thai, Arabic, Hebrew, Devanagari) are set in the
// complex-script font slot of a run; the script of a character tells which
// face a run names for it.
#include <optional>
#include <string>
#include <string_view>

namespace platform::text {

enum class ComplexScript { None, Thai, Arabic, Hebrew, Devanagari };

// The complex script of a character; None for every other character
// (blanks, digits and punctuation among them).
ComplexScript complexScriptOf(char32_t c);
// The script of the first complex-script character of the UTF-8 text.
ComplexScript complexScriptOf(std::string_view utf8);
// Whether the character is a mark set over or under the letter before it,
// taking no width of its own.
bool isNonspacingMark(char32_t c);

// The glyph an Arabic letter of the text (in reading order) is shown as
// among its neighbours: the presentation form of the way it joins them
// (isolated, final, initial or medial), a lam followed by an alef their
// ligature and the alef then 0; any other character is itself.
char32_t shownForm(std::u32string_view text, size_t i);

// Whether the machine has a face of the family itself (not a substitute)
// that holds the character.
bool hasInstalledFace(std::string_view family, char32_t c);
// The advance width of the character, in ems, in the face fontconfig gives
// an application asking for the family in the style for that character;
// none when no installed face holds it. A nonspacing mark is 0.
std::optional<double> installedAdvance(std::string_view family, bool bold, bool italic, char32_t c);
// The same for the character text[i] among the others: an Arabic letter in
// the form it is shown in (shownForm), where the face holds that form.
std::optional<double> installedAdvance(std::string_view family, bool bold, bool italic, std::u32string_view text,
                                       size_t i);

}  // namespace platform::text

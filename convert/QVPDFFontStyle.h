#pragma once
// The kind of face a PDF font is (serif, sans-serif, fixed pitch, script),
// and the families an office application is sure to show text in at widths
// known here.
//
// A document that names a font the reader's office application lacks is
// shown in whatever face the application falls back to, most often a wide
// sans-serif one: every line comes out wider than on the page, wraps, and
// the pages overflow. Only the three standard families are at hand in every
// office application at the widths of the standard fonts (Times, Helvetica
// and Courier): their own faces or metric-compatible ones.
#include <string>
#include <string_view>

class QVPDFFont;

enum class QVPDFFontStyle { Serif, SansSerif, FixedPitch, Script };

// The style of a PDF font, shown under the office family `family`: what the
// names say ("Mono", "Sans", "Gothic", "Roman", "Mincho", ...), else the
// descriptor's flags (fixed pitch, script, serif), else what the embedded
// program says of its design, else equal widths for every glyph (fixed
// pitch); serif when nothing tells.
QVPDFFontStyle QVPDF_FontStyle(const QVPDFFont& font, std::string_view family);
// The style a name alone gives ("Courier New" fixed pitch, "Gill Sans"
// sans-serif); none when the name says nothing.
bool QVPDF_FontStyleOfName(std::string_view name, QVPDFFontStyle* style);

// "Times New Roman" for serif and script faces, "Arial" for sans-serif ones,
// "Courier New" for fixed pitch.
std::string_view QVPDF_StandardFamily(QVPDFFontStyle style);
// One of the three families above.
bool QVPDF_IsStandardFamily(std::string_view family);
// A family of symbols or pictures whose glyphs no text face stands in for
// (Symbol, Wingdings, Zapf Dingbats, Cambria Math, ...).
bool QVPDF_IsSymbolFamily(std::string_view family);
// An East Asian family of the font list (MS Mincho, SimSun, Batang, ...).
bool QVPDF_IsEastAsianFamily(std::string_view family);
// The family a run of complex-script text (Thai, Arabic, Hebrew, Devanagari)
// names for that text: the run's own family when this machine has that face
// and it holds the script's letters, since its widths are those the page
// shows; else the script's face that office applications have everywhere,
// Tahoma for Thai, Arabic and Hebrew, Mangal for Devanagari. The standard
// families of the Latin slots hold no Thai, and hold Arabic and Hebrew only
// in some applications: where they do not, the application falls back to a
// face of its own choosing, often a far wider one. Empty for text of no
// complex script.
std::string_view QVPDF_ComplexScriptFamily(std::string_view text, std::string_view ownFamily);
// The East Asian script of a composite font's character collection:
// "Japan1", "GB1", "CNS1" or "Korea1"; empty for any other font.
std::string QVPDF_EastAsianCollection(const QVPDFFont& font);

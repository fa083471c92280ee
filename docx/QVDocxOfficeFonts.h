#pragma once
// The faces an office application shows the Word document's text in, as far
// as this program knows them: how wide a run comes out there, the scale that
// keeps it as narrow as the page shows it, and what the document's fonts
// table says of each family for an application that has to find a
// substitute.
//
// The standard families (Times New Roman, Arial, Courier New) are set at the
// widths of the standard fonts (Times, Helvetica, Courier) in every office
// application: their own faces or metric-compatible ones. East Asian
// characters take a full em in every East Asian face.
#include <optional>
#include <string>
#include <string_view>

#include "docx/QVDocx.h"

class QVDocxParagraph;
class QVDocxRunText;

class QVDocxOfficeFonts {
 public:
  QVDocxOfficeFonts() = delete;

  // The narrowest scale a run is given (percent): text a page squeezes
  // harder than this is not worth reading.
  static constexpr float kLeastScale = 25.0f;
  // What an application shows a raised or lowered run at, at most, as a
  // share of its size.
  static constexpr double kScriptShare = 0.66;

  // The width (points) the office application gives the text in the run's
  // face at its size as written, complex-script characters in the installed
  // face of the complex-script slot. A character the face's widths do not
  // hold counts `unknownWidth`; none when the run's family is not one whose
  // widths are known.
  static std::optional<double> officeWidth(const QVDocx_RPr& rPr, std::string_view text, double unknownWidth);

  // The most a line is narrowed below the width the page shows it at, when
  // its paragraph would otherwise not fit the width it has.
  static constexpr double kLeastLineShare = 0.75;

  // Narrows a run whose text the office application would set wider than
  // the page shows it (its scale, w:w), so that no line of the page comes out
  // wider and wraps. A run that fits keeps its scale. A run of complex-script
  // text first gets the face of its script in the complex-script slot
  // (QVPDF_ComplexScriptFamily of the font's own family there), whose widths
  // on this machine count for its complex-script characters; any other run
  // names its Latin face in every slot but the East Asian one.
  static void fitRun(QVDocxRunText& run);
  // Every text run of the paragraph; then, when the line is still wider than
  // the `available` width its paragraph has (its column from its
  // indentation on), the line reaches beyond its column's right edge by up
  // to `room` (as a line of a narrow column may on the page), and what is
  // left over narrows the whole line by up to kLeastLineShare.
  static void fitParagraph(QVDocxParagraph& paragraph, double available, double room = 0);
  // The width of the paragraph's line as the office application sets it, at
  // the runs' scales: text runs in faces whose widths are unknown count what
  // the page shows.
  static double lineWidth(const QVDocxParagraph& paragraph);
  // How many lines the office application breaks the paragraph into in the
  // `available` width (widened by a negative right indentation): breaks fall
  // at blanks, and anywhere between East Asian characters.
  static size_t lineCount(const QVDocxParagraph& paragraph, double available);

  // What the fonts table says of a family.
  struct TableEntry {
    std::string panose;   // 20 hexadecimal digits; empty when unknown
    std::string charset;  // two hexadecimal digits
    std::string family;   // roman, swiss, modern, script, decorative or auto
    std::string pitch;    // fixed, variable or default
    // usb0..usb3, csb0, csb1: eight hexadecimal digits each; empty when
    // unknown.
    std::string sig[6];
  };
  static TableEntry tableEntry(std::string_view family);
};

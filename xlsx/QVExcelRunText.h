#pragma once
// The text runs of the spreadsheet output: a piece of text on one line with
// one set of character properties and its placement on the page.
//
// The exporter makes runs and joins neighbouring ones; the table
// reconstruction of a page gives each run its grid row and column and the
// further rows and columns its cell spans, and groups the runs of a slot
// into one string item. A run is shared by the lists of the reconstruction
// (and the string item that ends up holding it), so runs are handled through
// QVExcelRunTextPtr and compared by identity.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/QVPDF_CTMInfo.h"
#include "platform/geometry/geometry.h"

class QVExcelManager;
class XMLFileWriter;

// The character properties of a run.
struct QVExcelRunTextProperty {
  bool i = false;
  bool b = false;
  bool strike = false;
  int32_t charset = 0;
  double sz = 12.0;
  std::string rFont = "Calibri";
  // Absent values equal nothing, not even another absent value.
  std::optional<std::string> family;
  std::optional<std::string> scheme;
  std::optional<std::string> rgbColor = std::string("FF2f2b20");

  // Same size (exactly), colour and family: the test by which the exporter
  // joins strings into one run. Font name, bold and italic do not count.
  bool isEqualToRPr(const QVExcelRunTextProperty& other) const;
  // Same size and colour: the test by which lines and blocks are joined.
  bool isSameToRPr(const QVExcelRunTextProperty& other) const;
};

// The placement of a drawn element.
struct QVExcelRun {
  QVPDF_CTMInfo ctmInfo;
  // Order of collection in the document, 0 first.
  uint64_t drawIndex = 0;
};

struct QVExcelRunText : QVExcelRun {
  std::string text;
  QVExcelRunTextProperty rPr;
  // Width of the text in display space.
  double textWidth = 0;
  // Width of a blank in the run's font, display space (0: not known).
  double spaceWidth = 0;
  // Grid slot, 1-based once the page is typeset.
  uint64_t columnIndex = 0;
  uint64_t rowIndex = 0;
  // Further columns and rows the run's cell spans (0: one cell).
  uint64_t columnLength = 0;
  uint64_t rowLength = 0;
  // The run stands beside rows of cells that it spans (a label centred on
  // them); the row cut gave it the first of them.
  bool spansRows = false;

  // The strings a run of right-to-left text was joined from, left to right,
  // with the blanks between them; its text is then their reading order.
  // Empty for every other run.
  std::vector<std::string> pieces;

  // The most pieces a run keeps: beyond them (no line of a page has so
  // many strings) further strings join in the order of the page.
  static constexpr size_t kMaxPieces = 1024;

  // Joins the text of the run to the right of this one, after `separator`
  // (a blank or nothing): in reading order where either holds right-to-left
  // text, else appended.
  void appendText(const QVExcelRunText& right, std::string_view separator = {});

  // x from the left edge, y from the top line, textWidth wide, down to the
  // bottom line.
  platform::Rect frame() const;
  // The run as a rich-text run of a shared string ("r": its properties, as
  // the options ask for them, and its text with the blanks kept), after
  // `separator` (the blank that parts it from the previous run of its cell,
  // or nothing).
  void writeXMLWith(XMLFileWriter& writer, const QVExcelManager& manager, std::string_view separator = {}) const;
};

using QVExcelRunTextPtr = std::shared_ptr<QVExcelRunText>;
using QVExcelRunList = std::vector<QVExcelRunTextPtr>;

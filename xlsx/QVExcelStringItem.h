#pragma once
// A string item: the content of one cell, made of the text runs that the
// table reconstruction placed in the same row and column of a page, in page
// order, with the box they cover and the rows and columns the cell spans.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/QVLineReadingOrder.h"

#include "platform/geometry/geometry.h"
#include "xlsx/QVExcelRunText.h"
#include "xlsx/QVExcelUtilities.h"

// The display box of a string item (points, y downwards).
struct QVExcelStringItemInfo {
  double displayX = 0;
  double displayY = 0;
  double displayWidth = 0;
  double displayHeight = 0;

  // The box with its origin rounded to whole points (halves away from zero).
  platform::Rect textBoxRect() const;
};

class QVExcelManager;
class XMLFileWriter;

class QVExcelStringItem {
 public:
  // A gap of this fraction of the em between two runs of a cell separates
  // words.
  static constexpr double kMinWordGap = 0.2;

  QVExcelStringItem();

  // Same row and column as the item.
  bool containRunText(const QVExcelRunText& run) const;
  // The runs' texts, with one blank where two of them stand apart as words;
  // in the reading order of their line where they hold right-to-left text.
  std::string content() const;
  // Whether the item's text reads from the right.
  bool readsRightToLeft() const;
  // Whether two consecutive runs of a cell stand apart as words: the second
  // starts on another line or a fifth of the em or more after the first,
  // and neither has whitespace where they meet.
  static bool isWordBreak(const QVExcelRunText& previous, const QVExcelRunText& next);
  // The sum of the runs' widths.
  double textWidth() const;
  // The largest run size, but at least 12.
  double maxFontSize() const;
  // The properties of the first run (the defaults for an item without runs).
  QVExcelRunTextProperty runProperty() const;
  // Two or more runs, some later one with properties unlike the first's.
  bool isAttributeRunText() const;
  // The box the runs cover, and the largest spans among them.
  void calculatStringItemInfo();
  // The item as an entry of the shared strings: "si" holding its runs, with
  // the same blank between two words that content() puts there.
  void writeXMLWith(XMLFileWriter& writer, const QVExcelManager& manager) const;

  uint64_t rowIndex = 0;
  uint64_t columnIndex = 0;
  uint64_t rowLength = 0;
  uint64_t columnLength = 0;
  QVExcelRunList textRuns;
  QVExcelStringItemInfo itemInfo;
  QVExcel_SI_PhoneticPr phoneticPr;

 private:
  // The reading order of runs on one line that hold right-to-left text, and
  // the run each of its pieces belongs to; nothing for any other item.
  std::optional<QVLineReading> lineReading(std::vector<size_t>& owners) const;
};

using QVExcelStringItemPtr = std::shared_ptr<QVExcelStringItem>;

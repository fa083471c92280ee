#pragma once
// The state of one spreadsheet conversion: its options and the questions the
// layout and the writers ask of them, the style registry, and the running
// count of shared-string entries. One manager lives in each spreadsheet
// exporter, so two conversions never share it; the exporter resets it when a
// document begins.
//
// Option questions are asked here, never of the options record; a
// conversion without options answers as if every option were 0.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "convert/QVExcelOptions.h"
#include "platform/geometry/geometry.h"
#include "xlsx/QVExcelStyle.h"

class QVExcelNumber;
class QVExcelStringItem;
struct QVExcelRunText;
struct QVExcelRunTextProperty;

class QVExcelManager {
 public:
  QVExcelManager() = default;

  // Takes the conversion's options (none: every option 0) and the thousands
  // separator they ask for.
  void setOptions(const std::optional<QVExcelOptions>& options);
  // Starts a new document: a new style registry, no shared-string entry
  // given out yet.
  void reset();

  const std::optional<QVExcelOptions>& excelOptions() const { return excelOptions_; }
  // "," or ".": the thousands separator recognised numbers use.
  const std::string& thousandSepartor() const { return thousandSepartor_; }
  // Shared-string entries given to text cells so far in this document.
  uint64_t amountOfStringItems() const { return amountOfStringItems_; }
  void setAmountOfStringItems(uint64_t count) { amountOfStringItems_ = count; }
  // The style registry of the document.
  QVExcelStyle& excelStyle() { return excelStyle_; }
  const QVExcelStyle& excelStyle() const { return excelStyle_; }

  // Layout option 0 keeps the page layout, 1 is the middle way, 2 plain data.
  bool isNeedValidNumbers() const { return formatOption() != 2; }
  bool isNeedDefaultFontName() const { return formatOption() == 2; }
  bool isNeedDefaultFontSize() const { return formatOption() != 0; }
  bool isNeedDefaultRowHeight() const { return formatOption() != 0; }
  bool isNeedWrapText() const { return formatOption() == 0; }
  bool isNeedMergeCells() const { return formatOption() == 0; }
  bool isSpecialVersion() const { return formatOption() == 2; }
  bool isNeedCollectCGPaths() const { return excelOptions_ && excelOptions_->collectCGPaths; }
  bool isNeedCollectFills() const { return isNeedCollectCGPaths() && excelOptions_->collectFills; }
  bool isAllInOneSheetEnabled() const { return excelOptions_ && excelOptions_->allInOneSheet; }
  bool isAllInOneSheetAddToRow() const { return excelOptions_ && excelOptions_->aiosAddToRow; }

  // ---- Styles
  // The colour text is written in: six hex digits, black for none, and
  // black for white unless fills are collected (white text shows only on
  // the fill it was painted on).
  std::string runColor(const std::optional<std::string>& color) const;
  // The font index of a run, whose properties take the name, size and
  // colour the options ask for. The fill plays no part.
  int32_t collectFontsWithRun(QVExcelRunText& run, int32_t fillID);
  // The cell format of a text cell: the font of its runs (the default font
  // when they differ), and its horizontal alignment: left, or for a cell
  // spanning columns without wrapped text, by where its text stands in the
  // cell (within 3 points of its left or right edge, else centred).
  int32_t getStyleIndex(const QVExcelStringItem& item, const platform::Rect& cellFrame);
  // The cell format of a number cell: its number format (registering a
  // custom one), the run's font and the fill under it.
  int32_t styleIndexFrom(QVExcelRunText& run, QVExcelNumber& number, int32_t fillID);

  // True when every character is a blank (U+0020), the empty text included:
  // such texts make no cell.
  static bool isBlankSpace(std::string_view text);

 private:
  uint64_t formatOption() const { return excelOptions_ ? excelOptions_->excelFormatOption : 0; }
  // The font entry of run properties, as the options ask for it; `rPr`
  // takes the name, size and colour when given.
  QVExcelStyleFont fontOf(const QVExcelRunTextProperty& properties, QVExcelRunTextProperty* rPr) const;

  std::optional<QVExcelOptions> excelOptions_;
  std::string thousandSepartor_ = ",";
  uint64_t amountOfStringItems_ = 0;
  QVExcelStyle excelStyle_;
};

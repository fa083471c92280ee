#pragma once
// The style registry of one conversion: ordered lists of number formats,
// fonts, fills, borders and cell formats whose positions are the indexes
// that cells refer to. It starts with the default entries (font 0, fills 0
// "none" and 1 "gray125", border 0, cell format 0), grows as cells are
// styled, and writes the workbook's styles part at the end. Entries are never
// removed or reordered, and look-ups take the first equal entry, which fixes
// the indexes. The look-ups are hashed, so that a document of many fonts
// and formats costs no more per cell than one of few.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/geometry/geometry.h"
#include "xlsx/QVExcelStyleFill.h"
#include "xlsx/QVExcelStyleFont.h"
#include "xlsx/QVExcelStyleRecords.h"
#include "xlsx/QVExcelStyleXf.h"

class QVExcelStyle {
 public:
  // Custom number formats take ids from here on: the ids below 164 are the
  // built-in formats.
  static constexpr int32_t kFirstCustomNumFmtID = 170;
  // The most fills a document collects; later rectangles are left unfilled,
  // so that a page of countless painted rectangles cannot make every cell's
  // look-up slow.
  static constexpr size_t kMaxFills = 4096;

  QVExcelStyle();

  // The id of the format code, registering it under the next free id
  // (170, 171, ...) when it is new.
  int32_t collectNumberFormat(const std::string& formatCode);
  bool existNumberFormat(int32_t numFmtID) const;
  // The index of an equal font, or of the font appended.
  int32_t collectFonts(const QVExcelStyleFont& font);
  // The most fonts a document registers; further fonts take font 0 (shared
  // strings still show their runs in their own fonts).
  static constexpr size_t kMaxFonts = 4096;
  // Appends the fill unless an equal one is there.
  void collectFills(const QVExcelStyleFill& fill);
  // The first collected fill whose rectangle meets the cell's; 0 (no fill)
  // when there is none or fills are not collected.
  int32_t getFillIdWithCellFrame(const platform::Rect& cellFrame, bool collectingFills) const;
  // The index of an equal cell format, or of the one appended.
  int32_t getStyleIndexFrom(int32_t numFmtID, int32_t fontID, int32_t fillID, int32_t borderID,
                            const QVExcel_Xf_Alignment& alignment);
  // The first cell format of the font and alignment without number format or
  // fill, or a new one that applies its alignment.
  int32_t getTextStyleIndex(int32_t fontID, const std::string& horizontal, const std::string& vertical,
                            bool rightToLeft = false);

  // Writes "xl/styles.xml" below the work folder (which holds "xl"); cell
  // formats wrap their text when asked. Throws XMLWriterException when the
  // part cannot be written.
  void writeStyleTo(const std::string& workFolder, bool wrapText) const;

  const std::vector<QVExcelStyleNumFmt>& numFmtsArr() const { return numFmtsArr_; }
  const std::vector<QVExcelStyleFont>& fontsArr() const { return fontsArr_; }
  const std::vector<QVExcelStyleFill>& fillsArr() const { return fillsArr_; }
  const std::vector<QVExcelStyleXf>& cellXfsArr() const { return cellXfsArr_; }

 private:
  int32_t appendCellFormat(const QVExcelStyleXf& format);

  std::vector<QVExcelStyleNumFmt> numFmtsArr_;
  std::vector<QVExcelStyleFont> fontsArr_;
  std::vector<QVExcelStyleFill> fillsArr_;
  std::vector<QVExcelStyleBorder> bordersArr_;
  std::vector<QVExcelStyleXf> cellStyleXfsArr_;
  std::vector<QVExcelStyleXf> cellXfsArr_;
  // The first entry of each key: fonts by everything isEqualToFont compares,
  // cell formats by everything isEqualXf compares, and the formats a text
  // cell may take by font and alignment.
  std::unordered_map<std::string, int32_t> fontIndex_;
  std::unordered_map<std::string, int32_t> cellFormatIndex_;
  std::unordered_map<std::string, int32_t> textFormatIndex_;
};

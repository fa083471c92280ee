// The style registry: custom number formats take ids of their own, equal
// fonts and formats are one entry, and a document of countless fonts stays
// within bounds.
#include <gtest/gtest.h>

#include "xlsx/QVExcelStyle.h"
#include "xlsx/QVExcelUtilities.h"

namespace {

TEST(StyleRegistry, EntriesAreFoundAgainAndCustomFormatsNeverTakeBuiltInIds) {
  QVExcelStyle style;
  EXPECT_EQ(style.collectNumberFormat("#,##0"), 170);
  EXPECT_EQ(style.collectNumberFormat("$#,##0.00"), 171);
  EXPECT_EQ(style.collectNumberFormat("#,##0"), 170);
  EXPECT_EQ(style.collectNumberFormat("#,##0.0\xE2\x82\xAC"), 172);

  // The default font is font 0; a font differing only in colour is another.
  EXPECT_EQ(style.collectFonts(QVExcelStyleFont()), 0);
  QVExcelStyleFont red;
  red.rgbColor = "ff0000";
  EXPECT_EQ(style.collectFonts(red), 1);
  EXPECT_EQ(style.collectFonts(red), 1);

  const QVExcel_Xf_Alignment left = QVExcel_AlignmentMake(std::string("left"), std::string("center"), true);
  const int32_t number = style.getStyleIndexFrom(170, 1, 0, 0, left);
  EXPECT_EQ(style.getStyleIndexFrom(170, 1, 0, 0, left), number);
  // A text cell of that font does not take the number's format.
  const int32_t text = style.getTextStyleIndex(1, "left", "center");
  EXPECT_NE(text, number);
  EXPECT_EQ(style.cellXfsArr()[static_cast<size_t>(text)].formatedElm.numFmtId, 0);
  EXPECT_EQ(style.getTextStyleIndex(1, "left", "center"), text);

  // Colours are always eight digits, whatever a run holds.
  EXPECT_EQ(QVExcelUtilities::argbColor(std::nullopt), "FF000000");
  EXPECT_EQ(QVExcelUtilities::argbColor(std::string("FF2f2b20")), "FF2f2b20");
  EXPECT_EQ(QVExcelUtilities::argbColor(std::string("(null)")), "FF000000");
}

TEST(StyleRegistry, ADocumentOfCountlessFontsKeepsABoundedList) {
  QVExcelStyle style;
  for (int i = 0; i < 5000; ++i) {
    QVExcelStyleFont font;
    font.font.sz = 20.0 + i * 0.01;
    const int32_t index = style.collectFonts(font);
    EXPECT_EQ(index, i + 1 < static_cast<int>(QVExcelStyle::kMaxFonts) ? i + 1 : 0);
  }
  EXPECT_EQ(style.fontsArr().size(), QVExcelStyle::kMaxFonts);
}

}  // namespace

// A deck has one slide size, the first page's: pages of another size or
// turned another way are scaled to fit it, centred, their proportions kept,
// rather than cut off.
#include <gtest/gtest.h>

#include <string>

#include "pptx/QVPPTXPDFExporter.h"
#include "tests/pptx/exporter_fixtures.h"
#include "tests/support/fixtures.h"

namespace {

using pptxfix::Converted;

// The same content on each page: a line near the top-left corner, one near
// the bottom-right corner of the page as displayed, and a filled square.
std::string cornerContent(double width, double height) {
  const std::string right = std::to_string(width - 172), low = std::to_string(40);
  return "BT /F1 20 Tf 72 " + std::to_string(height - 72) + " Td (Top left) Tj ET BT /F1 20 Tf " + right + " " +
         low + " Td (Low right) Tj ET 0 0 1 rg 300 300 50 50 re f";
}

TEST(PptxExporterSlideSize, PagesOfOtherSizesAndTurnsAreFittedIntoTheFirstPagesSlide) {
  qvtest::PdfBuilder b;
  auto resources = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  b.addPage(cornerContent(612, 792), resources, "[0 0 612 792]");
  b.addPage(cornerContent(792, 612), resources, "[0 0 792 612]");
  // A portrait page shown a quarter turn clockwise: landscape on screen.
  auto turned = b.addPage("BT /F1 20 Tf 72 720 Td (Top left) Tj ET", resources, "[0 0 612 792]");
  turned.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
  Converted c = pptxfix::convert(b);
  ASSERT_EQ(c.slideCount(), 3u);
  EXPECT_EQ(c.slideSize(), (platform::Size{612, 792}));

  // The first page's slide is the page itself.
  const auto first = c.textBoxes(0);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_NEAR(first[0].x, 72, 0.01);
  EXPECT_EQ(first[0].paragraphs.at(0).runs.at(0).size, "2000");

  // The landscape page: scaled by 612 / 792, centred down the slide.
  const double scale = 612.0 / 792.0, top = (792 - 612 * scale) / 2;
  const auto landscape = c.textBoxes(1);
  ASSERT_EQ(landscape.size(), 2u);
  EXPECT_NEAR(landscape[0].x, 72 * scale, 0.05);
  EXPECT_NEAR(landscape[0].y, top + (72 - 20 * 0.718) * scale, 0.1);
  // 20 points scaled, in the whole points of a placement record.
  EXPECT_EQ(landscape[0].paragraphs.at(0).runs.at(0).size, "1500");
  // Its bottom-right line is on the slide, not beyond its right edge.
  EXPECT_NEAR(landscape[1].x, (792 - 172) * scale, 0.05);
  EXPECT_LT(landscape[1].x + landscape[1].width, 612);
  EXPECT_LT(landscape[1].y + landscape[1].height, 792 - top + 0.1);
  const auto square = c.freeforms(1);
  ASSERT_EQ(square.size(), 1u);
  EXPECT_NEAR(square[0].x, 300 * scale, 0.05);
  EXPECT_NEAR(square[0].y, top + (612 - 350) * scale, 0.05);
  EXPECT_NEAR(square[0].width, 50 * scale, 0.05);

  // The turned page is fitted as it is shown: its text runs down the slide.
  const auto down = c.textBoxes(2);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].rotation, 90);
  EXPECT_GT(down[0].y, top - 0.1);
  EXPECT_LT(down[0].y + down[0].height, 792 - top + 0.1);
}

TEST(PptxExporterSlideSize, FitIsNoneForTheSlidesOwnSizeAndCentresOtherwise) {
  using E = QVPPTXPDFExporter;
  EXPECT_TRUE(E::slideFitTransform({612, 792}, {612, 792}).isIdentity());
  EXPECT_TRUE(E::slideFitTransform({612.3, 791.8}, {612, 792}).isIdentity());
  const auto wide = E::slideFitTransform({1224, 792}, {612, 792});
  EXPECT_DOUBLE_EQ(wide.a, 0.5);
  EXPECT_DOUBLE_EQ(wide.d, 0.5);
  EXPECT_DOUBLE_EQ(wide.tx, 0);
  EXPECT_DOUBLE_EQ(wide.ty, (792 - 396) / 2.0);
  const auto small = E::slideFitTransform({306, 306}, {612, 792});
  EXPECT_DOUBLE_EQ(small.a, 2);
  EXPECT_DOUBLE_EQ(small.tx, 0);
  EXPECT_DOUBLE_EQ(small.ty, (792 - 612) / 2.0);
  EXPECT_TRUE(E::slideFitTransform({0, 792}, {612, 792}).isIdentity());
}

}  // namespace

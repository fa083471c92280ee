// The markup of the floating runs (VML pictures, freeform shapes, text
// boxes and text paths) and the page's stacking of them against the text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxPackageTypes.h"
#include "docx/QVDocxPage.h"
#include "docx/QVDocxRunImage.h"
#include "docx/QVDocxRunPath.h"
#include "docx/QVDocxRunTextBox.h"
#include "docx/QVDocxRunTextPath.h"
#include "tests/docx/docx_test_support.h"
#include "tests/support/fixtures.h"

namespace {

using docxtest::find;
using docxtest::findAll;
using platform::Path;
using platform::Rect;
namespace types = QVDocxPackageTypes;

constexpr int64_t kFirstBack = -251657498;

// markupTree binds only "w": the VML prefixes are bound on an inner root.
std::unique_ptr<qvtest::XmlElement> writtenVml(const QVDocxRun& run) {
  return docxtest::markupTree([&](XMLFileWriter& w) {
    w.setPrefix("v", types::kNamespaceVML);
    w.setPrefix("o", types::kNamespaceOffice);
    w.setPrefix("w10", types::kNamespaceWord10);
    w.setPrefix("r", QVOpenXMLNameSpace::nameSpace_r());
    w.writeStartElementWithNamespace(docxtest::kW, "p");
    run.writeWithXMLWriter(w);
    w.writeEndElement();
  });
}

std::string attr(const qvtest::XmlElement& e, const char* name) { return e.attr(name).value_or("<none>"); }

Path box(double x, double y, double w, double h) {
  Path p;
  p.moveTo({x, y});
  p.lineTo({x + w, y});
  p.lineTo({x + w, y + h});
  p.lineTo({x, y + h});
  p.closeSubpath();
  return p;
}

QVDocxRunPath pathRun(const Path& path, bool stroked, bool filled, double weight = 1.0) {
  QVDocxRunPath run;
  run.runCGPath = path;
  const Rect b = path.boundingBox();
  run.pictInfo.displayX = b.minX();
  run.pictInfo.displayY = b.minY();
  run.pictInfo.displayWidth = b.width();
  run.pictInfo.displayHeight = b.height();
  run.pictInfo.stroked = stroked;
  run.pictInfo.filled = filled;
  run.pictInfo.strokeweight = weight;
  run.pictInfo.fillAlpha = 1;
  run.pictInfo.strokeAlpha = 1;
  run.pictInfo.fillcolor = platform::Color::rgb(1.0, 0.5, 0.0);
  run.pictZIndex = kFirstBack;
  return run;
}

TEST(DocxShapeMarkup, PathTextIsInTwentiethsOfAPointWithEveryCloseWritten) {
  EXPECT_EQ(QVDocxRunPath::pathText(box(100, 200, 10, 20)), "m2000,4000l2200,4000l2200,4400l2000,4400xe");
  Path two = box(0, 0, 10, 10);
  two.addPath(box(20, 0, 10, 10));
  two.addPath(box(40, 0, 10, 10));
  const std::string three = QVDocxRunPath::pathText(two);
  EXPECT_EQ(std::count(three.begin(), three.end(), 'x'), 3) << three;
  EXPECT_EQ(three.back(), 'e');

  Path moves;
  moves.moveTo({1, 1});
  moves.moveTo({2, 2});
  moves.lineTo({3, 2});
  moves.moveTo({9, 9});
  EXPECT_EQ(QVDocxRunPath::pathText(moves), "m40,40l60,40e") << "only the last of two moves; none at the end";
  EXPECT_EQ(QVDocxRunPath::pathText(Path()), "e");

  Path curve;
  curve.moveTo({0, 0});
  curve.curveTo({1, 0}, {2, 1}, {2, 2});
  EXPECT_EQ(QVDocxRunPath::pathText(curve), "m0,0c20,0,40,20,40,40e");
}

TEST(DocxShapeMarkup, AStrokedBoxIsPlacedOnThePageInItsOwnUnits) {
  QVDocxRunPath run = pathRun(box(100, 200, 10, 20), true, false);
  run.pictInfo.strokeDashPattern = {3, 1};
  const auto tree = writtenVml(run);
  const auto* shape = find(*tree, "shape");
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(attr(*shape, "style"),
            "position:absolute;left:0;text-align:left;margin-left:100.00pt;margin-top:200.00pt;width:10.00pt;"
            "height:20.00pt;mso-position-horizontal-relative:page;mso-position-vertical-relative:page;"
            "z-index:-251657498");
  EXPECT_EQ(attr(*shape, "coordorigin"), "2000.00,4000.00");
  EXPECT_EQ(attr(*shape, "coordsize"), "200.00,400.00");
  EXPECT_EQ(attr(*shape, "filled"), "f");
  EXPECT_EQ(attr(*shape, "strokeweight"), "1.00pt");
  const auto strokes = findAll(*shape, "stroke");
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(attr(*strokes[0], "dashstyle"), "3 1");
  EXPECT_EQ(attr(*strokes[0], "dashPhase"), "<none>");
  ASSERT_NE(find(*tree, "wrap"), nullptr);
  EXPECT_EQ(attr(*find(*tree, "wrap"), "type"), "none");
}

TEST(DocxShapeMarkup, ThinFillsBecomeLinesInTheirFillColour) {
  struct Case {
    Rect area;
    std::string path, weight, width, height;
  };
  const Case cases[] = {
      {Rect(50, 60, 0.5, 100), "m1000,1200l1000,3200e", "0.50pt", "0.50pt", "100.00pt"},
      {Rect(50, 60, 100, 0.5), "m1000,1200l3000,1200e", "0.50pt", "100.00pt", "0.50pt"},
      {Rect(50, 60, 0.25, 0.5), "m1000,1200l1000,1210e", "0.25pt", "0.25pt", "0.50pt"},
  };
  for (const Case& c : cases) {
    QVDocxRunPath run = pathRun(box(c.area.minX(), c.area.minY(), c.area.width(), c.area.height()), false, true);
    const auto tree = writtenVml(run);
    const auto* shape = find(*tree, "shape");
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(attr(*shape, "path"), c.path);
    EXPECT_EQ(attr(*shape, "filled"), "f");
    EXPECT_EQ(attr(*shape, "stroked"), "t");
    EXPECT_EQ(attr(*shape, "strokecolor"), "#FF8000");
    EXPECT_EQ(attr(*shape, "strokeweight"), c.weight);
    EXPECT_EQ(find(*shape, "fill"), nullptr);
    EXPECT_THAT(attr(*shape, "style"), testing::HasSubstr("width:" + c.width + ";height:" + c.height + ";"));
  }
  // A stroke of no width is still drawn; a flat line takes its width.
  Path flat;
  flat.moveTo({0, 10});
  flat.lineTo({100, 10});
  const auto tree = writtenVml(pathRun(flat, true, false, 2.0));
  EXPECT_THAT(attr(*find(*tree, "shape"), "style"), testing::HasSubstr("height:2.00pt;"));
  EXPECT_EQ(attr(*find(*tree, "shape"), "coordsize"), "2000.00,40.00");
  const auto none = writtenVml(pathRun(flat, true, false, 0.0));
  EXPECT_EQ(attr(*find(*none, "shape"), "strokeweight"), "0.01pt");
}

TEST(DocxShapeMarkup, TranslucentFillsAndStrokesCarryTheirOpacity) {
  QVDocxRunPath run = pathRun(box(0, 0, 10, 10), true, true);
  run.pictInfo.fillAlpha = 0.5f;
  run.pictInfo.strokeAlpha = 0.25f;
  const auto tree = writtenVml(run);
  const auto fills = findAll(*tree, "fill");
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(attr(*fills[0], "type"), "solid");
  EXPECT_EQ(attr(*fills[1], "opacity"), "32896f");
  const auto strokes = findAll(*tree, "stroke");
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(attr(*strokes[0], "opacity"), "16448f");
}

TEST(DocxPictureMarkup, APictureIsPlacedTurnedAndMirroredByItsStyle) {
  QVDocxRunImage run;
  run.runImageID = "rId6";
  run.pictInfo.displayX = 150;
  run.pictInfo.displayY = 242;
  run.pictInfo.displayWidth = 100;
  run.pictInfo.displayHeight = 200;
  run.pictInfo.rotation = 270;
  run.pictZIndex = 3815;
  const auto tree = writtenVml(run);
  const auto* shape = find(*tree, "shape");
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(attr(*shape, "type"), "#_x0000_t75");
  EXPECT_EQ(attr(*shape, "style"),
            "position:absolute;margin-left:150.00pt;margin-top:242.00pt;width:100.00pt;height:200.00pt;"
            "rotation:270;z-index:3815;mso-position-horizontal-relative:page;mso-position-vertical-relative:page");
  const auto* data = find(*shape, "imagedata");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->attr("id", QVOpenXMLNameSpace::nameSpace_r()), "rId6");
  EXPECT_EQ(data->attr("title", types::kNamespaceOffice), "Untitled");
  EXPECT_EQ(find(*shape, "fill"), nullptr);
  // Turned a quarter, it covers the box turned about its centre.
  const Rect area = run.displayRect();
  EXPECT_NEAR(area.minX(), 100, 1e-9);
  EXPECT_NEAR(area.minY(), 292, 1e-9);
  EXPECT_NEAR(area.width(), 200, 1e-9);

  run.pictInfo.rotation = 0;
  run.pictInfo.flipY = true;
  run.pictInfo.opacity = 0.5f;
  const auto mirrored = writtenVml(run);
  EXPECT_THAT(attr(*find(*mirrored, "shape"), "style"), testing::HasSubstr("height:200.00pt;flip:y;z-index"));
  EXPECT_EQ(attr(*find(*mirrored, "fill"), "opacity"), "32896f");
}

QVDocxTextBoxInfo boxInfo(double rotation) {
  QVDocxTextBoxInfo info;
  info.displayX = 300;
  info.displayY = 400;
  info.displayWidth = 12.5;
  info.displayHeight = 13.5;
  info.rotation = rotation;
  return info;
}

TEST(DocxTextBoxMarkup, TheAnchorSitsOnTheBoxByTheDirectionOfItsText) {
  struct Case {
    double rotation;
    std::string left, top, flow;
    platform::Point corner;
  };
  // Lengths of 12.5 points print as 12, of 13.5 as 14.
  const Case cases[] = {
      {90.0, "288pt", "400pt", "layout-flow:vertical;mso-layout-flow-alt:right-to-left", {287.5, 400}},
      {270.0, "300pt", "386pt", "layout-flow:vertical;mso-layout-flow-alt:bottom-to-top", {300, 386.5}},
      {89.5, "300pt", "400pt", "mso-fit-shape-to-text:t", {300, 400}},
  };
  for (const Case& c : cases) {
    QVDocxRunTextBox run;
    run.pictInfo = boxInfo(c.rotation);
    run.pictZIndex = 1;
    const auto tree = writtenVml(run);
    const auto* shape = find(*tree, "shape");
    ASSERT_NE(shape, nullptr);
    const std::string style = attr(*shape, "style");
    EXPECT_THAT(style, testing::HasSubstr("margin-left:" + c.left + ";margin-top:" + c.top + ";width:12pt;height:14pt;"
                                          "z-index:1;"));
    EXPECT_THAT(style, testing::EndsWith("v-text-anchor:top"));
    EXPECT_EQ(attr(*shape, "id"), "TextBox 1");
    EXPECT_EQ(attr(*shape, "filled"), "f");
    EXPECT_EQ(attr(*shape, "stroked"), "f");
    EXPECT_EQ(attr(*find(*shape, "textbox"), "style"), c.flow);
    EXPECT_NE(find(*shape, "txbxContent"), nullptr) << "written even when empty";
    EXPECT_EQ(run.displayRect(), Rect(c.corner.x, c.corner.y, 12.5, 13.5));
  }
}

TEST(DocxTextPathMarkup, WordArtCarriesItsTextTurnAndMirror) {
  QVDocxRunTextPath run;
  run.runText = "Fish & <chips> \"fresh\"";
  run.pictInfo.displayX = -3.5;
  run.pictInfo.displayY = 20;
  run.pictInfo.displayWidth = -80;
  run.pictInfo.displayHeight = 16;
  run.pictInfo.rotation = 45;
  run.pictInfo.fillcolor = platform::Color::gray(0.5);
  run.pictZIndex = 2;
  const auto tree = writtenVml(run);
  const auto* shape = find(*tree, "shape");
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(attr(*shape, "style"),
            "position:absolute;left:0.00;text-align:left;margin-left:-3.50pt;margin-top:20.00pt;width:80.00pt;"
            "height:16.00pt;mso-position-horizontal-relative:page;mso-position-vertical-relative:page;"
            "rotation:45;z-index:2");
  EXPECT_EQ(attr(*shape, "fillcolor"), "#808080");
  EXPECT_EQ(attr(*find(*shape, "textpath"), "string"), run.runText);

  run.pictInfo.rotation = 0;
  run.pictInfo.flipY = true;
  EXPECT_THAT(attr(*find(*writtenVml(run), "shape"), "style"), testing::HasSubstr("page;flip:y;z-index:2"));
}

// ---------------------------------------------------------------------------
// Stacking

std::shared_ptr<QVDocxRunImage> image(Rect area, uint64_t drawIndex, int64_t z) {
  auto run = std::make_shared<QVDocxRunImage>();
  run->pictInfo.displayX = area.minX();
  run->pictInfo.displayY = area.minY();
  run->pictInfo.displayWidth = area.width();
  run->pictInfo.displayHeight = area.height();
  run->drawIndex = drawIndex;
  run->pictZIndex = z;
  return run;
}

std::shared_ptr<QVDocxRunPath> shape(Rect area, uint64_t drawIndex, int64_t z) {
  auto run = std::make_shared<QVDocxRunPath>(
      pathRun(box(area.minX(), area.minY(), area.width(), area.height()), true, false));
  run->drawIndex = drawIndex;
  run->pictZIndex = z;
  return run;
}

TEST(DocxPageStacking, PicturesComeInFrontOfTheTextUnlessSomethingDrawnLaterCoversThem) {
  QVDocxPage page({612, 792});
  page.begainWritePage(1);
  // Text at (100, 100)-(160, ~112) drawn second.
  page.allRunTextArray.push_back(docxtest::textRun("Covering", 100, 110, 12, 60, 1));
  const auto early = image(Rect(90, 90, 100, 40), 0, kFirstBack);       // under the text drawn after it
  const auto late = image(Rect(90, 90, 100, 40), 2, kFirstBack + 1);    // drawn after the text
  const auto apart = image(Rect(300, 300, 50, 50), 3, kFirstBack + 2);  // nothing over it
  const auto under = shape(Rect(310, 310, 10, 10), 4, kFirstBack + 3);  // inside the image drawn next
  const auto hidden = image(Rect(305, 305, 40, 40), 5, kFirstBack + 4);
  const auto free = shape(Rect(500, 500, 10, 10), 6, kFirstBack + 5);
  page.runImageArray = {early, late, apart, hidden};
  page.runPathArray = {under, free};
  page.endWritePage(true);

  EXPECT_EQ(early->pictZIndex, kFirstBack);
  EXPECT_EQ(late->pictZIndex, 3815);
  EXPECT_EQ(apart->pictZIndex, 3816);
  EXPECT_EQ(under->pictZIndex, kFirstBack + 3) << "a later picture covers it";
  EXPECT_EQ(hidden->pictZIndex, 3818);
  EXPECT_EQ(free->pictZIndex, 3819);
  EXPECT_EQ(QVDocxPage::frontZIndexOf(kFirstBack), 3814);

  // All anchored in the first paragraph after its text: pictures, then shapes.
  const auto& runs = page.paragraphArray.front().runArray;
  ASSERT_GE(runs.size(), 6u);
  EXPECT_EQ(runs[runs.size() - 6], early);
  EXPECT_EQ(runs.back(), free);
}

TEST(DocxPageStacking, ATextBoxDrawnOverAPictureKeepsItBelow) {
  QVDocxPage page({612, 792});
  page.begainWritePage(1);
  const auto picture = image(Rect(100, 100, 200, 200), 0, kFirstBack);
  const auto elsewhere = image(Rect(400, 400, 50, 50), 1, kFirstBack + 1);
  auto textBox = std::make_shared<QVDocxRunTextBox>();
  // Turned 90 degrees: its anchor is its top-right corner.
  textBox->pictInfo = boxInfo(90.0);
  textBox->pictInfo.displayX = 180;
  textBox->pictInfo.displayY = 150;
  textBox->pictInfo.displayWidth = 50;
  textBox->pictInfo.displayHeight = 120;
  textBox->drawIndex = 2;
  textBox->pictZIndex = 1;
  page.runImageArray = {picture, elsewhere};
  page.runTextBoxArray = {textBox};
  page.endWritePage(true);

  EXPECT_LT(picture->pictZIndex, textBox->pictZIndex);
  EXPECT_GT(elsewhere->pictZIndex, 0);
  EXPECT_EQ(textBox->pictZIndex, 1);
  const auto& runs = page.paragraphArray.front().runArray;
  ASSERT_EQ(runs.size(), 3u) << "a page without text anchors in its one paragraph";
  EXPECT_EQ(runs.back(), textBox);
}

}  // namespace

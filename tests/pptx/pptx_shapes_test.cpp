// Slide shapes: text boxes, freeforms and pictures as PresentationML.
#include <gtest/gtest.h>

#include <memory>

#include "pptx/QVPPTXFreeform.h"
#include "pptx/QVPPTXPicture.h"
#include "pptx/QVPPTXTextbox.h"
#include "pptx/QVPPTXUtilities.h"
#include "tests/pptx/pptx_test_support.h"

namespace {

pptxtest::Fragment writeShape(QVPPTXShape& shape) {
  pptxtest::Fragment f = pptxtest::writeFragment([&](XMLFileWriter& w) { shape.writeShapeWith(w); });
  if (f.root) {
    EXPECT_TRUE(qvtest::checkDrawingMLRanges("shape", *f.root).empty()) << f.xml;
  }
  return f;
}

QVPPTXParagraph textParagraph(const std::string& text) {
  QVPPTXParagraph paragraph;
  paragraph.pProperty.lnSpc = 12;
  QVPPTXRun run;
  run.text = text;
  run.rProperty.sz = 12;
  run.rProperty.rgbColor = "000000";
  paragraph.textRuns.push_back(run);
  return paragraph;
}

std::unique_ptr<QVPPTXFreeform> strokedLine(std::vector<double> dashes, double width) {
  auto line = std::make_unique<QVPPTXFreeform>();
  QVPPTXFreeform& shape = *line;
  shape.runCGPath.moveTo({10, 50});
  shape.runCGPath.lineTo({110, 50});
  shape.spInfo.setDisplayRect({10, 50, 100, 0});
  shape.spInfo.stroked = true;
  shape.spInfo.strokecolor = platform::Color::rgb(0, 0, 1);
  shape.spInfo.strokeAlpha = 1;
  shape.spInfo.strokeweight = width;
  shape.spInfo.strokeDashPattern = std::move(dashes);
  shape.paragraphs.emplace_back();
  return line;
}

TEST(PptxTextbox, FrameRotationAndText) {
  QVPPTXTextbox box;
  box.spInfo.displayX = 10.5;
  box.spInfo.displayY = 20;
  box.spInfo.displayWidth = 100;
  box.spInfo.displayHeight = 20;
  box.paragraphs.emplace_back();  // the empty first paragraph of a box writes nothing
  box.paragraphs.push_back(textParagraph("Hello"));
  box.shapeId = 7;
  pptxtest::Fragment f = writeShape(box);
  EXPECT_EQ(f.find("sp")->parent, f.root.get());
  EXPECT_EQ(f.find("cNvPr")->attr("id"), "7");
  EXPECT_EQ(f.find("cNvPr")->attr("name"), "TextBox 6");
  EXPECT_EQ(f.find("cNvSpPr")->attr("txBox"), "1");
  EXPECT_EQ(f.find("xfrm")->attr("rot"), std::nullopt);
  EXPECT_EQ(f.find("off")->attr("x"), "133350");
  EXPECT_EQ(f.find("off")->attr("y"), "254000");
  EXPECT_EQ(f.find("ext")->attr("cx"), "1270000");
  EXPECT_EQ(f.find("ext")->attr("cy"), "254000");
  EXPECT_EQ(f.find("prstGeom")->attr("prst"), "rect");
  EXPECT_NE(f.find("noFill"), nullptr);
  EXPECT_EQ(f.find("style"), nullptr);
  const auto* bodyPr = f.find("bodyPr");
  EXPECT_EQ(bodyPr->attr("wrap"), "none");
  EXPECT_EQ(bodyPr->attr("lIns"), "0");
  EXPECT_EQ(bodyPr->attr("rtlCol"), "0");
  EXPECT_NE(f.find("spAutoFit"), nullptr);
  EXPECT_EQ(f.findAll("p").size(), 1u);
  EXPECT_EQ(f.find("t")->text, "Hello");

  // A quarter turn writes the frame as it is before the rotation.
  box.spInfo.rotation = 90;
  f = writeShape(box);
  EXPECT_EQ(f.find("xfrm")->attr("rot"), "5400000");
  EXPECT_EQ(f.find("ext")->attr("cx"), "254000");
  EXPECT_EQ(f.find("ext")->attr("cy"), "1270000");
  box.spInfo.rotation = 37;
  f = writeShape(box);
  EXPECT_EQ(f.find("xfrm")->attr("rot"), "2220000");
  EXPECT_EQ(f.find("ext")->attr("cx"), "1270000");
}

TEST(PptxTextbox, BoxWithoutTextStillHoldsAParagraph) {
  QVPPTXTextbox box;
  box.paragraphs.emplace_back();
  const pptxtest::Fragment f = writeShape(box);
  EXPECT_EQ(f.findAll("p").size(), 1u);
  EXPECT_TRUE(f.find("p")->children.empty());
}

TEST(PptxFreeform, DashesArePercentagesOfTheLineWidth) {
  struct Case {
    const char* what;
    std::vector<double> dashes;
    double width;
    const char* preset;                              // null: a custom dash
    std::vector<std::pair<const char*, const char*>> stops;  // d, sp
  };
  const Case cases[] = {
      {"solid", {}, 2, "solid", {}},
      {"one pair", {3, 2}, 2, "dash", {}},
      {"three pairs", {6, 2, 1, 2, 1, 2}, 2, "lgDashDotDot", {}},
      {"two pairs", {1, 2, 3, 4}, 2, nullptr, {{"50000", "100000"}, {"150000", "200000"}}},
      {"odd length repeats once", {3}, 2, "dash", {}},
      {"odd length of five", {4, 2, 1, 2, 2}, 2, nullptr,
       {{"200000", "100000"}, {"50000", "100000"}, {"100000", "200000"}, {"100000", "50000"}, {"100000", "100000"}}},
      {"negative entries become 0", {1, -5, 3, 4}, 1, nullptr, {{"100000", "0"}, {"300000", "400000"}}},
      {"hairline dashed as one point", {1, 2, 3, 4}, 0, nullptr, {{"100000", "200000"}, {"300000", "400000"}}},
      {"nothing to dash", {0, 0, 0, 0}, 1, "solid", {}},
  };
  for (const Case& c : cases) {
    const auto shape = strokedLine(c.dashes, c.width);
    const pptxtest::Fragment f = writeShape(*shape);
    const auto* preset = f.find("prstDash");
    const auto stops = f.findAll("ds");
    if (c.preset) {
      ASSERT_NE(preset, nullptr) << c.what;
      EXPECT_EQ(preset->attr("val"), c.preset) << c.what;
      EXPECT_EQ(f.find("custDash"), nullptr) << c.what;
    } else {
      EXPECT_EQ(preset, nullptr) << c.what;
      ASSERT_EQ(stops.size(), c.stops.size()) << c.what;
      for (size_t i = 0; i < stops.size(); ++i) {
        EXPECT_EQ(stops[i]->attr("d"), c.stops[i].first) << c.what << " " << i;
        EXPECT_EQ(stops[i]->attr("sp"), c.stops[i].second) << c.what << " " << i;
      }
    }
  }
}

TEST(PptxFreeform, LineAndFillPaint) {
  const auto line = strokedLine({}, 1.5);
  QVPPTXFreeform& shape = *line;
  shape.spInfo.lineCap = 1;
  pptxtest::Fragment f = writeShape(shape);
  const auto* spPr = f.find("spPr");
  // The shape's own fill is invisible white; the line is blue and opaque.
  const auto fills = spPr->childrenNamed("solidFill");
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0]->children[0]->attr("val"), "ffffff");
  EXPECT_EQ(fills[0]->children[0]->children[0]->attr("val"), "0");
  const auto* ln = f.find("ln");
  EXPECT_EQ(ln->attr("w"), "19050");
  EXPECT_EQ(ln->attr("cap"), "rnd");
  EXPECT_EQ(ln->childrenNamed("solidFill")[0]->children[0]->attr("val"), "0000ff");
  EXPECT_EQ(f.find("lnRef")->attr("idx"), "1");
  EXPECT_EQ(f.find("shade")->attr("val"), "50000");
  EXPECT_EQ(f.find("fontRef")->attr("idx"), "minor");
  EXPECT_EQ(f.find("bodyPr")->attr("anchor"), "ctr");
  EXPECT_EQ(f.find("endParaRPr")->attr("lang"), "zh-CN");
  EXPECT_NE(f.xml.find("</a:bodyPr>"), std::string::npos);

  // A mirroring transform gives a negative width; an absurd one is capped.
  shape.spInfo.strokeweight = -2;
  shape.spInfo.lineCap = 7;
  f = writeShape(shape);
  EXPECT_EQ(f.find("ln")->attr("w"), "25400");
  EXPECT_EQ(f.find("ln")->attr("cap"), std::nullopt);
  shape.spInfo.strokeweight = 1e9;
  EXPECT_EQ(writeShape(shape).find("ln")->attr("w"), "20116800");
}

TEST(PptxFreeform, GeometryOfAStraightLineHasNoZeroExtent) {
  const auto shape = strokedLine({}, 1);
  const pptxtest::Fragment f = writeShape(*shape);
  EXPECT_EQ(f.find("ext")->attr("cx"), "1270000");
  EXPECT_EQ(f.find("ext")->attr("cy"), "0");
  const auto* path = f.find("path");
  EXPECT_EQ(path->attr("w"), "1270000");
  EXPECT_EQ(path->attr("h"), "1");
  EXPECT_EQ(f.findAll("gd")[1]->attr("fmla"), "*/ 0 h 1");
}

TEST(PptxFreeform, EveryClosedSubpathIsClosed) {
  struct Case {
    const char* what;
    std::function<void(platform::Path&)> build;
    size_t guides;
    size_t closes;
  };
  const Case cases[] = {
      {"triangle", [](platform::Path& p) { p.moveTo({0, 0}); p.lineTo({10, 0}); p.lineTo({10, 10}); p.closeSubpath(); },
       3, 1},
      {"closed then open",
       [](platform::Path& p) {
         p.moveTo({0, 0}); p.lineTo({10, 0}); p.closeSubpath(); p.moveTo({0, 5}); p.lineTo({10, 5});
       },
       4, 1},
      {"two closed rectangles", [](platform::Path& p) { p.addRect({0, 0, 10, 10}); p.addRect({20, 0, 10, 10}); }, 8, 2},
  };
  for (const Case& c : cases) {
    QVPPTXFreeform shape;
    c.build(shape.runCGPath);
    shape.spInfo.setDisplayRect(shape.runCGPath.boundingBox());
    shape.spInfo.filled = true;
    shape.paragraphs.emplace_back();
    const pptxtest::Fragment f = writeShape(shape);
    EXPECT_EQ(f.findAll("gd").size(), 2 * c.guides) << c.what;
    const auto connections = f.findAll("cxn");
    ASSERT_EQ(connections.size(), c.guides) << c.what;
    EXPECT_EQ(connections[1]->attr("ang"), "1") << c.what;
    EXPECT_EQ(connections[1]->children[0]->attr("x"), "connsiteX1") << c.what;
    EXPECT_EQ(f.findAll("close").size(), c.closes) << c.what;
    EXPECT_EQ(f.find("rect")->attr("l"), "l") << c.what;
  }

  // An empty path still writes its (empty) lists.
  QVPPTXFreeform empty;
  const pptxtest::Fragment f = writeShape(empty);
  EXPECT_NE(f.xml.find("<a:gdLst></a:gdLst>"), std::string::npos);
  EXPECT_NE(f.xml.find("<a:cxnLst></a:cxnLst>"), std::string::npos);
}

TEST(PptxPicture, OpacityFlipsAndRotation) {
  QVPPTXPicture picture;
  picture.runImageID = "rId2";
  picture.pictInfo.setDisplayRect({10, 20, 100, 50});
  picture.shapeId = 3;
  pptxtest::Fragment f = writeShape(picture);
  EXPECT_EQ(f.find("pic")->parent, f.root.get());
  EXPECT_EQ(f.find("cNvPr")->attr("id"), "3");
  EXPECT_EQ(f.find("cNvPr")->attr("name"), "Picture 2");
  EXPECT_EQ(f.find("cNvPr")->attr("descr"), "");
  EXPECT_EQ(f.find("picLocks")->attr("noChangeAspect"), "0");
  EXPECT_EQ(f.find("blip")->attr("embed", pptxtest::kR), "rId2");
  EXPECT_EQ(f.find("alphaModFix"), nullptr);
  EXPECT_NE(f.find("fillRect"), nullptr);
  EXPECT_EQ(f.find("spPr")->attr("bwMode"), "auto");
  EXPECT_EQ(f.find("xfrm")->attr("rot"), std::nullopt);
  EXPECT_EQ(f.find("xfrm")->attr("flipV"), std::nullopt);
  EXPECT_EQ(f.find("ext")->attr("cx"), "1270000");
  EXPECT_EQ(f.find("ext")->attr("cy"), "635000");

  picture.pictInfo.opacity = 0.5f;
  picture.pictInfo.flipY = true;
  f = writeShape(picture);
  EXPECT_EQ(f.find("alphaModFix")->attr("amt"), "50000");
  EXPECT_EQ(f.find("xfrm")->attr("flipV"), "1");
  EXPECT_EQ(f.find("xfrm")->attr("flipH"), std::nullopt);
  EXPECT_EQ(f.find("xfrm")->attr("rot"), std::nullopt);

  picture.pictInfo.rotation = 90;
  picture.pictInfo.flipX = true;
  picture.pictInfo.opacity = -1;
  f = writeShape(picture);
  EXPECT_EQ(f.find("xfrm")->attr("rot"), "5400000");
  EXPECT_EQ(f.find("xfrm")->attr("flipH"), "1");
  EXPECT_EQ(f.find("alphaModFix")->attr("amt"), "0");
}

}  // namespace

// Slide text: run and paragraph properties, equality, and their DrawingML.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pptx/QVPPTXParagraph.h"
#include "pptx/QVPPTXRun.h"
#include "pptx/QVPPTXUtilities.h"
#include "tests/pptx/pptx_test_support.h"

namespace {

QVPPTXRun makeRun(const std::string& text, float size = 12, const char* color = "000000") {
  QVPPTXRun run;
  run.text = text;
  run.rProperty.sz = size;
  run.rProperty.rgbColor = color;
  run.rProperty.latin.typeface = run.rProperty.cs.typeface = "Arial";
  return run;
}

pptxtest::Fragment writeParagraph(const QVPPTXParagraph& paragraph) {
  return pptxtest::writeFragment([&](XMLFileWriter& w) { paragraph.writeParagraphWithXMLWriter(w); });
}

TEST(PptxTextProperties, DefaultsAreTheDocumentedRecords) {
  const QVPPTX_TxBodyPr body = QVPPTXUtilities::defaultTextBodyProperty();
  EXPECT_EQ(body.warp, "none");
  EXPECT_EQ(body.anchor, "ctr");
  EXPECT_EQ(body.lIns + body.tIns + body.rIns + body.rtlCol, 0);

  const QVPPTX_PPr p = QVPPTXUtilities::defaultPProperty();
  EXPECT_EQ(p.marL, 0);
  EXPECT_EQ(p.lnSpc, 0);
  EXPECT_EQ(p.tabList.pos, 0);
  EXPECT_EQ(p.tabList.algn, "l");
  EXPECT_EQ(p.algn, "ctr");
  EXPECT_EQ(p.endParaRPr.lang, "zh-CN");
  EXPECT_EQ(p.endParaRPr.altLang, "en-US");

  const QVPPTX_RunPr r = QVPPTXUtilities::defaultRunProperty();
  EXPECT_EQ(r.lang, "en-US");
  EXPECT_EQ(r.altLang, "zh-CN");
  EXPECT_EQ(r.sz, 0);
  EXPECT_FALSE(r.rgbColor);
  EXPECT_EQ(r.latin.typeface, "Times New Roman");
  EXPECT_EQ(r.latin.pitchFamily, "18");
  EXPECT_EQ(r.latin.charset, "0");
  EXPECT_TRUE(QVPPTX_RunPrFontIsEqual(r.latin, r.cs));
}

TEST(PptxTextProperties, RunPropertiesMergeOnlyWhenEveryFieldIsEqual) {
  QVPPTX_RunPr a = makeRun("x").rProperty;
  QVPPTX_RunPr b = a;
  EXPECT_TRUE(QVPPTX_RunPrIsEqual(a, b));

  b.latin.typeface = "arial";  // case matters
  EXPECT_FALSE(QVPPTX_RunPrIsEqual(a, b));
  b = a;
  b.sz = 12.5f;
  EXPECT_FALSE(QVPPTX_RunPrIsEqual(a, b));
  b = a;
  b.rgbColor = "ff0000";
  EXPECT_FALSE(QVPPTX_RunPrIsEqual(a, b));
  b = a;
  b.cs.charset = "1";
  EXPECT_FALSE(QVPPTX_RunPrIsEqual(a, b));

  // No colour on both sides, or a size that is not a number: never equal.
  QVPPTX_RunPr none = QVPPTXUtilities::defaultRunProperty();
  EXPECT_FALSE(QVPPTX_RunPrIsEqual(none, none));
  QVPPTX_RunPr nan = a;
  nan.sz = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(QVPPTX_RunPrIsEqual(nan, nan));
}

TEST(PptxParagraph, RunListHelpers) {
  QVPPTXParagraph paragraph;
  EXPECT_EQ(paragraph.lastRunText(), nullptr);
  EXPECT_TRUE(paragraph.textRuns.empty());
  EXPECT_EQ(paragraph.textWidth(), 0);
  paragraph.textRuns.push_back(makeRun("a"));
  paragraph.textRuns.back().textWidth = 10.5;
  paragraph.textRuns.push_back(makeRun("b"));
  paragraph.textRuns.back().textWidth = 4.25;
  EXPECT_EQ(paragraph.lastRunText()->text, "b");
  EXPECT_DOUBLE_EQ(paragraph.textWidth(), 14.75);
}

TEST(PptxParagraph, ParagraphWithoutRunsWritesNothing) {
  const pptxtest::Fragment f = writeParagraph(QVPPTXParagraph());
  EXPECT_EQ(f.find("p"), nullptr);
}

TEST(PptxParagraph, TypicalRunAttributes) {
  QVPPTXParagraph paragraph;
  paragraph.pProperty.lnSpc = 14;
  paragraph.textRuns.push_back(makeRun("Hello <World> & \"friends\""));
  const pptxtest::Fragment f = writeParagraph(paragraph);
  const auto* rPr = f.find("rPr");
  ASSERT_NE(rPr, nullptr);
  EXPECT_EQ(rPr->attr("lang"), "en-US");
  EXPECT_EQ(rPr->attr("altLang"), "zh-CN");
  EXPECT_EQ(rPr->attr("sz"), "1200");
  EXPECT_EQ(rPr->attr("dirty"), "0");
  EXPECT_EQ(rPr->attr("smtClean"), "0");
  EXPECT_EQ(f.find("srgbClr")->attr("val"), "000000");
  EXPECT_EQ(f.find("latin")->attr("typeface"), "Arial");
  EXPECT_EQ(f.find("latin")->attr("pitchFamily"), "18");
  EXPECT_EQ(f.find("cs")->attr("charset"), "0");
  EXPECT_EQ(f.find("t")->text, "Hello <World> & \"friends\"");
  EXPECT_EQ(f.find("spcPts")->attr("val"), "1400");
  EXPECT_EQ(f.find("pPr")->attr("marL"), std::nullopt);
  EXPECT_EQ(f.find("tabLst"), nullptr);
  // a:latin and a:cs are written with an end tag, as a colourless fill is.
  EXPECT_NE(f.xml.find("</a:latin>"), std::string::npos);
  EXPECT_NE(f.xml.find("</a:cs>"), std::string::npos);
}

TEST(PptxParagraph, NumbersFollowTheDrawingMLUnits) {
  struct Case {
    float sz;
    const char* expected;
  };
  for (const Case& c : {Case{10.5f, "1050"}, Case{7.999f, "800"}, Case{0.5f, "100"}, Case{5000.0f, "400000"}}) {
    QVPPTXParagraph paragraph;
    paragraph.textRuns.push_back(makeRun("x", c.sz));
    EXPECT_EQ(writeParagraph(paragraph).find("rPr")->attr("sz"), c.expected) << c.sz;
  }

  QVPPTXParagraph paragraph;
  paragraph.textRuns.push_back(makeRun("x"));
  paragraph.pProperty.marL = 0.5f;
  paragraph.pProperty.tabList.pos = 2;
  paragraph.textRuns.back().rProperty.rgbColor = "#1a2B3c";
  pptxtest::Fragment f = writeParagraph(paragraph);
  EXPECT_EQ(f.find("pPr")->attr("marL"), "6350");
  EXPECT_EQ(f.find("tab")->attr("pos"), "25400");
  EXPECT_EQ(f.find("tab")->attr("algn"), "l");
  EXPECT_EQ(f.find("srgbClr")->attr("val"), "1a2B3c");

  paragraph.textRuns.back().rProperty.rgbColor.reset();
  f = writeParagraph(paragraph);
  EXPECT_EQ(f.find("srgbClr"), nullptr);
  EXPECT_NE(f.xml.find("<a:solidFill></a:solidFill>"), std::string::npos);
}

TEST(PptxParagraph, MarginAndSpacingStayInSchemaRange) {
  // A paragraph that starts left of its box, or a line that sits higher than
  // the one before, must not write a negative margin or spacing.
  QVPPTXParagraph paragraph;
  paragraph.textRuns.push_back(makeRun("x"));
  paragraph.pProperty.marL = -1;
  paragraph.pProperty.lnSpc = -3;
  pptxtest::Fragment f = writeParagraph(paragraph);
  EXPECT_EQ(f.find("pPr")->attr("marL"), "0");
  EXPECT_EQ(f.find("spcPts")->attr("val"), "0");

  paragraph.pProperty.marL = 1e9f;
  paragraph.pProperty.lnSpc = std::numeric_limits<int32_t>::max();
  f = writeParagraph(paragraph);
  EXPECT_EQ(f.find("pPr")->attr("marL"), "51206400");
  EXPECT_EQ(f.find("spcPts")->attr("val"), "158400");

  paragraph.pProperty.marL = std::numeric_limits<float>::quiet_NaN();
  f = writeParagraph(paragraph);
  EXPECT_EQ(f.find("pPr")->attr("marL"), "0");
  EXPECT_TRUE(qvtest::checkDrawingMLRanges("fragment", *f.root).empty());
}

TEST(PptxParagraph, ControlCharactersNeverReachThePart) {
  QVPPTXParagraph paragraph;
  paragraph.textRuns.push_back(makeRun(std::string("a\x01" "b\tc", 5)));
  const pptxtest::Fragment f = writeParagraph(paragraph);
  EXPECT_EQ(f.find("t")->text, "ab\tc");
}

}  // namespace

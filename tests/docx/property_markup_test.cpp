// The property records, their defaults and equality, and the run, paragraph
// and section properties they write.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocx.h"
#include "docx/QVDocxUtilities.h"
#include "tests/docx/docx_test_support.h"

namespace {

using docxtest::find;
using docxtest::findAll;
using docxtest::markupTree;
using docxtest::wAttr;

QVDocx_RPr runWithFont(const char* name) {
  QVDocx_RPr r = QVDocxUtilities::defaultRProperty();
  r.rFonts.ascii = std::make_shared<const std::string>(name);
  return r;
}

std::vector<std::string> childNames(const qvtest::XmlElement& e) {
  std::vector<std::string> names;
  for (const auto& c : e.children) names.push_back(c->local);
  return names;
}

TEST(DocxRunEquality, ColourMattersToRunsButNotToTheWidthUnit) {
  QVDocx_RPr a = runWithFont("Arial"), b = runWithFont("Arial");
  b.color.red = 200;
  EXPECT_TRUE(QVRunPrFontIsEqual(a, b));
  EXPECT_FALSE(QVRunPrIsEqual(a, b));
  b = a;
  b.b = true;
  EXPECT_FALSE(QVRunPrIsEqual(a, b));
  EXPECT_TRUE(QVRunPrFontIsEqual(a, b));
  b = a;
  b.sz = 13;
  EXPECT_FALSE(QVRunPrFontIsEqual(a, b));
}

TEST(DocxRunEquality, FieldsOutsideTheComparedListsDoNotCount) {
  QVDocx_RPr a = runWithFont("Arial"), b = runWithFont("Arial");
  b.szCs = 30;
  b.scrpit = 1;
  b.rFonts.hAnsi = std::make_shared<const std::string>("Other");
  b.noProof = false;
  EXPECT_TRUE(QVRunPrIsEqual(a, b));
  EXPECT_TRUE(QVRunPrFontIsEqual(a, b));
}

TEST(DocxRunEquality, NamesCompareByTextAndNaNSizesNeverMatch) {
  QVDocx_RPr a = runWithFont("Arial"), b = runWithFont("Arial");
  EXPECT_NE(a.rFonts.ascii, b.rFonts.ascii);
  EXPECT_TRUE(QVRunPrIsEqual(a, b));
  EXPECT_FALSE(QVRunPrIsEqual(a, runWithFont("arial")));
  const QVDocx_RPr d = QVDocxUtilities::defaultRProperty();
  EXPECT_TRUE(QVRunPrIsEqual(d, d));
  QVDocx_RPr nan = d;
  nan.sz = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(QVRunPrIsEqual(nan, nan));
  EXPECT_FALSE(QVRunPrFontIsEqual(nan, nan));
}

TEST(DocxFontNames, OneNamePerTextAndAlwaysValidUtf8) {
  QVDocxFontNames names;
  const QVDocx_FontName a = names.intern("Helvetica");
  EXPECT_EQ(a, names.intern("Helvetica"));
  EXPECT_EQ(names.size(), 1u);
  const QVDocx_FontName broken = names.intern(std::string("Bad\xff\xfeName", 9));
  EXPECT_EQ(*broken, "Bad\xEF\xBF\xBD\xEF\xBF\xBDName");
}

TEST(DocxDefaults, RecordsStartAsTheFlowingOutputsExpect) {
  const QVDocx_RPr r = QVDocxUtilities::defaultRProperty();
  EXPECT_EQ(QVDocx_FontNameText(r.rFonts.ascii), "Times New Roman");
  EXPECT_FALSE(r.rFonts.hAnsi);
  EXPECT_EQ(r.sz, 12.0f);
  EXPECT_EQ(r.color, (QVDocx_Color{0, 0, 0, 255}));
  EXPECT_EQ(r.w, 100.0f);
  EXPECT_TRUE(r.noProof);
  const QVDocx_PPr p = QVDocxUtilities::defaultPProperty();
  EXPECT_EQ(p.spacing.line, 12.0f);
  EXPECT_STREQ(p.spacing.lineRule, "exact");
  EXPECT_EQ(p.ind.left, 60.0f);
  EXPECT_STREQ(p.jc, "left");
  const QVDocx_SectPr s = QVDocxUtilities::defaultSectProperty();
  EXPECT_FALSE(s.write);
  EXPECT_EQ(s.type, 1);
  EXPECT_EQ(s.pgSz.w, 578.0f);
  EXPECT_EQ(s.pgSz.h, 640.0f);
  EXPECT_EQ(s.pgMar.top, 63.0f);
  EXPECT_EQ(s.cols.num, 1);
  EXPECT_EQ(s.cols.equalWidth, 36.0f);
  EXPECT_STREQ(s.docGrid.type, "lines");
  EXPECT_FLOAT_EQ(s.docGrid.linePitch, 15.6f);
}

TEST(DocxRunMarkup, DefaultRunWritesFontSizeColourAndNoProofOnly) {
  auto root =
      markupTree([](XMLFileWriter& w) { QVDocxUtilities::WriteRProperty(QVDocxUtilities::defaultRProperty(), w); });
  const qvtest::XmlElement* rPr = find(*root, "rPr");
  ASSERT_NE(rPr, nullptr);
  EXPECT_THAT(childNames(*rPr), testing::ElementsAre("rFonts", "noProof", "color", "sz", "szCs"));
  for (const char* slot : {"ascii", "hAnsi", "cs", "eastAsia"})
    EXPECT_EQ(wAttr(find(*rPr, "rFonts"), slot), "Times New Roman");
  EXPECT_EQ(wAttr(find(*rPr, "sz"), "val"), "24");
  EXPECT_EQ(wAttr(find(*rPr, "szCs"), "val"), "24");
  EXPECT_EQ(wAttr(find(*rPr, "color"), "val"), "000000");
}

TEST(DocxRunMarkup, ScaleSpacingUnderlineAndScriptFollowTheSchemaOrder) {
  QVDocx_RPr r = runWithFont("Arial");
  r.w = 90;
  r.spacing = 0.5f;
  r.u = 1;
  r.color = {255, 0, 128, 255};
  r.b = true;
  r.i = true;
  r.scrpit = 1;
  auto root = markupTree([&](XMLFileWriter& w) { QVDocxUtilities::WriteRProperty(r, w); });
  const qvtest::XmlElement* rPr = find(*root, "rPr");
  EXPECT_THAT(childNames(*rPr), testing::ElementsAre("rFonts", "b", "bCs", "i", "noProof", "color", "spacing", "w",
                                                     "sz", "szCs", "u", "vertAlign"));
  EXPECT_EQ(wAttr(find(*rPr, "u"), "val"), "single");
  EXPECT_EQ(wAttr(find(*rPr, "u"), "color"), "FF0080");
  EXPECT_EQ(wAttr(find(*rPr, "spacing"), "val"), "10");
  EXPECT_EQ(wAttr(find(*rPr, "w"), "val"), "90");
  EXPECT_EQ(wAttr(find(*rPr, "vertAlign"), "val"), "superscript");
  r.spacing = -0.5f;
  auto negative = markupTree([&](XMLFileWriter& w) { QVDocxUtilities::WriteRProperty(r, w); });
  EXPECT_EQ(find(*negative, "spacing"), nullptr);
}

TEST(DocxRunMarkup, ChineseFontsGetTheirNativeNamesOnlyWhenSpelledExactly) {
  auto native = markupTree([](XMLFileWriter& w) { QVDocxUtilities::WriteRProperty(runWithFont("SimHei"), w); });
  EXPECT_EQ(wAttr(find(*native, "rFonts"), "eastAsia"), "\u9ed1\u4f53");
  EXPECT_EQ(wAttr(find(*native, "rFonts"), "ascii"), "\u9ed1\u4f53");
  auto other = markupTree([](XMLFileWriter& w) { QVDocxUtilities::WriteRProperty(runWithFont("simhei"), w); });
  EXPECT_EQ(wAttr(find(*other, "rFonts"), "ascii"), "simhei");
}

TEST(DocxRunMarkup, HostileSizesStayInsideWhatOfficeReads) {
  QVDocx_RPr r = QVDocxUtilities::defaultRProperty();
  r.sz = 1e30f;
  r.w = std::numeric_limits<float>::infinity();
  auto root = markupTree([&](XMLFileWriter& w) { QVDocxUtilities::WriteRProperty(r, w); });
  EXPECT_EQ(wAttr(find(*root, "sz"), "val"), "3276");
  EXPECT_EQ(wAttr(find(*root, "w"), "val"), "100");
  r.sz = std::numeric_limits<float>::quiet_NaN();
  auto nan = markupTree([&](XMLFileWriter& w) { QVDocxUtilities::WriteRProperty(r, w); });
  EXPECT_EQ(wAttr(find(*nan, "sz"), "val"), "24");
}

TEST(DocxParagraphMarkup, DefaultParagraphWritesExactLinesInTwentieths) {
  auto root = markupTree([](XMLFileWriter& w) {
    QVDocxUtilities::WritePProperty(QVDocxUtilities::defaultPProperty(), QVDocxUtilities::defaultRProperty(),
                                    QVDocxUtilities::defaultSectProperty(), {}, w);
  });
  const qvtest::XmlElement* pPr = find(*root, "pPr");
  EXPECT_THAT(childNames(*pPr), testing::ElementsAre("spacing", "ind", "jc", "rPr"));
  const qvtest::XmlElement* spacing = find(*pPr, "spacing");
  EXPECT_EQ(wAttr(spacing, "before"), "0");
  EXPECT_EQ(wAttr(spacing, "after"), "0");
  EXPECT_EQ(wAttr(spacing, "line"), "240");
  EXPECT_EQ(wAttr(spacing, "lineRule"), "exact");
  EXPECT_EQ(wAttr(find(*pPr, "ind"), "firstLine"), "0");
  EXPECT_EQ(wAttr(find(*pPr, "ind"), "left"), "1200");
  EXPECT_EQ(wAttr(find(*pPr, "jc"), "val"), "left");
}

TEST(DocxParagraphMarkup, LineHeightsKeepTwentiethsAndNeverReachZero) {
  QVDocx_PPr p = QVDocxUtilities::defaultPProperty();
  auto line = [&](float points) {
    p.spacing.line = points;
    auto root = markupTree([&](XMLFileWriter& w) {
      QVDocxUtilities::WritePProperty(p, QVDocxUtilities::defaultRProperty(), QVDocxUtilities::defaultSectProperty(),
                                      {}, w);
    });
    return wAttr(find(*root, "spacing"), "line");
  };
  EXPECT_EQ(line(13.6f), "272");
  EXPECT_EQ(line(0.0f), "1");
  EXPECT_EQ(line(-12.0f), "1");
  EXPECT_EQ(line(std::numeric_limits<float>::quiet_NaN()), "240");
}

TEST(DocxParagraphMarkup, TabStopsComeFirstAndSectionBreaksLast) {
  QVDocx_Tabs tabs;
  tabs.tabs.push_back({"none", "left", 36.0f});
  QVDocx_SectPr s = QVDocxUtilities::defaultSectProperty();
  s.write = true;
  auto root = markupTree([&](XMLFileWriter& w) {
    QVDocxUtilities::WritePProperty(QVDocxUtilities::defaultPProperty(), QVDocxUtilities::defaultRProperty(), s, tabs,
                                    w);
  });
  const qvtest::XmlElement* pPr = find(*root, "pPr");
  EXPECT_THAT(childNames(*pPr), testing::ElementsAre("tabs", "spacing", "ind", "jc", "rPr", "sectPr"));
  EXPECT_EQ(wAttr(find(*pPr, "tab"), "pos"), "720");
  EXPECT_EQ(wAttr(find(*pPr, "tab"), "val"), "left");
}

TEST(DocxSectionMarkup, UnwrittenSectionWritesNothing) {
  auto root = markupTree(
      [](XMLFileWriter& w) { QVDocxUtilities::WriteSectProperty(QVDocxUtilities::defaultSectProperty(), w); });
  EXPECT_TRUE(root->children.empty());
}

TEST(DocxSectionMarkup, PageSizeAndMarginsWithoutTypeColumnsOrGrid) {
  QVDocx_SectPr s = QVDocxUtilities::defaultSectProperty();
  s.write = true;
  s.type = 0;
  s.pgSz = {612, 792};
  s.pgMar = {36.5f, 1, 2, 3, 4, 5, 6};
  s.docGrid.type = nullptr;
  auto root = markupTree([&](XMLFileWriter& w) { QVDocxUtilities::WriteSectProperty(s, w); });
  const qvtest::XmlElement* sect = find(*root, "sectPr");
  EXPECT_THAT(childNames(*sect), testing::ElementsAre("pgSz", "pgMar"));
  EXPECT_EQ(wAttr(find(*sect, "pgSz"), "w"), "12240");
  EXPECT_EQ(wAttr(find(*sect, "pgSz"), "h"), "15840");
  const qvtest::XmlElement* mar = find(*sect, "pgMar");
  EXPECT_EQ(wAttr(mar, "top"), "730");
  for (const char* zero : {"header", "footer", "gutter"}) EXPECT_EQ(wAttr(mar, zero), "0");
  EXPECT_EQ(wAttr(mar, "right"), "20");
}

TEST(DocxSectionMarkup, ColumnsOfTheirOwnWidths) {
  QVDocx_SectPr s = QVDocxUtilities::defaultSectProperty();
  s.write = true;
  s.cols = {2, false, 0, 0,
            std::make_shared<const std::vector<QVDocx_Col>>(std::vector<QVDocx_Col>{{0, 250}, {0, 300}})};
  auto root = markupTree([&](XMLFileWriter& w) { QVDocxUtilities::WriteSectProperty(s, w); });
  const qvtest::XmlElement* sect = find(*root, "sectPr");
  EXPECT_THAT(childNames(*sect), testing::ElementsAre("type", "pgSz", "pgMar", "cols", "docGrid"));
  EXPECT_EQ(wAttr(find(*sect, "type"), "val"), "continuous");
  const qvtest::XmlElement* cols = find(*sect, "cols");
  EXPECT_EQ(wAttr(cols, "num"), "2");
  EXPECT_EQ(wAttr(cols, "equalWidth"), "0");
  const auto col = findAll(*cols, "col");
  ASSERT_EQ(col.size(), 2u);
  EXPECT_EQ(wAttr(col[0], "w"), "5000");
  EXPECT_EQ(wAttr(col[1], "w"), "6000");
  EXPECT_EQ(wAttr(col[1], "space"), "0");
  EXPECT_EQ(wAttr(find(*sect, "docGrid"), "linePitch"), "312");
}

TEST(DocxMarkupValues, TablesOfSectionScriptAndUnderlineValues) {
  EXPECT_EQ(QVDocxUtilities::_sectTypeValue(1), "continuous");
  EXPECT_EQ(QVDocxUtilities::_sectTypeValue(4), "nextPage");
  EXPECT_EQ(QVDocxUtilities::_scriptValue(2), "subscript");
  EXPECT_EQ(QVDocxUtilities::_underlineValue(2), "double");
}

TEST(DocxMarkupValues, TextPathStyleNamesFontWeightAndDoubledSize) {
  QVDocx_RPr r = runWithFont("Arial");
  r.b = true;
  EXPECT_EQ(QVDocxUtilities::TextPathStyleForRProperty(r),
            "font-family:Arial;font-weight:bold;font-size:24pt;v-text-kern:t;mso-text-shadow:auto");
}

TEST(DocxTemplates, EveryTemplatePartIsCompiledIn) {
  for (const char* name :
       {"docx-template-styles-2006.xml", "docx-template-theme1-2006.xml", "docx-template-webSettings-2006.xml"}) {
    const auto data = QVDocxUtilities::PathInLibBundleForResource(name);
    ASSERT_TRUE(data) << name;
    EXPECT_GT(data->size(), 100u);
  }
  EXPECT_FALSE(QVDocxUtilities::PathInLibBundleForResource("missing.xml"));
}

}  // namespace

namespace {

// East Asian text takes the East Asian slot's family; Latin text the others'.
TEST(DocxPropertyMarkup, TheEastAsianSlotNamesAFamilyOfItsOwn) {
  QVDocx_RPr r = QVDocxUtilities::defaultRProperty();
  r.rFonts.ascii = r.rFonts.hAnsi = r.rFonts.cs = std::make_shared<const std::string>("Arial");
  r.rFonts.eastAsia = std::make_shared<const std::string>("SimHei");
  const auto rPr = docxtest::markupTree([&](XMLFileWriter& w) { QVDocxUtilities::WriteRProperty(r, w); });
  ASSERT_TRUE(rPr);
  const qvtest::XmlElement* fonts = docxtest::find(*rPr, "rFonts");
  for (const char* slot : {"ascii", "hAnsi", "cs"}) EXPECT_EQ(docxtest::wAttr(fonts, slot), "Arial");
  EXPECT_EQ(docxtest::wAttr(fonts, "eastAsia"), "\u9ed1\u4f53");
}

// A line reaching beyond its column's edge is indented from the right by a
// negative length; any other paragraph writes no right indentation.
TEST(DocxPropertyMarkup, ALineBeyondItsColumnHasANegativeRightIndentation) {
  QVDocx_PPr p = QVDocxUtilities::defaultPProperty();
  auto indentation = [&] {
    const auto pPr = docxtest::markupTree([&](XMLFileWriter& w) {
      QVDocxUtilities::WritePProperty(p, QVDocxUtilities::defaultRProperty(), QVDocxUtilities::defaultSectProperty(),
                                      {}, w);
    });
    return pPr ? docxtest::find(*pPr, "ind")->attr("right", docxtest::kW) : std::nullopt;
  };
  EXPECT_FALSE(indentation().has_value());
  p.ind.right = -12.5f;
  EXPECT_EQ(indentation(), "-250");
}

}  // namespace

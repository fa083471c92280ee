// Extended graphics states: which parameters are kept, the blend-mode table,
// and the ExtGState resources by name.
#include <gtest/gtest.h>

#include <string>

#include "pdf/QVPDFExtGState.h"
#include "pdf/QVPDFExtGStateCollection.h"
#include "tests/support/fixtures.h"

namespace {

using platform::PdfObject;

PdfObject parsed(const std::string& text) { return PdfObject(QPDFObjectHandle::parse(text)); }

QVPDFExtGStateValue values(const std::string& dict) { return QVPDFExtGState(parsed(dict), "GS0").gStateValue(); }

TEST(ExtGState, LineWidthAndCap) {
  QVPDFExtGState gs(parsed("<< /LW 2 /LC 1 >>"), "GS1");
  EXPECT_EQ(gs.objectKey(), "GS1");
  QVPDFExtGStateValue expected;
  expected.lineWidth = 2.0f;
  expected.lineCap = 1;
  EXPECT_EQ(gs.gStateValue(), expected);
}

TEST(ExtGState, EveryParameterOfItsType) {
  QVPDFExtGStateValue v = values(
      "<< /Type /ExtGState /LW 0.5 /LC 2 /LJ 1 /ML 4.5 /D [[3 2] 1] /RI /Perceptual /BM /Multiply /CA 0.5 /ca 0.25 "
      "/AIS true /op true /OP false /SA true /Font [null 12] /TR /Identity /SMask /None >>");
  EXPECT_EQ(v.lineWidth, 0.5f);
  EXPECT_EQ(v.lineCap, 2);
  EXPECT_EQ(v.lineJoin, 1);
  EXPECT_EQ(v.miterLimit, 4.5f);
  EXPECT_EQ(v.dashArray, (std::vector<int64_t>{3, 2}));
  EXPECT_EQ(v.renderingIntent, "Perceptual");
  EXPECT_EQ(v.blendMode, 1);
  EXPECT_EQ(v.strokeAlpha, 0.5f);
  EXPECT_EQ(v.fillAlpha, 0.25f);
  EXPECT_EQ(v.alphaIsShape, true);
  EXPECT_EQ(v.fillOverprint, true);
  EXPECT_EQ(v.strokeOverprint, false);
  EXPECT_EQ(v.strokeAdjust, true);
  ASSERT_TRUE(v.font.has_value());
  EXPECT_EQ(v.font->size, 12.0f);
  EXPECT_FALSE(v.font->name.has_value());
}

TEST(ExtGState, ParametersOfAnotherTypeAreNotKept) {
  QVPDFExtGStateValue v = values(
      "<< /LW /Thick /LC 1.0 /LJ (1) /ML true /D 3 /RI (Perceptual) /CA /Half /ca null /AIS 1 /op /true /SA 0 /Font 12 >>");
  EXPECT_EQ(v, QVPDFExtGStateValue{});
}

TEST(ExtGState, AlphasAndAlphaIsShape) {
  QVPDFExtGStateValue v = values("<< /CA 0.5 /ca 0.25 /AIS true >>");
  EXPECT_EQ(v.strokeAlpha, 0.5f);
  EXPECT_EQ(v.fillAlpha, 0.25f);
  EXPECT_EQ(v.alphaIsShape, true);
  EXPECT_FALSE(v.lineWidth.has_value());
}

TEST(ExtGState, DashArrayKeepsItsIntegers) {
  EXPECT_EQ(values("<< /D [[3 2] 0] >>").dashArray, (std::vector<int64_t>{3, 2}));
  EXPECT_EQ(values("<< /D [[] 0] >>").dashArray, std::vector<int64_t>{});
  // Elements that are not integers are passed over.
  EXPECT_EQ(values("<< /D [[4 2.5 /x 1] 0] >>").dashArray, (std::vector<int64_t>{4, 1}));
  EXPECT_FALSE(values("<< /D [3 2] >>").dashArray.has_value());
}

TEST(ExtGState, FontSizeAndName) {
  auto v = values("<< /Font [/F1 9.5] >>");
  ASSERT_TRUE(v.font.has_value());
  EXPECT_EQ(v.font->size, 9.5f);
  EXPECT_EQ(v.font->name, "F1");
  auto empty = values("<< /Font [] >>");
  ASSERT_TRUE(empty.font.has_value());
  EXPECT_FALSE(empty.font->size.has_value());
  EXPECT_FALSE(empty.font->name.has_value());
}

TEST(ExtGState, NotADictionaryKeepsNothing) {
  EXPECT_EQ(values("[/LW 2]"), QVPDFExtGStateValue{});
  EXPECT_EQ(values("null"), QVPDFExtGStateValue{});
  EXPECT_EQ(QVPDFExtGState().gStateValue(), QVPDFExtGStateValue{});
}

struct BlendCase {
  const char* object;
  int value;  // -1: no blend mode
};

class BlendMode : public testing::TestWithParam<BlendCase> {};

TEST_P(BlendMode, ParsesANameOrAnArrayOfNames) {
  auto mode = QVPDFExtGState::parseBlendMode(parsed(GetParam().object));
  if (GetParam().value < 0) {
    EXPECT_FALSE(mode.has_value()) << GetParam().object;
  } else {
    EXPECT_EQ(mode, GetParam().value) << GetParam().object;
  }
  auto stored = values(std::string("<< /BM ") + GetParam().object + " >>").blendMode;
  EXPECT_EQ(stored, mode) << GetParam().object;
}

INSTANTIATE_TEST_SUITE_P(
    Names, BlendMode,
    testing::Values(BlendCase{"/Normal", 0}, BlendCase{"/Compatible", 0}, BlendCase{"/Multiply", 1},
                    BlendCase{"/Screen", 2}, BlendCase{"/Overlay", 3}, BlendCase{"/Darken", 4},
                    BlendCase{"/Lighten", 5}, BlendCase{"/ColorDodge", 6}, BlendCase{"/ColorBurn", 7},
                    BlendCase{"/HardLight", 8}, BlendCase{"/SoftLight", 9}, BlendCase{"/Difference", 10},
                    BlendCase{"/Exclusion", 11}, BlendCase{"/Hue", 12}, BlendCase{"/Saturation", 13},
                    BlendCase{"/Color", 14}, BlendCase{"/Luminosity", 15}, BlendCase{"/Foo", -1},
                    BlendCase{"/multiply", -1}));

INSTANTIATE_TEST_SUITE_P(
    Arrays, BlendMode,
    testing::Values(BlendCase{"[/Foo /Screen]", 2}, BlendCase{"[]", 0}, BlendCase{"[/Foo /Bar]", 0},
                    BlendCase{"[/Darken /Screen]", 4}, BlendCase{"[/Foo 3 /Screen]", -1},
                    BlendCase{"[/Screen 3]", 2}, BlendCase{"[(Screen)]", -1}, BlendCase{"3", -1},
                    BlendCase{"(Multiply)", -1}));

TEST(ExtGStateCollection, BuildsEveryDictionaryEntryByName) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle shared = b.qpdf().makeIndirectObject(QPDFObjectHandle::parse("<< /ca 0.5 >>"));
  QPDFObjectHandle resources = QPDFObjectHandle::parse("<< /GS0 << /LW 3 >> /GS9 /NotADictionary /GS8 [1] >>");
  resources.replaceKey("/A", shared);
  resources.replaceKey("/B", shared);
  QVPDFExtGStateCollection collection{PdfObject(resources)};
  EXPECT_EQ(collection.collectObjects().size(), 3u);
  ASSERT_NE(collection.objectNamed("GS0"), nullptr);
  EXPECT_EQ(collection.objectNamed("GS0")->gStateValue().lineWidth, 3.0f);
  EXPECT_EQ(collection.objectNamed("GS9"), nullptr);
  EXPECT_EQ(collection.objectNamed("Nope"), nullptr);
  // One object under two names: two states, each with its own name.
  auto a = collection.objectNamed("A");
  auto bState = collection.objectNamed("B");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(bState, nullptr);
  EXPECT_NE(a, bState);
  EXPECT_EQ(a->objectKey(), "A");
  EXPECT_EQ(bState->objectKey(), "B");
  EXPECT_EQ(bState->gStateValue().fillAlpha, 0.5f);

  collection.addFromDictionary({{"GS0", std::make_shared<const QVPDFExtGState>(PdfObject(QPDFObjectHandle::parse("<< /LW 7 >>")), "GS0")}});
  EXPECT_EQ(collection.objectNamed("GS0")->gStateValue().lineWidth, 7.0f);
  EXPECT_EQ(collection.collectObjectsByName().size(), 3u);
  EXPECT_TRUE(QVPDFExtGStateCollection(PdfObject()).collectObjects().empty());
}

}  // namespace

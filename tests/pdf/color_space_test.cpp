// Colour spaces: the factory's choice of family, each family's conversions
// to gray, RGB and CMYK on the 0..255 scale, and what damaged parameters do.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "pdf/QVPDFCalRGBColorSpace.h"
#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFColorSpaceCollection.h"
#include "pdf/QVPDFDeviceNColorSpace.h"
#include "pdf/QVPDFICCBasedColorSpace.h"
#include "pdf/QVPDFIndexedColorSpace.h"
#include "pdf/QVPDFLabColorSpace.h"
#include "pdf/QVPDFSeparationColorSpace.h"
#include "tests/support/fixtures.h"

#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>

namespace {

using platform::PdfObject;

PdfObject parsed(const std::string& text) { return PdfObject(QPDFObjectHandle::parse(text)); }

QVPDFColor color(std::vector<int32_t> components) {
  QVPDFColor c;
  for (size_t i = 0; i < components.size(); ++i) c.c[i] = components[i];
  return c;
}

std::shared_ptr<const QVPDFColorSpace> space(const std::string& text) {
  return QVPDFColorSpace::colorSpaceWithObject(parsed(text));
}

// ---------------------------------------------------------------------------
// Factory

struct FactoryCase {
  const char* object;
  int mode;  // -1: no colour space
};

class ColorSpaceFactory : public testing::TestWithParam<FactoryCase> {};

TEST_P(ColorSpaceFactory, ChoosesFamilyByNameOrFirstArrayElement) {
  const FactoryCase& c = GetParam();
  auto cs = space(c.object);
  if (c.mode < 0) {
    EXPECT_EQ(cs, nullptr) << c.object;
  } else {
    ASSERT_NE(cs, nullptr) << c.object;
    EXPECT_EQ(cs->getMode(), c.mode) << c.object;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ColorSpaceFactory,
    testing::Values(FactoryCase{"/DeviceGray", 1}, FactoryCase{"/G", 1}, FactoryCase{"/Cs1", 1},
                    FactoryCase{"/DeviceRGB", 3}, FactoryCase{"/RGB", 3}, FactoryCase{"/Cs2", 3},
                    FactoryCase{"/DeviceCMYK", 5}, FactoryCase{"/CMYK", 5}, FactoryCase{"/Pattern", 11},
                    FactoryCase{"/I", -1}, FactoryCase{"/Indexed", -1}, FactoryCase{"/CalRGB", -1},
                    FactoryCase{"/devicergb", -1}, FactoryCase{"/Foo", -1},
                    FactoryCase{"[/DeviceGray]", 1}, FactoryCase{"[/G]", 1}, FactoryCase{"[/RGB]", 3},
                    FactoryCase{"[/CMYK]", 5}, FactoryCase{"[/CalGray << >>]", 2},
                    FactoryCase{"[/CalRGB << >>]", 4}, FactoryCase{"[/Lab << >>]", 6},
                    FactoryCase{"[/ICCBased 1]", 7}, FactoryCase{"[/Indexed /DeviceRGB 0 <000000>]", 8},
                    FactoryCase{"[/I /DeviceRGB 0 <000000>]", 8}, FactoryCase{"[/Separation /A /DeviceGray /Identity]", 9},
                    FactoryCase{"[/DeviceN [/A] /DeviceGray /Identity]", 10}, FactoryCase{"[/Pattern /DeviceRGB]", 11},
                    FactoryCase{"[/Cs1]", -1}, FactoryCase{"[/Cs2]", -1}, FactoryCase{"[/Foo]", -1},
                    FactoryCase{"[1 2]", -1}, FactoryCase{"[]", -1}, FactoryCase{"<< /N 3 >>", -1},
                    FactoryCase{"3", -1}, FactoryCase{"(DeviceRGB)", -1}, FactoryCase{"null", -1}));

TEST(ColorSpaceNames, ModeNamesAndComponentCounts) {
  const char* names[] = {"Unknow",  "DeviceGray", "CalGray",    "DeviceRGB", "CalRGB",  "DeviceCMYK",
                         "Lab",     "ICCBased",   "Indexed",    "Separation", "DeviceN", "Pattern"};
  EXPECT_EQ(QVPDFColorSpace::getNumColorSpaceModes(), 12);
  for (int mode = 0; mode < 12; ++mode) EXPECT_EQ(QVPDFColorSpace::colorSpaceModeName(mode), names[mode]);
  EXPECT_EQ(space("/DeviceCMYK")->getModeName(), "DeviceCMYK");
  EXPECT_EQ(space("/DeviceGray")->getNComps(), 1);
  EXPECT_EQ(space("/DeviceRGB")->getNComps(), 3);
  EXPECT_EQ(space("/DeviceCMYK")->getNComps(), 4);
  EXPECT_EQ(space("/Pattern")->getNComps(), 0);
  EXPECT_EQ(space("[/Lab << >>]")->getNComps(), 3);
  EXPECT_EQ(space("[/DeviceN [/A /B /C /D /E] /DeviceCMYK /Identity]")->getNComps(), 5);
}

// ---------------------------------------------------------------------------
// Conversions of the families without resources outside the object

struct ConversionCase {
  const char* space;
  std::vector<int32_t> components;
  int32_t gray;
  QVPDFRGB rgb;
  QVPDFCMYK cmyk;
};

class ColorSpaceConversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(ColorSpaceConversion, GivesGrayRGBAndCMYK) {
  const ConversionCase& c = GetParam();
  auto cs = space(c.space);
  ASSERT_NE(cs, nullptr);
  QVPDFColor value = color(c.components);
  EXPECT_EQ(cs->getGray(value), c.gray) << c.space;
  EXPECT_EQ(cs->getRGB(value), c.rgb) << c.space;
  EXPECT_EQ(cs->getCMYK(value), c.cmyk) << c.space;
}

constexpr const char* kLabD65 = "[/Lab << /WhitePoint [0.9505 1.0 1.089] >>]";

INSTANTIATE_TEST_SUITE_P(
    Table, ColorSpaceConversion,
    testing::Values(
        // DeviceGray and CalGray: gray clamped, CMYK black = 255 - gray.
        ConversionCase{"/DeviceGray", {128}, 128, {128, 128, 128}, {0, 0, 0, 127}},
        ConversionCase{"/DeviceGray", {300}, 255, {255, 255, 255}, {0, 0, 0, 0}},
        ConversionCase{"/DeviceGray", {-5}, 0, {0, 0, 0}, {0, 0, 0, 255}},
        ConversionCase{"[/CalGray << /WhitePoint [0.9505 1 1.089] /Gamma 2.2 >>]", {64}, 64, {64, 64, 64}, {0, 0, 0, 191}},
        // DeviceRGB: gray 0.3 0.59 0.11 + 0.5; CMYK with black from the smallest ink.
        ConversionCase{"/DeviceRGB", {255, 0, 0}, 77, {255, 0, 0}, {0, 255, 255, 0}},
        ConversionCase{"/DeviceRGB", {10, 20, 30}, 18, {10, 20, 30}, {20, 10, 0, 225}},
        ConversionCase{"/DeviceRGB", {300, -4, 128}, 102, {255, 0, 128}, {0, 255, 127, 0}},
        ConversionCase{"/DeviceRGB", {0, 0, 0}, 0, {0, 0, 0}, {0, 0, 0, 255}},
        // CalRGB: the same but for the gray weights 0.299 0.587 0.114.
        ConversionCase{"[/CalRGB << /Matrix [0.4 0.2 0 0.3 0.7 0.1 0.2 0.1 0.9] >>]", {255, 0, 0}, 76, {255, 0, 0}, {0, 255, 255, 0}},
        // DeviceCMYK: RGB from the corner table.
        ConversionCase{"/DeviceCMYK", {0, 0, 0, 255}, 0, {35, 31, 32}, {0, 0, 0, 255}},
        ConversionCase{"/DeviceCMYK", {255, 255, 255, 255}, 0, {0, 0, 0}, {255, 255, 255, 255}},
        ConversionCase{"/DeviceCMYK", {0, 0, 0, 0}, 255, {255, 255, 255}, {0, 0, 0, 0}},
        ConversionCase{"/DeviceCMYK", {255, 0, 0, 0}, 179, {0, 172, 239}, {255, 0, 0, 0}},
        ConversionCase{"/DeviceCMYK", {0, 255, 0, 0}, 105, {236, 0, 139}, {0, 255, 0, 0}},
        ConversionCase{"/DeviceCMYK", {255, 255, 0, 0}, 28, {46, 49, 145}, {255, 255, 0, 0}},
        ConversionCase{"/DeviceCMYK", {0, 0, 0, 128}, 127, {144, 142, 143}, {0, 0, 0, 128}},
        ConversionCase{"/DeviceCMYK", {51, 102, 153, 25}, 138, {184, 135, 89}, {51, 102, 153, 25}},
        ConversionCase{"/DeviceCMYK", {-10, 300, 0, 0}, 81, {239, 0, 119}, {0, 255, 0, 0}},
        // Lab through the white point and its constants.
        ConversionCase{kLabD65, {25500, 0, 0}, 255, {255, 255, 255}, {0, 0, 0, 0}},
        ConversionCase{kLabD65, {12750, 0, 0}, 109, {109, 109, 109}, {0, 0, 0, 146}},
        ConversionCase{kLabD65, {0, 0, 0}, 0, {0, 0, 0}, {0, 0, 0, 255}},
        ConversionCase{kLabD65, {12750, 5100, -7650}, 112, {117, 100, 161}, {44, 61, 0, 94}},
        ConversionCase{kLabD65, {17850, -10200, 15300}, 147, {119, 180, 45}, {61, 0, 135, 75}},
        // The Pattern space has no colour of its own.
        ConversionCase{"/Pattern", {255, 255, 255}, 0, {0, 0, 0}, {0, 0, 0, 0}}));

TEST(ColorSpaceDefaults, InitialColourOfEachFamily) {
  EXPECT_EQ(space("/DeviceGray")->getDefaultColor(), QVPDFColor{});
  EXPECT_EQ(space("/DeviceRGB")->getDefaultColor(), QVPDFColor{});
  EXPECT_EQ(space("/DeviceCMYK")->getDefaultColor(), color({0, 0, 0, 255}));
  EXPECT_EQ(space("/DeviceCMYK")->getRGB(space("/DeviceCMYK")->getDefaultColor()), (QVPDFRGB{35, 31, 32}));
  EXPECT_EQ(space("/Pattern")->getDefaultColor(), QVPDFColor{});
  // Lab: a* and b* start at 0 unless the Range excludes it.
  EXPECT_EQ(space("[/Lab << /WhitePoint [0.9505 1 1.089] >>]")->getDefaultColor(), QVPDFColor{});
  EXPECT_EQ(space("[/Lab << /Range [10 20 -30 -20] >>]")->getDefaultColor(), color({0, 2550, -5100}));
}

TEST(ColorSpaceParameters, CalibratedParametersAreKept) {
  auto cs = space("[/CalRGB << /WhitePoint [0.9505 1 1.089] /BlackPoint [0.1 /x 0.3] /Gamma [1.8 2.2 2.4] "
                  "/Matrix [0.4 0.2 0 0.3 0.7 0.1 0.2 0.1 0.9] >>]");
  auto cal = std::dynamic_pointer_cast<const QVPDFCalRGBColorSpace>(cs);
  ASSERT_NE(cal, nullptr);
  EXPECT_DOUBLE_EQ(cal->whiteX(), 0.9505);
  EXPECT_DOUBLE_EQ(cal->whiteZ(), 1.089);
  // An element that is not a number repeats the one before it.
  EXPECT_DOUBLE_EQ(cal->blackX(), 0.1);
  EXPECT_DOUBLE_EQ(cal->blackY(), 0.1);
  EXPECT_DOUBLE_EQ(cal->blackZ(), 0.3);
  EXPECT_DOUBLE_EQ(cal->gammaG(), 2.2);
  EXPECT_DOUBLE_EQ(cal->mat()[4], 0.7);

  auto lab = std::dynamic_pointer_cast<const QVPDFLabColorSpace>(space("[/Lab << /Range [-50 50 -60 60] >>]"));
  ASSERT_NE(lab, nullptr);
  EXPECT_DOUBLE_EQ(lab->aMin(), -50);
  EXPECT_DOUBLE_EQ(lab->bMax(), 60);
  // Without a white point the constants normalise the default one.
  EXPECT_DOUBLE_EQ(lab->kr(), 1.0 / (3.240449 - 1.537136 - 0.498531));
}

TEST(ColorSpaceParameters, MalformedCalibratedSpaceKeepsDefaults) {
  auto lab = std::dynamic_pointer_cast<const QVPDFLabColorSpace>(space("[/Lab /NotADictionary]"));
  ASSERT_NE(lab, nullptr);
  EXPECT_DOUBLE_EQ(lab->aMin(), -100);
  EXPECT_DOUBLE_EQ(lab->kr(), 1.0);
  auto calGray = space("[/CalGray]");
  ASSERT_NE(calGray, nullptr);
  EXPECT_EQ(calGray->getRGB(color({40})), (QVPDFRGB{40, 40, 40}));
}

// ---------------------------------------------------------------------------
// Spaces that hold streams: ICCBased and Indexed with a stream lookup

class ColorSpaceWithStreams : public testing::Test {
 protected:
  qvtest::PdfBuilder b;

  PdfObject wrap(QPDFObjectHandle h) { return PdfObject(h); }
  std::shared_ptr<const QVPDFColorSpace> make(QPDFObjectHandle h) {
    return QVPDFColorSpace::colorSpaceWithObject(PdfObject(h));
  }
  QPDFObjectHandle icc(const std::string& dict) {
    QPDFObjectHandle array = QPDFObjectHandle::newArray();
    array.appendItem(QPDFObjectHandle::newName("/ICCBased"));
    array.appendItem(b.stream("profile bytes", dict));
    return array;
  }
};

TEST_F(ColorSpaceWithStreams, ICCBasedWithoutAlternateConvertsLikeTheDeviceFamily) {
  auto rgb = make(icc("<< /N 3 >>"));
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(rgb->getNComps(), 3);
  auto device = space("/DeviceRGB");
  for (const auto& c : {color({255, 0, 0}), color({10, 20, 30}), color({300, -4, 128})}) {
    EXPECT_EQ(rgb->getRGB(c), device->getRGB(c));
    EXPECT_EQ(rgb->getGray(c), device->getGray(c));
    EXPECT_EQ(rgb->getCMYK(c), device->getCMYK(c));
  }
  EXPECT_EQ(make(icc("<< /N 1 >>"))->getRGB(color({90})), (QVPDFRGB{90, 90, 90}));
  EXPECT_EQ(make(icc("<< /N 4 >>"))->getRGB(color({0, 0, 0, 255})), (QVPDFRGB{35, 31, 32}));
}

TEST_F(ColorSpaceWithStreams, ICCBasedConvertsThroughItsAlternate) {
  auto cs = make(icc("<< /N 4 /Alternate /DeviceCMYK >>"));
  EXPECT_EQ(cs->getRGB(color({255, 0, 0, 0})), (QVPDFRGB{0, 172, 239}));
  // The alternate wins over the component count.
  auto gray = make(icc("<< /N 3 /Alternate /DeviceGray >>"));
  EXPECT_EQ(gray->getNComps(), 3);
  EXPECT_EQ(gray->getRGB(color({70, 200, 200})), (QVPDFRGB{70, 70, 70}));
  // An alternate that is itself a parameterised space.
  auto lab = make(icc("<< /N 3 /Alternate [/Lab << /WhitePoint [0.9505 1 1.089] >>] >>"));
  EXPECT_EQ(lab->getRGB(color({12750, 0, 0})), (QVPDFRGB{109, 109, 109}));
  // An alternate that gives no space falls back to the component count.
  auto fallback = make(icc("<< /N 3 /Alternate /Unknown >>"));
  EXPECT_EQ(fallback->getRGB(color({1, 2, 3})), (QVPDFRGB{1, 2, 3}));
}

TEST_F(ColorSpaceWithStreams, ICCBasedWithUnusualComponentCounts) {
  // N = 2 without an alternate: every colour is black.
  auto two = make(icc("<< /N 2 >>"));
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->getRGB(color({255, 255})), (QVPDFRGB{0, 0, 0}));
  EXPECT_EQ(two->getGray(color({255, 255})), 0);
  // N above 32 is kept as 32.
  auto many = std::dynamic_pointer_cast<const QVPDFICCBasedColorSpace>(make(icc("<< /N 40 /Alternate /DeviceRGB >>")));
  ASSERT_NE(many, nullptr);
  EXPECT_EQ(many->nComps(), 32);
  EXPECT_EQ(many->getNComps(), 32);
  // Missing, real or negative N fails the parse: no alternate, zeros.
  for (const char* dict : {"<< >>", "<< /N 3.0 >>", "<< /N -3 /Alternate /DeviceRGB >>"}) {
    auto cs = std::dynamic_pointer_cast<const QVPDFICCBasedColorSpace>(make(icc(dict)));
    ASSERT_NE(cs, nullptr) << dict;
    EXPECT_EQ(cs->alt(), nullptr) << dict;
    EXPECT_EQ(cs->getRGB(color({255, 255, 255})), (QVPDFRGB{0, 0, 0})) << dict;
  }
  // The second element must be a stream.
  auto notStream = make(QPDFObjectHandle::parse("[/ICCBased << /N 3 >>]"));
  EXPECT_EQ(notStream->getRGB(color({255, 255, 255})), (QVPDFRGB{0, 0, 0}));
}

TEST_F(ColorSpaceWithStreams, ICCBasedRangeGivesTheDefaultColour) {
  auto cs = std::dynamic_pointer_cast<const QVPDFICCBasedColorSpace>(
      make(icc("<< /N 3 /Range [0.2 1 -1 -0.5 0 1] >>")));
  ASSERT_NE(cs, nullptr);
  EXPECT_DOUBLE_EQ(cs->rangeMin()[1], -1);
  EXPECT_DOUBLE_EQ(cs->rangeMax()[1], -0.5);
  EXPECT_EQ(cs->getDefaultColor(), color({51, -127, 0}));
  // A Range of the wrong length is ignored.
  auto ignored = make(icc("<< /N 3 /Range [0.2 1] >>"));
  EXPECT_EQ(ignored->getDefaultColor(), QVPDFColor{});
}

TEST_F(ColorSpaceWithStreams, IndexedLooksUpAStringOrAStream) {
  auto fromString = make(QPDFObjectHandle::parse("[/Indexed /DeviceRGB 1 <0A141EFF8000>]"));
  QPDFObjectHandle withStream = QPDFObjectHandle::parse("[/Indexed /DeviceRGB 1 null]");
  withStream.setArrayItem(3, b.stream(std::string("\x0a\x14\x1e\xff\x80\x00", 6)));
  auto fromStream = make(withStream);
  for (const auto& cs : {fromString, fromStream}) {
    ASSERT_NE(cs, nullptr);
    EXPECT_EQ(cs->getMode(), QVPDFColorSpace::kModeIndexed);
    EXPECT_EQ(cs->getRGB(color({0})), (QVPDFRGB{10, 20, 30}));
    EXPECT_EQ(cs->getRGB(color({255})), (QVPDFRGB{255, 128, 0}));
    EXPECT_EQ(cs->getGray(color({0})), 18);
    EXPECT_EQ(cs->getCMYK(color({255})), (QVPDFCMYK{0, 127, 255, 0}));
    // Indices beyond the table take its nearest entry instead of reading past it.
    EXPECT_EQ(cs->getRGB(color({255 * 7})), (QVPDFRGB{255, 128, 0}));
    EXPECT_EQ(cs->getRGB(color({-255 * 3})), (QVPDFRGB{10, 20, 30}));
  }
  auto indexed = std::dynamic_pointer_cast<const QVPDFIndexedColorSpace>(fromStream);
  EXPECT_EQ(indexed->indexHigh(), 1);
  EXPECT_EQ(indexed->lookup().size(), 6u);
  EXPECT_EQ(indexed->mapColorQVPDFColor(color({255}), {}), color({255, 128, 0}));
}

// Data that inflates to `size` bytes of `byte`, Flate-compressed.
std::string deflated(size_t size, char byte) {
  std::string out;
  Pl_String sink("deflated", nullptr, out);
  Pl_Flate flate("deflate", &sink, Pl_Flate::a_deflate);
  std::string chunk(1 << 16, byte);
  for (size_t done = 0; done < size; done += chunk.size())
    flate.write(reinterpret_cast<const unsigned char*>(chunk.data()), std::min(chunk.size(), size - done));
  flate.finish();
  return out;
}

TEST_F(ColorSpaceWithStreams, IndexedStreamThatInflatesHugelyDecodesOnlyTheTable) {
  // 64 MiB of 0x40 compressed into a small stream: only the table's three
  // bytes are decoded.
  QPDFObjectHandle array = QPDFObjectHandle::parse("[/Indexed /DeviceRGB 0 null]");
  array.setArrayItem(3, b.stream(deflated(size_t{64} << 20, '\x40'), "<< /Filter /FlateDecode >>"));
  auto cs = std::dynamic_pointer_cast<const QVPDFIndexedColorSpace>(make(array));
  ASSERT_NE(cs, nullptr);
  EXPECT_EQ(cs->lookup(), std::string("\x40\x40\x40", 3));
  EXPECT_EQ(cs->getRGB(color({0})), (QVPDFRGB{0x40, 0x40, 0x40}));
}

TEST_F(ColorSpaceWithStreams, IndexedTableLongerThanNeededIsCut) {
  auto cs = std::dynamic_pointer_cast<const QVPDFIndexedColorSpace>(
      make(QPDFObjectHandle::parse("[/Indexed /DeviceGray 2 <102030405060>]")));
  ASSERT_NE(cs, nullptr);
  EXPECT_EQ(cs->lookup(), std::string("\x10\x20\x30", 3));
  EXPECT_EQ(cs->getRGB(color({510})), (QVPDFRGB{0x30, 0x30, 0x30}));
}

TEST_F(ColorSpaceWithStreams, IndexedOverCMYKAndOverICCBased) {
  auto cmyk = make(QPDFObjectHandle::parse("[/I /DeviceCMYK 0 <000000FF>]"));
  EXPECT_EQ(cmyk->getRGB(color({0})), (QVPDFRGB{35, 31, 32}));
  QPDFObjectHandle overIcc = QPDFObjectHandle::parse("[/Indexed null 0 <0A141E>]");
  overIcc.setArrayItem(1, icc("<< /N 3 >>"));
  EXPECT_EQ(make(overIcc)->getRGB(color({0})), (QVPDFRGB{10, 20, 30}));
}

TEST_F(ColorSpaceWithStreams, IndexedOverLabScalesBytesToTheLabRanges) {
  auto cs = std::dynamic_pointer_cast<const QVPDFIndexedColorSpace>(
      make(QPDFObjectHandle::parse("[/Indexed [/Lab << /WhitePoint [0.9505 1 1.089] /Range [-50 50 -100 100] >>] 0 <FF00FF>]")));
  ASSERT_NE(cs, nullptr);
  // L* byte 255 is 100; a* byte 0 is the bottom of its range, b* byte 255 the top.
  QVPDFColor base = cs->mapColorQVPDFColor(color({0}), {});
  EXPECT_EQ(base.c[0], 25500);
  EXPECT_EQ(base.c[1], -12750);
  EXPECT_EQ(base.c[2], 25500);
}

struct BrokenIndexed {
  const char* object;
  const char* why;
};

class IndexedParseFailure : public testing::TestWithParam<BrokenIndexed> {};

TEST_P(IndexedParseFailure, LeavesNoBaseAndConvertsToZeros) {
  auto cs = std::dynamic_pointer_cast<const QVPDFIndexedColorSpace>(space(GetParam().object));
  ASSERT_NE(cs, nullptr) << GetParam().why;
  EXPECT_EQ(cs->base(), nullptr) << GetParam().why;
  EXPECT_TRUE(cs->lookup().empty()) << GetParam().why;
  EXPECT_EQ(cs->getRGB(color({0})), (QVPDFRGB{0, 0, 0})) << GetParam().why;
  EXPECT_EQ(cs->getCMYK(color({0})), (QVPDFCMYK{0, 0, 0, 0})) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, IndexedParseFailure,
    testing::Values(BrokenIndexed{"[/Indexed /DeviceRGB 256 <00>]", "index high above 255"},
                    BrokenIndexed{"[/Indexed /DeviceRGB -1 <000000>]", "negative index high"},
                    BrokenIndexed{"[/Indexed /DeviceRGB 1 <0A141EFF80>]", "table one byte short"},
                    BrokenIndexed{"[/Indexed /DeviceRGB 1.0 <0A141EFF8000>]", "index high not an integer"},
                    BrokenIndexed{"[/Indexed /Foo 0 <000000>]", "unknown base"},
                    BrokenIndexed{"[/Indexed /DeviceRGB 0 42]", "table neither string nor stream"},
                    BrokenIndexed{"[/Indexed /DeviceRGB 0]", "three elements"},
                    BrokenIndexed{"[/Indexed /DeviceRGB 0 <000000> 1]", "five elements"}));

// ---------------------------------------------------------------------------
// Separation and DeviceN through their tint transforms

TEST_F(ColorSpaceWithStreams, SeparationEvaluatesItsTintTransform) {
  auto cs = make(QPDFObjectHandle::parse(
      "[/Separation /PANTONE#20185 /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 1 0 0] /N 1 >>]"));
  ASSERT_NE(cs, nullptr);
  auto separation = std::dynamic_pointer_cast<const QVPDFSeparationColorSpace>(cs);
  EXPECT_EQ(separation->name(), "PANTONE 185");
  EXPECT_EQ(cs->getNComps(), 1);
  // Tint 0 evaluates the function at 0.0: no ink.
  EXPECT_EQ(cs->getRGB(color({0})), (QVPDFRGB{255, 255, 255}));
  EXPECT_EQ(cs->getRGB(color({255})), (QVPDFRGB{236, 0, 139}));
  EXPECT_EQ(cs->getCMYK(color({255})), (QVPDFCMYK{0, 255, 0, 0}));
  EXPECT_EQ(cs->getGray(color({255})), 105);
}

TEST_F(ColorSpaceWithStreams, SeparationThroughSampledAndPostScriptFunctions) {
  QPDFObjectHandle sampled = QPDFObjectHandle::parse("[/Separation /Spot /DeviceRGB null]");
  sampled.setArrayItem(3, b.stream(std::string("\xff\xff\xff\x20\x40\x80", 6),
                                   "<< /FunctionType 0 /Domain [0 1] /Range [0 1 0 1 0 1] /Size [2] /BitsPerSample 8 >>"));
  auto viaSamples = make(sampled);
  EXPECT_EQ(viaSamples->getRGB(color({0})), (QVPDFRGB{255, 255, 255}));
  EXPECT_EQ(viaSamples->getRGB(color({255})), (QVPDFRGB{0x20, 0x40, 0x80}));

  QPDFObjectHandle calculator = QPDFObjectHandle::parse("[/Separation /Spot /DeviceCMYK null]");
  calculator.setArrayItem(3, b.stream("{ 0 0 0 4 -1 roll }", "<< /FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1 0 1] >>"));
  auto viaProgram = make(calculator);
  EXPECT_EQ(viaProgram->getCMYK(color({255})), (QVPDFCMYK{0, 0, 0, 255}));
  EXPECT_EQ(viaProgram->getRGB(color({255})), (QVPDFRGB{35, 31, 32}));
}

TEST_F(ColorSpaceWithStreams, DeviceNMapsEveryColorantThroughItsTintTransform) {
  QPDFObjectHandle array = QPDFObjectHandle::parse("[/DeviceN [/Cyan /Magenta] /DeviceCMYK null << /Colorants << >> >>]");
  array.setArrayItem(3, b.stream("{ 0 0 }", "<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1 0 1] >>"));
  auto cs = make(array);
  ASSERT_NE(cs, nullptr);
  EXPECT_EQ(cs->getNComps(), 2);
  EXPECT_EQ(cs->getRGB(color({255, 0})), (QVPDFRGB{0, 172, 239}));
  EXPECT_EQ(cs->getRGB(color({255, 255})), (QVPDFRGB{46, 49, 145}));
  EXPECT_EQ(cs->getCMYK(color({0, 255})), (QVPDFCMYK{0, 255, 0, 0}));
  EXPECT_EQ(cs->getDefaultColor(), QVPDFColor{});
}

TEST(ColorSpaceTint, DeviceNComponentCountIsCappedAt32) {
  std::string names;
  for (int i = 0; i < 40; ++i) names += "/C" + std::to_string(i) + " ";
  auto cs = space("[/DeviceN [" + names + "] /DeviceGray /Identity]");
  EXPECT_EQ(cs->getNComps(), 32);
}

struct BrokenTint {
  const char* object;
  const char* why;
};

class TintParseFailure : public testing::TestWithParam<BrokenTint> {};

TEST_P(TintParseFailure, LeavesNoAlternateAndConvertsToZeros) {
  auto cs = space(GetParam().object);
  ASSERT_NE(cs, nullptr) << GetParam().why;
  EXPECT_EQ(cs->getRGB(color({255, 255})), (QVPDFRGB{0, 0, 0})) << GetParam().why;
  EXPECT_EQ(cs->getGray(color({255, 255})), 0) << GetParam().why;
  if (auto sep = std::dynamic_pointer_cast<const QVPDFSeparationColorSpace>(cs)) {
    EXPECT_EQ(sep->alt(), nullptr);
    EXPECT_EQ(sep->func(), nullptr);
    EXPECT_EQ(sep->name(), "");
  }
  if (auto devn = std::dynamic_pointer_cast<const QVPDFDeviceNColorSpace>(cs)) {
    EXPECT_EQ(devn->alt(), nullptr);
    EXPECT_EQ(devn->nComps(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TintParseFailure,
    testing::Values(BrokenTint{"[/Separation (Spot) /DeviceGray /Identity]", "name is a string"},
                    BrokenTint{"[/Separation /Spot /Nope /Identity]", "unknown alternate"},
                    BrokenTint{"[/Separation /Spot /DeviceGray << /FunctionType 1 >>]", "function type 1"},
                    BrokenTint{"[/Separation /Spot /DeviceGray /Identity 5]", "five elements"},
                    BrokenTint{"[/DeviceN /Spot /DeviceGray /Identity]", "names not an array"},
                    BrokenTint{"[/DeviceN [/A] /DeviceGray]", "three elements"},
                    BrokenTint{"[/DeviceN [/A] /DeviceGray [/Identity]]", "function array"}));

TEST(ColorSpaceTint, TintTransformOutputsAreNotClampedBeforeTheAlternate) {
  // C0 above 1 gives an alternate component above 255, which the
  // alternate then clamps.
  auto cs = space("[/Separation /S /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [2 -1 0.5] /C1 [2 -1 0.5] /N 1 >>]");
  EXPECT_EQ(cs->getRGB(color({0})), (QVPDFRGB{255, 0, 127}));
}

// ---------------------------------------------------------------------------
// Damaged files: nesting that leads back to itself

TEST(ColorSpaceRecursion, IndexedBaseThatIsItselfStops) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle self = b.qpdf().makeIndirectObject(QPDFObjectHandle::parse("[/Indexed null 0 <00>]"));
  self.setArrayItem(1, self);
  auto cs = QVPDFColorSpace::colorSpaceWithObject(PdfObject(self));
  ASSERT_NE(cs, nullptr);
  EXPECT_EQ(cs->getRGB(color({0})), (QVPDFRGB{0, 0, 0}));
  // The chain of bases ends within the nesting limit.
  int depth = 0;
  auto current = std::dynamic_pointer_cast<const QVPDFIndexedColorSpace>(cs);
  while (current && current->base()) {
    current = std::dynamic_pointer_cast<const QVPDFIndexedColorSpace>(current->base());
    ++depth;
  }
  EXPECT_LE(depth, QVPDFParseBudget::kMaxDepth);
}

TEST(ColorSpaceRecursion, AlternatesThatLeadBackStop) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle separation = b.qpdf().makeIndirectObject(QPDFObjectHandle::parse("[/Separation /S null /Identity]"));
  separation.setArrayItem(2, separation);
  EXPECT_NE(QVPDFColorSpace::colorSpaceWithObject(PdfObject(separation)), nullptr);

  QPDFObjectHandle deviceN = b.qpdf().makeIndirectObject(QPDFObjectHandle::parse("[/DeviceN [/A] null /Identity]"));
  deviceN.setArrayItem(2, deviceN);
  EXPECT_NE(QVPDFColorSpace::colorSpaceWithObject(PdfObject(deviceN)), nullptr);

  QPDFObjectHandle profile = b.stream("", "<< /N 3 >>");
  QPDFObjectHandle icc = b.qpdf().makeIndirectObject(QPDFObjectHandle::parse("[/ICCBased null]"));
  icc.setArrayItem(1, profile);
  profile.getDict().replaceKey("/Alternate", icc);
  auto cs = QVPDFColorSpace::colorSpaceWithObject(PdfObject(icc));
  ASSERT_NE(cs, nullptr);
  // Deep down the alternate gives out and N = 3 falls back to DeviceRGB.
  EXPECT_EQ(cs->getRGB(color({1, 2, 3})), (QVPDFRGB{1, 2, 3}));
}

TEST(ColorSpaceRecursion, WideSharingStaysWithinTheBudget) {
  // Each level's tint function stitches the level below many times over:
  // without a budget the work would grow as 50^depth.
  qvtest::PdfBuilder b;
  QPDFObjectHandle level = b.qpdf().makeIndirectObject(
      QPDFObjectHandle::parse("<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>"));
  for (int i = 0; i < 8; ++i) {
    QPDFObjectHandle functions = QPDFObjectHandle::newArray();
    QPDFObjectHandle bounds = QPDFObjectHandle::newArray();
    QPDFObjectHandle encode = QPDFObjectHandle::newArray();
    for (int k = 0; k < 50; ++k) {
      functions.appendItem(level);
      if (k > 0) bounds.appendItem(QPDFObjectHandle::newReal(k / 50.0, 4));
      encode.appendItem(QPDFObjectHandle::newInteger(0));
      encode.appendItem(QPDFObjectHandle::newInteger(1));
    }
    QPDFObjectHandle next = QPDFObjectHandle::parse("<< /FunctionType 3 /Domain [0 1] >>");
    next.replaceKey("/Functions", functions);
    next.replaceKey("/Bounds", bounds);
    next.replaceKey("/Encode", encode);
    level = b.qpdf().makeIndirectObject(next);
  }
  QPDFObjectHandle array = QPDFObjectHandle::parse("[/Separation /S /DeviceGray null]");
  array.setArrayItem(3, level);
  auto cs = QVPDFColorSpace::colorSpaceWithObject(PdfObject(array));
  ASSERT_NE(cs, nullptr);
  cs->getRGB(color({128}));
}

// ---------------------------------------------------------------------------
// The resource collection

TEST(ColorSpaceCollection, BuildsEveryEntryThatIsAColourSpace) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle dict = QPDFObjectHandle::parse(
      "<< /CS0 /DeviceCMYK /CS1 [/Indexed /DeviceRGB 0 <FF0000>] /CS2 /Nonsense /CS3 42 /CS4 [/ICCBased 0] >>");
  QVPDFColorSpaceCollection collection{PdfObject(dict)};
  EXPECT_EQ(collection.colorSpaces().size(), 3u);
  ASSERT_NE(collection.colorSpaceNamed("CS1"), nullptr);
  EXPECT_EQ(collection.colorSpaceNamed("CS1")->getRGB(color({0})), (QVPDFRGB{255, 0, 0}));
  EXPECT_EQ(collection.colorSpaceNamed("CS0")->getMode(), QVPDFColorSpace::kModeDeviceCMYK);
  EXPECT_EQ(collection.colorSpaceNamed("CS2"), nullptr);
  EXPECT_EQ(collection.colorSpaceNamed("Missing"), nullptr);
  EXPECT_EQ(collection.colorSpaceNamed("CS4")->getMode(), QVPDFColorSpace::kModeICCBased);

  QVPDFColorSpaceCollection::Map extra{{"CS0", QVPDFColorSpace::deviceGray()}};
  collection.addFromDictionary(extra);
  EXPECT_EQ(collection.colorSpaceNamed("CS0")->getMode(), QVPDFColorSpace::kModeDeviceGray);
  EXPECT_EQ(collection.colorSpacesByName().size(), 3u);

  EXPECT_TRUE(QVPDFColorSpaceCollection(PdfObject()).colorSpaces().empty());
}

TEST(ColorRecords, OperandScaleAndPlatformColour) {
  EXPECT_EQ(QVPDFColorComponent(0.5), 127);
  EXPECT_EQ(QVPDFColorComponent(1.0), 255);
  EXPECT_EQ(QVPDFColorComponent(-0.5), -127);
  EXPECT_EQ(QVPDFColorComponent(1e300), INT32_MAX);
  EXPECT_EQ(QVPDFColorComponent(-1e300), INT32_MIN);
  EXPECT_EQ(QVPDFColorComponent(std::nan("")), 0);
  EXPECT_EQ(QVPDFRGBA::fromRGB({255, 0, 51}), (QVPDFRGBA{1.0, 0.0, static_cast<double>(51.0f / 255.0f), 1.0}));
}

TEST(ColorRecords, ExtremeComponentsConvertWithoutOverflow) {
  QVPDFColor extreme = color({INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX});
  for (const char* name : {"/DeviceGray", "/DeviceRGB", "/DeviceCMYK", "[/Lab << >>]", "[/CalRGB << >>]"}) {
    auto cs = space(name);
    cs->getGray(extreme);
    cs->getRGB(extreme);
    cs->getCMYK(extreme);
  }
  EXPECT_EQ(space("/DeviceRGB")->getCMYK(extreme), (QVPDFCMYK{255, 0, 255, 0}));
  EXPECT_EQ(space("/DeviceGray")->getCMYK(extreme), (QVPDFCMYK{0, 0, 0, 255}));
}

}  // namespace

// Shadings and patterns: the factory by ShadingType, the axial shading's
// parameters and its colours along the axis, and the shading resources by
// name.
#include <gtest/gtest.h>

#include <string>

#include "pdf/QVPDFPattern.h"
#include "pdf/QVPDFShading.h"
#include "pdf/QVPDFShadingAxial.h"
#include "pdf/QVPDFShadingPattern.h"
#include "pdf/QVPDFShadingPatternCollection.h"
#include "tests/support/fixtures.h"

namespace {

using platform::PdfObject;

PdfObject parsed(const std::string& text) { return PdfObject(QPDFObjectHandle::parse(text)); }

std::shared_ptr<const QVPDFShading> shading(const std::string& text) {
  return QVPDFShading::shadingWithDictionary(parsed(text));
}

std::shared_ptr<const QVPDFShadingAxial> axial(const std::string& text) {
  return std::dynamic_pointer_cast<const QVPDFShadingAxial>(shading(text));
}

struct TypeCase {
  const char* dict;
  int type;  // 0: no shading
};

class ShadingFactory : public testing::TestWithParam<TypeCase> {};

TEST_P(ShadingFactory, ChoosesTheClassByShadingType) {
  auto s = shading(GetParam().dict);
  if (GetParam().type == 0) {
    EXPECT_EQ(s, nullptr) << GetParam().dict;
  } else {
    ASSERT_NE(s, nullptr) << GetParam().dict;
    EXPECT_EQ(s->shadingType(), GetParam().type);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ShadingFactory,
                         testing::Values(TypeCase{"<< /ShadingType 1 >>", 1}, TypeCase{"<< /ShadingType 2 >>", 2},
                                         TypeCase{"<< /ShadingType 3 >>", 3}, TypeCase{"<< /ShadingType 4 >>", 4},
                                         TypeCase{"<< /ShadingType 5 >>", 5}, TypeCase{"<< /ShadingType 6 >>", 6},
                                         TypeCase{"<< /ShadingType 7 >>", 7}, TypeCase{"<< >>", 0},
                                         TypeCase{"<< /ShadingType 0 >>", 0}, TypeCase{"<< /ShadingType 8 >>", 0},
                                         TypeCase{"<< /ShadingType 2.0 >>", 0}, TypeCase{"<< /ShadingType /Axial >>", 0},
                                         TypeCase{"[/ShadingType 2]", 0}, TypeCase{"2", 0}));

TEST(ShadingFactory, PlaceholderTypesAreTheirOwnClasses) {
  EXPECT_NE(std::dynamic_pointer_cast<const QVPDFShadingRadial>(shading("<< /ShadingType 3 /Coords [0 0 0 1 1 10] >>")), nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<const QVPDFShadingFunction>(shading("<< /ShadingType 1 >>")), nullptr);
  qvtest::PdfBuilder b;
  // The mesh types are streams.
  auto mesh = QVPDFShading::shadingWithDictionary(PdfObject(b.stream("", "<< /ShadingType 6 /BitsPerCoordinate 8 >>")));
  ASSERT_NE(mesh, nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<const QVPDFShadingPatchMeshCoons>(mesh), nullptr);
}

TEST(AxialShading, DefaultsWhenParametersAreMissingOrMalformed) {
  auto a = axial("<< /ShadingType 2 >>");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->coordsStart(), (platform::Point{0, 0}));
  EXPECT_EQ(a->coordsEnd(), (platform::Point{100, 100}));
  EXPECT_EQ(a->domainRange(), (platform::Point{0, 1}));
  EXPECT_FALSE(a->extendStart());
  EXPECT_FALSE(a->extendEnd());
  EXPECT_EQ(a->colorSpace()->getMode(), QVPDFColorSpace::kModeDeviceRGB);
  EXPECT_EQ(a->pdfFuntion(), nullptr);
  EXPECT_FALSE(a->colorAt(0.5).has_value());

  auto wrongSizes = axial("<< /ShadingType 2 /Coords [1 2 3] /Domain [0 1 2] /Extend [true] /ColorSpace /Nonsense >>");
  EXPECT_EQ(wrongSizes->coordsStart(), (platform::Point{0, 0}));
  EXPECT_EQ(wrongSizes->coordsEnd(), (platform::Point{100, 100}));
  EXPECT_EQ(wrongSizes->domainRange(), (platform::Point{0, 1}));
  EXPECT_FALSE(wrongSizes->extendStart());
  EXPECT_EQ(wrongSizes->colorSpace()->getMode(), QVPDFColorSpace::kModeDeviceRGB);
}

TEST(AxialShading, ReadsCoordsDomainExtendAndFunction) {
  auto a = axial("<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [10 20 /x 40] /Domain [0.5 2] /Extend [true false] "
                 "/Function << /FunctionType 2 /Domain [0 2] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >>");
  ASSERT_NE(a, nullptr);
  // Elements that are not numbers keep their default.
  EXPECT_EQ(a->coordsStart(), (platform::Point{10, 20}));
  EXPECT_EQ(a->coordsEnd(), (platform::Point{100, 40}));
  EXPECT_EQ(a->domainRange(), (platform::Point{0.5, 2}));
  EXPECT_TRUE(a->extendStart());
  EXPECT_FALSE(a->extendEnd());
  ASSERT_NE(a->pdfFuntion(), nullptr);
  EXPECT_EQ(a->pdfFuntion()->getType(), 2);
  EXPECT_EQ(a->colorAt(0), (QVPDFRGB{255, 0, 0}));
  EXPECT_EQ(a->colorAt(0.5), (QVPDFRGB{127, 0, 127}));
  EXPECT_EQ(a->colorAt(1), (QVPDFRGB{0, 0, 255}));
  // Beyond C1 the components leave 0..1 and the colour space clamps them.
  EXPECT_EQ(a->colorAt(2), (QVPDFRGB{0, 0, 255}));
}

TEST(AxialShading, MultiStopGradientThroughAStitchingFunction) {
  auto a = axial(
      "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Function << /FunctionType 3 /Domain [0 1] "
      "/Bounds [0.5] /Encode [0 1 0 1] /Functions ["
      "<< /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [1 0 0] /N 1 >>"
      "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 0] /N 1 >>] >> >>");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->colorAt(0), (QVPDFRGB{255, 255, 255}));
  EXPECT_EQ(a->colorAt(0.5), (QVPDFRGB{255, 0, 0}));
  EXPECT_EQ(a->colorAt(1), (QVPDFRGB{0, 0, 0}));
}

TEST(AxialShading, ColourSpaceNamesAndArraysAreHonoured) {
  // A CMYK gradient's four outputs are read as CMYK, not as RGB.
  auto cmyk = axial("<< /ShadingType 2 /ColorSpace /DeviceCMYK "
                    "/Function << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 0 0 1] /N 1 >> >>");
  EXPECT_EQ(cmyk->colorSpace()->getMode(), QVPDFColorSpace::kModeDeviceCMYK);
  EXPECT_EQ(cmyk->colorAt(0), (QVPDFRGB{255, 255, 255}));
  EXPECT_EQ(cmyk->colorAt(1), (QVPDFRGB{35, 31, 32}));
  // A spot-colour gradient runs through the tint transform.
  auto spot = axial("<< /ShadingType 2 /ColorSpace [/Separation /Spot /DeviceRGB "
                    "<< /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0.5 0] /N 1 >>] "
                    "/Function << /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >> >>");
  EXPECT_EQ(spot->colorSpace()->getMode(), QVPDFColorSpace::kModeSeparation);
  EXPECT_EQ(spot->colorAt(1), (QVPDFRGB{0, 127, 0}));
}

TEST(AxialShading, AnArrayOfFunctionsGivesNoFunction) {
  auto a = axial("<< /ShadingType 2 /Function [<< /FunctionType 2 /Domain [0 1] /N 1 >>] >>");
  EXPECT_EQ(a->pdfFuntion(), nullptr);
  EXPECT_FALSE(a->colorAt(0).has_value());
}

TEST(AxialShading, ColourSpaceThatLeadsBackToItselfStops) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle space = b.qpdf().makeIndirectObject(QPDFObjectHandle::parse("[/Indexed null 0 <000000>]"));
  space.setArrayItem(1, space);
  QPDFObjectHandle dict = QPDFObjectHandle::parse("<< /ShadingType 2 /Function /Identity >>");
  dict.replaceKey("/ColorSpace", space);
  auto a = std::dynamic_pointer_cast<const QVPDFShadingAxial>(QVPDFShading::shadingWithDictionary(PdfObject(dict)));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->colorSpace()->getMode(), QVPDFColorSpace::kModeIndexed);
  EXPECT_TRUE(a->colorAt(0.5).has_value());
}

TEST(ShadingPattern, KeepsTheResourceNameAndTheShading) {
  QVPDFShadingPattern pattern(parsed("<< /ShadingType 2 /Coords [0 0 1 1] >>"), "Sh1");
  EXPECT_EQ(pattern.objectKey(), "Sh1");
  ASSERT_NE(pattern.shading(), nullptr);
  EXPECT_EQ(pattern.shading()->shadingType(), 2);
  // An unknown type gives a pattern without a shading.
  QVPDFShadingPattern unknown(parsed("<< /ShadingType 9 >>"), "Sh2");
  EXPECT_EQ(unknown.objectKey(), "Sh2");
  EXPECT_EQ(unknown.shading(), nullptr);
  // Copies share the immutable shading.
  QVPDFShadingPattern copy = pattern;
  EXPECT_EQ(copy.shading(), pattern.shading());
  EXPECT_EQ(copy.objectKey(), "Sh1");
}

TEST(Pattern, KeepsOnlyTheResourceName) {
  QVPDFPattern pattern(parsed("<< /PatternType 2 >>"), "P0");
  EXPECT_EQ(pattern.objectKey(), "P0");
  QVPDFTilingPattern tiling(parsed("<< /PatternType 1 /PaintType 1 >>"), "P1");
  EXPECT_EQ(tiling.objectKey(), "P1");
}

TEST(ShadingPatternCollection, BuildsEveryShadingResourceByName) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle shared = b.qpdf().makeIndirectObject(QPDFObjectHandle::parse("<< /ShadingType 2 >>"));
  QPDFObjectHandle resources = QPDFObjectHandle::parse("<< /Sh0 << /ShadingType 3 >> /Sh3 /NotADictionary /Sh4 << /ShadingType 12 >> >>");
  resources.replaceKey("/Sh1", shared);
  resources.replaceKey("/Sh2", shared);
  resources.replaceKey("/Mesh", b.stream("", "<< /ShadingType 4 >>"));
  QVPDFShadingPatternCollection collection{PdfObject(resources)};
  EXPECT_EQ(collection.collectObjects().size(), 5u);
  ASSERT_NE(collection.objectNamed("Sh0"), nullptr);
  EXPECT_EQ(collection.objectNamed("Sh0")->objectKey(), "Sh0");
  EXPECT_EQ(collection.objectNamed("Sh0")->shading()->shadingType(), 3);
  // Two names for one object give two patterns, each with its own name.
  auto one = collection.objectNamed("Sh1");
  auto two = collection.objectNamed("Sh2");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_NE(one, two);
  EXPECT_EQ(one->objectKey(), "Sh1");
  EXPECT_EQ(two->objectKey(), "Sh2");
  EXPECT_EQ(collection.objectNamed("Mesh")->shading()->shadingType(), 4);
  EXPECT_EQ(collection.objectNamed("Sh3"), nullptr);
  ASSERT_NE(collection.objectNamed("Sh4"), nullptr);
  EXPECT_EQ(collection.objectNamed("Sh4")->shading(), nullptr);
  EXPECT_EQ(collection.objectNamed("Missing"), nullptr);
  EXPECT_TRUE(QVPDFShadingPatternCollection(PdfObject()).collectObjects().empty());
}

}  // namespace

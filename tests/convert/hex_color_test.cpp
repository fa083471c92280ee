// Colours as hexadecimal digits and the near-black test.
#include <gtest/gtest.h>

#include "convert/QVHexColor.h"

namespace {

using platform::Color;

TEST(QVHexColor, HexDigitsByColourModel) {
  struct Case {
    Color color;
    const char* hex;
  };
  const Case cases[] = {
      {Color::rgb(1, 0.5, 0), "ff8000"},            // 127.5 rounds up
      {Color::gray(0.2), "333333"},
      {Color::cmyk(0, 1, 1, 0), "000000"},          // other models read as black
      {Color::rgb(0, 0, 1, 0.3), "0000ff"},         // alpha never enters
      {Color::rgb(1.5, -0.2, 0.0627), "ff0010"},    // clamped to one byte per channel
      {Color{platform::ColorModel::Other, {1, 1, 1, 0}, 1}, "000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(QVHexColor::getHexColorFromCGColor(c.color), c.hex) << c.hex;
  EXPECT_EQ(QVHexColor::getHexColorFromCGColor(std::optional<Color>()), std::nullopt);
  EXPECT_EQ(QVHexColor::getHexColorFromCGColor(std::optional<Color>(Color::gray(1))), "ffffff");
}

TEST(QVHexColor, ThresholdTurnsBrightColoursBlack) {
  EXPECT_EQ(QVHexColor::getHexColorFromCGColor(Color::rgb(1, 1, 1), 250.0), "000000");
  EXPECT_EQ(QVHexColor::getHexColorFromCGColor(Color::rgb(1, 0.5, 1), 250.0), "ff80ff");
}

TEST(QVHexColor, NearBlack) {
  EXPECT_TRUE(QVHexColor::isBlackColor(Color::rgb(10 / 255.0, 10 / 255.0, 10 / 255.0)));
  EXPECT_FALSE(QVHexColor::isBlackColor(Color::rgb(11 / 255.0, 0, 0)));
  EXPECT_TRUE(QVHexColor::isBlackColor(Color::cmyk(0, 0, 0, 0)));
  EXPECT_FALSE(QVHexColor::isBlackColor(std::optional<Color>()));
}

TEST(QVHexColor, WhiteAndHexText) {
  EXPECT_EQ(QVHexColor::whiteCGColor(), Color::rgb(1, 1, 1, 1));
  EXPECT_EQ(QVHexColor::getRGBColorFromHex("#ff8000"), Color::rgb(1, 128 / 255.0, 0, 1));
  EXPECT_EQ(QVHexColor::getRGBColorFromHex("#zz0000"), Color::rgb(1, 0, 0, 1));
  EXPECT_EQ(QVHexColor::getRGBColorFromHex("ff8000"), std::nullopt);
  EXPECT_EQ(QVHexColor::getRGBColorFromHex(""), std::nullopt);
  EXPECT_EQ(QVHexColor::colorRGBDeescription(Color::rgb(1, 0.5, 0.999)), "RGB:(255, 127, 254)");
}

}  // namespace

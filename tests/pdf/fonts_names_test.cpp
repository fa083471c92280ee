// Font names: bold and italic tests, family cuts, the fuzzy score and the
// FontBook family look-up.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "pdf/fonts/QVPDFFontBook.h"
#include "pdf/fonts/QVPDFFontUtilities.h"

namespace {

using U = QVPDFFontUtilities;

TEST(FontNames, BoldAndItalicNames) {
  for (const char* name : {"Arial-BoldMT", "Foo-Bd", "X-MD", "Y-blk", "Boldface", "HELVETICA-BOLD", "a-bOLd"})
    EXPECT_TRUE(U::isBoldFontName(name)) << name;
  for (const char* name : {"Arial", "", "Bodoni", "Arial-Black", "Medium"}) EXPECT_FALSE(U::isBoldFontName(name)) << name;
  for (const char* name : {"Helvetica-Oblique", "Times-Italic", "ARIAL-ITALICMT", "Oblique"})
    EXPECT_TRUE(U::isItalicFontName(name)) << name;
  for (const char* name : {"Times-Roman", "", "Ital"}) EXPECT_FALSE(U::isItalicFontName(name)) << name;
}

TEST(FontNames, FamilyNameCut) {
  EXPECT_EQ(U::familyNameCut("Arial-BoldMT"), "Arial");
  EXPECT_EQ(U::familyNameCut("Arial,Bold"), "Arial");
  EXPECT_EQ(U::familyNameCut("Calibri"), "Calibri");
  EXPECT_EQ(U::familyNameCut("A,B-C"), "A,B");
  EXPECT_EQ(U::familyNameCut(""), "");
}

TEST(FontNames, FuzzyScore) {
  EXPECT_DOUBLE_EQ(U::string("Times-Roman", "TimesRoman"), 1.0);
  EXPECT_DOUBLE_EQ(U::string("TimesRoman", "Times-Roman", 0.8), 1.0);
  EXPECT_DOUBLE_EQ(U::string("Times-Roman", ""), 0.0);
  EXPECT_DOUBLE_EQ(U::string("Arial", "Axe"), 0.0);        // x is not in Arial, no fuzziness
  EXPECT_GT(U::string("Arial", "Axe", 0.8), 0.0);
  EXPECT_DOUBLE_EQ(U::string("12345", "Arial", 0.8), 0.0); // no letters: 0, not a division by zero
  EXPECT_DOUBLE_EQ(U::string("---", "***", 0.8), 0.0);
  EXPECT_DOUBLE_EQ(U::string("Caf\xC3\xA9", "Cafe"), 1.0); // accents drop out
  // A prefix scores high, a scattered match lower.
  const double prefix = U::string("ArialMT", "Arial", 0.8);
  const double scattered = U::string("ArialMT", "Amt", 0.8);
  EXPECT_GT(prefix, 0.5);
  EXPECT_LT(prefix, 1.0);
  EXPECT_GT(prefix, scattered);
  // Options change the weighting.
  EXPECT_NE(U::string("ArialMT", "Arial", 0.8, U::kScoreOptionFavorSmallerWords), prefix);
}

TEST(FontNames, FuzzyScoreFollowsTheCharacterRules) {
  // "aB" in "abc": a at the start (0.2 + 0.6, start bonus), B found as b at
  // the start of the rest (0.1 + 0.6): total 1.5, a = 0.75, w = a × 2 / 3,
  // (w + a) / 2 plus the start bonus 0.15.
  EXPECT_DOUBLE_EQ(U::string("abc", "aB"), (0.75 * 2 / 3 + 0.75) / 2 + 0.15);
  // "y" in "x y": found after a space (0.2 + 0.8); a = 1, w = 1 / 3.
  EXPECT_DOUBLE_EQ(U::string("x y", "y"), (1.0 / 3 + 1.0) / 2);
}

TEST(FontNames, ArialMTFindsArial) {
  EXPECT_EQ(U::familyName("ArialMT"), "Arial");
  EXPECT_EQ(U::familyName("Arial-BoldMT"), "Arial");
  EXPECT_EQ(U::familyName("TimesNewRomanPSMT"), "Times New Roman");
  EXPECT_EQ(U::familyName("Calibri-Bold"), "Calibri");
  EXPECT_EQ(U::familyName("Arial"), "Arial");
  EXPECT_EQ(U::familyName(""), std::nullopt);
  EXPECT_EQ(U::familyName("ZZQQXX-99"), "ZZQQXX-99");  // no family scores above 0.5
}

TEST(FontNames, FamilyLookupInAGivenList) {
  auto book = QVPDFFontBook::parse(R"(# test list
Alpha
  Alpha-Regular Alpha Regular
  Alpha-Bold Alpha Bold
Beta Sans
  BetaSans Beta Sans
  BetaSans-Bold Beta Sans Bold
Gamma
  Gamma-Book Gamma Book
)");
  ASSERT_EQ(book.families().size(), 3u);
  EXPECT_EQ(book.families()[1].faces[1].fullName, "Beta Sans Bold");
  // No face has the full name "Alpha": the face's full name answers.
  EXPECT_EQ(U::familyNameFuzzyMatch("Alpha-Bold", book), "Alpha Bold");
  EXPECT_EQ(U::familyNameFuzzyMatch("BetaSans-Bold", book), "Beta Sans");
  EXPECT_EQ(U::familyNameFuzzyMatch("Gamma", book), "Gamma");
  EXPECT_EQ(U::familyNameFuzzyMatch("BetaSans-BoldItalic", book), "Beta Sans");
  EXPECT_EQ(U::familyNameFuzzyMatch("Qqq", book), "Qqq");
  EXPECT_EQ(U::familyNameFuzzyMatch("1234", book), "1234");
  EXPECT_EQ(U::familyNameFuzzyMatch("Anything", QVPDFFontBook()), "Anything");
  EXPECT_TRUE(U::isHaveFullName(book.families()[1], "Beta Sans"));
  EXPECT_FALSE(U::isHaveFullName(book.families()[0], "Alpha"));
}

TEST(FontNames, TheCompiledInListHasFamiliesAndFaces) {
  const QVPDFFontBook* book = QVPDFFontBook::shared();
  ASSERT_NE(book, nullptr);
  EXPECT_GT(book->families().size(), 100u);
  std::set<std::string> postScriptNames;
  for (const auto& family : book->families()) {
    EXPECT_FALSE(family.faces.empty()) << family.name;
    const bool hasFull = U::isHaveFullName(family, family.name);
    for (const auto& face : family.faces) {
      EXPECT_EQ(face.postScriptName.find(' '), std::string::npos) << face.postScriptName;
      EXPECT_TRUE(postScriptNames.insert(face.postScriptName).second) << "twice: " << face.postScriptName;
      // Each face finds its own family (or its own full name).
      EXPECT_EQ(U::familyName(face.postScriptName), hasFull ? family.name : face.fullName) << face.postScriptName;
    }
  }
}

TEST(FontNames, FamiliesOfRealPdfsFindTheClosestOfficeFamilyKeepingTheirKindApart) {
  struct Case {
    const char* fontName;
    const char* family;
  };
  const Case cases[] = {
      // Serif text faces, in every design size.
      {"CMR10", "Times New Roman"},
      {"CMR7", "Times New Roman"},
      {"CMBX12", "Times New Roman"},
      {"CMTI10", "Times New Roman"},
      {"SFRM1000", "Times New Roman"},
      {"SFBX1200", "Times New Roman"},
      {"ECRM1095", "Times New Roman"},
      {"LMRoman10-Regular", "Times New Roman"},
      {"LMRoman12-Bold", "Times New Roman"},
      {"NimbusRomNo9L-Regu", "Times New Roman"},
      {"NimbusRoman-Regular", "Times New Roman"},
      {"LiberationSerif", "Times New Roman"},
      {"NotoSerif-Regular", "Times New Roman"},
      {"TeXGyreTermes-Regular", "Times New Roman"},
      // Sans-serif faces.
      {"CMSS10", "Arial"},
      {"CMSSBX10", "Arial"},
      {"SFSS1000", "Arial"},
      {"SFSX0900", "Arial"},
      {"LMSans10-Regular", "Arial"},
      {"NimbusSanL-Regu", "Arial"},
      {"NimbusSans-Bold", "Arial"},
      {"LiberationSans-Bold", "Arial"},
      {"NotoSans-Regular", "Arial"},
      {"TeXGyreHeros-Regular", "Arial"},
      {"DejaVuSans", "Verdana"},
      // Typewriter faces.
      {"CMTT10", "Courier New"},
      {"CMTT9", "Courier New"},
      {"SFTT0800", "Courier New"},
      {"LMMono10-Regular", "Courier New"},
      {"NimbusMonL-Regu", "Courier New"},
      {"NimbusMonoPS-Regular", "Courier New"},
      {"LiberationMono", "Courier New"},
      {"DejaVuSansMono-Bold", "Courier New"},
      {"NotoSansMono-Regular", "Courier New"},
      // Other kinds.
      {"CMSY10", "Cambria Math"},
      {"CMEX10", "Cambria Math"},
      {"StandardSymL", "Symbol"},
      {"URWPalladioL-Roma", "Palatino Linotype"},
      {"TeXGyrePagellaX-Regular", "Palatino Linotype"},
      {"DejaVuSerif", "Georgia"},
      {"Carlito", "Calibri"},
      {"FandolSong-Regular", "SimSun"},
  };
  for (const Case& c : cases) EXPECT_EQ(U::familyName(c.fontName), c.family) << c.fontName;
}

}  // namespace

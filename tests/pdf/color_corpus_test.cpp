// Every colour space, shading, pattern and extended graphics state that the
// pages of the real-world corpus use (through their forms, patterns and
// images too) is built and evaluated without failing.
#include <gtest/gtest.h>

#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFColorSpaceCollection.h"
#include "pdf/QVPDFExtGStateCollection.h"
#include "pdf/QVPDFPattern.h"
#include "pdf/QVPDFShadingAxial.h"
#include "pdf/QVPDFShadingPatternCollection.h"
#include "pdf/QVPDFStitchingFunction.h"
#include "platform/pdf/document.h"
#include "tests/support/fixtures.h"

namespace {

using platform::PdfObject;

struct Tally {
  int colorSpaces = 0;
  int extGStates = 0;
  int shadings = 0;
  int patterns = 0;
  int imageSpaces = 0;
  int forms = 0;
  std::vector<std::shared_ptr<const QVPDFShadingAxial>> axialShadings;
};

class ResourceWalker {
 public:
  explicit ResourceWalker(Tally& tally) : tally_(tally) {}

  void walk(const PdfObject& resources, int depth) {
    if (!resources.isDictionary() || depth > kMaxDepth) return;
    PdfObject spaceDict = resources.getDictionary("ColorSpace");
    QVPDFColorSpaceCollection spaces(spaceDict);
    for (const auto& [name, space] : spaces.colorSpaces()) {
      exercise(*space);
      ++tally_.colorSpaces;
    }
    QVPDFExtGStateCollection states(resources.getDictionary("ExtGState"));
    tally_.extGStates += static_cast<int>(states.collectObjects().size());
    QVPDFShadingPatternCollection shadings(resources.getDictionary("Shading"));
    for (const auto& [name, pattern] : shadings.collectObjects()) {
      EXPECT_EQ(pattern->objectKey(), name);
      exercise(pattern->shading());
      ++tally_.shadings;
    }
    walkPatterns(resources.getDictionary("Pattern"), depth);
    walkXObjects(resources.getDictionary("XObject"), spaceDict, depth);
  }

 private:
  static constexpr int kMaxDepth = 12;

  // Converts a few colours: the initial one and every component at 0, half
  // and full.
  void exercise(const QVPDFColorSpace& space) {
    QVPDFColor color = space.getDefaultColor();
    checkRange(space.getRGB(color));
    for (int32_t level : {0, 128, 255}) {
      QVPDFColor c;
      for (int i = 0; i < space.getNComps() && i < QVPDFColor::kMaxComponents; ++i) c.c[i] = level;
      checkRange(space.getRGB(c));
      int32_t gray = space.getGray(c);
      EXPECT_TRUE(gray >= 0 && gray <= 255);
      space.getCMYK(c);
    }
  }

  void exercise(const std::shared_ptr<const QVPDFShading>& shading) {
    auto axial = std::dynamic_pointer_cast<const QVPDFShadingAxial>(shading);
    if (!axial) return;
    tally_.axialShadings.push_back(axial);
    exercise(*axial->colorSpace());
    const platform::Point domain = axial->domainRange();
    for (int i = 0; i <= 8; ++i) {
      if (auto rgb = axial->colorAt(domain.x + (domain.y - domain.x) * i / 8.0)) checkRange(*rgb);
    }
  }

  static void checkRange(const QVPDFRGB& rgb) {
    for (int32_t v : {rgb.r, rgb.g, rgb.b}) EXPECT_TRUE(v >= 0 && v <= 255) << v;
  }

  bool firstVisit(const PdfObject& object) {
    if (!object.isIndirect()) return true;
    return visited_.insert({object.objectNumber(), object.generation()}).second;
  }

  void walkPatterns(const PdfObject& patterns, int depth) {
    if (!patterns.isDictionary()) return;
    for (const std::string& name : patterns.keys()) {
      PdfObject pattern = patterns.get(name);
      PdfObject dict = pattern.dictionary();
      if (dict.isNull()) continue;
      ++tally_.patterns;
      auto type = dict.getInteger("PatternType");
      if (type == 2) {
        QVPDFShadingPattern shadingPattern(dict.get("Shading"), name);
        exercise(shadingPattern.shading());
        QVPDFExtGState state(dict.getDictionary("ExtGState"), name);
      } else if (type == 1) {
        QVPDFTilingPattern tiling(dict, name);
        EXPECT_EQ(tiling.objectKey(), name);
        if (firstVisit(pattern)) walk(dict.getDictionary("Resources"), depth + 1);
      }
    }
  }

  void walkXObjects(const PdfObject& xobjects, const PdfObject& spaceDict, int depth) {
    if (!xobjects.isDictionary()) return;
    for (const std::string& name : xobjects.keys()) {
      PdfObject xobject = xobjects.get(name);
      if (!xobject.isStream()) continue;
      auto subtype = xobject.getName("Subtype");
      if (subtype == "Image") {
        PdfObject cs = xobject.get("ColorSpace");
        if (cs.isNull()) continue;
        auto space = QVPDFColorSpace::colorSpaceWithObject(cs);
        if (!space && cs.isName() && spaceDict.isDictionary())
          space = QVPDFColorSpace::colorSpaceWithObject(spaceDict.get(*cs.asName()));
        if (space) {
          exercise(*space);
          ++tally_.imageSpaces;
        }
      } else if (subtype == "Form" && firstVisit(xobject)) {
        ++tally_.forms;
        walk(xobject.getDictionary("Resources"), depth + 1);
      }
    }
  }

  Tally& tally_;
  std::set<std::pair<int, int>> visited_;
};

TEST(ColorCorpus, EveryPageResourceOfTheCorpusIsBuilt) {
  const auto files = qvtest::corpusFiles();
  if (files.empty()) GTEST_SKIP() << qvtest::noCorpus();
  Tally total;
  for (const auto& file : files) {
    SCOPED_TRACE(file.filename().string());
    auto document = platform::PdfDocument::open(file.string(), qvtest::corpusPassword(file));
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(document->isUnlocked());
    Tally tally;
    ResourceWalker walker(tally);
    for (int number = 1; number <= document->pageCount(); ++number) {
      auto page = document->page(number);
      ASSERT_TRUE(page.has_value()) << number;
      walker.walk(page->resources(), 0);
    }
    std::cout << file.filename().string() << ": " << tally.colorSpaces << " colour spaces, " << tally.extGStates
              << " ExtGStates, " << tally.shadings << " shadings, " << tally.patterns << " patterns, "
              << tally.imageSpaces << " image colour spaces, " << tally.forms << " forms\n";
    total.colorSpaces += tally.colorSpaces;
    total.extGStates += tally.extGStates;
    total.imageSpaces += tally.imageSpaces;
  }
  // The corpus holds named colour spaces, transparency states and images.
  EXPECT_GT(total.colorSpaces, 0);
  EXPECT_GT(total.extGStates, 0);
  EXPECT_GT(total.imageSpaces, 0);
}

TEST(ColorCorpus, SlideGradientsStitchTheirStops) {
  // The slides' title bars are axial shadings over three-stop stitching
  // functions: black, then a ramp to half green, then half green.
  const auto file = qvtest::corpusDir() / "slides-beamer-lecture.pdf";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << qvtest::missingCorpusFile(file);
  auto document = platform::PdfDocument::open(file.string());
  ASSERT_NE(document, nullptr);
  Tally tally;
  ResourceWalker walker(tally);
  for (int number = 1; number <= document->pageCount(); ++number) walker.walk(document->page(number)->resources(), 0);
  ASSERT_FALSE(tally.axialShadings.empty());
  int greenRamps = 0;
  for (const auto& axial : tally.axialShadings) {
    ASSERT_NE(axial->pdfFuntion(), nullptr);
    EXPECT_EQ(axial->pdfFuntion()->getType(), 3);
    EXPECT_TRUE(axial->pdfFuntion()->ok());
    const platform::Point domain = axial->domainRange();
    auto start = axial->colorAt(domain.x);
    auto end = axial->colorAt(domain.y);
    ASSERT_TRUE(start && end);
    if (*start == (QVPDFRGB{0, 0, 0}) && *end == (QVPDFRGB{0, 127, 0})) {
      ++greenRamps;
      // Halfway up the middle stop's ramp.
      const auto bounds = std::dynamic_pointer_cast<const QVPDFStitchingFunction>(axial->pdfFuntion())->bounds();
      ASSERT_EQ(bounds.size(), 2u);
      EXPECT_EQ(axial->colorAt((bounds[0] + bounds[1]) / 2), (QVPDFRGB{0, 63, 0}));
    }
  }
  EXPECT_GT(greenRamps, 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>

#include "pdf/QVPDFCGPathUtilities.h"
#include "pdf/QVPDFPathUtilities.h"
#include "platform/fs/files.h"
#include "tests/support/fixtures.h"

namespace {

namespace stdfs = std::filesystem;
using platform::AffineTransform;
using platform::Path;
using platform::Point;
using platform::Rect;

void touch(const stdfs::path& path, const std::string& text = "x") { std::ofstream(path) << text; }

// Points QV_POPPLER_DATA at a folder of the test's own for one scope.
class PopplerDataOverride {
 public:
  explicit PopplerDataOverride(const stdfs::path& dir) {
    const char* old = std::getenv("QV_POPPLER_DATA");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    ::setenv("QV_POPPLER_DATA", dir.c_str(), 1);
  }
  ~PopplerDataOverride() {
    if (hadOld_) ::setenv("QV_POPPLER_DATA", old_.c_str(), 1);
    else ::unsetenv("QV_POPPLER_DATA");
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};

class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    const char* saved = std::setlocale(LC_NUMERIC, nullptr);
    saved_ = saved ? saved : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"}) {
      if (std::setlocale(LC_NUMERIC, name) && *std::localeconv()->decimal_point == ',') {
        active_ = true;
        return;
      }
    }
    std::setlocale(LC_NUMERIC, saved_.c_str());
  }
  ~DecimalCommaLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

TEST(QVPDFPathUtilities, NewPathSkipsTakenNames) {
  qvtest::TempDir dir;
  touch(dir.file("a.png"));
  touch(dir.file("a2.png"));
  EXPECT_EQ(QVPDFPathUtilities::getNewPathby(dir.file("a.png").string()), dir.file("a3.png").string());
  stdfs::create_directory(dir.file("folder"));
  EXPECT_EQ(QVPDFPathUtilities::getNewPathby(dir.file("folder").string()), dir.file("folder2").string());
  EXPECT_EQ(QVPDFPathUtilities::getNewPathby(dir.file("free.pptx").string()), dir.file("free.pptx").string());
}

TEST(QVPDFPathUtilities, Folders) {
  qvtest::TempDir dir;
  touch(dir.file("plain"));
  EXPECT_FALSE(QVPDFPathUtilities::isDirectoryAtPath(dir.file("plain").string()));
  EXPECT_FALSE(QVPDFPathUtilities::isDirectoryAtPath(dir.file("missing").string()));
  EXPECT_TRUE(QVPDFPathUtilities::isDirectoryAtPath(dir.path().string()));
  EXPECT_TRUE(QVPDFPathUtilities::createFolderIfNeed(dir.file("ppt/slides/_rels").string()));
  EXPECT_TRUE(QVPDFPathUtilities::isDirectoryAtPath(dir.file("ppt/slides/_rels").string()));
  EXPECT_FALSE(QVPDFPathUtilities::createFolderIfNeed(dir.file("plain").string()));
}

TEST(QVPDFPathUtilities, TemporaryNamesLiveInTheConversionsWorkFolder) {
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  const std::string prefix = work.path() + "/Temp-";
  const std::string folder = QVPDFPathUtilities::tempFolder();
  const std::string folder0 = QVPDFPathUtilities::tempFolder0();
  const std::string file = QVPDFPathUtilities::tempFile();
  for (const std::string& name : {folder, folder0, file}) {
    EXPECT_EQ(name.rfind(prefix, 0), 0u) << name;
    EXPECT_FALSE(platform::fs::fileExists(name));  // named, not created
  }
  EXPECT_EQ(folder.size(), prefix.size() + 36);
  EXPECT_TRUE(file.ends_with(".png"));
  EXPECT_NE(folder, QVPDFPathUtilities::tempFolder());
}

TEST(QVPDFPathUtilities, ResourcesResolveInPopplerData) {
  qvtest::TempDir data;
  stdfs::create_directories(data.file("cMap/Adobe-GB1"));
  stdfs::create_directories(data.file("cMap/Adobe-Japan1"));
  touch(data.file("cMap/Identity-H"));
  touch(data.file("cMap/Adobe-GB1/UniGB-UCS2-H"));
  touch(data.file("cMap/Adobe-GB1/Adobe-GB1-UCS2"));
  touch(data.file("cMap/Adobe-Japan1/Adobe-Japan1-UCS2"));
  touch(data.file("secret.txt"));
  PopplerDataOverride override(data.path());

  const auto found = [](const std::string& resource) { return QVPDFPathUtilities::PathInLibBundleForResource(resource); };
  EXPECT_EQ(found("PDFEncodings/CMap/Identity-H"), data.file("cMap/Identity-H").string());
  EXPECT_EQ(found("PDFEncodings/CMap/UniGB-UCS2-H"), data.file("cMap/Adobe-GB1/UniGB-UCS2-H").string());
  EXPECT_EQ(found("PDFEncodings/CIDToUnicode/Adobe-Japan1-UCS2"),
            data.file("cMap/Adobe-Japan1/Adobe-Japan1-UCS2").string());
  EXPECT_EQ(found("PDFEncodings/CIDToUnicode/Adobe-GB1-UCS2"), data.file("cMap/Adobe-GB1/Adobe-GB1-UCS2").string());

  EXPECT_FALSE(found("PDFEncodings/CMap/Missing-H"));
  EXPECT_FALSE(found("PDFEncodings/CIDToUnicode/Adobe-Korea1-UCS2"));
  EXPECT_FALSE(found("PDFEncodings/CIDToUnicode/UniGB-UCS2-H"));  // a CMap, not a collection map
  EXPECT_FALSE(found("PDFEncodings/CMap/Adobe-GB1"));              // a folder
  EXPECT_FALSE(found("PDFEncodings/CMap/"));
  EXPECT_FALSE(found("FontBook"));
  // CMap names come from the PDF; none of them may reach outside the data.
  EXPECT_FALSE(found("PDFEncodings/CMap/../../secret.txt"));
  EXPECT_FALSE(found("PDFEncodings/CMap/.."));
  EXPECT_FALSE(found("PDFEncodings/CMap/Adobe-GB1/UniGB-UCS2-H"));
  EXPECT_FALSE(found(std::string("PDFEncodings/CMap/Identity-H\0.x", 31)));
}

TEST(QVPDFPathUtilities, CollectionMapsOfTheInstalledPopplerData) {
  PopplerDataOverride override("/usr/share/poppler");
  if (!stdfs::is_directory("/usr/share/poppler/cMap")) GTEST_SKIP() << "poppler-data is not installed";
  for (const char* name : {"Adobe-CNS1-UCS2", "Adobe-GB1-UCS2", "Adobe-Japan1-UCS2", "Adobe-Korea1-UCS2"}) {
    const auto path = QVPDFPathUtilities::PathInLibBundleForResource(std::string("PDFEncodings/CIDToUnicode/") + name);
    ASSERT_TRUE(path) << name;
    EXPECT_EQ(stdfs::path(*path).filename(), name);
  }
  EXPECT_TRUE(QVPDFPathUtilities::PathInLibBundleForResource("PDFEncodings/CMap/UniJIS-UCS2-H"));
  EXPECT_TRUE(QVPDFPathUtilities::PathInLibBundleForResource("PDFEncodings/CMap/Identity-V"));
}

TEST(QVPDFCGPathUtilities, MoveLineCloseBecomesFourItems) {
  Path path;
  path.moveTo({1, 2});
  path.lineTo({3, 4});
  path.closeSubpath();
  const auto array = QVPDFCGPathUtilities::NSArrayWithCGPath(path);
  ASSERT_TRUE(array);
  EXPECT_TRUE(array->valid);
  ASSERT_EQ(array->itemCount(), 4u);
  EXPECT_EQ(array->elements[0], (QVPDFPathElementRecord{0, {{1, 2}}}));
  EXPECT_EQ(array->elements[1], (QVPDFPathElementRecord{1, {{3, 4}}}));
  EXPECT_EQ(array->elements[2], (QVPDFPathElementRecord{4, {}}));
  // 16, 16 and 0 bytes of points: one pair of doubles per point.
  EXPECT_EQ(array->elements[0].points.size() * 2 * sizeof(double), 16u);
  EXPECT_EQ(array->elements[2].points.size() * 2 * sizeof(double), 0u);
  EXPECT_EQ(QVPDFCGPathUtilities::CGPathWithNSArray(*array), path);
}

TEST(QVPDFCGPathUtilities, EmptyPathIsTheArrayWithOnlyTheLeadingItem) {
  const auto array = QVPDFCGPathUtilities::NSArrayWithCGPath(Path());
  ASSERT_TRUE(array);
  EXPECT_EQ(array->itemCount(), 1u);
  const auto back = QVPDFCGPathUtilities::CGPathWithNSArray(*array);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->isEmpty());
}

TEST(QVPDFCGPathUtilities, CurvesAndSeveralSubpathsRoundTrip) {
  Path path;
  path.moveTo({0, 0});
  path.curveTo({0, 10}, {10, 10}, {10, 0});
  path.quadCurveTo({15, -5}, {20, 0});
  path.closeSubpath();
  path.lineTo({-1, -1});  // continues from the closed subpath's start
  path.addRect(Rect(50, 50, 5, 5));
  const auto array = QVPDFCGPathUtilities::NSArrayWithCGPath(path);
  ASSERT_TRUE(array);
  EXPECT_EQ(array->itemCount(), path.elements().size() + 1);
  EXPECT_EQ(array->elements[1].type, 3);
  EXPECT_EQ(array->elements[1].points.size(), 3u);
  EXPECT_EQ(array->elements[2].type, 2);
  EXPECT_EQ(array->elements[2].points.size(), 2u);
  const auto back = QVPDFCGPathUtilities::CGPathWithNSArray(*array);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, path);
  EXPECT_EQ(back->boundingBox(), path.boundingBox());
}

TEST(QVPDFCGPathUtilities, MalformedRecordsGiveNoPath) {
  QVPDFPathElementArray badType;
  badType.elements = {{0, {{0, 0}}}, {5, {{1, 1}}}};
  EXPECT_FALSE(QVPDFCGPathUtilities::CGPathWithNSArray(badType));
  badType.elements[1].type = -1;
  EXPECT_FALSE(QVPDFCGPathUtilities::CGPathWithNSArray(badType));

  QVPDFPathElementArray shortPoints;
  shortPoints.elements = {{0, {{0, 0}}}, {3, {{1, 1}, {2, 2}}}};
  EXPECT_FALSE(QVPDFCGPathUtilities::CGPathWithNSArray(shortPoints));
  QVPDFPathElementArray noPoints;
  noPoints.elements = {{0, {}}};
  EXPECT_FALSE(QVPDFCGPathUtilities::CGPathWithNSArray(noPoints));
}

TEST(Describe, SixDecimalsInBrackets) {
  EXPECT_EQ(describePoint({1.5, 2}), "[1.500000, 2.000000]");
  EXPECT_EQ(describeSize({612, 792}), "[612.000000, 792.000000]");
  EXPECT_EQ(describeRect(Rect(0, -1.25, 10, 0.0000004)), "[0.000000, -1.250000, 10.000000, 0.000000]");
  EXPECT_EQ(describeTransform(AffineTransform::rotation(std::numbers::pi / 2).concat(AffineTransform::translation(3, 4))),
            "[0.000000, 1.000000, -1.000000, 0.000000, 3.000000, 4.000000]");
  EXPECT_EQ(describePoint({-0.0000001, 1e9}), "[-0.000000, 1000000000.000000]");  // as "%f" prints them
}

TEST(Describe, DecimalCommaLocaleChangesNothing) {
  DecimalCommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma is installed";
  char printed[32];
  std::snprintf(printed, sizeof printed, "%f", 1.5);
  ASSERT_STREQ(printed, "1,500000");
  EXPECT_EQ(describePoint({1.5, 2}), "[1.500000, 2.000000]");
}

}  // namespace

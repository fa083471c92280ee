// ToUnicode maps and the Unicode maps of the character collections.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "pdf/fonts/QVPDFCharCodeToUnicode.h"
#include "pdf/fonts/QVPDFMapTool.h"
#include "platform/pdf/document.h"
#include "tests/support/fixtures.h"

namespace {

std::shared_ptr<const QVPDFCharCodeToUnicode> parse(const std::string& body, int nBits) {
  return QVPDFCharCodeToUnicode::parseCMap(
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n" + body + "\nendcmap end end", nBits);
}

TEST(ToUnicode, EightBitMapsTakeTwoDigitSourcesOnly) {
  auto map = parse("2 beginbfchar <41> <0061> <0042> <0062> endbfchar", 8);
  EXPECT_EQ(map->tag(), "ToUnicode");
  EXPECT_EQ(map->mapToUnicode(0x41), U"a");
  EXPECT_EQ(map->mapToUnicode(0x42), U"");
}

TEST(ToUnicode, SixteenBitMapsTakeOneAndTwoByteSources) {
  auto map = parse("3 beginbfchar <0041> <0061> <20> <0020> <123456> <0062> endbfchar", 16);
  EXPECT_EQ(map->mapToUnicode(0x41), U"a");
  EXPECT_EQ(map->mapToUnicode(0x20), U" ");
  EXPECT_EQ(map->mapToUnicode(0x3456), U"");
}

TEST(ToUnicode, RangesCountUpFromTheirDestination) {
  auto map = parse("1 beginbfrange <0003> <0005> <0041> endbfrange", 16);
  EXPECT_EQ(map->mapToUnicode(3), U"A");
  EXPECT_EQ(map->mapToUnicode(4), U"B");
  EXPECT_EQ(map->mapToUnicode(5), U"C");
  EXPECT_EQ(map->mapToUnicode(6), U"");
  auto reversed = parse("1 beginbfrange <0005> <0003> <0041> endbfrange", 16);
  EXPECT_EQ(reversed->mapToUnicode(3), U"");
}

TEST(ToUnicode, ArrayDestinationsAndSurrogatePairs) {
  auto map = parse("1 beginbfrange <0010> <0012> [<0066> <0066 0069> <D835 DC00>] endbfrange", 16);
  EXPECT_EQ(map->mapToUnicode(0x10), U"f");
  EXPECT_EQ(map->mapToUnicode(0x11), U"fi");
  EXPECT_EQ(map->mapToUnicode(0x12), U"\U0001D400");  // one character beyond U+FFFF
}

TEST(ToUnicode, OffsetGoesToTheLastUnit) {
  auto map = parse("1 beginbfrange <0020> <0021> <0066 0066> endbfrange "
                   "1 beginbfrange <0030> <0031> <D835DC00> endbfrange",
                   16);
  EXPECT_EQ(map->mapToUnicode(0x20), U"ff");
  EXPECT_EQ(map->mapToUnicode(0x21), U"fg");
  EXPECT_EQ(map->mapToUnicode(0x30), U"\U0001D400");
  EXPECT_EQ(map->mapToUnicode(0x31), U"\U0001D401");
}

TEST(ToUnicode, AnArrayLongerThanItsRangeDoesNotDerailTheSection) {
  auto map = parse("2 beginbfrange <0001> <0002> [<0041> <0042> <0043> <0044>] <0005> <0005> <0045> endbfrange", 16);
  EXPECT_EQ(map->mapToUnicode(1), U"A");
  EXPECT_EQ(map->mapToUnicode(2), U"B");
  EXPECT_EQ(map->mapToUnicode(3), U"");
  EXPECT_EQ(map->mapToUnicode(5), U"E");
}

TEST(ToUnicode, SingleValueWinsOverAnEarlierMultiValue) {
  auto map = parse("2 beginbfchar <0001> <00660069> <0001> <0041> endbfchar", 16);
  EXPECT_EQ(map->mapToUnicode(1), U"A");
  auto later = parse("2 beginbfchar <0001> <0041> <0001> <00660069> endbfchar", 16);
  EXPECT_EQ(later->mapToUnicode(1), U"fi");
}

TEST(ToUnicode, ZeroAndLoneSurrogatesGiveNoText) {
  auto map = parse("4 beginbfchar <0001> <0000> <0002> <D835> <0003> <D8350041> <0004> <0000 0041> endbfchar", 16);
  EXPECT_EQ(map->mapToUnicode(1), U"");
  EXPECT_EQ(map->mapToUnicode(2), U"");
  EXPECT_EQ(map->mapToUnicode(3), U"A");
  EXPECT_EQ(map->mapToUnicode(4), U"A");
}

TEST(ToUnicode, OutputIsCutToTheBuffer) {
  auto map = parse("1 beginbfchar <01> <004100420043> endbfchar", 8);
  char32_t u[2] = {};
  EXPECT_EQ(map->mapToUnicode(1, u, 2), 2);
  EXPECT_EQ(u[0], U'A');
  EXPECT_EQ(u[1], U'B');
  EXPECT_EQ(map->mapToUnicode(1, u, 0), 0);
  EXPECT_EQ(map->mapToUnicode(0x123456, u, 2), 0);
}

TEST(ToUnicode, SpaceCodeIsTheFirstCodeMappedToSpace) {
  EXPECT_EQ(parse("2 beginbfchar <0020> <0020> <0003> <0020> endbfchar", 16)->spaceCIDCode(), 3u);
  EXPECT_EQ(parse("1 beginbfchar <0003> <0041> endbfchar", 16)->spaceCIDCode(), 0u);
  // A space mapping that a later one replaces is no space; the answer is
  // found once and stays.
  const auto map = parse("3 beginbfchar <0003> <0020> <0009> <0020> <0003> <00410042> endbfchar", 16);
  EXPECT_EQ(map->spaceCIDCode(), 9u);
  EXPECT_EQ(map->spaceCIDCode(), 9u);
}

TEST(ToUnicode, MalformedTextIsSkipped) {
  auto map = parse("beginbfchar <41 <0061> endbfchar beginbfrange <0001> [<0041> endbfrange "
                   "1 beginbfchar <0042> <0062> endbfchar",
                   16);
  EXPECT_EQ(map->mapToUnicode(0x42), U"b");
  EXPECT_EQ(QVPDFCharCodeToUnicode::parseCMap("", 16)->mapToUnicode(0), U"");
  EXPECT_EQ(QVPDFCharCodeToUnicode::parseCMap(std::string(5000, '<'), 16)->mapToUnicode(0), U"");
}

TEST(ToUnicode, HugeRangesAreBounded) {
  std::string body;
  for (int i = 0; i < 2000; ++i) body += "1 beginbfrange <0000> <FFFF> <00410042> endbfrange\n";
  auto map = parse(body, 16);
  EXPECT_EQ(map->mapToUnicode(0), U"AB");
  EXPECT_LT(map->memoryUsage(), 32u << 20);
}

TEST(ToUnicode, CollectionMapsComeFromTheUcs2CMaps) {
  EXPECT_EQ(QVPDFMapTool::toUnicodeFileName("Adobe-Japan1"), "Adobe-Japan1-UCS2");
  EXPECT_EQ(QVPDFMapTool::toUnicodeFileName("Adobe-Identity"), std::nullopt);
  EXPECT_EQ(QVPDFCharCodeToUnicode::collectionMap("Adobe-Identity"), nullptr);
  EXPECT_EQ(QVPDFCharCodeToUnicode::collectionMap("Adobe-UCS"), nullptr);
  if (!QVPDFMapTool::findCMapFilePath("Adobe-Japan1-UCS2")) GTEST_SKIP() << "poppler-data not installed";
  auto japan = QVPDFCharCodeToUnicode::collectionMap("Adobe-Japan1");
  ASSERT_TRUE(japan);
  EXPECT_EQ(japan->mapToUnicode(843), U"\u3042");
  EXPECT_EQ(japan->mapToUnicode(34), U"A");
  EXPECT_EQ(QVPDFCharCodeToUnicode::collectionMap("Adobe-Japan1"), japan);  // parsed once
  for (const char* c : {"Adobe-GB1", "Adobe-CNS1", "Adobe-Korea1"}) {
    auto map = QVPDFCharCodeToUnicode::collectionMap(c);
    ASSERT_TRUE(map) << c;
    EXPECT_EQ(map->mapToUnicode(34), U"A") << c;
    EXPECT_LT(map->memoryUsage(), 4u << 20) << c;
  }
}

TEST(ToUnicode, UseCMapMergesTheCollectionMap) {
  if (!QVPDFMapTool::findCMapFilePath("Adobe-Japan1-UCS2")) GTEST_SKIP() << "poppler-data not installed";
  auto map = parse("/Adobe-Japan1-UCS2 usecmap 1 beginbfchar <034B> <0041> endbfchar", 16);
  EXPECT_EQ(map->mapToUnicode(843), U"A");
  EXPECT_EQ(map->mapToUnicode(844), U"\u3043");
}

// Every ToUnicode stream of every font in the corpus parses (the sanitizer
// build checks the memory side).
TEST(ToUnicode, CorpusStreamsParse) {
  auto files = qvtest::corpusFiles();
  if (files.empty()) GTEST_SKIP() << qvtest::noCorpus();
  size_t parsed = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file.string());
    auto doc = platform::PdfDocument::open(file.string(), qvtest::corpusPassword(file));
    if (!doc || !doc->isUnlocked()) continue;
    std::set<std::pair<int, int>> seen;
    for (int n = 1; n <= doc->pageCount(); ++n) {
      auto page = doc->page(n);
      if (!page) continue;
      platform::PdfObject fonts = page->resources().getDictionary("Font");
      for (const std::string& key : fonts.keys()) {
        platform::PdfObject font = fonts.get(key);
        platform::PdfObject toUnicode = font.getStream("ToUnicode");
        if (toUnicode.isNull()) continue;
        if (toUnicode.isIndirect() && !seen.insert({toUnicode.objectNumber(), toUnicode.generation()}).second) continue;
        std::string text;
        try {
          text = toUnicode.decodedData();
        } catch (const std::exception&) {
          continue;
        }
        const int nBits = font.getName("Subtype") == std::optional<std::string>("Type0") ? 16 : 8;
        auto map = QVPDFCharCodeToUnicode::parseCMap(text, nBits);
        ASSERT_TRUE(map);
        for (uint32_t code = 0; code < 256; ++code) map->mapToUnicode(code);
        ++parsed;
      }
    }
  }
  EXPECT_GT(parsed, 0u);
}

}  // namespace

// CMaps: tokenizer, parser, code lengths, includes, predefined files and the
// process-wide cache.
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "pdf/fonts/CheckedAlloc.h"
#include "pdf/fonts/QVPDFCMapTokenizer.h"
#include "pdf/fonts/QVPDFCodeToCIDMap.h"
#include "pdf/fonts/QVPDFCodeToCIDMapCache.h"
#include "pdf/fonts/QVPDFMapTool.h"
#include "tests/support/fixtures.h"
#include "platform/fs/files.h"
#include "platform/pdf/object.h"

namespace {

std::vector<std::string> tokens(std::string_view text) {
  QVPDFCMapTokenizer tz(text);
  std::vector<std::string> out;
  std::string_view t;
  while (tz.getToken(t)) out.emplace_back(t);
  return out;
}

struct Decoded {
  uint32_t cid;
  int used;
  bool operator==(const Decoded&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Decoded& d) {
  return os << "{cid " << d.cid << ", used " << d.used << "}";
}

std::vector<Decoded> decodeAll(const QVPDFCodeToCIDMap& map, std::string_view bytes) {
  std::vector<Decoded> out;
  while (!bytes.empty()) {
    int used = 0;
    uint32_t cid = map.getCID(bytes, used);
    out.push_back({cid, used});
    if (used < 1 || used > static_cast<int>(bytes.size())) {
      ADD_FAILURE() << "bad byte count " << used;
      break;
    }
    bytes.remove_prefix(static_cast<size_t>(used));
  }
  return out;
}

bool popplerDataPresent() {
  return QVPDFMapTool::findCMapFilePath("90ms-RKSJ-H").has_value();
}

TEST(CMapTokenizer, SplitsHexStringsNamesCommentsAndParentheses) {
  EXPECT_EQ(tokens("<81 40> <9F FC>"), (std::vector<std::string>{"<8140>", "<9FFC>"}));
  EXPECT_EQ(tokens("% a comment /X 1 def\n/WMode 1 def"), (std::vector<std::string>{"/WMode", "1", "def"}));
  EXPECT_EQ(tokens("(a\\)b) x"), (std::vector<std::string>{"(a\\)b)", "x"}));
  EXPECT_EQ(tokens("[<41>]"), (std::vector<std::string>{"[", "<41>", "]"}));
  EXPECT_EQ(tokens("/Name{x}"), (std::vector<std::string>{"/Name", "{x", "}"}));
  EXPECT_EQ(tokens(std::string_view("a\0b", 3)), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(tokens("<414"), (std::vector<std::string>{"<414"}));  // text ends inside the token
  EXPECT_TRUE(tokens("  % only a comment").empty());
}

TEST(CMapTokenizer, LongTokensAreCutToTheBufferSize) {
  std::string longName(1000, 'x');
  auto t = tokens(longName + " next");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].size(), QVPDFCMapTokenizer::kTokenSize - 1);
  EXPECT_EQ(t[1], "next");
}

TEST(CodeToCIDMap, IdentityReadsTwoBytesAndEndsOnASingleByte) {
  auto h = QVPDFCodeToCIDMap::parse("Identity-H");
  auto v = QVPDFCodeToCIDMap::parse("Identity-V");
  ASSERT_TRUE(h && v);
  EXPECT_EQ(h->wMode(), 0);
  EXPECT_EQ(v->wMode(), 1);
  const std::string bytes("\x00\x41\x01\x02\x07", 5);
  const std::vector<Decoded> expected{{65, 2}, {258, 2}, {0, 1}};
  EXPECT_EQ(decodeAll(*h, bytes), expected);
  EXPECT_EQ(decodeAll(*v, bytes), expected);
  EXPECT_EQ(QVPDFCodeToCIDMap::parse("Identity"), QVPDFCodeToCIDMap::parse("Identity"));
}

const char* kShiftJisLike = R"(
/CIDInit /ProcSet findresource begin
12 dict begin
begincmap
/CMapName /Test-H def
2 begincodespacerange
<00> <80>
<8140> <9FFC>
endcodespacerange
1 begincidrange
<8140> <817E> 633
endcidrange
2 begincidchar
<41> 34
<20> 1
endcidchar
1 begincidrange
<A040> <A0FF> 5000
endcidrange
endcmap
)";

TEST(CodeToCIDMap, CodeSpacesDecideCodeLengths) {
  auto map = QVPDFCodeToCIDMap::parseText(kShiftJisLike, "Test-H");
  EXPECT_EQ(decodeAll(*map, "\x41"), (std::vector<Decoded>{{34, 1}}));
  EXPECT_EQ(decodeAll(*map, "\x81\x40\x81\x41 "), (std::vector<Decoded>{{633, 2}, {634, 2}, {1, 1}}));
  // A lead byte whose second byte is outside every range still takes two bytes.
  EXPECT_EQ(decodeAll(*map, "\x81\x20"), (std::vector<Decoded>{{0, 2}}));
  // A lead byte at the end of the string uses the byte left.
  EXPECT_EQ(decodeAll(*map, "\x41\x81"), (std::vector<Decoded>{{34, 1}, {0, 1}}));
  // A cidrange whose lead byte has no code space adds nothing.
  EXPECT_EQ(decodeAll(*map, "\xA0\x41"), (std::vector<Decoded>{{0, 1}, {34, 1}}));
}

TEST(CodeToCIDMap, MalformedEntriesAreSkipped) {
  auto map = QVPDFCodeToCIDMap::parseText(R"(
1 begincodespacerange <8140> <9F> <0000> <FFFF> endcodespacerange
3 begincidrange <0041> <0043> x <0050> <005> 7 <0060> <0061> 9 endcidrange
2 begincidchar <0070> <0071> 11 <41> 12 endcidchar
/WMode 1 def
)",
                                              "Malformed");
  EXPECT_EQ(map->wMode(), 1);
  EXPECT_EQ(decodeAll(*map, std::string("\x00\x41\x00\x60\x00\x61", 6)),
            (std::vector<Decoded>{{0, 2}, {9, 2}, {10, 2}}));
  // Pairs are read in step: (<0070> <0071>) and (11 <41>) are both broken.
  EXPECT_EQ(decodeAll(*map, std::string("\x00\x70\x00\x71", 4)), (std::vector<Decoded>{{0, 2}, {0, 2}}));
}

TEST(CodeToCIDMap, RangesMayCrossLeadBytes) {
  auto map = QVPDFCodeToCIDMap::parseText(
      "1 begincodespacerange <0000> <FFFF> endcodespacerange 1 begincidrange <0000> <FFFF> 0 endcidrange", "Wide");
  EXPECT_EQ(decodeAll(*map, "\x12\x34\xFF\xFF"), (std::vector<Decoded>{{0x1234, 2}, {0xFFFF, 2}}));
  EXPECT_EQ(map->rangeCount(), 1u);
}

TEST(CodeToCIDMap, LaterRangesOverrideEarlierOnes) {
  auto map = QVPDFCodeToCIDMap::parseText(R"(
1 begincodespacerange <0000> <FFFF> endcodespacerange
1 begincidrange <0100> <01FF> 1000 endcidrange
1 begincidrange <0110> <0112> 5 endcidrange
1 begincidchar <0180> 7 endcidchar
)",
                                          "Override");
  EXPECT_EQ(decodeAll(*map, std::string("\x01\x0F\x01\x10\x01\x12\x01\x13\x01\x80\x01\x81", 12)),
            (std::vector<Decoded>{{1015, 2}, {5, 2}, {7, 2}, {1019, 2}, {7, 2}, {1129, 2}}));
}

TEST(CodeToCIDMap, UseCMapTakesEveryCodeAndOwnRangesOverride) {
  if (!popplerDataPresent()) GTEST_SKIP() << "poppler-data not installed";
  auto base = QVPDFCodeToCIDMap::parse("90ms-RKSJ-H");
  ASSERT_TRUE(base);
  auto map = QVPDFCodeToCIDMap::parseText(R"(
/90ms-RKSJ-H usecmap
1 begincidchar <82A0> 9999 endcidchar
/WMode 1 def
)",
                                          "Mine");
  EXPECT_EQ(map->wMode(), 1);
  EXPECT_EQ(decodeAll(*map, "\x82\xA0\x82\xA2\x41"), (std::vector<Decoded>{{9999, 2}, {845, 2}, {264, 1}}));
  EXPECT_EQ(decodeAll(*base, "\x82\xA0"), (std::vector<Decoded>{{843, 2}}));
}

TEST(CodeToCIDMap, ShiftJisMapsHiraganaA) {
  if (!popplerDataPresent()) GTEST_SKIP() << "poppler-data not installed";
  auto map = QVPDFCodeToCIDMap::parse("90ms-RKSJ-H");
  ASSERT_TRUE(map);
  EXPECT_EQ(decodeAll(*map, "\x82\xA0"), (std::vector<Decoded>{{843, 2}}));
  EXPECT_EQ(decodeAll(*map, "A"), (std::vector<Decoded>{{264, 1}}));
  EXPECT_EQ(decodeAll(*map, "\xB1"), (std::vector<Decoded>{{343, 1}}));  // half-width katakana A
  auto vertical = QVPDFCodeToCIDMap::parse("90ms-RKSJ-V");
  ASSERT_TRUE(vertical);
  EXPECT_EQ(vertical->wMode(), 1);
  EXPECT_EQ(decodeAll(*vertical, "\x82\xA0"), (std::vector<Decoded>{{843, 2}}));
}

TEST(CodeToCIDMap, Utf8AndUtf32CMapsDecodeWithoutEagerTables) {
  if (!popplerDataPresent()) GTEST_SKIP() << "poppler-data not installed";
  auto utf8 = QVPDFCodeToCIDMap::parse("UniJIS-UTF8-H");
  auto utf32 = QVPDFCodeToCIDMap::parse("UniJIS-UTF32-H");
  auto ucs2 = QVPDFCodeToCIDMap::parse("UniJIS-UCS2-H");
  ASSERT_TRUE(utf8 && utf32 && ucs2);
  // U+3042 HIRAGANA LETTER A
  EXPECT_EQ(decodeAll(*utf8, "\xE3\x81\x82"), (std::vector<Decoded>{{843, 3}}));
  EXPECT_EQ(decodeAll(*utf32, std::string("\x00\x00\x30\x42", 4)), (std::vector<Decoded>{{843, 4}}));
  EXPECT_EQ(decodeAll(*ucs2, "\x30\x42"), (std::vector<Decoded>{{843, 2}}));
  EXPECT_EQ(decodeAll(*utf8, "A"), (std::vector<Decoded>{{34, 1}}));
  EXPECT_LT(utf8->memoryUsage(), 2u << 20);
  EXPECT_LT(utf32->memoryUsage(), 2u << 20);
}

// Every predefined CMap loads, and what it keeps stays small.
TEST(CodeToCIDMap, EveryPredefinedCMapLoadsWithinTheMemoryCap) {
  if (!popplerDataPresent()) GTEST_SKIP() << "poppler-data not installed";
  constexpr size_t kCap = 4u << 20;
  auto names = QVPDFMapTool::predefinedCMapNames();
  EXPECT_GT(names.size(), 200u);
  for (const std::string& name : names) {
    auto map = QVPDFCodeToCIDMap::parse(name);
    ASSERT_TRUE(map) << name;
    EXPECT_LT(map->memoryUsage(), kCap) << name;
    EXPECT_LE(map->codeSpaceCount(), 16u) << name;
    // The encoding CMaps of the collections map codes to CIDs (the others in
    // the folders map codes to Unicode and have no CID ranges).
    const bool encoding = name.size() > 2 && (name.ends_with("-H") || name.ends_with("-V")) &&
                          !name.starts_with("Adobe-") && !name.starts_with("Identity");
    if (encoding) EXPECT_GT(map->rangeCount(), 0u) << name;
  }
}

TEST(CodeToCIDMapCache, ParsesEachCMapOncePerProcess) {
  if (!popplerDataPresent()) GTEST_SKIP() << "poppler-data not installed";
  auto a = QVPDFCodeToCIDMap::parse("EUC-H");
  std::vector<std::shared_ptr<const QVPDFCodeToCIDMap>> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&, i] { seen[i] = QVPDFCodeToCIDMapCache::shared().getCMap("EUC-H"); });
  for (auto& t : threads) t.join();
  for (const auto& s : seen) EXPECT_EQ(s, a);
  EXPECT_EQ(QVPDFCodeToCIDMap::parse("No-Such-CMap"), nullptr);
  EXPECT_EQ(QVPDFCodeToCIDMap::parse("../../etc/passwd"), nullptr);
  EXPECT_EQ(QVPDFCodeToCIDMap::parse(""), nullptr);
}

TEST(CodeToCIDMapCache, CyclicIncludesEndAtTheDepthBound) {
  qvtest::TempDir dir;
  std::filesystem::create_directories(dir.path() / "cMap" / "Test");
  auto write = [&](const std::string& name, const std::string& text) {
    ASSERT_TRUE(platform::fs::writeFile((dir.path() / "cMap" / "Test" / name).string(), text));
  };
  write("Loop-A", "/Loop-B usecmap 1 begincodespacerange <0000> <FFFF> endcodespacerange "
                  "1 begincidchar <0001> 1 endcidchar");
  write("Loop-B", "/Loop-A usecmap 1 begincodespacerange <0000> <FFFF> endcodespacerange "
                  "1 begincidchar <0002> 2 endcidchar");
  const char* old = getenv("QV_POPPLER_DATA");
  std::string saved = old ? old : "";
  setenv("QV_POPPLER_DATA", dir.path().c_str(), 1);
  auto map = QVPDFCodeToCIDMap::parse("Loop-A");
  if (old) setenv("QV_POPPLER_DATA", saved.c_str(), 1);
  else unsetenv("QV_POPPLER_DATA");
  ASSERT_TRUE(map);
  EXPECT_EQ(decodeAll(*map, std::string("\x00\x01\x00\x02", 4)), (std::vector<Decoded>{{1, 2}, {2, 2}}));
}

TEST(CodeToCIDMap, EmbeddedStreamsParseWithTheirUseCMap) {
  qvtest::PdfBuilder b;
  auto stream = b.stream(R"(
/CIDInit /ProcSet findresource begin 12 dict begin begincmap
1 begincodespacerange <00> <FF> endcodespacerange
2 begincidrange <20> <7E> 1 <A0> <A1> 300 endcidrange
endcmap
)",
                         "<< /Type /CMap /CMapName /Embedded-H /WMode 1 >>");
  auto map = QVPDFCodeToCIDMap::parseStream(platform::PdfObject(stream));
  ASSERT_TRUE(map);
  EXPECT_EQ(map->cMapName(), "Embedded-H");
  EXPECT_EQ(map->wMode(), 1);
  EXPECT_EQ(decodeAll(*map, "AB\xA1"), (std::vector<Decoded>{{34, 1}, {35, 1}, {301, 1}}));

  auto derived = b.stream("1 begincidchar <41> 77 endcidchar", "<< /Type /CMap /CMapName /Derived >>");
  derived.getDict().replaceKey("/UseCMap", stream);
  auto map2 = QVPDFCodeToCIDMap::parseStream(platform::PdfObject(derived));
  ASSERT_TRUE(map2);
  EXPECT_EQ(map2->wMode(), 0);  // the used CMap's writing mode is not taken over
  EXPECT_EQ(decodeAll(*map2, "AB"), (std::vector<Decoded>{{77, 1}, {35, 1}}));

  // A stream that uses itself ends at the depth bound.
  auto self = b.stream("1 begincidchar <41> 5 endcidchar", "<< /Type /CMap >>");
  self.getDict().replaceKey("/UseCMap", self);
  auto map3 = QVPDFCodeToCIDMap::parseStream(platform::PdfObject(self));
  ASSERT_TRUE(map3);
  EXPECT_EQ(decodeAll(*map3, "A"), (std::vector<Decoded>{{5, 1}}));

  EXPECT_EQ(QVPDFCodeToCIDMap::parseStream(platform::PdfObject(b.parse("<< /Type /CMap >>"))), nullptr);
}

TEST(CodeToCIDMap, HostileTextNeverBuildsHugeTables) {
  std::string text = "1 begincodespacerange <00000000> <FFFFFFFF> endcodespacerange\n";
  text += "1 begincidrange <00000000> <FFFFFFFF> 0 endcidrange\n";
  for (int i = 0; i < 2000; ++i) text += "1 begincodespacerange <000000> <FFFFFF> endcodespacerange\n";
  text += "1 begincidrange <0000000000> <FFFFFFFFFF> 0 endcidrange\n";  // five bytes: skipped
  auto map = QVPDFCodeToCIDMap::parseText(text, "Hostile");
  EXPECT_LT(map->memoryUsage(), 64u << 10);
  EXPECT_EQ(decodeAll(*map, std::string("\x01\x02\x03\x04", 4)), (std::vector<Decoded>{{0x01020304, 4}}));
}

}  // namespace

namespace {

TEST(GuardedAllocation, AbsurdSizesThrowInsteadOfEndingTheProcess) {
  EXPECT_EQ(fontalloc::checkedAllocationSize(0, 4), 0u);
  EXPECT_EQ(fontalloc::checkedAllocationSize(256, 4), 1024u);
  EXPECT_THROW(fontalloc::checkedAllocationSize(-1, 4), fontalloc::BogusAllocationSize);
  EXPECT_THROW(fontalloc::checkedAllocationSize(4, 0), fontalloc::BogusAllocationSize);
  EXPECT_THROW(fontalloc::checkedAllocationSize(int64_t{1} << 30, 4), fontalloc::BogusAllocationSize);
  std::vector<uint32_t> table;
  EXPECT_THROW(fontalloc::checkedResize(table, int64_t{1} << 40), std::length_error);
  EXPECT_TRUE(table.empty());
  try {
    fontalloc::checkedReserve(table, -5);
    ADD_FAILURE();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Bogus memory allocation size");
  }
}

}  // namespace

// The damage the sweep does: each kind lands where it says, and the same
// seed gives the same file.
#include <gtest/gtest.h>

#include <string>

#include "platform/fs/files.h"
#include "tests/support/fixtures.h"
#include "tests/sweep/damage.h"

namespace {

// A small file with two uncompressed content streams and a classic
// cross-reference table.
std::string smallPdf() {
  qvtest::PdfBuilder builder;
  builder.setCompressStreams(false);
  builder.addPage("0 0 m 100 100 l S 10 10 50 50 re f");
  builder.addPage("BT ET 1 0 0 RG 5 w 0 0 m 20 30 l S");
  qvtest::TempDir dir;
  builder.write(dir.file("small.pdf"));
  return *platform::fs::readFile(dir.file("small.pdf").string());
}

size_t differingBytes(const std::string& a, const std::string& b) {
  size_t n = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) n += a[i] != b[i];
  return n;
}

TEST(SweepDamage, FindsStreamsAndObjects) {
  const std::string pdf = smallPdf();
  const auto streams = sweep::streamSpans(pdf);
  ASSERT_GE(streams.size(), 2u);
  EXPECT_EQ(pdf.substr(streams[0].begin, 4), "0 0 ");
  const auto objects = sweep::objectSpans(pdf);
  ASSERT_GE(objects.size(), 6u);  // catalog, pages, two pages, two contents
  for (const sweep::Span& span : objects) {
    EXPECT_NE(pdf.substr(span.begin, span.size()).find(" obj"), std::string::npos);
    EXPECT_EQ(pdf.substr(span.end - 6, 6), "endobj");
  }
}

TEST(SweepDamage, EachKindChangesWhatItNames) {
  const std::string pdf = smallPdf();
  const auto streams = sweep::streamSpans(pdf);

  const sweep::Variant cut = sweep::truncated(pdf, 0.5);
  EXPECT_EQ(cut.bytes, pdf.substr(0, pdf.size() / 2));

  const sweep::Variant flipped = sweep::streamBytesFlipped(pdf, 7, 5);
  ASSERT_EQ(flipped.bytes.size(), pdf.size());
  EXPECT_GE(differingBytes(flipped.bytes, pdf), 1u);
  for (size_t i = 0; i < pdf.size(); ++i) {
    if (flipped.bytes[i] == pdf[i]) continue;
    bool inStream = false;
    for (const sweep::Span& s : streams) inStream |= i >= s.begin && i < s.end;
    EXPECT_TRUE(inStream) << "byte " << i << " outside stream data";
  }

  const sweep::Variant startxref = sweep::startXrefBroken(pdf, 3);
  EXPECT_NE(startxref.bytes, pdf);
  EXPECT_EQ(startxref.bytes.substr(0, pdf.rfind("startxref")), pdf.substr(0, pdf.rfind("startxref")));

  const sweep::Variant entries = sweep::xrefEntriesBroken(pdf, 3);
  EXPECT_EQ(entries.bytes.size(), pdf.size());
  const size_t table = pdf.find("\nxref");
  ASSERT_NE(table, std::string::npos);
  EXPECT_EQ(entries.bytes.substr(0, table), pdf.substr(0, table)) << "only the table changes";
  EXPECT_NE(entries.bytes, pdf);

  const sweep::Variant blanked = sweep::objectBlanked(pdf, 5);
  EXPECT_EQ(blanked.bytes.size(), pdf.size());
  EXPECT_LT(sweep::objectSpans(blanked.bytes).size(), sweep::objectSpans(pdf).size());

  const sweep::Variant removed = sweep::objectsCut(pdf, 5, 2);
  EXPECT_LT(removed.bytes.size(), pdf.size());
  EXPECT_EQ(sweep::objectSpans(removed.bytes).size() + 2, sweep::objectSpans(pdf).size());
}

TEST(SweepDamage, SameSeedSameFiles) {
  const std::string pdf = smallPdf();
  const auto a = sweep::sweepVariants(pdf, sweep::seedForName("small.pdf"));
  const auto b = sweep::sweepVariants(pdf, sweep::seedForName("small.pdf"));
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].name, b[i].name);
    EXPECT_EQ(a[i].bytes, b[i].bytes) << a[i].name;
    EXPECT_NE(a[i].bytes, pdf) << a[i].name << " left the file as it was";
  }
}

}  // namespace

// The content-stream scanner: operands and their pops, the operator table,
// inline images, damage that loses only itself, and resource look-up
// through enclosing streams.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <random>

#include <zlib.h>

#include <qpdf/QPDF.hh>

#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"
#include "tests/platform/pdf_test_support.h"
#include "tests/support/fixtures.h"

namespace {

using platform::PdfContentStream;
using platform::PdfDocument;
using platform::PdfObject;
using platform::PdfOperand;
using platform::PdfOperatorTable;
using platform::PdfScanner;
using platform::PdfStreamFormat;
using pdftest::Call;
using pdftest::scanAll;
using namespace std::string_literals;

std::string deflate(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size(),
            9);
  out.resize(size);
  return out;
}

std::string hex(const std::string& data) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : data) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out + ">";
}

// A document written by the builder and opened again, with its first page's
// content stream.
struct OpenedPdf {
  qvtest::TempDir dir;
  std::unique_ptr<PdfDocument> doc;

  explicit OpenedPdf(qvtest::PdfBuilder& builder, bool compress = true) {
    builder.setCompressStreams(compress);
    builder.write(dir.file("t.pdf"));
    doc = PdfDocument::open(dir.file("t.pdf").string());
  }
  std::shared_ptr<PdfContentStream> page(int n) const { return PdfContentStream::forPage(*doc->page(n)); }
};

std::vector<Call> callsNamed(const std::vector<Call>& calls, const std::string& op) {
  std::vector<Call> out;
  for (const auto& c : calls)
    if (c.op == op) out.push_back(c);
  return out;
}

// ---------------------------------------------------------------------------
// Operands and pops

TEST(PdfScanner, OperandsReachCallbacksInWrittenOrderWithTheirKinds) {
  auto stream = PdfContentStream::forData(
      "1 -2 +3 0.5 -.25 4. /Name (str\\)ing) <414243> true false null [1 [2 /X] (s)] op", PdfObject());
  auto calls = scanAll(stream);
  std::vector<Call> all;
  PdfOperatorTable table = pdftest::recordingTable(all, {"op"});
  PdfScanner scanner(stream, table);
  EXPECT_TRUE(scanner.scan());
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].text(), "1 -2 3 0.5 -0.25 4 /Name (str)ing) (ABC) true false null [1 [2 /X] (s)] op");
  EXPECT_EQ(all[0].operands[0].kind, PdfOperand::Kind::Integer);
  EXPECT_EQ(all[0].operands[5].kind, PdfOperand::Kind::Real);
}

TEST(PdfScanner, PopsTakeTheTopOperandWhateverItsKind) {
  auto stream = PdfContentStream::forData("(s) /N 7 2.5 x", PdfObject());
  PdfOperatorTable table;
  std::vector<std::string> log;
  table.set("x", [&](PdfScanner& s) {
    EXPECT_EQ(s.operandCount(), 4u);
    // popInteger refuses a real but still removes it.
    EXPECT_FALSE(s.popInteger().has_value());
    EXPECT_EQ(s.operandCount(), 3u);
    // popNumber accepts an integer.
    EXPECT_EQ(s.popNumber(), 7.0);
    EXPECT_FALSE(s.popString().has_value());  // /N is a name
    EXPECT_EQ(s.popString(), "s");
    EXPECT_FALSE(s.popNumber().has_value());  // empty stack
    log.push_back("x");
  });
  PdfScanner scanner(stream, table);
  scanner.scan();
  EXPECT_EQ(log.size(), 1u);
}

TEST(PdfScanner, EachPopKindAnswersOnlyItsOwnKind) {
  struct Case {
    std::string operand;
    std::string pop;
    bool answers;
  };
  const Case cases[] = {
      {"3", "number", true},      {"3.5", "number", true},   {"(a)", "number", false},
      {"3", "integer", true},     {"3.5", "integer", false}, {"true", "boolean", true},
      {"1", "boolean", false},    {"/N", "name", true},      {"(N)", "name", false},
      {"(s)", "string", true},    {"/s", "string", false},   {"[1 2]", "array", true},
      {"<< /A 1 >>", "dict", true}, {"[1]", "dict", false},  {"null", "object", true},
      {"<< /A 1 >>", "stream", false},
  };
  for (const auto& c : cases) {
    bool answered = false;
    PdfOperatorTable table;
    table.set("x", [&](PdfScanner& s) {
      if (c.pop == "number") answered = s.popNumber().has_value();
      if (c.pop == "integer") answered = s.popInteger().has_value();
      if (c.pop == "boolean") answered = s.popBoolean().has_value();
      if (c.pop == "name") answered = s.popName().has_value();
      if (c.pop == "string") answered = s.popString().has_value();
      if (c.pop == "array") answered = s.popArray().has_value();
      if (c.pop == "dict") answered = s.popDictionary().has_value();
      if (c.pop == "stream") answered = s.popStream().has_value();
      if (c.pop == "object") answered = s.popObject().has_value();
      EXPECT_EQ(s.operandCount(), 0u);
    });
    PdfScanner scanner(PdfContentStream::forData(c.operand + " x", PdfObject()), table);
    scanner.scan();
    EXPECT_EQ(answered, c.answers) << c.operand << " popped as " << c.pop;
  }
}

TEST(PdfScanner, DictionaryOperandKeepsItsEntries) {
  auto stream = PdfContentStream::forData("/OC << /MCID 3 /Nested [1 2] /S (x) >> BDC EMC", PdfObject());
  std::optional<PdfObject> dict;
  std::optional<std::string> tag;
  PdfOperatorTable table;
  table.set("BDC", [&](PdfScanner& s) {
    dict = s.popDictionary();
    tag = s.popName();
  });
  PdfScanner scanner(stream, table);
  EXPECT_TRUE(scanner.scan());
  ASSERT_TRUE(dict.has_value());
  EXPECT_EQ(dict->getInteger("MCID"), 3);
  EXPECT_EQ(dict->getArray("Nested").size(), 2u);
  EXPECT_EQ(dict->getString("S"), "x");
  EXPECT_EQ(tag, "OC");
  EXPECT_EQ(scanner.operatorCount(), 2u);
}

TEST(PdfScanner, OperandToObjectKeepsNumberAndIntegerApart) {
  auto stream = PdfContentStream::forData("5 0.125 [1 /A (b)] x", PdfObject());
  PdfOperatorTable table;
  std::vector<PdfObject> objects;
  table.set("x", [&](PdfScanner& s) {
    while (s.operandCount()) objects.insert(objects.begin(), s.popObject()->toObject());
  });
  PdfScanner scanner(stream, table);
  scanner.scan();
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_TRUE(objects[0].isInteger());
  EXPECT_EQ(objects[0].asInteger(), 5);
  EXPECT_TRUE(objects[1].isReal());
  EXPECT_EQ(objects[1].asNumber(), 0.125);
  EXPECT_FALSE(objects[1].asInteger().has_value());
  ASSERT_TRUE(objects[2].isArray());
  EXPECT_EQ(objects[2].at(1).asName(), "A");
  EXPECT_EQ(objects[2].at(2).asString(), "b");
}

TEST(PdfScanner, UnknownOperatorsDropTheirOperands) {
  auto calls = scanAll(PdfContentStream::forData("1 2 3 unknownop 4 5 m", PdfObject()));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text(), "4 5 m");
}

TEST(PdfScanner, OperandsNotTakenByACallbackDoNotLeakToTheNext) {
  PdfOperatorTable table;
  size_t seenByL = 99;
  table.set("m", [](PdfScanner& s) { s.popNumber(); });  // leaves one operand
  table.set("l", [&](PdfScanner& s) { seenByL = s.operandCount(); });
  PdfScanner scanner(PdfContentStream::forData("1 2 m 3 4 l", PdfObject()), table);
  scanner.scan();
  EXPECT_EQ(seenByL, 2u);
}

TEST(PdfScanner, StopEndsTheScanAfterTheCurrentOperator) {
  PdfOperatorTable table;
  int count = 0;
  table.set("m", [&](PdfScanner& s) {
    if (++count == 2) s.stop();
  });
  PdfScanner scanner(PdfContentStream::forData("0 0 m 1 1 m 2 2 m 3 3 m", PdfObject()), table);
  scanner.scan();
  EXPECT_EQ(count, 2);
  EXPECT_EQ(scanner.operatorCount(), 2u);
}

TEST(PdfScanner, TokensAtTheEdgesOfPlainOnesReadTheSame) {
  struct Case {
    std::string content;
    std::string calls;
  };
  const Case cases[] = {
      {"5. .5 -.5 +5 -0 007 m", "5 0.5 -0.5 5 0 7 m\n"},
      {"/N[1/M]2(s)3<41>4 m", "/N [1 /M] 2 (s) 3 (A) 4 m\n"},
      {"/a#20b / m", "/a b / m\n"},
      {"1\f2\t3\r\n4 m", "1 2 3 4 m\n"},
      {"1 2%c\n3 m", "1 2 3 m\n"},
      {"true false null m", "true false null m\n"},
      {"1 2 m 3 4 l S", "1 2 m\n3 4 l\nS\n"},
      {"0 0 m\n", "0 0 m\n"},
      {"[(a)-250(b)]TJ", "[(a) -250 (b)] TJ\n"},
      {"<< /A [1 2] >> m", "<<...>> m\n"},
      // Tokens that only start like numbers are operators: each drops the
      // operands before it.
      {"1 1.2.3 2 m", "2 m\n"},
      {"1 - 2 m", "2 m\n"},
      {"1 . 2 m", "2 m\n"},
      {"1 5e3 2 m", "2 m\n"},
      {"1 --5 2 m", "2 m\n"},
      {"1 1a 2 m", "2 m\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pdftest::joined(scanAll(PdfContentStream::forData(c.content, PdfObject()))), c.calls) << c.content;
  }
}

// Every real reads as the nearest double, short or long, whichever way the
// reader takes.
TEST(PdfScanner, RealsReadAsTheirNearestDouble) {
  std::mt19937 random(7);
  std::string content;
  std::vector<std::string> written;
  for (int i = 0; i < 4000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 19);
    std::string text = random() % 3 == 0 ? "-" : "";
    const int point = static_cast<int>(random() % (digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    if (point == digits) text += '.';
    written.push_back(text);
    content += text + " ";
  }
  content += "(s) 1.5 0.1 3.14159265358979 m";
  const std::vector<Call> calls = scanAll(PdfContentStream::forData(content, PdfObject()));
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].operands.size(), written.size() + 4);
  for (size_t i = 0; i < written.size(); ++i) {
    double expected = 0;
    std::from_chars(written[i].data(), written[i].data() + written[i].size(), expected);
    EXPECT_EQ(std::bit_cast<uint64_t>(calls[0].operands[i].real), std::bit_cast<uint64_t>(expected)) << written[i];
  }
  EXPECT_EQ(calls[0].operands.back().real, 3.14159265358979);
}

TEST(PdfScanner, CommentsAreSkipped) {
  auto calls = scanAll(PdfContentStream::forData("% a comment 1 2 m\n3 4 m % another\n", PdfObject()));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text(), "3 4 m");
}

// ---------------------------------------------------------------------------
// Absurd numbers and damage

TEST(PdfScanner, IntegerOfThirtyDigitsDoesNotAbortThePage) {
  qvtest::PdfBuilder b;
  b.addPage("123456789012345678901234567890 -123456789012345678901234567890 m 10 10 l S 0.5 g");
  OpenedPdf pdf(b);
  std::vector<Call> calls;
  std::optional<double> x, y;
  std::optional<int64_t> xi;
  PdfOperatorTable table = pdftest::recordingTable(calls, {"l", "S", "g"});
  table.set("m", [&](PdfScanner& s) {
    y = s.popNumber();
    xi = s.popInteger();
  });
  PdfScanner scanner(pdf.page(1), table);
  scanner.scan();
  EXPECT_EQ(xi, std::numeric_limits<int64_t>::max());
  ASSERT_TRUE(y.has_value());
  EXPECT_NEAR(*y, -1.2345678901234568e29, 1e15);
  EXPECT_EQ(pdftest::joined(calls), "10 10 l\nS\n0.5 g\n");
}

TEST(PdfScanner, HugeRealIsSaturatedAndFinite) {
  std::string digits(400, '9');
  std::optional<double> big, tiny;
  PdfOperatorTable table;
  table.set("x", [&](PdfScanner& s) {
    tiny = s.popNumber();
    big = s.popNumber();
  });
  PdfScanner scanner(PdfContentStream::forData("-" + digits + ".5 0." + std::string(400, '0') + "1 x", PdfObject()),
                     table);
  scanner.scan();
  ASSERT_TRUE(big && tiny);
  EXPECT_TRUE(std::isfinite(*big));
  EXPECT_LT(*big, -1e300);
  EXPECT_EQ(*tiny, 0.0);
}

TEST(PdfScanner, BadTokensLoseOnlyThemselves) {
  bool clean = true;
  auto calls = scanAll(PdfContentStream::forData("1 2 m ) > <zz> 3 4 l ] >> 5 6 l S", PdfObject()), &clean);
  EXPECT_FALSE(clean);
  EXPECT_EQ(pdftest::joined(calls), "1 2 m\n3 4 l\n5 6 l\nS\n");
}

TEST(PdfScanner, UnterminatedArrayEndsAtTheNextOperator) {
  bool clean = true;
  auto calls = scanAll(PdfContentStream::forData("[1 2 (x) Tj 3 4 m", PdfObject()), &clean);
  EXPECT_FALSE(clean);
  EXPECT_EQ(pdftest::joined(calls), "Tj\n3 4 m\n");
}

TEST(PdfScanner, DeepNestingIsBoundedAndTheScanGoesOn) {
  std::string deep(100000, '[');
  deep += std::string(100000, ']');
  bool clean = true;
  // The operator after the deep nesting loses its operands, the next ones do not.
  auto calls = scanAll(PdfContentStream::forData(deep + " 9 n 1 2 m [[[1]]] TJ", PdfObject()), &clean);
  EXPECT_FALSE(clean);
  EXPECT_EQ(pdftest::joined(calls), "n\n1 2 m\n[[[1]]] TJ\n");
}

TEST(PdfScanner, OperandFloodIsBounded) {
  std::string flood;
  flood.reserve(600000);
  for (int i = 0; i < 300000; ++i) flood += "1 ";
  bool clean = true;
  std::vector<Call> calls = scanAll(PdfContentStream::forData(flood + "m 7 8 m", PdfObject()), &clean);
  EXPECT_FALSE(clean);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_LE(calls[0].operands.size(), size_t{1} << 17);
  EXPECT_EQ(calls[1].text(), "7 8 m");
}

TEST(PdfScanner, UnterminatedStringLosesTheRestButDoesNotHang) {
  bool clean = true;
  auto calls = scanAll(PdfContentStream::forData("1 2 m (never closed 3 4 l", PdfObject()), &clean);
  EXPECT_FALSE(clean);
  EXPECT_EQ(pdftest::joined(calls), "1 2 m\n");
}

TEST(PdfScanner, StrayInlineImageOperatorsAreIgnored) {
  bool clean = true;
  auto calls = scanAll(PdfContentStream::forData("1 2 ID 3 4 m 5 EI 6 7 l", PdfObject()), &clean);
  EXPECT_FALSE(clean);
  EXPECT_EQ(pdftest::joined(calls), "3 4 m\n6 7 l\n");
}

// ---------------------------------------------------------------------------
// Page contents

TEST(PdfScanner, ContentsSplitIntoSeveralStreamsScanAsOne) {
  qvtest::PdfBuilder b;
  // Operands of one operator and an inline image are split across the
  // stream boundaries; the image's data ends right where a stream ends.
  std::string pixels("\x00\x45\x49\x20\x10\x20\x30\xff", 8);  // "EI " inside the samples
  b.addPageWithContents({"q 100 0 0", "100 50 60 cm BI /W 4 /H 2 /BPC 8",
                         "/CS /G ID " + pixels, "EI Q 10 20 m 30", "40 l S"});
  OpenedPdf pdf(b);
  bool clean = false;
  auto calls = scanAll(pdf.page(1), &clean);
  EXPECT_TRUE(clean);
  EXPECT_EQ(pdftest::joined(calls), "q\n100 0 0 100 50 60 cm\nstream EI\nQ\n10 20 m\n30 40 l\nS\n");
  auto ei = callsNamed(calls, "EI");
  ASSERT_EQ(ei.size(), 1u);
  PdfObject image = ei[0].operands[0].object;
  EXPECT_EQ(image.getInteger("Width"), 4);
  EXPECT_EQ(image.getName("ColorSpace"), "DeviceGray");
  EXPECT_EQ(image.decodedData(), pixels);

  // Split right after ID: the joining newline is the one separator byte.
  qvtest::PdfBuilder b2;
  b2.addPageWithContents({"BI /W 3 /H 1 /BPC 8 /CS /G ID", "\x01\x02\x03 EI 5 6 m"});
  OpenedPdf pdf2(b2);
  calls = scanAll(pdf2.page(1), &clean);
  EXPECT_TRUE(clean);
  ASSERT_EQ(calls.size(), 2u);
  ASSERT_EQ(calls[0].operands.size(), 1u);
  EXPECT_EQ(calls[0].operands[0].object.decodedData(), "\x01\x02\x03");
  EXPECT_EQ(calls[1].text(), "5 6 m");
}

TEST(PdfScanner, InlineImageDataContainingEIKeepsItsExactBytes) {
  // Unfiltered: the length comes from the dictionary, so "EI" inside the
  // samples does not end the image early.
  std::string pixels = "ab EI cd EI\nQ xyz";  // 17 bytes = 17 x 1 gray
  std::string content = "BI /W 17 /H 1 /BPC 8 /CS /G ID " + pixels + "\nEI 1 2 m";
  qvtest::PdfBuilder b;
  PdfObject resources(b.qpdf().makeIndirectObject(QPDFObjectHandle::newDictionary()));
  auto calls = scanAll(PdfContentStream::forData(content, resources));
  ASSERT_EQ(calls.size(), 2u);
  ASSERT_EQ(calls[0].operands.size(), 1u);
  EXPECT_EQ(calls[0].operands[0].object.decodedData(), pixels);
  EXPECT_EQ(calls[1].text(), "1 2 m");

  // Without a document to make the image in, EI still runs, with no operand.
  calls = scanAll(PdfContentStream::forData(content, PdfObject()));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].op, "EI");
  EXPECT_TRUE(calls[0].operands.empty());
  EXPECT_EQ(calls[1].text(), "1 2 m");
}

TEST(PdfScanner, InlineImageWithAbbreviatedKeysAndFiltersIsExpanded) {
  std::string rgb = std::string("\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff", 12);
  std::string encoded = hex(deflate(rgb));
  qvtest::PdfBuilder b;
  b.addPage("q BI /W 2 /H 2 /BPC 8 /CS /RGB /F [/AHx /Fl] /I true /D [0 1 0 1 0 1] ID " + encoded +
            " EI Q BI /W 2 /H 1 /BPC 8 /CS [/I /RGB 1 <ff000000ff00>] ID \x00\x01 EI "s +
            "BI /IM true /W 8 /H 1 /F /CCF /DP << /K -1 /Columns 8 >> /D [1 0] ID \x12\x34 EI "s +
            "BI /W 1 /H 1 /BPC 8 /CS /CMYK /F /DCT /L 4 ID \xff\xd8\xff\xd9 EI"s);
  OpenedPdf pdf(b);
  auto images = callsNamed(scanAll(pdf.page(1)), "EI");
  ASSERT_EQ(images.size(), 4u);
  for (const auto& c : images) ASSERT_EQ(c.operands.size(), 1u);

  PdfObject first = images[0].operands[0].object;
  EXPECT_EQ(first.getInteger("Width"), 2);
  EXPECT_EQ(first.getInteger("Height"), 2);
  EXPECT_EQ(first.getInteger("BitsPerComponent"), 8);
  EXPECT_EQ(first.getName("ColorSpace"), "DeviceRGB");
  EXPECT_EQ(first.getBoolean("Interpolate"), true);
  EXPECT_EQ(first.getArray("Decode").size(), 6u);
  ASSERT_TRUE(first.getArray("Filter").isArray());
  EXPECT_EQ(first.getArray("Filter").at(0).asName(), "ASCIIHexDecode");
  EXPECT_EQ(first.getArray("Filter").at(1).asName(), "FlateDecode");
  for (const char* shortKey : {"W", "H", "BPC", "CS", "F", "I", "D"}) EXPECT_FALSE(first.hasKey(shortKey)) << shortKey;
  platform::PdfStreamData data = first.streamData();
  EXPECT_EQ(data.format, PdfStreamFormat::Raw);
  EXPECT_EQ(data.bytes, rgb);

  PdfObject indexed = images[1].operands[0].object;
  PdfObject cs = indexed.getArray("ColorSpace");
  ASSERT_EQ(cs.size(), 4u);
  EXPECT_EQ(cs.at(0).asName(), "Indexed");
  EXPECT_EQ(cs.at(1).asName(), "DeviceRGB");
  EXPECT_EQ(cs.at(2).asInteger(), 1);
  EXPECT_EQ(indexed.decodedData(), std::string("\x00\x01", 2));

  PdfObject mask = images[2].operands[0].object;
  EXPECT_EQ(mask.getBoolean("ImageMask"), true);
  EXPECT_EQ(mask.getName("Filter"), "CCITTFaxDecode");
  EXPECT_EQ(mask.getDictionary("DecodeParms").getInteger("K"), -1);
  platform::PdfStreamData fax = mask.streamData();
  EXPECT_EQ(fax.format, PdfStreamFormat::CCITTFax);
  ASSERT_NE(fax.lastFilterParms, nullptr);
  EXPECT_EQ(fax.lastFilterParms->getInteger("Columns"), 8);
  EXPECT_EQ(fax.bytes, "\x12\x34");

  PdfObject jpeg = images[3].operands[0].object;
  EXPECT_EQ(jpeg.getName("ColorSpace"), "DeviceCMYK");
  EXPECT_FALSE(jpeg.hasKey("L"));
  platform::PdfStreamData jpegData = jpeg.streamData();
  EXPECT_EQ(jpegData.format, PdfStreamFormat::JPEG);
  EXPECT_EQ(jpegData.bytes, "\xff\xd8\xff\xd9");
}

TEST(PdfScanner, InlineImageWithNamedColorSpaceTakesItsSizeFromTheResources) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle cs = b.parse("[/DeviceN [/A /B] /DeviceRGB null]");
  std::string samples("EI\nEI", 5);  // 5 = ceil(2 x 2 x 8 / 8) + 1: the last is padding
  b.addPage("BI /W 2 /H 1 /BPC 8 /CS /Sep2 ID " + samples.substr(0, 4) + "\nEI 1 2 m",
            b.resources({{"ColorSpace", {{"Sep2", cs}}}}));
  OpenedPdf pdf(b);
  auto calls = scanAll(pdf.page(1));
  ASSERT_EQ(calls.size(), 2u);
  ASSERT_EQ(calls[0].operands.size(), 1u);
  EXPECT_EQ(calls[0].operands[0].object.decodedData(), samples.substr(0, 4));
  EXPECT_EQ(calls[1].text(), "1 2 m");
}

TEST(PdfScanner, InlineImageWithoutEIConsumesTheRestWithoutCrashing) {
  qvtest::PdfBuilder b;
  b.addPage("1 2 m BI /W 4 /H 4 /BPC 8 /CS /G /F /AHx ID 0011223344");
  OpenedPdf pdf(b);
  bool clean = true;
  auto calls = scanAll(pdf.page(1), &clean);
  EXPECT_FALSE(clean);
  ASSERT_GE(calls.size(), 1u);
  EXPECT_EQ(calls[0].text(), "1 2 m");
}

TEST(PdfScanner, CorruptContentStreamLosesOnlyItself) {
  qvtest::PdfBuilder b;
  b.addPage("BT (page one) Tj ET");
  QPDFObjectHandle good = b.stream("1 2 m 3 4 l S");
  QPDFObjectHandle corrupt = b.stream("this is not zlib data at all", "<< /Filter /FlateDecode >>");
  QPDFObjectHandle unsupported = b.stream("garbage", "<< /Filter /NoSuchDecode >>");
  QPDFObjectHandle after = b.stream("5 6 m");
  QPDFObjectHandle page = b.addPage("");
  QPDFObjectHandle contents = QPDFObjectHandle::newArray();
  for (auto& s : {good, corrupt, unsupported, after}) contents.appendItem(s);
  page.replaceKey("/Contents", contents);
  b.addPage("BT (page three) Tj ET");
  OpenedPdf pdf(b);
  ASSERT_EQ(pdf.doc->pageCount(), 3);

  bool clean = false;
  EXPECT_EQ(pdftest::joined(scanAll(pdf.page(1), &clean)), "BT\n(page one) Tj\nET\n");
  EXPECT_TRUE(clean);
  auto second = pdf.page(2);
  EXPECT_TRUE(second->isDamaged());
  EXPECT_EQ(pdftest::joined(scanAll(second, &clean)), "1 2 m\n3 4 l\nS\n5 6 m\n");
  EXPECT_FALSE(clean);
  EXPECT_EQ(pdftest::joined(scanAll(pdf.page(3), &clean)), "BT\n(page three) Tj\nET\n");
  EXPECT_TRUE(clean);
}

TEST(PdfScanner, TruncatedFlateContentKeepsWhatDecoded) {
  std::string content;
  for (int i = 0; i < 2000; ++i) content += std::to_string(i) + " " + std::to_string(i) + " m\n";
  std::string z = deflate(content);
  qvtest::PdfBuilder b;
  QPDFObjectHandle page = b.addPage("");
  page.replaceKey("/Contents", b.stream(z.substr(0, z.size() / 2), "<< /Filter /FlateDecode >>"));
  OpenedPdf pdf(b);
  bool clean = true;
  auto calls = scanAll(pdf.page(1), &clean);
  ASSERT_GT(calls.size(), 100u);
  ASSERT_LT(calls.size(), 2000u);
  EXPECT_EQ(calls[0].text(), "0 0 m");
  EXPECT_EQ(calls[99].text(), "99 99 m");
}

TEST(PdfScanner, FlateBombIsCappedNotExhaustingMemory) {
  // 264 MiB of spaces (just past the content cap) compress to a few hundred KiB.
  z_stream zs{};
  deflateInit(&zs, Z_BEST_SPEED);
  std::string out;
  std::string chunk(1 << 20, ' ');
  std::string buf(1 << 16, '\0');
  for (int i = 0; i < 264; ++i) {
    zs.next_in = reinterpret_cast<Bytef*>(chunk.data());
    zs.avail_in = static_cast<uInt>(chunk.size());
    do {
      zs.next_out = reinterpret_cast<Bytef*>(buf.data());
      zs.avail_out = static_cast<uInt>(buf.size());
      deflate(&zs, i == 263 ? Z_FINISH : Z_NO_FLUSH);
      out.append(buf.data(), buf.size() - zs.avail_out);
    } while (zs.avail_out == 0);
  }
  deflateEnd(&zs);
  qvtest::PdfBuilder b;
  QPDFObjectHandle page = b.addPage("");
  page.replaceKey("/Contents", b.stream(out, "<< /Filter /FlateDecode >>"));
  OpenedPdf pdf(b);
  auto stream = pdf.page(1);
  EXPECT_TRUE(stream->isDamaged());
  EXPECT_LE(stream->data().size(), size_t{256} << 20);
}

// ---------------------------------------------------------------------------
// Resources

TEST(PdfContentStream, ResourceLookUpSearchesEnclosingStreams) {
  qvtest::PdfBuilder b;
  auto font = b.standardFont("Helvetica");
  auto own = b.standardFont("Courier");
  QPDFObjectHandle form = b.stream("BT /F2 10 Tf ET", "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>");
  QPDFObjectHandle formResources = b.resources({{"Font", {{"F2", own}}}});
  form.getDict().replaceKey("/Resources", formResources);
  b.addPage("/X1 Do", b.resources({{"Font", {{"F1", font}}}, {"XObject", {{"X1", form}}}}));
  OpenedPdf pdf(b);
  auto pageStream = pdf.page(1);
  PdfObject x1 = pageStream->resource("XObject", "X1");
  ASSERT_TRUE(x1.isStream());
  auto formStream = PdfContentStream::forForm(x1, x1.getDictionary("Resources"), pageStream);
  EXPECT_EQ(formStream->data(), "BT /F2 10 Tf ET");
  EXPECT_EQ(formStream->resource("Font", "F2").getName("BaseFont"), "Courier");
  EXPECT_EQ(formStream->resource("Font", "F1").getName("BaseFont"), "Helvetica");
  EXPECT_TRUE(formStream->resource("Font", "F3").isNull());
  EXPECT_TRUE(pageStream->resource("Font", "F2").isNull());
  EXPECT_EQ(formStream->parent(), pageStream);
  EXPECT_EQ(formStream->owner(), pageStream->owner());

  // A form without resources of its own uses only the enclosing ones.
  auto bare = PdfContentStream::forForm(x1, PdfObject(), pageStream);
  EXPECT_EQ(bare->resource("Font", "F1").getName("BaseFont"), "Helvetica");
  EXPECT_TRUE(bare->resource("Font", "F2").isNull());
}

TEST(PdfContentStream, InlineImageInAFormIsMadeInTheFormsDocument) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle form = b.stream("BI /W 1 /H 1 /BPC 8 /CS /G ID \x7f EI",
                                   "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] >>");
  b.addPage("/X1 Do", b.resources({{"XObject", {{"X1", form}}}}));
  OpenedPdf pdf(b);
  auto page = pdf.page(1);
  auto formStream = PdfContentStream::forForm(page->resource("XObject", "X1"), PdfObject(), page);
  auto images = callsNamed(scanAll(formStream), "EI");
  ASSERT_EQ(images.size(), 1u);
  ASSERT_EQ(images[0].operands.size(), 1u);
  EXPECT_EQ(images[0].operands[0].object.decodedData(), "\x7f");
}

}  // namespace

namespace {

TEST(PdfScanner, ExceptionsFromCallbacksReachTheCaller) {
  // A failure in whoever handles an operator (an exporter's write, say) must
  // not be mistaken for damage in the stream and silently end the page.
  auto stream = platform::PdfContentStream::forData("1 x 2 x", platform::PdfObject());
  platform::PdfOperatorTable table;
  int calls = 0;
  table.set("x", [&](platform::PdfScanner&) {
    ++calls;
    throw std::out_of_range("handler failed");
  });
  platform::PdfScanner scanner(stream, table);
  EXPECT_THROW(scanner.scan(), std::out_of_range);
  EXPECT_EQ(calls, 1);
}

}  // namespace

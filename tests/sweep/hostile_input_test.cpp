// Small hostile files that ask for a great deal of work: each is converted
// by the command-line driver in a child process under the sweep's limits and
// must end in time, within its memory, with a sound deck (or a sound Word
// document, HTML page or workbook, for the files made for those). What each one
// would cost without the per-page budgets is in its comment.
#include <gtest/gtest.h>

#include <qpdf/QPDFWriter.hh>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/files.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/sweep/conversion_check.h"

namespace {

namespace fs = std::filesystem;

// Deflates `unit` repeated `times` times without holding the whole text:
// a small stream that inflates to a great size.
std::string deflateRepeated(std::string_view unit, size_t times) {
  z_stream z{};
  deflateInit(&z, 9);
  std::string block;
  while (block.size() < (1u << 20) && times > 0) {
    block.append(unit);
    --times;
  }
  const size_t unitsPerBlock = block.size() / std::max<size_t>(unit.size(), 1);
  std::string out;
  char buffer[1 << 16];
  auto pump = [&](const std::string& data, int flush) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    do {
      z.next_out = reinterpret_cast<Bytef*>(buffer);
      z.avail_out = sizeof buffer;
      deflate(&z, flush);
      out.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
  };
  pump(block, Z_NO_FLUSH);
  for (; times >= unitsPerBlock && unitsPerBlock > 0; times -= unitsPerBlock) pump(block, Z_NO_FLUSH);
  std::string rest;
  for (; times > 0; --times) rest.append(unit);
  pump(rest, Z_FINISH);
  deflateEnd(&z);
  return out;
}

enum class Stored { Deflated, Plain };

// A one-page file whose content is `prefix`, then `unit` repeated (one
// stream, deflated unless asked for plain), then `suffix`: the reader joins
// the three streams. Deflated, a page asks far more work than its bytes
// allow; plain, it brings the bytes that real content of that size has.
fs::path repeatedContentPdf(const qvtest::TempDir& dir, std::string_view prefix, std::string_view unit,
                            size_t times, std::string_view suffix, qvtest::PdfBuilder& b,
                            QPDFObjectHandle resources = QPDFObjectHandle(), Stored stored = Stored::Deflated) {
  b.setCompressStreams(false);
  QPDFObjectHandle page = b.addPage("", resources);
  QPDFObjectHandle head = b.stream(std::string(prefix));
  std::string plain;
  if (stored == Stored::Plain) {
    plain.reserve(unit.size() * times);
    for (size_t i = 0; i < times; ++i) plain.append(unit);
  }
  QPDFObjectHandle body = stored == Stored::Plain
                              ? b.stream(plain)
                              : b.stream(deflateRepeated(unit, times), "<< /Filter /FlateDecode >>");
  QPDFObjectHandle tail = b.stream(std::string(suffix));
  page.replaceKey("/Contents", QPDFObjectHandle::newArray({head, body, tail}));
  const fs::path file = dir.file("hostile.pdf");
  b.write(file);
  return file;
}

sweep::ConversionRun expectSoundConversion(const fs::path& pdf, const qvtest::TempDir& dir,
                                           sweep::DeckCheck deckCheck = sweep::DeckCheck::Full,
                                           const std::string& extension = "pptx") {
  const sweep::ConversionRun run =
      sweep::convertAndCheck(pdf, "", dir.file("run-" + extension), {}, deckCheck, extension);
  std::printf("[hostile] %s to %s exit %d in %.1f s, %lld MiB\n",
              testing::UnitTest::GetInstance()->current_test_info()->name(), extension.c_str(), run.child.exitCode,
              run.child.seconds, static_cast<long long>(run.child.peakResidentBytes >> 20));
  std::string problems;
  for (const std::string& p : run.problems) problems += "\n  " + p;
  EXPECT_TRUE(run.problems.empty()) << extension << ":" << problems << "\n" << run.report;
  EXPECT_EQ(run.child.exitCode, 0) << extension << ": " << run.report;
  return run;
}

// The outputs whose exporters lay text out in lines, blocks, columns and
// rows of their own (a deck places each run where it stands).
const std::vector<std::string> kLayoutOutputs{"docx", "html", "xlsx"};

// 1000 full-page paths too complex for freeforms: rendered one by one to
// page-size pictures they took a quarter of an hour.
TEST(HostileInput, ComplexPathFloodEndsInTime) {
  qvtest::TempDir dir;
  std::string path = "0 0 m";
  for (int i = 0; i < 40; ++i) path += " " + std::to_string(i * 37 % 612) + " " + std::to_string(i * 53 % 792) + " l";
  path += " h f\n";
  qvtest::PdfBuilder b;
  expectSoundConversion(repeatedContentPdf(dir, "", path, 1000, "", b), dir);
}

// A 2048 x 2048 stencil mask drawn in 600 fill colours: each colour made a
// new picture file of the whole mask.
TEST(HostileInput, StencilMaskInManyColoursEndsInTime) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  const int side = 2048;
  QPDFObjectHandle mask =
      b.stream(deflateRepeated("\xAA", side / 8 * side),
               "<< /Type /XObject /Subtype /Image /Width 2048 /Height 2048 /ImageMask true /Filter /FlateDecode >>");
  std::string content;
  for (int i = 0; i < 600; ++i)
    content += std::to_string(i % 10) + "." + std::to_string(i / 10) + " 0.5 0 rg q 612 0 0 792 0 0 cm /M Do Q\n";
  b.addPage(content, b.resources({{"XObject", {{"M", mask}}}}));
  b.write(dir.file("hostile.pdf"));
  expectSoundConversion(dir.file("hostile.pdf"), dir);
}

// Forms that each draw the next twice, ten deep, with an inline image in
// the innermost: a kilobyte runs that form a thousand times. Each run made a
// new picture file (a form that drew itself made over 65535 package parts, a
// damaged zip, minutes of work); the same inline image is now one picture.
TEST(HostileInput, AnInlineImageInAFormDrawnManyTimesIsOnePicture) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  QPDFObjectHandle form = b.stream("q 2 0 0 2 0 0 cm BI /W 2 /H 2 /BPC 8 /CS /G /F /AHx ID 00ff8040> EI Q",
                                   "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>");
  for (int level = 0; level < 10; ++level) {
    QPDFObjectHandle outer = b.stream("q 0.5 0 0 0.5 0 0 cm /X Do Q q 0.5 0 0 0.5 5 5 cm /X Do Q",
                                      "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>");
    outer.getDict().replaceKey("/Resources", b.resources({{"XObject", {{"X", form}}}}));
    form = outer;
  }
  b.addPage("20 0 0 20 0 0 cm /X Do", b.resources({{"XObject", {{"X", form}}}}));
  b.write(dir.file("hostile.pdf"));
  expectSoundConversion(dir.file("hostile.pdf"), dir, sweep::DeckCheck::OpensWithSlide);
  int media = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir.file("run-pptx")))
    if (entry.path().extension() == ".pptx") {
      FILE* pipe = popen(("unzip -Z1 '" + entry.path().string() + "'").c_str(), "r");
      ASSERT_NE(pipe, nullptr);
      char line[512];
      while (std::fgets(line, sizeof line, pipe))
        if (std::string_view(line).starts_with("ppt/media/")) ++media;
      EXPECT_EQ(pclose(pipe), 0);
    }
  EXPECT_EQ(media, 1);
}

// Half a million stroked lines, stored as they are (9 MB): as many shapes on
// one slide.
TEST(HostileInput, PathFloodKeepsMemoryBounded) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  expectSoundConversion(repeatedContentPdf(dir, "", "0 0 m 600 780 l S\n", 500'000, "", b, QPDFObjectHandle(),
                                           Stored::Plain),
                        dir, sweep::DeckCheck::OpensWithSlide);
}

// A million strings on one line, stored as they are (8 MB): one text box of
// a million runs.
TEST(HostileInput, TextFloodKeepsMemoryBounded) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  auto font = b.standardFont("Helvetica");
  expectSoundConversion(repeatedContentPdf(dir, "BT /F1 1 Tf 10 10 Td", "(ab) Tj\n", 1'000'000, "ET", b,
                                           b.resources({{"Font", {{"F1", font}}}}), Stored::Plain),
                        dir);
}

// Forty million operators that change nothing, deflated to a few tens of
// kilobytes: the page is stopped once it has spent what its bytes allow,
// and reported failed.
TEST(HostileInput, OperatorFloodEndsInTime) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  const sweep::ConversionRun run = expectSoundConversion(repeatedContentPdf(dir, "", "q Q\n", 20'000'000, "", b), dir);
  EXPECT_NE(run.report.find("page 1 failed"), std::string::npos) << run.report;
}

// Forms that draw themselves twice at every level, found by the fuzzers (one
// with an inline image, one whose page box holds a name, some with damaged
// streams): the depth bound stopped the recursion, but two to the power of
// the depth runs took a second and more, half a minute under the
// sanitizers. Each page is now stopped once it has spent what its kilobyte
// allows and reported failed, in every output.
TEST(HostileInput, SelfDrawingFormsFailTheirPageInTime) {
  const std::vector<std::string> outputs{"pptx", "docx", "html", "xlsx", "rtf", "csv", "txt"};
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(QV_SOURCE_DIR) / "tests" / "data" / "hostile"))
    if (entry.path().filename().string().starts_with("self-drawing-form-")) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), 4u);
  for (const fs::path& file : files)
    for (const std::string& extension : outputs) {
      SCOPED_TRACE(file.filename().string() + " to " + extension);
      qvtest::TempDir dir;
      const sweep::ConversionRun run = expectSoundConversion(file, dir, sweep::DeckCheck::Full, extension);
      EXPECT_NE(run.report.find("page 1 failed"), std::string::npos) << run.report;
    }
}

// A ToUnicode map that inflates to a gigabyte.
TEST(HostileInput, InflatingToUnicodeMapKeepsMemoryBounded) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  QPDFObjectHandle toUnicode = b.stream(deflateRepeated("1 beginbfchar <41> <0042> endbfchar\n", 30'000'000),
                                        "<< /Filter /FlateDecode >>");
  QPDFObjectHandle font = b.standardFont("Helvetica");
  font.replaceKey("/ToUnicode", toUnicode);
  b.addPage("BT /F1 12 Tf 72 720 Td (AB) Tj ET", b.resources({{"Font", {{"F1", font}}}}));
  b.write(dir.file("hostile.pdf"));
  expectSoundConversion(dir.file("hostile.pdf"), dir);
}

// A page tree whose /Kids lists one page 200000 times (a few kilobytes in
// an object stream): it was a deck of 200000 slides.
TEST(HostileInput, APageListedManyTimesIsOneSlide) {
  qvtest::TempDir dir;
  std::string kids;
  for (int i = 0; i < 200'000; ++i) kids += "3 0 R ";
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [" + kids + "] /Count 200000 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
      "<< /Length 10 >>\nstream\n0 0 m 9 9 l S\nendstream",
  };
  std::string pdf = "%PDF-1.7\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 5\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    pdf += entry;
  }
  pdf += "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  ASSERT_TRUE(platform::fs::writeFile(dir.file("hostile.pdf").string(), pdf));
  expectSoundConversion(dir.file("hostile.pdf"), dir);
  const qvtest::ZipPackage deck(dir.file("run-pptx") / "out" / "hostile.pptx");
  EXPECT_TRUE(deck.contains("ppt/slides/slide1.xml"));
  EXPECT_FALSE(deck.contains("ppt/slides/slide2.xml"));
}

// A cross-reference stream that names two million objects in a few
// kilobytes, all but one said to be in an object stream that holds a single
// page, and a page tree root among the missing: the search for page objects
// reads each object it is given, a parse of the object stream each time. It
// must end in time with the page it found and the loss reported.
TEST(HostileInput, MillionsOfObjectsNamedInAFewKilobytesEndInTime) {
  constexpr uint32_t kObjects = 2'000'000;
  std::string pdf = "%PDF-1.5\n";
  const size_t catalog = pdf.size();
  pdf += "1 0 obj\n<< /Type /Catalog /Pages 99 0 R >>\nendobj\n";
  const std::string header = "3 0 ";
  const std::string packedPage = deflateRepeated(header + "<< /Type /Page /MediaBox [0 0 612 792] >>", 1);
  const size_t objectStream = pdf.size();
  pdf += "2 0 obj\n<< /Type /ObjStm /N 1 /First " + std::to_string(header.size()) +
         " /Filter /FlateDecode /Length " + std::to_string(packedPage.size()) + " >>\nstream\n" + packedPage +
         "\nendstream\nendobj\n";
  const size_t xref = pdf.size();
  // Rows of the stream: type (1 byte), offset or object stream (4), generation or index (2).
  std::string rows;
  rows.reserve(size_t{kObjects} * 7);
  auto row = [&](int type, uint32_t second, uint16_t third) {
    rows.push_back(static_cast<char>(type));
    for (int shift = 24; shift >= 0; shift -= 8) rows.push_back(static_cast<char>(second >> shift));
    rows.push_back(static_cast<char>(third >> 8));
    rows.push_back(static_cast<char>(third));
  };
  row(0, 0, 65535);
  row(1, static_cast<uint32_t>(catalog), 0);
  row(1, static_cast<uint32_t>(objectStream), 0);
  for (uint32_t i = 3; i < kObjects - 1; ++i) row(2, 2, 0);
  row(1, static_cast<uint32_t>(xref), 0);
  const std::string packedRows = deflateRepeated(rows, 1);
  pdf += std::to_string(kObjects - 1) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(kObjects) +
         " /W [1 4 2] /Root 1 0 R /Filter /FlateDecode /Length " + std::to_string(packedRows.size()) +
         " >>\nstream\n" + packedRows + "\nendstream\nendobj\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  qvtest::TempDir dir;
  ASSERT_TRUE(platform::fs::writeFile(dir.file("hostile.pdf").string(), pdf));
  ASSERT_LT(pdf.size(), 64u << 10);

  expectSoundConversion(dir.file("hostile.pdf"), dir);
  const qvtest::ZipPackage deck(dir.file("run-pptx") / "out" / "hostile.pptx");
  EXPECT_TRUE(deck.contains("ppt/slides/slide1.xml"));
  EXPECT_FALSE(deck.contains("ppt/slides/slide2.xml"));
}

// Page boxes, matrices, font sizes, spacings and coordinates at the ends of
// the number range: every length and angle the deck holds must stay inside
// the ranges of its schema.
fs::path extremeGeometryPdf(const qvtest::TempDir& dir) {
  qvtest::PdfBuilder b;
  auto font = b.standardFont("Helvetica");
  // PDF numbers have no exponents: written out in full, and past 64 bits.
  const std::string big = "1" + std::string(38, '0') + ".0", huge = "1" + std::string(300, '0'),
                    tiny = "0." + std::string(30, '0') + "1";
  const std::string content =
      "BT /F1 " + big + " Tf " + big + " 0 0 " + big + " " + big + " " + big + " Tm (Huge) Tj ET "
      "q " + huge + " 0 0 " + huge + " 0 0 cm 0 0 m 1 1 l S Q q 0 0 0 0 0 0 cm (x) Tj 0 0 m 5 5 l S Q "
      "BT /F1 12 Tf " + tiny + " 0 0 " + tiny + " 0 0 Tm (tiny) Tj ET 5 w [" + big + " 0] 0 d 0 0 m 100 100 l S " +
      big + " " + big + " m -" + big + " -" + big + " l S 0 0 " + big + " " + big + " re f "
      "BT /F1 -12 Tf 0 -1 1 0 300 300 Tm 99999 Tz " + big + " Tc " + big + " Tw " + big + " TL " + big +
      " Ts (abc def) Tj T* (x) ' ET BT /F1 12 Tf -" + big + " " + big + " Td (far) Tj ET";
  for (const std::string& box : {"[0 0 " + big + " " + big + "]", std::string("[0 0 0.0001 0.0001]"),
                                 "[-" + big + " -" + big + " " + big + " " + big + "]", std::string("[612 792 0 0]"),
                                 std::string("[0 0 100000 5]"), std::string("[0 0 14400 14400]")})
    b.addPage(content, b.resources({{"Font", {{"F1", font}}}}), box);
  b.write(dir.file("hostile.pdf"));
  return dir.file("hostile.pdf");
}

TEST(HostileInput, ExtremeGeometryGivesAValidDeck) {
  qvtest::TempDir dir;
  expectSoundConversion(extremeGeometryPdf(dir), dir);
}

TEST(HostileInput, ExtremeGeometryGivesValidDocumentsPagesAndWorkbooks) {
  qvtest::TempDir dir;
  const fs::path pdf = extremeGeometryPdf(dir);
  for (const std::string& extension : kLayoutOutputs) expectSoundConversion(pdf, dir, sweep::DeckCheck::Full, extension);
}

// A hundred composite fonts whose descriptors share one program stream that
// inflates to 30 MiB of zeros: each font read and kept its own copy, 3 GB.
TEST(HostileInput, ManyFontsWithInflatingProgramsKeepMemoryBounded) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  QPDFObjectHandle program = b.stream(deflateRepeated(std::string(1, '\0'), size_t{30} << 20),
                                      "<< /Filter /FlateDecode >>");
  QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
  std::string content;
  for (int i = 0; i < 100; ++i) {
    const std::string name = "F" + std::to_string(i);
    QPDFObjectHandle descriptor = b.qpdf().makeIndirectObject(
        b.parse("<< /Type /FontDescriptor /FontName /" + name +
                " /Flags 32 /FontBBox [0 0 1000 1000] /ItalicAngle 0 /Ascent 800 /Descent -200 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile2", program);
    QPDFObjectHandle cidFont = b.qpdf().makeIndirectObject(
        b.parse("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>"));
    cidFont.replaceKey("/FontDescriptor", descriptor);
    QPDFObjectHandle font = b.qpdf().makeIndirectObject(
        b.parse("<< /Type /Font /Subtype /Type0 /BaseFont /" + name + " /Encoding /Identity-H >>"));
    font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({cidFont}));
    fonts.replaceKey("/" + name, font);
    content += "BT /" + name + " 12 Tf 10 " + std::to_string(10 + 7 * i) + " Td <00410042> Tj ET\n";
  }
  QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/Font", fonts);
  b.addPage(content, resources);
  b.write(dir.file("hostile.pdf"));
  expectSoundConversion(dir.file("hostile.pdf"), dir);
}

// A 1024 x 1024 image in a two-colorant DeviceN space whose tint transform
// is a calculator program of 60000 instructions, its colours cycling so that
// no cache holds them: a million evaluations took most of an hour.
TEST(HostileInput, CostlyTintTransformOfAnImageEndsInTime) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  std::string program = "{";
  for (int i = 0; i < 15000; ++i) program += " 1 add 1 sub";
  program += " pop pop 0.5 0.5 0.5 }";
  QPDFObjectHandle tint = b.stream(program, "<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] >>");
  std::string cycle;
  for (int i = 0; i < 4096; ++i) {
    cycle += static_cast<char>((i * 7) & 255);
    cycle += static_cast<char>(((i * 13) >> 3) & 255);
  }
  QPDFObjectHandle image = b.stream(deflateRepeated(cycle, 1024 * 1024 / 4096),
                                    "<< /Type /XObject /Subtype /Image /Width 1024 /Height 1024 "
                                    "/BitsPerComponent 8 /Filter /FlateDecode >>");
  QPDFObjectHandle space = QPDFObjectHandle::newArray(
      {QPDFObjectHandle::newName("/DeviceN"), b.parse("[/A /B]"), QPDFObjectHandle::newName("/DeviceRGB"), tint});
  image.getDict().replaceKey("/ColorSpace", space);
  b.addPage("q 612 0 0 792 0 0 cm /I Do Q", b.resources({{"XObject", {{"I", image}}}}));
  b.write(dir.file("hostile.pdf"));
  expectSoundConversion(dir.file("hostile.pdf"), dir);
}

// An image that claims 100000 x 100000 pixels, and forms nested 40 deep.
TEST(HostileInput, OversizedImageAndDeepFormsConvert) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  QPDFObjectHandle image = b.stream(deflateRepeated("\xff", 1 << 20),
                                    "<< /Type /XObject /Subtype /Image /Width 100000 /Height 100000 "
                                    "/BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /FlateDecode >>");
  QPDFObjectHandle inner = b.stream("0 0 m 10 10 l S /I Do", "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>");
  inner.getDict().replaceKey("/Resources", b.resources({{"XObject", {{"I", image}}}}));
  for (int depth = 0; depth < 40; ++depth) {
    QPDFObjectHandle outer =
        b.stream("0.9 0 0 0.9 1 1 cm /X Do 0 0 m 5 5 l S", "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>");
    outer.getDict().replaceKey("/Resources", b.resources({{"XObject", {{"X", inner}}}}));
    inner = outer;
  }
  b.addPage("/I Do 50 0 0 50 0 0 cm /X Do", b.resources({{"XObject", {{"X", inner}, {"I", image}}}}));
  b.write(dir.file("hostile.pdf"));
  expectSoundConversion(dir.file("hostile.pdf"), dir);
}

// Two pages that name the same 20,000 links (without appearances, in object
// streams of a hundred objects, as a browser's print writes them), a stamp
// whose appearance shows a word, and entries of /Annots that are no
// annotation (the page itself, its font): the links are read once and let
// go (qpdf kept them all, 130 MB for 32,768 of them), and nothing that the
// pages still read is let go with them. Both pages keep their text and the
// stamp's word, in every output; page 2 finds the links passed over the
// same way.
TEST(HostileInput, PagesOfManyLinksKeepTheirTextAndTheirStamp) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  auto font = b.standardFont("Helvetica");
  auto resources = b.resources({{"Font", {{"F1", font}}}});
  auto annots = QPDFObjectHandle::newArray();
  for (int i = 0; i < 20'000; ++i) {
    const int x = 40 + (i % 250) * 2, y = 60 + (i / 250) * 3;
    annots.appendItem(b.qpdf().makeIndirectObject(
        b.parse("<< /Type /Annot /Subtype /Link /BS << /W 0 >> /A << /S /URI /URI (https://example.com/) >> /Rect [" +
                std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(x + 2) + " " +
                std::to_string(y + 3) + "] >>")));
  }
  auto stampForm = b.stream("BT /F1 10 Tf 2 4 Td (Stamped) Tj ET", "<< /Subtype /Form /BBox [0 0 100 20] >>");
  stampForm.getDict().replaceKey("/Resources", resources);
  auto stamp = b.parse("<< /Type /Annot /Subtype /Stamp /Rect [300 600 400 620] /AP << >> >>");
  stamp.getKey("/AP").replaceKey("/N", stampForm);
  annots.appendItem(b.qpdf().makeIndirectObject(stamp));
  annots.appendItem(font);
  for (int n = 1; n <= 2; ++n) {
    auto page = b.addPage("BT /F1 12 Tf 72 720 Td (Links page " + std::to_string(n) + ") Tj ET", resources);
    auto own = QPDFObjectHandle::newArray(annots.getArrayAsVector());
    own.appendItem(page);
    page.replaceKey("/Annots", own);
  }
  const fs::path file = dir.file("many-links.pdf");
  const std::string name = file.string();  // qpdf keeps the name until it writes
  QPDFWriter writer(b.qpdf(), name.c_str());
  writer.setStaticID(true);
  writer.setObjectStreamMode(qpdf_o_generate);
  writer.write();
  for (const std::string extension : {"txt", "docx", "html", "rtf", "xlsx", "pptx"}) {
    SCOPED_TRACE(extension);
    const fs::path root = dir.file("run-" + extension);
    expectSoundConversion(file, dir, sweep::DeckCheck::Full, extension);
    if (extension != "txt") continue;
    const auto text = platform::fs::readFile((root / "out" / ("many-links." + extension)).string());
    ASSERT_TRUE(text.has_value());
    for (const char* word : {"Links page 1", "Links page 2"})
      EXPECT_NE(text->find(word), std::string::npos) << *text;
    size_t stamps = 0;
    for (size_t at = text->find("Stamped"); at != std::string::npos; at = text->find("Stamped", at + 1)) ++stamps;
    EXPECT_EQ(stamps, 2u) << *text;
  }
}

}  // namespace

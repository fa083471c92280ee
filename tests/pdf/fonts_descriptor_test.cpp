// Font descriptors: metrics, flags, names and the embedded font program.
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <gtest/gtest.h>

#include "pdf/fonts/QVPDFFontDescriptor.h"
#include "platform/pdf/document.h"
#include "tests/support/fixtures.h"

namespace {

std::shared_ptr<const QVPDFFontDescriptor> descriptor(qvtest::PdfBuilder& b, const std::string& text) {
  return QVPDFFontDescriptor::initWithPDFDictionary(platform::PdfObject(b.parse(text)));
}

TEST(FontDescriptor, OnlyFontDescriptorDictionariesAreRead) {
  qvtest::PdfBuilder b;
  EXPECT_EQ(descriptor(b, "<< /Type /Font /Ascent 718 >>"), nullptr);
  EXPECT_EQ(QVPDFFontDescriptor::initWithPDFDictionary(platform::PdfObject()), nullptr);
  EXPECT_NE(descriptor(b, "<< /Type /FontDescriptor >>"), nullptr);
  EXPECT_NE(descriptor(b, "<< /Ascent 718 >>"), nullptr);
}

TEST(FontDescriptor, MetricsAreScaledAndRealsAreNumbers) {
  qvtest::PdfBuilder b;
  auto d = descriptor(b, R"(<< /Type /FontDescriptor /Ascent 718 /Descent 207 /Leading 33 /CapHeight 718
      /XHeight 523 /AvgWidth 441 /MaxWidth 1500 /MissingWidth 250 /StemV 88 /StemH 76 /ItalicAngle -12.5
      /FontBBox [-166 -225 1000 931] /FontName /Helvetica /FontFamily (Helvetica) >>)");
  ASSERT_TRUE(d);
  EXPECT_DOUBLE_EQ(d->ascent(), 0.718);
  EXPECT_DOUBLE_EQ(d->descent(), -0.207);
  EXPECT_DOUBLE_EQ(d->leading(), 33);
  EXPECT_DOUBLE_EQ(d->capHeight(), 718);
  EXPECT_DOUBLE_EQ(d->xHeight(), 523);
  EXPECT_DOUBLE_EQ(d->averageWidth(), 0.441);
  EXPECT_DOUBLE_EQ(d->maxWidth(), 1.5);
  EXPECT_DOUBLE_EQ(d->missingWidth(), 0.25);
  EXPECT_DOUBLE_EQ(d->verticalStemWidth(), 88);
  EXPECT_DOUBLE_EQ(d->horizontalStemHeigth(), 76);
  EXPECT_DOUBLE_EQ(d->italicAngle(), -12.5);
  EXPECT_DOUBLE_EQ(d->fontBBox().origin.x, -0.166);
  EXPECT_DOUBLE_EQ(d->fontBBox().origin.y, -0.225);
  EXPECT_DOUBLE_EQ(d->fontBBox().size.width, 1.0);
  EXPECT_DOUBLE_EQ(d->fontBBox().size.height, 0.931);
  EXPECT_EQ(d->fontName(), "Helvetica");
  EXPECT_EQ(d->fontFamily(), "Helvetica");

  auto reals = descriptor(b, "<< /Type /FontDescriptor /Ascent 718.5 /Descent -207.5 /FontBBox [-166.5 -225 1000 931.5] >>");
  EXPECT_DOUBLE_EQ(reals->ascent(), 0.7185);
  EXPECT_DOUBLE_EQ(reals->descent(), -0.2075);
  EXPECT_DOUBLE_EQ(reals->fontBBox().origin.x, -0.1665);
  EXPECT_DOUBLE_EQ(reals->fontBBox().size.height, 0.9315);
}

TEST(FontDescriptor, MissingOrMalformedEntriesKeepTheDefaults) {
  qvtest::PdfBuilder b;
  auto d = descriptor(b, "<< /Type /FontDescriptor /Descent 0 /Ascent (tall) /FontBBox [1 2 3] /FontName (x) >>");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->ascent(), 0);
  EXPECT_EQ(d->descent(), 0);
  EXPECT_EQ(d->fontBBox(), platform::Rect());
  EXPECT_EQ(d->fontName(), std::nullopt);
  EXPECT_EQ(d->fontFamily(), std::nullopt);
  EXPECT_EQ(d->embFontNum(), 0);
  EXPECT_EQ(d->embFontSubType(), "Unknown embedded font type");
  EXPECT_EQ(d->embFullName(), "Unknown embedded font full name");
  EXPECT_EQ(d->embPostScriptName(), "Unknown embedded font postscript name");
  EXPECT_EQ(d->embFontData(), nullptr);
  auto negative = descriptor(b, "<< /Type /FontDescriptor /Descent -300 >>");
  EXPECT_DOUBLE_EQ(negative->descent(), -0.3);
  auto badName = descriptor(b, "<< /Type /FontDescriptor /FontName /Caf#E9 /FontFamily <FEFF00430061006600E9> >>");
  EXPECT_EQ(badName->fontName(), std::nullopt);  // not UTF-8
  EXPECT_EQ(badName->fontFamily(), "Caf\xC3\xA9");
}

TEST(FontDescriptor, FlagsGiveFixedSerifSymbolicItalicButNeverBold) {
  qvtest::PdfBuilder b;
  auto none = descriptor(b, "<< /Type /FontDescriptor >>");
  EXPECT_EQ(none->flags(), 2u);
  EXPECT_TRUE(none->isSerif());
  EXPECT_FALSE(none->isFixedWidth());
  EXPECT_FALSE(none->isItalic());
  auto f98 = descriptor(b, "<< /Type /FontDescriptor /Flags 98 >>");
  EXPECT_FALSE(f98->isFixedWidth());
  EXPECT_TRUE(f98->isSerif());
  EXPECT_TRUE(f98->isItalic());
  EXPECT_FALSE(f98->isSymbolic());
  auto all = descriptor(b, "<< /Type /FontDescriptor /Flags 262247 >>");
  EXPECT_TRUE(all->isFixedWidth());
  EXPECT_TRUE(all->isSymbolic());
  EXPECT_FALSE(all->isBold());
}

TEST(FontDescriptor, FontFileKindsAreTold) {
  qvtest::PdfBuilder b;
  auto make = [&](const std::string& key, const std::string& dict) {
    auto d = b.parse("<< /Type /FontDescriptor >>");
    d.replaceKey("/" + key, b.stream("not a font", dict));
    return QVPDFFontDescriptor::initWithPDFDictionary(platform::PdfObject(d));
  };
  auto t1 = make("FontFile", "<< >>");
  EXPECT_EQ(t1->embFontNum(), 1);
  EXPECT_EQ(t1->embFontSubType(), "Type1");
  auto tt = make("FontFile2", "<< >>");
  EXPECT_EQ(tt->embFontNum(), 2);
  EXPECT_EQ(tt->embFontSubType(), "CIDType2 or TrueType");
  auto cff = make("FontFile3", "<< /Subtype /Type1C >>");
  EXPECT_EQ(cff->embFontNum(), 3);
  EXPECT_EQ(cff->embFontSubType(), "Type1C");
  // A program FreeType cannot load keeps the placeholders.
  EXPECT_EQ(cff->embFullName(), "Unknown embedded font full name");
  EXPECT_EQ(cff->embPostScriptName(), "Unknown embedded font postscript name");
  ASSERT_TRUE(cff->embFontData());
  EXPECT_EQ(*cff->embFontData(), "not a font");
}

TEST(FontDescriptor, EmbeddedTrueTypeNamesComeFromTheFont) {
  const std::filesystem::path ttf = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  if (!std::filesystem::exists(ttf)) GTEST_SKIP() << "DejaVu Sans not installed";
  std::ifstream in(ttf, std::ios::binary);
  std::stringstream data;
  data << in.rdbuf();
  qvtest::PdfBuilder b;
  auto d = b.parse("<< /Type /FontDescriptor /FontName /ABCDEF+DejaVuSans >>");
  d.replaceKey("/FontFile2", b.flateStream(data.str()));
  auto desc = QVPDFFontDescriptor::initWithPDFDictionary(platform::PdfObject(d));
  ASSERT_TRUE(desc);
  auto copy = desc;  // copies share what was loaded
  EXPECT_EQ(desc->embFullName(), "DejaVu Sans");
  EXPECT_EQ(copy->embPostScriptName(), "DejaVuSans");
}

// What an embedded program says of its design: its classification where it
// has one (TrueType and OpenType programs), else its letter I with or
// without serifs (Type 1 programs), and whether its glyphs are of one width.
TEST(FontDescriptor, TheEmbeddedProgramTellsItsDesign) {
  const struct {
    const char* file;
    const char* key;
    bool fixedPitch;
    std::optional<bool> serif;  // not asked of the fixed-pitch faces
  } programs[] = {
      {"/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf", "/FontFile2", false, true},
      {"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", "/FontFile2", false, false},
      {"/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf", "/FontFile2", true, std::nullopt},
      {"/usr/share/fonts/type1/urw-base35/C059-Roman.t1", "/FontFile", false, true},
      {"/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1", "/FontFile", false, false},
      {"/usr/share/fonts/type1/urw-base35/NimbusMonoPS-Regular.t1", "/FontFile", true, std::nullopt},
  };
  for (const auto& program : programs) {
    SCOPED_TRACE(program.file);
    if (!std::filesystem::exists(program.file)) GTEST_SKIP() << program.file << " not installed";
    std::ifstream in(program.file, std::ios::binary);
    std::stringstream data;
    data << in.rdbuf();
    qvtest::PdfBuilder b;
    // Flags that say nothing, as many producers write them.
    auto d = b.parse("<< /Type /FontDescriptor /FontName /ABCDEF+Unnamed /Flags 4 >>");
    d.replaceKey(program.key, b.flateStream(data.str()));
    auto desc = QVPDFFontDescriptor::initWithPDFDictionary(platform::PdfObject(d));
    ASSERT_TRUE(desc);
    const QVPDFFontDesign& design = desc->embDesign();
    EXPECT_EQ(design.fixedPitch, program.fixedPitch);
    if (program.serif) EXPECT_EQ(design.serif, program.serif);
  }
  qvtest::PdfBuilder b;
  auto none = descriptor(b, "<< /Type /FontDescriptor >>");
  EXPECT_FALSE(none->embDesign().serif.has_value());
  EXPECT_FALSE(none->embDesign().fixedPitch);
}

// Every font descriptor of the corpus reads, and the embedded programs that
// FreeType knows give their names.
TEST(FontDescriptor, CorpusDescriptorsRead) {
  auto files = qvtest::corpusFiles();
  if (files.empty()) GTEST_SKIP() << qvtest::noCorpus();
  size_t embedded = 0, named = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file.string());
    auto doc = platform::PdfDocument::open(file.string(), qvtest::corpusPassword(file));
    if (!doc || !doc->isUnlocked()) continue;
    for (int n = 1; n <= std::min(doc->pageCount(), 5); ++n) {
      auto page = doc->page(n);
      if (!page) continue;
      platform::PdfObject fonts = page->resources().getDictionary("Font");
      for (const std::string& key : fonts.keys()) {
        platform::PdfObject font = fonts.get(key);
        platform::PdfObject fd = font.getDictionary("FontDescriptor");
        if (fd.isNull()) fd = font.getArray("DescendantFonts").at(0).getDictionary("FontDescriptor");
        auto desc = QVPDFFontDescriptor::initWithPDFDictionary(fd);
        if (!desc || desc->embFontNum() == 0) continue;
        ++embedded;
        if (desc->embPostScriptName() != QVPDFFontDescriptor::kUnknownPostScriptName) ++named;
      }
    }
  }
  if (embedded == 0) GTEST_SKIP() << "no embedded fonts";
  EXPECT_GT(named * 2, embedded) << named << " of " << embedded;
}

}  // namespace

// The Word package: every part of it, the page bookmarks, the sections that
// close each page and the body, and what happens when a page fails or a
// part cannot be written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "docx/QVDocxUtilities.h"
#include "docx/QVDocxWriter.h"
#include "platform/fs/files.h"
#include "platform/image/bitmap.h"
#include "platform/image/codecs.h"
#include "tests/docx/docx_test_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"

namespace {

namespace fs = std::filesystem;
using docxtest::Document;
using docxtest::find;
using docxtest::findAll;
using docxtest::kW;
using docxtest::textRun;
using docxtest::wAttr;

class DocxWriterTest : public testing::Test {
 protected:
  DocxWriterTest() : scope(work) {}

  // A writer of `announced` pages whose pages each hold one line of text.
  std::unique_ptr<QVDocxWriter> writer(int64_t announced) {
    auto w = std::make_unique<QVDocxWriter>(output.string(), announced, context);
    w->begainWriteDocument();
    return w;
  }

  void writePage(QVDocxWriter& w, const std::string& text) {
    w.begainWritePage({612, 792});
    w.currentPage()->allRunTextArray.push_back(textRun(text, 72, 80, 12, 60));
    w.endWritePage();
  }

  void finish(QVDocxWriter& w) {
    w.endWriteDocument();
    w.packetDocxFile();
  }

  // The w:sectPr of the body and of each paragraph, in document order.
  static std::vector<const qvtest::XmlElement*> paragraphSections(const Document& d) {
    std::vector<const qvtest::XmlElement*> out;
    for (const qvtest::XmlElement* p : d.paragraphs())
      if (const qvtest::XmlElement* s = find(*p, "sectPr")) out.push_back(s);
    return out;
  }
  static const qvtest::XmlElement* bodySection(const Document& d) {
    const auto s = d.body->childrenNamed("sectPr", kW);
    return s.empty() ? nullptr : s.back();
  }

  qvtest::TempDir dir;
  fs::path output = dir.file("out.docx");
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope;
  QVDocxConversionContext context;
};

TEST_F(DocxWriterTest, OnePageDocumentIsACompletePackage) {
  auto w = writer(1);
  writePage(*w, "Hello");
  finish(*w);
  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
  const Document d(output);
  EXPECT_THAT(
      d.package.entries(),
      testing::ElementsAre("_rels/.rels", "[Content_Types].xml", "docProps/app.xml", "docProps/core.xml",
                           "word/_rels/document.xml.rels", "word/document.xml", "word/fontTable.xml",
                           "word/settings.xml", "word/styles.xml", "word/theme/theme1.xml", "word/webSettings.xml"));
  const auto& children = d.body->children;
  ASSERT_GE(children.size(), 2u);
  // The page's bookmark opens its first paragraph, right after its
  // properties: a reader lays out a bookmark between paragraphs, before a
  // page whose first paragraph anchors a text box, wrongly or not at all.
  ASSERT_EQ(children[0]->local, "p");
  const auto& first = children[0]->children;
  ASSERT_GE(first.size(), 3u);
  EXPECT_EQ(first[0]->local, "pPr");
  EXPECT_EQ(first[1]->local, "bookmarkStart");
  EXPECT_EQ(wAttr(first[1].get(), "id"), "1");
  EXPECT_EQ(wAttr(first[1].get(), "name"), "1");
  EXPECT_EQ(first[2]->local, "bookmarkEnd");
  EXPECT_EQ(children.back()->local, "sectPr");
  EXPECT_TRUE(paragraphSections(d).empty());
  EXPECT_EQ(wAttr(find(*bodySection(d), "type"), "val"), "continuous");
  EXPECT_THAT(d.text(), testing::HasSubstr("Hello"));
}

TEST_F(DocxWriterTest, BodyHoldsNoDocumentViewElementAndSettingsKeepTheZoom) {
  auto w = writer(1);
  writePage(*w, "x");
  finish(*w);
  const Document d(output);
  EXPECT_EQ(find(*d.body, "docPr"), nullptr);
  auto settings = qvtest::parseXml(d.package.data("word/settings.xml"));
  ASSERT_TRUE(settings);
  EXPECT_EQ(wAttr(find(*settings, "zoom"), "percent"), "100");
}

TEST_F(DocxWriterTest, ThreePagesBreakContinuouslyThenOntoNewPages) {
  auto w = writer(3);
  for (const char* t : {"one", "two", "three"}) writePage(*w, t);
  finish(*w);
  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
  const Document d(output);
  EXPECT_EQ(findAll(*d.body, "bookmarkStart").size(), 3u);
  const auto sections = paragraphSections(d);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(wAttr(find(*sections[0], "type"), "val"), "continuous");
  EXPECT_EQ(find(*sections[1], "type"), nullptr);
  EXPECT_EQ(find(*bodySection(d), "type"), nullptr);
  EXPECT_THAT(d.pageTexts(),
              testing::ElementsAre(testing::HasSubstr("one"), testing::HasSubstr("two"), testing::HasSubstr("three")));
}

TEST_F(DocxWriterTest, AFailedLastPageStillEndsTheBodyWithItsSection) {
  auto w = writer(3);
  writePage(*w, "one");
  writePage(*w, "two");
  // The third listed page fails while it is converted: it never ends.
  w->begainWritePage({612, 792});
  finish(*w);
  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
  const Document d(output);
  EXPECT_EQ(findAll(*d.body, "bookmarkStart").size(), 2u);
  EXPECT_EQ(paragraphSections(d).size(), 1u);
  EXPECT_NE(bodySection(d), nullptr);
}

TEST_F(DocxWriterTest, MorePagesThanAnnouncedKeepTheBodySectionAtTheEnd) {
  auto w = writer(1);
  for (const char* t : {"one", "two", "three"}) writePage(*w, t);
  finish(*w);
  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
  const Document d(output);
  EXPECT_EQ(d.body->childrenNamed("sectPr", kW).size(), 1u);
  EXPECT_EQ(paragraphSections(d).size(), 2u);
}

TEST_F(DocxWriterTest, ADocumentWithoutPagesStillOpens) {
  auto w = writer(2);
  finish(*w);
  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
}

TEST_F(DocxWriterTest, CharactersBeyondTheBasicPlaneAndBrokenFontNamesKeepTheXmlValid) {
  auto w = writer(1);
  QVDocxFontNames names;
  w->begainWritePage({612, 792});
  auto run = textRun("clef \xF0\x9D\x84\x9E", 72, 80, 12, 60);
  const QVDocx_FontName broken = names.intern(std::string("Bro\xC3ken\x01", 8));
  run->rProperty.rFonts = {broken, broken, broken, broken};
  w->currentPage()->allRunTextArray.push_back(run);
  w->endWritePage();
  finish(*w);
  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
  const Document d(output);
  EXPECT_THAT(d.text(), testing::HasSubstr("clef \xF0\x9D\x84\x9E"));
}

// A small image file of the kind, at the path, as the writer takes it;
// each one made shows other pixels (pictures of the same bytes share a part).
QVPDFImageFile imageFile(const fs::path& path, bool jpeg) {
  fs::create_directories(path.parent_path());
  platform::image::Bitmap pixels(4, 4, platform::image::PixelFormat::RGB8);
  static uint8_t made = 0;
  std::fill_n(pixels.row(0), 12, static_cast<uint8_t>(++made * 37));
  const std::string data =
      jpeg ? platform::image::encodeJpeg(pixels, 90) : platform::image::encodePng(pixels);
  EXPECT_TRUE(platform::fs::writeFile(path.string(), data));
  std::optional<QVPDFImageFile> file = QVPDFImageFile::readFile(path.string());
  EXPECT_TRUE(file) << path;
  return file.value_or(QVPDFImageFile());
}

TEST_F(DocxWriterTest, TheSameImageHasOneRelationshipAfterTheFixedOnes) {
  auto w = writer(1);
  const QVPDFImageFile first = imageFile(dir.file("image1.png"), false);
  EXPECT_EQ(w->collectImage(first), "rId6");
  EXPECT_EQ(w->collectImage(imageFile(dir.file("image2.png"), false)), "rId7");
  EXPECT_EQ(w->collectImage(first), "rId6");
}

TEST_F(DocxWriterTest, EveryImageIsAMediaPartOfItsOwnWithAKnownContentType) {
  auto w = writer(1);
  // Two files of one name, a JPEG named as a PNG, and a PNG without an
  // extension: four parts, none taking another's place.
  const QVPDFImageFile a = imageFile(dir.file("a/photo.png"), false);
  const QVPDFImageFile b = imageFile(dir.file("b/photo.png"), false);
  const QVPDFImageFile c = imageFile(dir.file("c/scan.png"), true);
  const QVPDFImageFile d = imageFile(dir.file("d/plain"), false);
  const QVPDFImageFile notes = QVPDFImageFile::make("notes.png", QVPDFImageFileType::PNG, "not an image");
  EXPECT_EQ(w->collectImage(notes), "") << "not an image the package can hold";
  for (const QVPDFImageFile& image : {a, b, c, d}) EXPECT_FALSE(w->collectImage(image).empty()) << image.name;
  w->begainWritePage({612, 792});
  w->endWritePage();
  finish(*w);

  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
  Document doc(output);
  for (const char* part : {"word/media/photo.png", "word/media/photo2.png", "word/media/scan.jpeg", "word/media/plain.png"})
    EXPECT_TRUE(doc.package.contains(part)) << part;
  const std::string& rels = doc.package.data("word/_rels/document.xml.rels");
  EXPECT_NE(rels.find("media/photo2.png"), std::string::npos);
  EXPECT_EQ(rels.find("notes"), std::string::npos);
}

TEST_F(DocxWriterTest, AnArchiveThatCannotBeCreatedIsAnErrorAndLeavesNothing) {
  output = dir.file("missing-folder") / "out.docx";
  auto w = writer(1);
  writePage(*w, "x");
  const std::string folder = w->savedWorkFolder();
  w->endWriteDocument();
  EXPECT_THROW(w->packetDocxFile(), std::runtime_error);
  EXPECT_FALSE(fs::exists(output));
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(DocxWriterTest, APartFolderThatCannotBeMadeIsAnError) {
  auto w = writer(1);
  writePage(*w, "x");
  w->endWriteDocument();
  // A file where the document properties' folder goes.
  ASSERT_TRUE(platform::fs::writeFile(w->savedWorkFolder() + "/docProps", "in the way"));
  EXPECT_THROW(w->packetDocxFile(), std::runtime_error);
  EXPECT_FALSE(fs::exists(output));
  EXPECT_FALSE(fs::exists(w->savedWorkFolder()));
}

TEST_F(DocxWriterTest, ATemplatePartThatCannotBeWrittenIsAnError) {
  auto w = writer(1);
  writePage(*w, "x");
  w->endWriteDocument();
  // A folder where the styles part goes: the archive would hold the folder.
  ASSERT_TRUE(fs::create_directories(w->savedWorkFolder() + "/word/styles.xml/in-the-way"));
  EXPECT_THROW(w->packetDocxFile(), std::runtime_error);
  EXPECT_FALSE(fs::exists(output));
  EXPECT_FALSE(fs::exists(w->savedWorkFolder()));
}

TEST_F(DocxWriterTest, AnImageIsPackedFromWhatWasCollectedNotFromAFile) {
  auto w = writer(1);
  writePage(*w, "x");
  const QVPDFImageFile gone = imageFile(dir.file("gone.png"), false);
  ASSERT_EQ(w->collectImage(gone), "rId6");
  fs::remove(dir.file("gone.png"));
  w->endWriteDocument();
  w->packetDocxFile();
  EXPECT_THAT(qvtest::checkWordPackage(output), testing::IsEmpty());
  EXPECT_EQ(Document(output).package.data("word/media/gone.png"), gone.bytes());
}

TEST_F(DocxWriterTest, TheWorkFolderGoesWithTheWriterWhenTheDocumentIsNotMade) {
  std::string folder;
  {
    auto w = writer(2);
    writePage(*w, "x");
    folder = w->savedWorkFolder();
    EXPECT_TRUE(fs::exists(folder + "/word/document.xml"));
  }
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_FALSE(fs::exists(output));
}

TEST_F(DocxWriterTest, CountersRestartWithTheDocumentAndTheDrawCounterWithEachPage) {
  context.drawCounter = 40;
  context.backZIndex = 0;
  context.frontZIndex = 9;
  auto w = writer(1);
  EXPECT_EQ(context.backZIndex, -251657498);
  EXPECT_EQ(context.frontZIndex, 1);
  EXPECT_EQ(context.outputFlavour, 2006);
  context.drawCounter = 7;
  w->begainWritePage({100, 100});
  EXPECT_EQ(context.drawCounter, 0);
}

}  // namespace

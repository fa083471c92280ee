// The presentation package: slides, relationships, media, the fixed parts and
// the zip, checked as a presentation program would open them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "convert/xml/XMLFileWriter.h"
#include "platform/fs/files.h"
#include "platform/image/bitmap.h"
#include "platform/image/codecs.h"
#include "pptx/QVPPTXFreeform.h"
#include "pptx/QVPPTXPage.h"
#include "pptx/QVPPTXPicture.h"
#include "pptx/QVPPTXTextbox.h"
#include "pptx/QVPPTXUtilities.h"
#include "pptx/QVPPTXWriter.h"
#include "tests/pptx/pptx_test_support.h"
#include "tests/support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using platform::Rect;
using platform::Size;
using testing::ElementsAre;
using testing::IsEmpty;

// A picture of one colour, as an image file in memory named after the path.
QVPDFImageFile imageFile(const fs::path& path, bool png, uint8_t r, uint8_t g, uint8_t b) {
  platform::image::Bitmap bitmap(64, 48, platform::image::PixelFormat::RGB8);
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x) {
      uint8_t* p = bitmap.row(y) + 3 * x;
      p[0] = r;
      p[1] = g;
      p[2] = b;
    }
  std::string bytes = png ? platform::image::encodePng(bitmap) : platform::image::encodeJpeg(bitmap, 90);
  return QVPDFImageFile::make(path.filename().string(), png ? QVPDFImageFileType::PNG : QVPDFImageFileType::JPEG,
                              std::move(bytes), bitmap.width(), bitmap.height());
}

std::unique_ptr<qvtest::XmlElement> part(const qvtest::ZipPackage& package, const std::string& name) {
  std::string error;
  auto tree = qvtest::parseXml(package.data(name), &error);
  EXPECT_TRUE(tree) << name << ": " << error;
  return tree;
}

std::vector<const qvtest::XmlElement*> all(const qvtest::XmlElement& root, const std::string& local) {
  std::vector<const qvtest::XmlElement*> found;
  root.visit([&](const qvtest::XmlElement& e) {
    if (e.local == local) found.push_back(&e);
  });
  return found;
}

QVPPTXParagraph paragraph(const std::string& text, float size, const char* color = "000000") {
  QVPPTXParagraph p;
  p.pProperty.lnSpc = static_cast<int32_t>(size * 1.2f);
  QVPPTXRun run;
  run.text = text;
  run.textWidth = size * 0.55 * static_cast<double>(text.size());
  run.rProperty.sz = size;
  run.rProperty.rgbColor = color;
  run.rProperty.latin.typeface = run.rProperty.cs.typeface = "Liberation Sans";
  p.textRuns.push_back(run);
  return p;
}

// A text box filled the way the exporter fills one: through the slide's open
// box, closed into a shape.
void addText(QVPPTXPage& page, double x, double y, double rotation, const std::string& text, float size) {
  page.isUsingTextBox = true;
  page.cachedTextBoxInfo = QVPPTXTextBoxInfo();
  page.cachedTextBoxInfo.displayX = x;
  page.cachedTextBoxInfo.displayY = y;
  page.cachedTextBoxInfo.rotation = rotation;
  page.cachedTextBoxParagraphs.clear();
  page.newTextBoxParagraph() = paragraph(text, size);
  const double width = page.maxTextBoxWidth();
  const double height = page.totalTextBoxHeight();
  const bool quarterTurn = rotation == 90 || rotation == 270;
  page.cachedTextBoxInfo.displayWidth = quarterTurn ? height : width;
  page.cachedTextBoxInfo.displayHeight = quarterTurn ? width : height;
  auto box = std::make_unique<QVPPTXTextbox>();
  box->spInfo = page.cachedTextBoxInfo;
  box->paragraphs = std::move(page.cachedTextBoxParagraphs);
  page.addShape(std::move(box));
  page.isUsingTextBox = false;
  page.cachedTextBoxParagraphs.clear();
}

void addPath(QVPPTXPage& page, const platform::Path& path, bool fill, bool stroke, platform::Color color,
             double lineWidth = 1, std::vector<double> dashes = {}) {
  auto shape = std::make_unique<QVPPTXFreeform>();
  shape->runCGPath = path;
  shape->spInfo.setDisplayRect(path.boundingBox());
  shape->spInfo.filled = fill;
  shape->spInfo.stroked = stroke;
  if (fill) shape->spInfo.fillcolor = color;
  if (stroke) shape->spInfo.strokecolor = color;
  shape->spInfo.strokeweight = lineWidth;
  shape->spInfo.strokeDashPattern = std::move(dashes);
  shape->paragraphs.emplace_back();
  page.addShape(std::move(shape));
}

bool addPicture(QVPPTXWriter& writer, const QVPDFImageFile& file, const Rect& frame, bool flipX = false) {
  auto picture = std::make_unique<QVPPTXPicture>();
  picture->pictInfo.setDisplayRect(frame);
  picture->pictInfo.flipX = flipX;
  picture->runImageID = writer.collectImage(file);
  if (picture->runImageID.empty()) return false;
  writer.currentPage()->addShape(std::move(picture));
  return true;
}

// Every test runs in a work folder of its own, as a conversion does.
class PptxPackage : public testing::Test {
 protected:
  platform::fs::WorkFolder work_;
  platform::fs::WorkFolderScope scope_{work_};
  qvtest::TempDir dir_;

  std::string output(const std::string& name = "deck.pptx") { return dir_.file(name).string(); }

  // Writes `pages` slides of the given sizes, each with one text box.
  std::string simpleDeck(const std::vector<Size>& pages, const std::string& name = "deck.pptx") {
    QVPPTXWriter writer(output(name), static_cast<int64_t>(pages.size()));
    writer.begainWriteDocument();
    for (size_t i = 0; i < pages.size(); ++i) {
      writer.begainWritePage(pages[i]);
      addText(*writer.currentPage(), 72, 72, 0, "Slide " + std::to_string(i + 1), 24);
      writer.endWritePage();
    }
    writer.packetPPTXFile();
    EXPECT_THAT(qvtest::checkPresentationPackage(output(name)), IsEmpty());
    return output(name);
  }
};

// Package relationships first, then the content types, then the document
// properties, then the presentation; no folder entries.
void expectPackageOrder(const qvtest::ZipPackage& package) {
  const auto& entries = package.entries();
  ASSERT_GE(entries.size(), 4u);
  EXPECT_EQ(entries[0], "_rels/.rels");
  EXPECT_EQ(entries[1], "[Content_Types].xml");
  size_t i = 2;
  while (i < entries.size() && entries[i].rfind("docProps/", 0) == 0) ++i;
  EXPECT_EQ(i, 5u);
  for (; i < entries.size(); ++i) EXPECT_EQ(entries[i].rfind("ppt/", 0), 0u) << entries[i];
  for (const std::string& entry : entries) EXPECT_NE(entry.back(), '/') << entry;
}

TEST_F(PptxPackage, ThreePagesGiveThreeListedSlides) {
  const std::string file = simpleDeck({{612, 792}, {612, 792}, {612, 792}});
  EXPECT_THAT(qvtest::checkPresentationPackage(file), IsEmpty());
  const qvtest::ZipPackage package(file);

  const auto rels = part(package, "ppt/_rels/presentation.xml.rels");
  std::vector<std::string> slideRels;
  for (const auto& r : rels->children)
    if (r->attr("Target")->rfind("slides/", 0) == 0) slideRels.push_back(*r->attr("Id") + "=" + *r->attr("Target"));
  EXPECT_THAT(slideRels, ElementsAre("rId6=slides/slide1.xml", "rId7=slides/slide2.xml", "rId8=slides/slide3.xml"));
  EXPECT_EQ(*rels->children[0]->attr("Target"), "slideMasters/slideMaster1.xml");
  EXPECT_EQ(*rels->children[4]->attr("Target"), "tableStyles.xml");

  const auto presentation = part(package, "ppt/presentation.xml");
  std::vector<std::string> ids;
  for (const auto* sldId : all(*presentation, "sldId"))
    ids.push_back(*sldId->attr("id") + ":" + *sldId->attr("id", pptxtest::kR));
  EXPECT_THAT(ids, ElementsAre("256:rId6", "257:rId7", "258:rId8"));
  const auto* size = all(*presentation, "sldSz")[0];
  EXPECT_EQ(size->attr("cx"), "7772400");
  EXPECT_EQ(size->attr("cy"), "10058400");
  EXPECT_EQ(size->attr("type"), "screen4x3");
  EXPECT_EQ(all(*presentation, "sldMasterId")[0]->attr("id"), "2147483648");
  EXPECT_EQ(all(*presentation, "lvl9pPr")[0]->attr("marL"), "3657600");

  const auto types = part(package, "[Content_Types].xml");
  int slideOverrides = 0;
  for (const auto& t : types->children)
    if (t->attr("PartName").value_or("").rfind("/ppt/slides/", 0) == 0) ++slideOverrides;
  EXPECT_EQ(slideOverrides, 3);
  EXPECT_EQ(*types->children[0]->attr("Extension"), "xml");
  EXPECT_EQ(*types->children[3]->attr("Extension"), "rels");

  const auto app = part(package, "docProps/app.xml");
  EXPECT_EQ(app->childrenNamed("Slides")[0]->text, "3");
  EXPECT_EQ(app->childrenNamed("AppVersion")[0]->text, "12.0000");

  expectPackageOrder(package);
  EXPECT_TRUE(package.contains("ppt/slides/slide3.xml"));
  EXPECT_TRUE(package.contains("ppt/slides/_rels/slide3.xml.rels"));
  EXPECT_TRUE(package.contains("ppt/slideLayouts/slideLayout11.xml"));
  EXPECT_TRUE(package.contains("ppt/slideLayouts/_rels/slideLayout11.xml.rels"));
  EXPECT_FALSE(package.contains("ppt/slides/slide4.xml"));
}

TEST_F(PptxPackage, EveryPartIsWellFormedByXmllint) {
  const std::string file = simpleDeck({{720, 540}});
  const qvtest::ZipPackage package(file);
  std::map<std::string, std::string> documents;
  for (const std::string& name : package.entries())
    if (name.find(".xml") != std::string::npos || name.find(".rels") != std::string::npos)
      documents[name] = package.data(name);
  EXPECT_EQ(documents.size(), 36u);
  EXPECT_THAT(qvtest::checkWellFormed(documents), IsEmpty());
  const std::string thumbnail = package.data("docProps/thumbnail.jpeg");
  EXPECT_TRUE(platform::image::readJpegInfo(platform::image::asBytes(thumbnail)));
  // Every part starts with the declaration the package writers use.
  for (const auto& [name, bytes] : documents)
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"", 0), 0u) << name;
}

TEST_F(PptxPackage, SlideSizeComesFromTheFirstPageWithinTheLegalRange) {
  struct Case {
    std::vector<Size> pages;
    const char* cx;
    const char* cy;
  };
  const Case cases[] = {
      {{{595.3, 842}, {1000, 1000}}, "7560309", "10693400"},  // 595.3 x 12700 lies just below the whole number
      {{{10, 10}}, "914400", "914400"},
      {{{5000, 14400}}, "51206400", "51206400"},
      {{}, "9144000", "6858000"},  // no page: 10 x 7.5 inches
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string file = simpleDeck(c.pages, "size" + std::to_string(n++) + ".pptx");
    EXPECT_THAT(qvtest::checkPresentationPackage(file), IsEmpty());
    const qvtest::ZipPackage package(file);
    const auto presentation = part(package, "ppt/presentation.xml");
    const auto* size = all(*presentation, "sldSz")[0];
    EXPECT_EQ(size->attr("cx"), c.cx);
    EXPECT_EQ(size->attr("cy"), c.cy);
  }
}

TEST_F(PptxPackage, NoPageGivesAnEmptySlideList) {
  const std::string file = simpleDeck({});
  EXPECT_THAT(qvtest::checkPresentationPackage(file), IsEmpty());
  const qvtest::ZipPackage package(file);
  const std::string presentation = package.data("ppt/presentation.xml");
  EXPECT_NE(presentation.find("<p:sldIdLst></p:sldIdLst>"), std::string::npos);
  EXPECT_EQ(part(package, "docProps/app.xml")->childrenNamed("Slides")[0]->text, "0");
  EXPECT_EQ(package.data("[Content_Types].xml").find("/ppt/slides/"), std::string::npos);
  EXPECT_EQ(package.data("ppt/_rels/presentation.xml.rels").find("slides/"), std::string::npos);
}

TEST_F(PptxPackage, DocumentProperties) {
  const qvtest::ZipPackage package(simpleDeck({{720, 540}}));
  const auto core = part(package, "docProps/core.xml");
  EXPECT_EQ(core->childrenNamed("lastModifiedBy")[0]->text, "Valdrim");
  EXPECT_EQ(core->childrenNamed("title")[0]->text, "Slide 1");
  EXPECT_EQ(core->childrenNamed("revision")[0]->text, "3");
  const std::regex w3c(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");
  for (const char* name : {"created", "modified"}) {
    const auto* stamp = core->childrenNamed(name)[0];
    EXPECT_TRUE(std::regex_match(stamp->text, w3c)) << stamp->text;
    EXPECT_EQ(stamp->attr("type", "http://www.w3.org/2001/XMLSchema-instance"), "dcterms:W3CDTF");
  }
  const std::string app = package.data("docProps/app.xml");
  EXPECT_NE(app.find("<Properties xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\" "
                     "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"),
            std::string::npos);
  EXPECT_NE(app.find("<Company/>"), std::string::npos);
  const auto rels = part(package, "_rels/.rels");
  ASSERT_EQ(rels->children.size(), 4u);
  EXPECT_EQ(rels->children[1]->attr("Target"), "docProps/thumbnail.jpeg");
  EXPECT_EQ(rels->children[1]->attr("Type"),
            "http://schemas.openxmlformats.org/package/2006/relationships/metadata/thumbnail");
}

TEST_F(PptxPackage, ASlideThatFailedHalfWayLeavesNoTrace) {
  const QVPDFImageFile png = imageFile(dir_.file("a.png"), true, 200, 0, 0);
  const QVPDFImageFile jpeg = imageFile(dir_.file("b.jpg"), false, 0, 0, 200);
  const std::string file = output();
  {
    QVPPTXWriter writer(file, 4);
    writer.begainWriteDocument();
    writer.begainWritePage({720, 540});
    addText(*writer.currentPage(), 72, 72, 0, "First", 20);
    ASSERT_TRUE(addPicture(writer, png, {100, 100, 64, 48}));
    writer.endWritePage();

    // The second page fails after it collected a new image and the shared one.
    writer.begainWritePage({720, 540});
    ASSERT_TRUE(addPicture(writer, jpeg, {10, 10, 64, 48}));
    ASSERT_TRUE(addPicture(writer, png, {10, 100, 64, 48}));
    EXPECT_EQ(writer.currentPageIndex(), 2u);

    // The next page takes its number.
    writer.begainWritePage({720, 540});
    EXPECT_EQ(writer.currentPageIndex(), 2u);
    addText(*writer.currentPage(), 72, 72, 0, "Third page", 20);
    writer.endWritePage();

    // A page still open when the package is written is dropped too.
    writer.begainWritePage({720, 540});
    addText(*writer.currentPage(), 72, 72, 0, "Never finished", 20);
    writer.packetPPTXFile();
    EXPECT_EQ(writer.completedSlideCount(), 2u);
    EXPECT_FALSE(fs::exists(writer.savedWorkFolder()));
  }
  EXPECT_THAT(qvtest::checkPresentationPackage(file), IsEmpty());
  const qvtest::ZipPackage package(file);
  EXPECT_FALSE(package.contains("ppt/slides/slide3.xml"));
  EXPECT_EQ(part(package, "docProps/app.xml")->childrenNamed("Slides")[0]->text, "2");
  EXPECT_NE(package.data("ppt/slides/slide2.xml").find("Third page"), std::string::npos);
  std::vector<std::string> media;
  for (const std::string& name : package.entries())
    if (name.rfind("ppt/media/", 0) == 0) media.push_back(name);
  EXPECT_THAT(media, ElementsAre("ppt/media/image1.png"));
}

TEST_F(PptxPackage, AFailedSlideWriteDropsTheSlideAndReportsIt) {
  const std::string file = output();
  // Every part goes to the spill file, and something is in its way.
  QVPPTXWriter writer(file, 2, 0);
  writer.begainWriteDocument();
  writer.begainWritePage({720, 540});
  addText(*writer.currentPage(), 72, 72, 0, "Lost", 20);
  fs::create_directories(writer.savedWorkFolder() + "/parts.spill");
  EXPECT_THROW(writer.endWritePage(), std::runtime_error);
  EXPECT_EQ(writer.completedSlideCount(), 0u);
  fs::remove(writer.savedWorkFolder() + "/parts.spill");

  writer.begainWritePage({720, 540});
  addText(*writer.currentPage(), 72, 72, 0, "Kept", 20);
  writer.endWritePage();
  writer.packetPPTXFile();
  EXPECT_THAT(qvtest::checkPresentationPackage(file), IsEmpty());
  const qvtest::ZipPackage package(file);
  EXPECT_NE(package.data("ppt/slides/slide1.xml").find("Kept"), std::string::npos);
  EXPECT_FALSE(package.contains("ppt/slides/slide2.xml"));
}

TEST_F(PptxPackage, PicturesShareMediaAndAlwaysHaveAContentType) {
  const QVPDFImageFile png = imageFile(dir_.file("red.png"), true, 255, 0, 0);
  const QVPDFImageFile jpeg = imageFile(dir_.file("blue.jpeg"), false, 0, 0, 255);
  // A PNG under a name that says otherwise keeps the PNG extension in the package.
  const QVPDFImageFile misnamed = imageFile(dir_.file("green.jpg"), true, 0, 255, 0);
  const QVPDFImageFile notAnImage = QVPDFImageFile::make("notes.png", QVPDFImageFileType::PNG, "not an image");
  const std::string file = output();
  {
    QVPPTXWriter writer(file, 2);
    writer.begainWriteDocument();
    writer.begainWritePage({720, 540});
    EXPECT_EQ(writer.collectImage(png), "rId2");
    EXPECT_EQ(writer.collectImage(QVPDFImageFile(png)), "rId2");  // a copy is the same picture
    EXPECT_EQ(writer.collectImage(jpeg), "rId3");
    EXPECT_EQ(writer.collectImage(misnamed), "rId4");
    EXPECT_EQ(writer.collectImage(notAnImage), "");
    EXPECT_EQ(writer.collectImage(QVPDFImageFile()), "");
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(addPicture(writer, i == 0 ? png : i == 1 ? jpeg : misnamed, {i * 70.0, 0, 64, 48}));
    writer.endWritePage();
    writer.begainWritePage({720, 540});
    EXPECT_EQ(writer.collectImage(jpeg), "rId2");
    ASSERT_TRUE(addPicture(writer, jpeg, {0, 0, 64, 48}));
    writer.endWritePage();
    writer.packetPPTXFile();
  }
  EXPECT_THAT(qvtest::checkPresentationPackage(file), IsEmpty());
  const qvtest::ZipPackage package(file);
  std::vector<std::string> media;
  for (const std::string& name : package.entries())
    if (name.rfind("ppt/media/", 0) == 0) media.push_back(name);
  EXPECT_THAT(media, ElementsAre("ppt/media/image1.png", "ppt/media/image2.jpeg", "ppt/media/image3.png"));
  EXPECT_EQ(package.data("ppt/media/image2.jpeg"), jpeg.bytes());
  const auto rels2 = part(package, "ppt/slides/_rels/slide2.xml.rels");
  ASSERT_EQ(rels2->children.size(), 2u);
  EXPECT_EQ(rels2->children[1]->attr("Target"), "../media/image2.jpeg");
  EXPECT_EQ(rels2->children[1]->attr("Type"),
            "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image");
}

TEST_F(PptxPackage, SlidesAndPicturesBeyondTheMemoryBoundComeBackWholeFromOneSpillFile) {
  const QVPDFImageFile png = imageFile(dir_.file("red.png"), true, 255, 0, 0);
  const QVPDFImageFile jpeg = imageFile(dir_.file("blue.jpeg"), false, 0, 0, 255);
  const std::string file = output();
  {
    QVPPTXWriter writer(file, 3, png.bytes().size() + 100);
    writer.begainWriteDocument();
    for (int n = 1; n <= 3; ++n) {
      writer.begainWritePage({720, 540});
      addText(*writer.currentPage(), 72, 72, 0, "Slide " + std::to_string(n), 20);
      ASSERT_TRUE(addPicture(writer, n == 2 ? jpeg : png, {100, 100, 64, 48}));
      writer.endWritePage();
    }
    // One file holds what did not fit in memory; nothing else is on disk.
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(writer.savedWorkFolder())) files.push_back(e.path().filename());
    EXPECT_THAT(files, ElementsAre("parts.spill"));
    writer.packetPPTXFile();
  }
  EXPECT_THAT(qvtest::checkPresentationPackage(file), IsEmpty());
  const qvtest::ZipPackage package(file);
  EXPECT_EQ(package.data("ppt/media/image1.png"), png.bytes());
  EXPECT_EQ(package.data("ppt/media/image2.jpeg"), jpeg.bytes());
  for (int n = 1; n <= 3; ++n)
    EXPECT_NE(package.data("ppt/slides/slide" + std::to_string(n) + ".xml").find("Slide " + std::to_string(n)),
              std::string::npos);
}

TEST_F(PptxPackage, WithoutImagesThereIsNoMedia) {
  const qvtest::ZipPackage package(simpleDeck({{720, 540}}));
  for (const std::string& name : package.entries()) EXPECT_EQ(name.find("media"), std::string::npos) << name;
}

TEST_F(PptxPackage, ShapeIdsAreUniqueWithinASlide) {
  const QVPDFImageFile png = imageFile(dir_.file("a.png"), true, 10, 10, 10);
  const std::string file = output();
  {
    QVPPTXWriter writer(file, 1);
    writer.begainWriteDocument();
    writer.begainWritePage({720, 540});
    QVPPTXPage& page = *writer.currentPage();
    platform::Path square;
    square.addRect({300, 300, 50, 50});
    for (int i = 0; i < 3; ++i) {
      addText(page, 72, 72 + 40 * i, 0, "Line", 20);
      addPath(page, square, true, false, platform::Color::rgb(0, 0, 0));
      ASSERT_TRUE(addPicture(writer, png, {400, 40.0 * i, 64, 48}));
    }
    writer.endWritePage();
    writer.packetPPTXFile();
  }
  EXPECT_THAT(qvtest::checkPresentationPackage(file), IsEmpty());
  const qvtest::ZipPackage package(file);
  std::vector<std::string> ids;
  const auto slide = part(package, "ppt/slides/slide1.xml");
  for (const auto* e : all(*slide, "cNvPr")) ids.push_back(*e->attr("id"));
  EXPECT_THAT(ids, ElementsAre("1", "2", "3", "4", "5", "6", "7", "8", "9", "10"));
}

TEST_F(PptxPackage, OutputThatCannotBeWrittenIsAnErrorAndLeavesNothing) {
  const std::string file = dir_.file("no-such-folder/deck.pptx").string();
  QVPPTXWriter writer(file, 1);
  writer.begainWriteDocument();
  writer.begainWritePage({720, 540});
  writer.endWritePage();
  const std::string work = writer.savedWorkFolder();
  EXPECT_THROW(writer.packetPPTXFile(), std::runtime_error);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(work));
}

TEST_F(PptxPackage, WorkFolderIsNamedAfterTheOutputAndGoesWithTheWriter) {
  std::string work;
  {
    QVPPTXWriter first(output("Report.pptx"), 1);
    QVPPTXWriter second(output("Report.pptx"), 1);
    work = first.savedWorkFolder();
    EXPECT_EQ(fs::path(work).filename(), "Report.pptx");
    EXPECT_EQ(fs::path(work).parent_path(), fs::path(work_.path()));
    EXPECT_NE(second.savedWorkFolder(), work);
    EXPECT_TRUE(fs::is_directory(work));
  }
  // A cancelled conversion never packs; its slides go with the writer.
  EXPECT_FALSE(fs::exists(work));
}

// ------------------------------------------------------------------ slides

TEST(PptxPage, RelationshipsOfASlide) {
  QVPPTXPage page(3);
  page.begainWritePage(3);
  EXPECT_EQ(page.slidePartName(), "ppt/slides/slide3.xml");
  EXPECT_EQ(page.relsPartName(), "ppt/slides/_rels/slide3.xml.rels");
  EXPECT_EQ(page.findExistRelsWithImagePath("image1.png"), std::nullopt);
  EXPECT_EQ(page.addNewRelsWithImagePath("/tmp/x/image1.png"), "rId2");
  EXPECT_EQ(page.addNewRelsWithImagePath("image2.jpeg"), "rId3");
  EXPECT_EQ(page.findExistRelsWithImagePath("image1.png"), "rId2");
  EXPECT_EQ(page.findExistRelsWithImagePath("/elsewhere/image1.png"), "rId2");

  // Nothing is made before the page ends.
  EXPECT_TRUE(page.slidePart().empty());
  page.endWritePage(3);
  const auto rels = qvtest::parseXml(page.relsPart());
  ASSERT_TRUE(rels);
  ASSERT_EQ(rels->children.size(), 3u);
  EXPECT_EQ(rels->children[0]->attr("Id"), "rId1");
  EXPECT_EQ(rels->children[0]->attr("Target"), "../slideLayouts/slideLayout1.xml");
  EXPECT_EQ(rels->children[1]->attr("Target"), "../media/image1.png");
}

TEST(PptxPage, SlideWithoutShapesHoldsOnlyItsGroup) {
  QVPPTXPage page(1);
  page.begainWritePage(1);
  page.endWritePage(1);
  const std::string xml = page.slidePart();
  const auto slide = qvtest::parseXml(xml);
  ASSERT_TRUE(slide);
  EXPECT_EQ(slide->local, "sld");
  const auto* tree = slide->childrenNamed("cSld")[0]->childrenNamed("spTree")[0];
  ASSERT_EQ(tree->children.size(), 2u);
  EXPECT_EQ(tree->children[0]->local, "nvGrpSpPr");
  EXPECT_EQ(tree->children[1]->local, "grpSpPr");
  EXPECT_NE(xml.find("<p:cNvPr id=\"1\" name=\"\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<a:masterClrMapping/>"), std::string::npos);
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<p:sld xmlns:a=", 0), 0u);
  const auto rels = qvtest::parseXml(page.relsPart());
  ASSERT_EQ(rels->children.size(), 1u);
}

TEST(PptxPage, TextBoxParagraphOperations) {
  QVPPTXPage page(1);
  page.begainWritePage(1);
  EXPECT_EQ(page.maxTextBoxWidth(), 0);
  EXPECT_EQ(page.totalTextBoxHeight(), 0);
  // A box that starts empty holds the default first paragraph, then the new one.
  QVPPTXParagraph& second = page.newTextBoxParagraph();
  EXPECT_EQ(page.cachedTextBoxParagraphs.size(), 2u);
  EXPECT_EQ(second.pProperty, QVPPTXUtilities::defaultPProperty());
  page.lastTextBoxParagraph().pProperty.lnSpc = 12;
  page.lastTextBoxParagraph().pProperty.marL = 0;
  page.lastTextBoxParagraph().textRuns.push_back(QVPPTXRun());
  page.lastTextBoxParagraph().textRuns.back().textWidth = 100.25;
  QVPPTXParagraph& third = page.newTextBoxParagraph();
  EXPECT_EQ(third.pProperty.lnSpc, 12);  // the properties carry over
  third.pProperty.lnSpc = 14;
  third.pProperty.marL = 20;
  third.textRuns.push_back(QVPPTXRun());
  third.textRuns.back().textWidth = 90;
  EXPECT_EQ(page.totalTextBoxHeight(), 26);
  EXPECT_EQ(page.maxTextBoxWidth(), 110);
}

// --------------------------------------------------------- the whole deck

TEST_F(PptxPackage, ThreeSlideDeckOpensAndShowsItsShapes) {
  const QVPDFImageFile png = imageFile(dir_.file("photo.png"), true, 220, 30, 30);
  const QVPDFImageFile jpeg = imageFile(dir_.file("photo.jpg"), false, 30, 30, 220);
  const std::string file = output("Deck.pptx");
  {
    QVPPTXWriter writer(file, 3);
    writer.begainWriteDocument();

    // Slide 1, 10 x 7.5 inches: text at 0, 90 and 37 degrees, mirrored text
    // (the exporter turns it by 180 degrees), a rectangle, a Bézier path of
    // several subpaths and a dashed line.
    writer.begainWritePage({720, 540});
    QVPPTXPage& one = *writer.currentPage();
    addText(one, 40, 30, 0, "Upright text", 28);
    addText(one, 560, 160, 90, "Turned text", 24);  // stands at x 619..647, y 101..247 after the turn
    addText(one, 360, 300, 37, "Slanted", 24);
    addText(one, 420, 470, 180, "Mirrored", 24);
    platform::Path rectangle;
    rectangle.addRect({40, 120, 200, 120});
    addPath(one, rectangle, true, true, platform::Color::rgb(0.1, 0.2, 0.8), 2);
    platform::Path curves;
    for (int k = 0; k < 3; ++k) {
      const double x = 40 + 70 * k;
      curves.moveTo({x, 330});
      curves.curveTo({x + 20, 270}, {x + 40, 390}, {x + 60, 330});
      curves.lineTo({x + 60, 380});
      curves.quadCurveTo({x + 30, 410}, {x, 380});
      curves.closeSubpath();
    }
    addPath(one, curves, true, false, platform::Color::rgb(0.8, 0.1, 0.1));
    platform::Path line;
    line.moveTo({40, 510});
    line.lineTo({680, 510});
    addPath(one, line, false, true, platform::Color::rgb(0, 0, 0), 4, {16, 8, 4, 8});
    writer.endWritePage();

    // Slide 2, a page of another size: a PNG and a JPEG picture.
    writer.begainWritePage({612, 792});
    ASSERT_TRUE(addPicture(writer, png, {40, 40, 240, 180}));
    ASSERT_TRUE(addPicture(writer, jpeg, {360, 300, 240, 180}));
    writer.endWritePage();

    // Slide 3: text and the PNG again, mirrored.
    writer.begainWritePage({720, 540});
    addText(*writer.currentPage(), 40, 30, 0, "Last slide", 28);
    ASSERT_TRUE(addPicture(writer, png, {400, 300, 240, 180}, true));
    writer.endWritePage();
    writer.packetPPTXFile();
  }
  EXPECT_THAT(qvtest::checkPresentationPackage(file), IsEmpty());
  const qvtest::ZipPackage package(file);
  expectPackageOrder(package);
  std::map<std::string, std::string> documents;
  for (const std::string& name : package.entries())
    if (name.find(".xml") != std::string::npos || name.find(".rels") != std::string::npos)
      documents[name] = package.data(name);
  EXPECT_THAT(qvtest::checkWellFormed(documents), IsEmpty());
  EXPECT_TRUE(package.contains("ppt/media/image1.png"));
  EXPECT_TRUE(package.contains("ppt/media/image2.jpeg"));
  const auto slide1 = part(package, "ppt/slides/slide1.xml");
  EXPECT_EQ(all(*slide1, "close").size(), 4u);  // three Bézier subpaths and the rectangle
  const auto stops = all(*slide1, "ds");  // in percent of the 4-point line width
  ASSERT_EQ(stops.size(), 2u);
  EXPECT_EQ(stops[0]->attr("d"), "400000");
  EXPECT_EQ(stops[0]->attr("sp"), "200000");
  EXPECT_EQ(stops[1]->attr("d"), "100000");
  std::vector<std::string> rotations;
  for (const auto* xfrm : all(*slide1, "xfrm"))
    if (xfrm->attr("rot")) rotations.push_back(*xfrm->attr("rot"));
  EXPECT_THAT(rotations, ElementsAre("5400000", "2220000", "10800000"));

  if (!qvtest::officeAvailable()) GTEST_SKIP() << "LibreOffice is not installed";
  const auto pdf = qvtest::officeConvertToPdf(file, dir_.file("office"));
  ASSERT_TRUE(pdf) << "LibreOffice could not convert the presentation";
  ASSERT_EQ(qvtest::pdfPageCount(*pdf), 3);

  // Regions as fractions of the 720 x 540 slide.
  auto region = [](double x0, double y0, double x1, double y1) {
    return std::array<double, 4>{x0 / 720, y0 / 540, x1 / 720, y1 / 540};
  };
  auto ink = [](const qvtest::GrayImage& page, std::array<double, 4> r) {
    return page.inkIn(r[0], r[1], r[2], r[3]);
  };
  const auto page1 = qvtest::renderPdfPage(*pdf, 1, 72);
  ASSERT_TRUE(page1);
  EXPECT_GT(ink(*page1, region(40, 30, 300, 70)), 200) << "upright text";
  EXPECT_GT(ink(*page1, region(600, 60, 670, 290)), 150) << "turned text";
  EXPECT_GT(ink(*page1, region(340, 260, 480, 370)), 150) << "slanted text";
  EXPECT_GT(ink(*page1, region(400, 440, 560, 505)), 150) << "mirrored text";
  EXPECT_LT(page1->meanIn(60 / 720.0, 140 / 540.0, 220 / 720.0, 220 / 540.0), 120) << "filled rectangle";
  for (int k = 0; k < 3; ++k) {
    const double x = 40 + 70 * k;
    EXPECT_GT(ink(*page1, region(x + 5, 340, x + 55, 375)), 300) << "subpath " << k;
  }
  // The dashed line is drawn with gaps: part of its length carries ink.
  const int64_t dashes = ink(*page1, region(60, 505, 660, 515));
  const int64_t solid = static_cast<int64_t>(600 * 4);
  EXPECT_GT(dashes, solid / 5) << "dashed line";
  EXPECT_LT(dashes, solid * 9 / 10) << "dashed line";
  EXPECT_EQ(ink(*page1, region(600, 300, 700, 420)), 0) << "empty corner";

  const auto page2 = qvtest::renderPdfPage(*pdf, 2, 72);
  ASSERT_TRUE(page2);
  EXPECT_LT(page2->meanIn(60 / 720.0, 60 / 540.0, 260 / 720.0, 200 / 540.0), 160) << "PNG picture";
  EXPECT_LT(page2->meanIn(380 / 720.0, 320 / 540.0, 580 / 720.0, 460 / 540.0), 160) << "JPEG picture";
  EXPECT_EQ(ink(*page2, region(360, 40, 600, 200)), 0) << "nothing between the pictures";

  const auto page3 = qvtest::renderPdfPage(*pdf, 3, 72);
  ASSERT_TRUE(page3);
  EXPECT_GT(ink(*page3, region(40, 30, 300, 70)), 200) << "text of slide 3";
  EXPECT_LT(page3->meanIn(420 / 720.0, 320 / 540.0, 620 / 720.0, 460 / 540.0), 160) << "mirrored picture";
}

// ------------------------------------------------------------ the checker

// Writes a package from name → content with the zip tool (folder entries
// included when asked), for the checker's own tests.
std::string zipFolder(const fs::path& folder, const fs::path& zip, bool folderEntries) {
  const std::string command = "cd '" + folder.string() + "' && zip -q -r " + (folderEntries ? "" : "-D ") + "'" +
                              zip.string() + "' '[Content_Types].xml' _rels docProps ppt";
  EXPECT_EQ(std::system(command.c_str()), 0);
  return zip.string();
}

TEST_F(PptxPackage, CheckerFindsEachKindOfFault) {
  const std::string good = simpleDeck({{720, 540}, {720, 540}});
  ASSERT_THAT(qvtest::checkPresentationPackage(good), IsEmpty());

  // Unpack once, break one thing at a time, and zip again.
  const fs::path unpacked = dir_.file("unpacked");
  ASSERT_EQ(std::system(("unzip -q '" + good + "' -d '" + unpacked.string() + "'").c_str()), 0);
  auto edit = [&](const std::string& name, const std::string& from, const std::string& to) {
    const fs::path path = unpacked / name;
    std::string text = platform::fs::readFile(path.string()).value();
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    ASSERT_TRUE(platform::fs::writeFile(path.string(), text));
  };
  struct Fault {
    const char* what;
    std::function<void()> apply;
    std::function<void()> undo;
    const char* expected;  // part of one reported problem
  };
  const std::string slide1 = platform::fs::readFile((unpacked / "ppt/slides/slide1.xml").string()).value();
  const std::string types = platform::fs::readFile((unpacked / "[Content_Types].xml").string()).value();
  const std::string presentation = platform::fs::readFile((unpacked / "ppt/presentation.xml").string()).value();
  auto restore = [&](const std::string& name, const std::string& text) {
    return [&, name, text] { ASSERT_TRUE(platform::fs::writeFile((unpacked / name).string(), text)); };
  };
  const Fault faults[] = {
      {"missing slide", [&] { fs::rename(unpacked / "ppt/slides/slide2.xml", dir_.file("slide2.xml")); },
       [&] { fs::rename(dir_.file("slide2.xml"), unpacked / "ppt/slides/slide2.xml"); }, "targets a missing part"},
      {"repeated id", [&] { edit("ppt/slides/slide1.xml", "id=\"2\"", "id=\"1\""); },
       restore("ppt/slides/slide1.xml", slide1), "is used twice"},
      {"negative margin", [&] { edit("ppt/slides/slide1.xml", "<a:pPr>", "<a:pPr marL=\"-12700\">"); },
       restore("ppt/slides/slide1.xml", slide1), "out of range"},
      {"broken XML", [&] { edit("ppt/slides/slide1.xml", "</p:sld>", "</p:sldx>"); },
       restore("ppt/slides/slide1.xml", slide1), "not well-formed"},
      {"no content type", [&] { edit("[Content_Types].xml", "<Default Extension=\"jpeg\"", "<Default Extension=\"jpg\""); },
       restore("[Content_Types].xml", types), "no content type for the part /docProps/thumbnail.jpeg"},
      {"unknown relationship", [&] { edit("ppt/presentation.xml", "r:id=\"rId7\"", "r:id=\"rId9\""); },
       restore("ppt/presentation.xml", presentation), "unknown relationship"},
      {"slide size", [&] { edit("ppt/presentation.xml", "cx=\"9144000\"", "cx=\"0\""); },
       restore("ppt/presentation.xml", presentation), "sldSz cx=\"0\" is out of range"},
  };
  int n = 0;
  for (const Fault& fault : faults) {
    fault.apply();
    const std::string zip = zipFolder(unpacked, dir_.file("fault" + std::to_string(n++) + ".pptx"), false);
    const auto problems = qvtest::checkPresentationPackage(zip);
    EXPECT_THAT(problems, testing::Contains(testing::HasSubstr(fault.expected))) << fault.what;
    fault.undo();
  }
  const std::string withFolders = zipFolder(unpacked, dir_.file("folders.pptx"), true);
  EXPECT_THAT(qvtest::checkPresentationPackage(withFolders), testing::Contains(testing::HasSubstr("directory entry")));
  const std::string rezipped = zipFolder(unpacked, dir_.file("rezipped.pptx"), false);
  EXPECT_THAT(qvtest::checkPresentationPackage(rezipped), IsEmpty());
}

}  // namespace

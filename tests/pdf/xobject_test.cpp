// The XObject factory and the form dictionary: which subtype gives which
// kind, and what a form's matrix, bounding box and group read as.
#include <gtest/gtest.h>

#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFFormXObject.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFPostScriptXObject.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "tests/support/fixtures.h"

namespace {

// Writes one page whose XObject resources are the given streams, opens it,
// and builds each entry through the factory.
class XObjectTest : public ::testing::Test {
 protected:
  qvtest::PdfBuilder builder;
  qvtest::PdfBuilder::Dict entries;
  qvtest::TempDir dir;
  std::unique_ptr<platform::PdfDocument> document;

  std::shared_ptr<QVPDFXObject> build(const std::string& name) {
    if (!document) {
      builder.addPage("", builder.resources({{"XObject", entries}}));
      builder.write(dir.file("x.pdf"));
      document = platform::PdfDocument::open(dir.file("x.pdf").string());
    }
    auto page = document->page(1);
    return QVPDFXObject::xObjectWithStream(page->resources().get("XObject").get(name), name);
  }

  std::shared_ptr<QVPDFFormXObject> form(const std::string& name) {
    return std::dynamic_pointer_cast<QVPDFFormXObject>(build(name));
  }
};

}  // namespace

TEST_F(XObjectTest, SubtypeChoosesTheKind) {
  entries["Im"] = builder.stream("x", "<< /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>");
  entries["Fm"] = builder.stream("", "<< /Subtype /Form /BBox [0 0 10 10] >>");
  entries["Ps"] = builder.stream("", "<< /Subtype /PS >>");
  entries["Other"] = builder.stream("", "<< /Subtype /Unknown >>");
  entries["None"] = builder.stream("", "<< >>");
  entries["Dict"] = builder.parse("<< /Subtype /Form /BBox [0 0 1 1] >>");
  entries["Number"] = QPDFObjectHandle::newInteger(3);

  struct Row {
    const char* name;
    int type;  // -1: no XObject
  };
  for (Row row : std::initializer_list<Row>{{"Im", QVPDFXObject::kTypeImage},
                                            {"Fm", QVPDFXObject::kTypeForm},
                                            {"Ps", QVPDFXObject::kTypePostScript},
                                            {"Other", -1},
                                            {"None", -1},
                                            {"Dict", -1},
                                            {"Number", -1},
                                            {"Missing", -1}}) {
    SCOPED_TRACE(row.name);
    auto x = build(row.name);
    if (row.type < 0) {
      EXPECT_FALSE(x);
      continue;
    }
    ASSERT_TRUE(x);
    EXPECT_EQ(x->getType(), row.type);
    EXPECT_EQ(x->objectID(), row.name);
    EXPECT_TRUE(x->xObjectStream().isStream());
    EXPECT_TRUE(x->xObjectDictionary().isDictionary());
    EXPECT_EQ(x->ctm(), (platform::AffineTransform{0, 0, 0, 0, 0, 0}));
  }
  EXPECT_TRUE(std::dynamic_pointer_cast<QVPDFImageXObject>(build("Im")));
  EXPECT_TRUE(std::dynamic_pointer_cast<QVPDFPostScriptXObject>(build("Ps")));
}

TEST_F(XObjectTest, FormMatrixAndBoundingBox) {
  entries["Scaled"] = builder.stream("", "<< /Subtype /Form /BBox [0 0 100 50] /Matrix [2 0 0 2 10 10] >>");
  entries["FiveNumbers"] = builder.stream("", "<< /Subtype /Form /BBox [0 0 1 1] /Matrix [2 0 0 2 10] >>");
  entries["NameInMatrix"] = builder.stream("", "<< /Subtype /Form /BBox [0 0 1 1] /Matrix [2 0 0 /X 1 1] >>");
  entries["NoBBox"] = builder.stream("", "<< /Subtype /Form /Matrix [2 0 0 2 10 10] >>");
  entries["ShortBBox"] = builder.stream("", "<< /Subtype /Form /BBox [0 0 1] >>");
  entries["FormType2"] = builder.stream("", "<< /Subtype /Form /FormType 2 /BBox [0 0 1 1] >>");
  entries["FormType1"] = builder.stream("", "<< /Subtype /Form /FormType 1 /BBox [5 6 1 2] >>");

  auto scaled = form("Scaled");
  ASSERT_TRUE(scaled);
  EXPECT_TRUE(scaled->parsed());
  EXPECT_EQ(scaled->matrixTransform(), (platform::AffineTransform{2, 0, 0, 2, 10, 10}));
  EXPECT_EQ(scaled->bbox(), (std::array<double, 4>{0, 0, 100, 50}));
  EXPECT_EQ(scaled->bboxRect(), platform::Rect(0, 0, 100, 50));
  EXPECT_EQ(scaled->formType(), 0);

  EXPECT_TRUE(form("FiveNumbers")->matrixTransform().isIdentity());
  EXPECT_TRUE(form("NameInMatrix")->matrixTransform().isIdentity());

  auto noBBox = form("NoBBox");
  EXPECT_FALSE(noBBox->parsed());
  EXPECT_TRUE(noBBox->matrixTransform().isIdentity());  // not read after the failed bounding box
  EXPECT_FALSE(form("ShortBBox")->parsed());
  auto type2 = form("FormType2");
  EXPECT_FALSE(type2->parsed());
  EXPECT_EQ(type2->bbox(), (std::array<double, 4>{0, 0, 0, 0}));
  auto type1 = form("FormType1");
  EXPECT_TRUE(type1->parsed());
  EXPECT_EQ(type1->bboxRect(), platform::Rect(1, 2, 4, 4));
}

TEST_F(XObjectTest, TransparencyGroups) {
  entries["Isolated"] = builder.stream("", "<< /Subtype /Form /BBox [0 0 1 1] /Group << /S /Transparency /I true >> >>");
  entries["Knockout"] = builder.stream(
      "", "<< /Subtype /Form /BBox [0 0 1 1] /Group << /S /Transparency /K true /CS /DeviceCMYK >> >>");
  entries["NotAGroup"] = builder.stream("", "<< /Subtype /Form /BBox [0 0 1 1] /Group << /S /Image /I true >> >>");
  entries["NoGroup"] = builder.stream("", "<< /Subtype /Form /BBox [0 0 1 1] >>");

  auto isolated = form("Isolated");
  EXPECT_TRUE(isolated->transpGroup());
  EXPECT_TRUE(isolated->isolated());
  EXPECT_FALSE(isolated->knockout());
  EXPECT_FALSE(isolated->blendingColorSpace());

  auto knockout = form("Knockout");
  EXPECT_TRUE(knockout->transpGroup());
  EXPECT_TRUE(knockout->knockout());
  ASSERT_TRUE(knockout->blendingColorSpace());
  EXPECT_EQ(knockout->blendingColorSpace()->getMode(), QVPDFColorSpace::kModeDeviceCMYK);

  for (const char* name : {"NotAGroup", "NoGroup"}) {
    auto f = form(name);
    EXPECT_TRUE(f->parsed());
    EXPECT_FALSE(f->transpGroup());
    EXPECT_FALSE(f->isolated());
  }
}

TEST_F(XObjectTest, TwoImagesOfAPageGetTwoFiles) {
  const std::string data(4, '\x80');
  entries["A"] = builder.stream(data, "<< /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 >>");
  entries["B"] = builder.stream(data, "<< /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 >>");
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  auto a = std::dynamic_pointer_cast<QVPDFImageXObject>(build("A"));
  auto b = std::dynamic_pointer_cast<QVPDFImageXObject>(build("B"));
  ASSERT_TRUE(a && b);
  const QVPDFImageFile pa = a->imageFile(), pb = b->imageFile();
  EXPECT_FALSE(pa.empty());
  EXPECT_NE(pa.name, pb.name);
  EXPECT_NE(pa.serial, pb.serial);
  EXPECT_TRUE(pa.name.starts_with("IMG_")) << pa.name;
}

TEST_F(XObjectTest, AFailedImageKeepsItsNameAndHasNoPath) {
  entries["Broken"] = builder.stream("x", "<< /Subtype /Image /Width 50 /Height 50 /ColorSpace /DeviceRGB /BitsPerComponent 8 >>");
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  auto x = std::dynamic_pointer_cast<QVPDFImageXObject>(build("Broken"));
  ASSERT_TRUE(x);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(x->imageFile().empty());
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(x->objectID(), "Broken");
  EXPECT_TRUE(x->cachedImageFile().empty());
}

// Every image of every corpus PDF (image XObjects of pages and forms, and
// inline images of their content streams) is extracted without a crash, and
// what is written is PNG or JPEG that decodes again.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "pdf/QVPDFImageXObject.h"
#include "platform/fs/files.h"
#include "platform/image/codecs.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"
#include "tests/support/fixtures.h"

namespace {

struct Walk {
  std::set<int> seenObjects;
  std::vector<std::shared_ptr<QVPDFImageXObject>> images;
  int inlineImages = 0;
};

void scanForInlineImages(std::shared_ptr<platform::PdfContentStream> content, const platform::PdfObject& colorSpaces,
                         Walk& walk) {
  platform::PdfOperatorTable table;
  table.set("EI", [&](platform::PdfScanner& scanner) {
    if (auto s = scanner.popStream()) {
      if (auto image = QVPDFImageXObject::inlineImage(*s, colorSpaces)) {
        walk.images.push_back(image);
        ++walk.inlineImages;
      }
    }
  });
  platform::PdfScanner scanner(std::move(content), table);
  scanner.scan();
}

void walkResources(const platform::PdfObject& resources, const std::shared_ptr<platform::PdfContentStream>& parent,
                   Walk& walk, int depth) {
  const platform::PdfObject xobjects = resources.get("XObject");
  if (!xobjects.isDictionary() || depth > 8) return;
  for (const std::string& name : xobjects.keys()) {
    const platform::PdfObject x = xobjects.get(name);
    if (!x.isStream()) continue;
    if (x.isIndirect() && !walk.seenObjects.insert(x.objectNumber()).second) continue;
    const std::string subtype = x.getName("Subtype").value_or("");
    if (subtype == "Image") {
      walk.images.push_back(std::dynamic_pointer_cast<QVPDFImageXObject>(
          QVPDFXObject::xObjectWithStream(x, name, resources.get("ColorSpace"))));
    } else if (subtype == "Form") {
      platform::PdfObject formResources = x.getDictionary("Resources");
      auto content = platform::PdfContentStream::forForm(x, formResources, parent);
      const platform::PdfObject effective = formResources.isDictionary() ? formResources : resources;
      scanForInlineImages(content, effective.get("ColorSpace"), walk);
      walkResources(effective, content, walk, depth + 1);
    }
  }
}

}  // namespace

TEST(ImageCorpus, EveryImageOfEveryCorpusFileIsExtracted) {
  const auto files = qvtest::corpusFiles();
  if (files.empty()) GTEST_SKIP() << qvtest::noCorpus();
  int total = 0, written = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file.filename().string());
    auto document = platform::PdfDocument::open(file.string(), qvtest::corpusPassword(file));
    if (!document || !document->isUnlocked()) continue;
    platform::fs::WorkFolder work;
    platform::fs::WorkFolderScope scope(work);
    Walk walk;
    for (int n = 1; n <= document->pageCount(); ++n) {
      auto page = document->page(n);
      if (!page) continue;
      const platform::PdfObject resources = page->resources();
      auto content = platform::PdfContentStream::forPage(*page);
      scanForInlineImages(content, resources.get("ColorSpace"), walk);
      walkResources(resources, content, walk, 0);
    }
    testing::internal::CaptureStderr();
    std::vector<QVPDFImageFile> made;
    for (const auto& image : walk.images) {
      ASSERT_TRUE(image);
      ++total;
      const QVPDFImageFile& file = image->imageFile();
      if (file.empty()) continue;
      ++written;
      made.push_back(file);
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    if (!errors.empty()) std::cout << file.filename().string() << ": " << errors;
    for (const QVPDFImageFile& picture : made) {
      const std::string& name = picture.name;
      ASSERT_TRUE(name.ends_with(".png") || name.ends_with(".jpeg")) << name;
      const auto bytes = platform::image::asBytes(picture.bytes());
      EXPECT_NO_THROW(name.ends_with(".png") ? platform::image::decodePng(bytes) : platform::image::decodeJpeg(bytes))
          << name;
    }
  }
  std::cout << "corpus images: " << total << ", written: " << written << "\n";
  EXPECT_GT(written, 0);
}

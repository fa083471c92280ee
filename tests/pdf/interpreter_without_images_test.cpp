// An interpreter told that its exporter uses no images: it passes over image
// XObjects and inline images, on the page and in its forms, without making,
// decoding or reporting them, and runs the rest of the page as before.
#include <gtest/gtest.h>

#include "tests/pdf/interpreter_recording.h"
#include "platform/fs/files.h"

namespace {

struct Recorded {
  size_t texts = 0;
  size_t paths = 0;
  size_t images = 0;
  size_t made = 0;
  std::vector<std::string> workFiles;
};

Recorded runWithImages(bool scansImages) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle image = b.stream(std::string(4 * 4 * 3, '\x80'),
                                    "<< /Type /XObject /Subtype /Image /Width 4 /Height 4 "
                                    "/ColorSpace /DeviceRGB /BitsPerComponent 8 >>");
  QPDFObjectHandle form = b.stream("q 10 0 0 10 0 0 cm /Im0 Do Q BT /F1 9 Tf (in form) Tj ET",
                                   "<< /Type /XObject /Subtype /Form /BBox [0 0 20 20] >>");
  const QPDFObjectHandle font = b.standardFont("Helvetica");
  form.getDict().replaceKey("/Resources", b.resources({{"XObject", {{"Im0", image}}}, {"Font", {{"F1", font}}}}));
  b.addPage("q 100 0 0 100 72 500 cm /Im0 Do Q /Fm0 Do\n"
            "q 50 0 0 50 72 300 cm BI /W 2 /H 2 /CS /G /BPC 8 ID \x10\x20\x30\x40 EI Q\n"
            "0 0 m 10 10 l S BT /F1 12 Tf 72 700 Td (page) Tj ET",
            b.resources({{"XObject", {{"Im0", image}, {"Fm0", form}}}, {"Font", {{"F1", font}}}}));
  interptest::InterpretedPdf pdf(b);

  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  auto stack = std::make_shared<RenderingStateStack>();
  interptest::RecordingDelegate delegate(stack);
  auto page = pdf.document().page(1);
  QVPDFConentParser parser(page->dictionary(), platform::PdfContentStream::forPage(*page));
  parser.setDelegate(&delegate);
  parser.setRenderingStateStack(stack);
  EXPECT_TRUE(parser.scansImages());
  parser.setScansImages(scansImages);
  EXPECT_EQ(parser.scansImages(), scansImages);
  parser.startParser();

  Recorded r;
  r.texts = delegate.of(interptest::Event::Text).size();
  r.paths = delegate.of(interptest::Event::Path).size();
  // An exporter that uses images asks each one for its file.
  for (const interptest::Event* e : delegate.of(interptest::Event::Image)) {
    ++r.images;
    if (e->image && !e->image->imageFile().empty()) ++r.made;
  }
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(work.path(), ec))
    r.workFiles.push_back(entry.path().filename().string());
  return r;
}

TEST(InterpreterWithoutImages, ImagesArePassedOverAndTheRestOfThePageRuns) {
  const Recorded with = runWithImages(true);
  EXPECT_EQ(with.images, 3u);
  EXPECT_EQ(with.made, 3u);
  // Pictures are made in memory, with or without images.
  EXPECT_TRUE(with.workFiles.empty());

  const Recorded without = runWithImages(false);
  EXPECT_EQ(without.images, 0u);
  EXPECT_EQ(without.made, 0u);
  EXPECT_TRUE(without.workFiles.empty());
  EXPECT_EQ(without.texts, with.texts);
  EXPECT_EQ(without.paths, with.paths);
  EXPECT_EQ(without.texts, 2u);
}

}  // namespace

// Every page of every real-world PDF of the corpus is interpreted to its end.
#include <gtest/gtest.h>

#include "platform/fs/files.h"
#include "tests/pdf/interpreter_recording.h"

namespace {

TEST(InterpreterCorpus, EveryPageRunsToTheEnd) {
  const auto files = qvtest::corpusFiles();
  if (files.empty()) GTEST_SKIP() << qvtest::noCorpus();
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  size_t pages = 0, paths = 0, images = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file.filename().string());
    platform::PdfDocument::OpenStatus status{};
    auto document = platform::PdfDocument::open(file.string(), qvtest::corpusPassword(file), &status);
    ASSERT_TRUE(document) << "status " << static_cast<int>(status);
    ASSERT_TRUE(document->isUnlocked());
    ASSERT_GT(document->pageCount(), 0);
    for (int n = 1; n <= document->pageCount(); ++n) {
      auto page = document->page(n);
      ASSERT_TRUE(page) << "page " << n;
      auto stack = std::make_shared<RenderingStateStack>();
      interptest::RecordingDelegate delegate(stack);
      QVPDFConentParser parser(page->dictionary(), platform::PdfContentStream::forPage(*page));
      parser.setDelegate(&delegate);
      parser.setRenderingStateStack(stack);
      parser.startParser();
      EXPECT_FALSE(parser.wasCutOff()) << "page " << n;
      // Every page leaves its own state at the bottom of the stack.
      EXPECT_GE(stack->depth(), 1u);
      ++pages;
      for (const auto& e : delegate.events) {
        if (e.kind == interptest::Event::Path) ++paths;
        if (e.kind == interptest::Event::Image) {
          ++images;
          ASSERT_TRUE(e.image) << "page " << n;
        }
      }
    }
  }
  EXPECT_GT(pages, 100u);
  EXPECT_GT(paths, 1000u);
  EXPECT_GT(images, 0u);
}

}  // namespace

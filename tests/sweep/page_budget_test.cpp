// The interpreter's budgets per page: the work budget, which the page's own
// content and the forms it draws spend together (a page that spends it is
// cut off with what it reported so far, and its exporter reports it failed),
// and the work of evaluating colour functions.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFFunction.h"
#include "pdf/RenderingStateStack.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"
#include "tests/support/fixtures.h"

namespace {

struct CountingDelegate : QVPDFConentParserDelegate {
  int paths = 0;
  void didScanPath(QVPDFConentParser&, const platform::Path&, bool, bool) override { ++paths; }
};

std::string strokes(int count) {
  std::string content;
  for (int i = 0; i < count; ++i) content += "0 0 m 1 1 l S\n";  // three operators each
  return content;
}

struct Outcome {
  int paths = 0;
  bool cutOff = false;
  size_t depth = 0;
};

Outcome interpret(const platform::PdfObject& dict, std::shared_ptr<const platform::PdfContentStream> content,
              const QVPDFConentParserLimits& limits) {
  auto stack = std::make_shared<RenderingStateStack>();
  CountingDelegate delegate;
  QVPDFConentParser parser(dict, std::move(content));
  parser.setDelegate(&delegate);
  parser.setRenderingStateStack(stack);
  parser.setLimits(limits);
  parser.startParser();
  return {delegate.paths, parser.wasCutOff(), stack->depth()};
}

TEST(PageOperatorBudget, APageThatSpendsItIsCutOffWithWhatItReported) {
  const auto content = platform::PdfContentStream::forData(strokes(1000), platform::PdfObject());
  QVPDFConentParserLimits limits;
  Outcome whole = interpret(platform::PdfObject(), content, limits);
  EXPECT_EQ(whole.paths, 1000);
  EXPECT_FALSE(whole.cutOff);

  // Operators alone: 300 of them.
  limits.contentBytesPerWorkUnit = 0;
  limits.maxWorkPerPage = 300;
  Outcome cut = interpret(platform::PdfObject(), content, limits);
  EXPECT_EQ(cut.paths, 100);
  EXPECT_TRUE(cut.cutOff);
}

TEST(PageOperatorBudget, FormsSpendTheSameBudget) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle form = b.stream(strokes(10), "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>");
  std::string content = "q 1 0 0 1 5 5 cm\n";
  for (int i = 0; i < 20; ++i) content += "/X Do\n";
  content += "Q\n";
  b.addPage(content, b.resources({{"XObject", {{"X", form}}}}));
  qvtest::TempDir dir;
  b.write(dir.file("forms.pdf"));
  auto document = platform::PdfDocument::open(dir.file("forms.pdf").string());
  ASSERT_TRUE(document);
  auto page = document->page(1);
  ASSERT_TRUE(page);

  QVPDFConentParserLimits limits;
  Outcome whole = interpret(page->dictionary(), platform::PdfContentStream::forPage(*page), limits);
  EXPECT_EQ(whole.paths, 200);
  EXPECT_FALSE(whole.cutOff);

  // Each form runs 30 operators, and its Do and set-up cost more: 5 forms
  // and a part.
  limits.contentBytesPerWorkUnit = 0;
  limits.maxWorkPerPage = 2 + 5 * (31 + limits.formRunCost) + 1 + limits.formRunCost + 10;
  Outcome cut = interpret(page->dictionary(), platform::PdfContentStream::forPage(*page), limits);
  EXPECT_TRUE(cut.cutOff);
  EXPECT_GE(cut.paths, 50);
  EXPECT_LE(cut.paths, 53);
  // The states saved around the forms are given back; only the page's own
  // q, whose Q was never reached, is still saved.
  EXPECT_EQ(cut.depth, 2u);
}

TEST(FunctionEvaluationBudget, ASpentBudgetGivesZerosUntilTheNextPage) {
  qvtest::PdfBuilder b;
  std::string program = "{";
  for (int i = 0; i < 99; ++i) program += " 1 add 1 sub";
  program += " 2 mul }";
  QPDFObjectHandle stream = b.stream(program, "<< /FunctionType 4 /Domain [0 1] /Range [0 2] >>");
  auto function = QVPDFFunction::funtionWithObject(platform::PdfObject(stream));
  ASSERT_TRUE(function && function->ok());
  QVPDFFunctionValues in{}, out{};
  in[0] = 0.25;

  // 398 instructions and its call: two evaluations fit in 1000 units, a
  // third does not.
  QVPDFFunction::resetEvaluationWork(1000);
  for (int i = 0; i < 2; ++i) {
    function->transformInput(in, out);
    EXPECT_DOUBLE_EQ(out[0], 0.5);
  }
  function->transformInput(in, out);
  EXPECT_EQ(out[0], 0.0);
  EXPECT_EQ(QVPDFFunction::evaluationWorkLeft(), 0u);

  // A page begins with the whole budget again.
  const auto content = platform::PdfContentStream::forData("0 0 m 1 1 l S", platform::PdfObject());
  interpret(platform::PdfObject(), content, QVPDFConentParserLimits());
  EXPECT_EQ(QVPDFFunction::evaluationWorkLeft(), QVPDFFunction::kMaxEvaluationWorkPerPage);
  function->transformInput(in, out);
  EXPECT_DOUBLE_EQ(out[0], 0.5);
}

}  // namespace

// Resources and XObjects: inheritance through the page tree, images drawn by
// the page, by forms and inline, forms run by child interpreters with their
// matrices, the bounds on forms that draw themselves, and the appearances of
// the page's annotations drawn after its content.
#include <gtest/gtest.h>

#include <string>

#include "pdf/QVPDFXObjectCollection.h"
#include "tests/pdf/interpreter_recording.h"

namespace {

using interptest::Event;
using interptest::InterpretedPdf;
using platform::AffineTransform;

const std::string kMark = " 0 0 1 1 re f ";

QPDFObjectHandle smallImage(qvtest::PdfBuilder& b) {
  return b.stream(std::string(12, '\x80'),
                  "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB "
                  "/BitsPerComponent 8 >>");
}

QPDFObjectHandle form(qvtest::PdfBuilder& b, const std::string& content, const std::string& extra = "") {
  return b.stream(content, "<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] " + extra + " >>");
}

TEST(InterpreterResources, PageResourcesAreInheritedTwoLevelsUp) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle page = b.addPage("/GS1 gs /CS1 cs 0.5 sc" + kMark);
  QPDFObjectHandle root = b.qpdf().getRoot().getKey("/Pages");
  QPDFObjectHandle middle = b.qpdf().makeIndirectObject(b.parse("<< /Type /Pages /Count 1 >>"));
  middle.replaceKey("/Kids", QPDFObjectHandle::newArray({page}));
  middle.replaceKey("/Parent", root);
  page.replaceKey("/Parent", middle);
  root.replaceKey("/Kids", QPDFObjectHandle::newArray({middle}));
  root.replaceKey("/Resources", b.resources({{"ExtGState", {{"GS1", b.parse("<< /LW 7 >>")}}},
                                             {"ColorSpace", {{"CS1", b.parse("/DeviceGray")}}}}));
  InterpretedPdf pdf(b);
  // The tree really is three levels deep in the file.
  auto opened = pdf.document().page(1);
  ASSERT_TRUE(opened);
  ASSERT_FALSE(opened->dictionary().hasKey("Resources"));
  ASSERT_FALSE(opened->dictionary().getDictionary("Parent").hasKey("Resources"));

  auto r = pdf.run();
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0]->state.lineWidth(), 7);
  EXPECT_EQ(paths[0]->state.currentFillRGBColor(), (QVPDFRGB{127, 127, 127}));
}

TEST(InterpreterResources, ImageIsPlacedByTheCurrentMatrix) {
  qvtest::PdfBuilder b;
  auto image = smallImage(b);
  b.addPage("q 200 0 0 100 50 60 cm /Im1 Do Q /Missing Do",
            b.resources({{"XObject", {{"Im1", image}, {"Unused", smallImage(b)}}}}));
  InterpretedPdf pdf(b);
  auto r = pdf.run();
  auto images = r.delegate->of(Event::Image);
  ASSERT_EQ(images.size(), 1u);
  ASSERT_TRUE(images[0]->image);
  EXPECT_EQ(images[0]->image->objectID(), "Im1");
  EXPECT_EQ(images[0]->image->pixelSize(), (platform::Size{2, 2}));
  EXPECT_EQ(images[0]->state.ctm(), (AffineTransform{200, 0, 0, 100, 50, 60}));
}

TEST(InterpreterResources, FormRunsInPlaceThroughItsMatrix) {
  qvtest::PdfBuilder b;
  auto image = smallImage(b);
  auto fx = form(b, "q 10 0 0 10 0 0 cm /Im1 Do Q" + kMark, "/Matrix [1 0 0 1 50 50]");
  fx.getDict().replaceKey("/Resources", b.resources({{"XObject", {{"Im1", image}}}}));
  b.addPage("2 0 0 2 0 0 cm 0 0 5 5 re S /Fx Do" + kMark, b.resources({{"XObject", {{"Fx", fx}}}}));
  InterpretedPdf pdf(b);
  auto r = pdf.run();
  ASSERT_EQ(r.delegate->events.size(), 4u);
  const auto& e = r.delegate->events;
  EXPECT_EQ(e[0].kind, Event::Path);
  EXPECT_EQ(e[1].kind, Event::Image);
  ASSERT_TRUE(e[1].image);
  // The image's unit square: its own cm, then the form matrix, then the page's.
  EXPECT_EQ(e[1].state.ctm(), (AffineTransform{20, 0, 0, 20, 100, 100}));
  EXPECT_EQ(e[2].kind, Event::Path);
  EXPECT_EQ(e[2].state.ctm(), (AffineTransform{2, 0, 0, 2, 100, 100}));
  EXPECT_EQ(e[3].state.ctm(), (AffineTransform{2, 0, 0, 2, 0, 0}));
  EXPECT_EQ(r.stack->depth(), 1u);
}

// Each shown annotation's appearance runs after the page, over the state the
// page began with, its box (as its /Matrix turns it) set onto its /Rect; the
// state /AS names of a field of several; none that is hidden, kept off the
// screen, or has no appearance.
TEST(InterpreterResources, AnnotationAppearancesRunAfterThePageInsideTheirRectangles) {
  qvtest::PdfBuilder b;
  auto page = b.addPage("q 3 0 0 3 0 0 cm 0 0 1 1 re f");  // leaves its cm in force
  const auto annot = [&](const std::string& dict, QPDFObjectHandle normal) {
    auto a = b.parse("<< /Type /Annot " + dict + " >>");
    auto ap = b.parse("<< >>");
    ap.replaceKey("/N", normal);
    if (normal.isInitialized()) a.replaceKey("/AP", ap);
    return b.qpdf().makeIndirectObject(a);
  };
  // A box of 100 x 50 turned a quarter by its matrix and set onto 100 x 100.
  auto turned = b.stream("1 w 0 0 m 100 50 l S", "<< /Subtype /Form /BBox [0 0 100 50] /Matrix [0 1 -1 0 0 0] >>");
  auto states = b.parse("<< >>");
  states.replaceKey("/On", form(b, "0 0 2 2 re f"));
  states.replaceKey("/Off", form(b, "0 0 3 3 re f"));
  auto annots = QPDFObjectHandle::newArray();
  annots.appendItem(annot("/Subtype /Square /Rect [300 400 200 300]", turned));
  annots.appendItem(annot("/Subtype /Widget /AS /On /Rect [0 0 100 100]", states));
  annots.appendItem(annot("/Subtype /Square /F 2 /Rect [0 0 100 100]", form(b, "0 0 4 4 re f")));
  annots.appendItem(annot("/Subtype /Square /F 32 /Rect [0 0 100 100]", form(b, "0 0 5 5 re f")));
  annots.appendItem(annot("/Subtype /Widget /Rect [0 0 100 100]", states));  // no /AS
  annots.appendItem(annot("/Subtype /Text /Rect [0 0 100 100]", QPDFObjectHandle()));
  page.replaceKey("/Annots", annots);
  InterpretedPdf pdf(b);
  auto r = pdf.run();
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 3u);
  const AffineTransform placed = paths[1]->state.ctm();
  EXPECT_EQ(placed.apply({0, 0}), (platform::Point{300, 300}));
  EXPECT_EQ(placed.apply({100, 50}), (platform::Point{200, 400}));
  EXPECT_EQ(paths[2]->path.boundingBox(), platform::Rect(0, 0, 2, 2));
  EXPECT_EQ(paths[2]->state.ctm(), AffineTransform::identity());
  EXPECT_EQ(r.stack->depth(), 2u);
}

TEST(InterpreterResources, FormWithoutResourcesUsesTheDrawingStreams) {
  qvtest::PdfBuilder b;
  auto fx = form(b, "/GS1 gs /Im1 Do" + kMark);
  b.addPage("/Fx Do", b.resources({{"XObject", {{"Fx", fx}, {"Im1", smallImage(b)}}},
                                   {"ExtGState", {{"GS1", b.parse("<< /LW 4 >>")}}}}));
  InterpretedPdf pdf(b);
  auto r = pdf.run();
  ASSERT_EQ(r.delegate->events.size(), 2u);
  EXPECT_EQ(r.delegate->events[0].kind, Event::Image);
  EXPECT_TRUE(r.delegate->events[0].image);
  EXPECT_EQ(r.delegate->events[1].state.lineWidth(), 4);
}

TEST(InterpreterResources, FormFindsNamesItsOwnResourcesLackInTheDrawingStreams) {
  qvtest::PdfBuilder b;
  auto fx = form(b, "/GS2 gs /GS1 gs /Im1 Do" + kMark, "/Resources << /ExtGState << /GS2 << /LC 2 >> >> >>");
  b.addPage("/Fx Do", b.resources({{"XObject", {{"Fx", fx}, {"Im1", smallImage(b)}}},
                                   {"ExtGState", {{"GS1", b.parse("<< /LW 4 >>")}}}}));
  InterpretedPdf pdf(b);
  auto r = pdf.run();
  ASSERT_EQ(r.delegate->events.size(), 2u);
  EXPECT_TRUE(r.delegate->events[0].image);
  EXPECT_EQ(r.delegate->events[1].state.lineWidth(), 4);
  EXPECT_EQ(r.delegate->events[1].state.lineCapStyle(), 2);
}

TEST(InterpreterResources, UnbalancedRestoreInsideFormKeepsTheDrawingStreamsStates) {
  qvtest::PdfBuilder b;
  auto fx = form(b, "Q Q Q 5 w" + kMark + "q q 1 0 0 1 3 3 cm");
  b.addPage("3 w q 1 0 0 1 9 9 cm /Fx Do" + kMark + "Q" + kMark, b.resources({{"XObject", {{"Fx", fx}}}}));
  InterpretedPdf pdf(b);
  auto r = pdf.run();
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[0]->state.lineWidth(), 5);
  EXPECT_EQ(paths[0]->state.ctm(), AffineTransform::translation(9, 9));
  EXPECT_EQ(paths[0]->depth, 3u);
  // After the form: the page's saved state, untouched by the form's Q and q.
  EXPECT_EQ(paths[1]->state.lineWidth(), 3);
  EXPECT_EQ(paths[1]->state.ctm(), AffineTransform::translation(9, 9));
  EXPECT_EQ(paths[1]->depth, 2u);
  EXPECT_TRUE(paths[2]->state.ctm().isIdentity());
  EXPECT_EQ(paths[2]->depth, 1u);
}

TEST(InterpreterResources, SelfDrawingFormStopsAtTheDepthLimit) {
  qvtest::PdfBuilder b;
  auto fx = form(b, "");
  // The form draws itself through its own resources, then marks its level.
  fx.getDict().replaceKey("/Resources", b.resources({{"XObject", {{"Fx", fx}}}}));
  fx.replaceStreamData("/Fx Do 1 0 0 1 1 0 cm" + kMark, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  b.addPage("/Fx Do" + kMark, b.resources({{"XObject", {{"Fx", fx}}}}));
  InterpretedPdf pdf(b);
  auto r = pdf.run();
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), static_cast<size_t>(QVPDFConentParserLimits::kMaxFormDepth) + 1);
  // The innermost level reports first, with the most saved states under it.
  EXPECT_EQ(paths[0]->depth, static_cast<size_t>(QVPDFConentParserLimits::kMaxFormDepth) + 1);
  EXPECT_EQ(paths.back()->depth, 1u);
  EXPECT_TRUE(paths.back()->state.ctm().isIdentity());
  EXPECT_FALSE(r.cutOff);
}

TEST(InterpreterResources, FormsThatMultiplyAreCutOffByThePagesBudget) {
  qvtest::PdfBuilder b;
  auto a = form(b, "");
  auto c = form(b, "");
  // Two forms that each draw the other three times: 3^21 runs unbounded.
  // The padding gives each run 1000 bytes of content.
  a.getDict().replaceKey("/Resources", b.resources({{"XObject", {{"X", c}}}}));
  c.getDict().replaceKey("/Resources", b.resources({{"XObject", {{"X", a}}}}));
  std::string content = "/X Do /X Do /X Do" + kMark;
  content += std::string(1000 - content.size() - 1, ' ') + "\n";
  a.replaceStreamData(content, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  c.replaceStreamData(content, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  b.addPage("/X Do" + kMark + "/X Do", b.resources({{"XObject", {{"X", a}}}}));
  InterpretedPdf pdf(b);

  QVPDFConentParserLimits operators;
  operators.maxFormOperatorsPerPage = 100'000;
  auto r = pdf.run(1, operators);
  EXPECT_TRUE(r.cutOff);
  size_t runs = r.delegate->of(Event::Path).size();
  EXPECT_GT(runs, 500u);
  EXPECT_LE(runs, operators.maxFormOperatorsPerPage / operators.formRunCost + 1);
  EXPECT_EQ(r.stack->depth(), 1u);

  QVPDFConentParserLimits bytes;
  bytes.maxFormBytesPerPage = 50'000;
  r = pdf.run(1, bytes);
  EXPECT_TRUE(r.cutOff);
  // At most 50 runs began; those still drawing their children when the
  // budget ran out never reach their own mark.
  runs = r.delegate->of(Event::Path).size();
  EXPECT_GT(runs, 0u);
  EXPECT_LE(runs, 50u - QVPDFConentParserLimits::kMaxFormDepth + 1);
  EXPECT_EQ(r.stack->depth(), 1u);
}

TEST(InterpreterResources, InlineImageIsReportedWithoutObjectId) {
  class NameRecorder : public interptest::RecordingDelegate {
   public:
    using RecordingDelegate::RecordingDelegate;
    void didScanXObjectImage(QVPDFConentParser& parser, const std::shared_ptr<QVPDFImageXObject>& image) override {
      RecordingDelegate::didScanXObjectImage(parser, image);
      if (const QVPDFXObjectCollection* xObjects = parser.xObjectCollection())
        for (const auto& [name, object] : xObjects->xObjects())
          if (object == image) names.push_back(name);
    }
    std::vector<std::string> names;
  };
  qvtest::PdfBuilder b;
  b.addPage("q 30 0 0 20 5 5 cm BI /W 2 /H 2 /CS /RGB /BPC 8 ID abcdefghijkl EI Q" + kMark);
  InterpretedPdf pdf(b);
  auto page = pdf.document().page(1);
  auto stack = std::make_shared<RenderingStateStack>();
  NameRecorder delegate(stack);
  QVPDFConentParser parser(page->dictionary(), platform::PdfContentStream::forPage(*page));
  parser.setDelegate(&delegate);
  parser.setRenderingStateStack(stack);
  parser.startParser();

  auto images = delegate.of(Event::Image);
  ASSERT_EQ(images.size(), 1u);
  ASSERT_TRUE(images[0]->image);
  EXPECT_EQ(images[0]->image->objectID(), "");
  EXPECT_EQ(images[0]->image->pixelSize(), (platform::Size{2, 2}));
  EXPECT_EQ(images[0]->state.ctm(), (AffineTransform{30, 0, 0, 20, 5, 5}));
  ASSERT_EQ(delegate.names.size(), 1u);
  EXPECT_EQ(delegate.names[0].rfind("EI-", 0), 0u);
  // The operators after the image still run.
  EXPECT_EQ(delegate.of(Event::Path).size(), 1u);
}

TEST(InterpreterResources, UnknownResourceNamesChangeNothing) {
  auto r = interptest::runPage("/F9 12 Tf /GS9 gs /Sh9 sh /Im9 Do /CS9 cs" + kMark);
  auto paths = r.delegate->of(Event::Path);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(r.delegate->of(Event::Image).size(), 0u);
  EXPECT_EQ(paths[0]->state.font(), nullptr);
  EXPECT_EQ(paths[0]->state.fontSize(), 0);
  EXPECT_EQ(paths[0]->state.lineWidth(), 1);
}

TEST(InterpreterResources, ParentCycleWithoutResourcesEnds) {
  // Objects made in memory: no writer or reader repairs the cycle first.
  qvtest::PdfBuilder b;
  QPDFObjectHandle a = b.qpdf().makeIndirectObject(b.parse("<< /Type /Pages >>"));
  QPDFObjectHandle c = b.qpdf().makeIndirectObject(b.parse("<< /Type /Pages >>"));
  a.replaceKey("/Parent", c);
  c.replaceKey("/Parent", a);
  QPDFObjectHandle page = b.qpdf().makeIndirectObject(b.parse("<< /Type /Page >>"));
  page.replaceKey("/Parent", a);
  auto stack = std::make_shared<RenderingStateStack>();
  interptest::RecordingDelegate delegate(stack);
  QVPDFConentParser parser(platform::PdfObject(page),
                           platform::PdfContentStream::forData("/GS1 gs 0 0 1 1 re f", platform::PdfObject()));
  parser.setDelegate(&delegate);
  parser.setRenderingStateStack(stack);
  parser.startParser();
  EXPECT_EQ(parser.fontCollection(), nullptr);
  ASSERT_EQ(delegate.of(Event::Path).size(), 1u);
}

}  // namespace

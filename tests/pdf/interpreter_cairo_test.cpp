// A PDF drawn by Cairo's PDF surface (a real generator with its own flipped
// coordinate system, ExtGStates for alpha and clip paths) read back through
// the interpreter: what the delegate sees in page space must be what was
// drawn.
#include <gtest/gtest.h>

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>

#include "tests/pdf/interpreter_recording.h"

namespace {

using interptest::Event;

constexpr double kWidth = 200, kHeight = 100;

void drawScene(const std::string& path) {
  cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  // A dashed red outline.
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_set_line_width(cr, 4);
  const double dash[] = {6, 3};
  cairo_set_dash(cr, dash, 2, 0);
  cairo_rectangle(cr, 10, 10, 50, 30);
  cairo_stroke(cr);
  // A half-transparent green square inside a triangular clip.
  cairo_save(cr);
  cairo_move_to(cr, 100, 10);
  cairo_line_to(cr, 180, 90);
  cairo_line_to(cr, 100, 90);
  cairo_close_path(cr);
  cairo_clip(cr);
  cairo_set_source_rgba(cr, 0, 1, 0, 0.5);
  cairo_rectangle(cr, 90, 20, 80, 60);
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  ASSERT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
}

// Cairo's y axis points down from the top of the page.
platform::Rect pageRect(double x, double y, double w, double h) { return platform::Rect(x, kHeight - y - h, w, h); }

void expectNear(const platform::Rect& a, const platform::Rect& b) {
  EXPECT_NEAR(a.minX(), b.minX(), 1e-6);
  EXPECT_NEAR(a.minY(), b.minY(), 1e-6);
  EXPECT_NEAR(a.maxX(), b.maxX(), 1e-6);
  EXPECT_NEAR(a.maxY(), b.maxY(), 1e-6);
}

TEST(InterpreterCairo, PathsColoursDashAndClipComeBackInPageSpace) {
  qvtest::TempDir dir;
  const std::string file = dir.file("scene.pdf").string();
  drawScene(file);
  auto document = platform::PdfDocument::open(file);
  ASSERT_TRUE(document);
  auto page = document->page(1);
  ASSERT_TRUE(page);
  auto stack = std::make_shared<RenderingStateStack>();
  interptest::RecordingDelegate delegate(stack);
  QVPDFConentParser parser(page->dictionary(), platform::PdfContentStream::forPage(*page));
  parser.setDelegate(&delegate);
  parser.setRenderingStateStack(stack);
  parser.startParser();

  const Event* stroke = nullptr;
  const Event* fill = nullptr;
  for (const Event* e : delegate.of(Event::Path)) {
    if (e->stroke && !e->fill && !stroke) stroke = e;
    if (e->fill && !e->stroke && !fill) fill = e;
  }
  ASSERT_TRUE(stroke);
  ASSERT_TRUE(fill);

  const QVPDFRenderState& s = stroke->state;
  expectNear(stroke->path.transformed(s.ctm()).boundingBox(), pageRect(10, 10, 50, 30));
  EXPECT_EQ(s.currentStrokeRGBColor(), (QVPDFRGB{255, 0, 0}));
  // The line width and dash are in user space; through the matrix they are
  // what was drawn.
  const double scale = std::sqrt(std::fabs(s.ctm().determinant()));
  EXPECT_NEAR(s.lineWidth() * scale, 4, 1e-6);
  ASSERT_EQ(s.lineDashPattern().size(), 2u);
  EXPECT_NEAR(s.lineDashPattern()[0] * scale, 6, 1e-6);
  EXPECT_NEAR(s.lineDashPattern()[1] * scale, 3, 1e-6);
  EXPECT_TRUE(s.clipBezierPaths().empty());

  const QVPDFRenderState& f = fill->state;
  expectNear(fill->path.transformed(f.ctm()).boundingBox(), pageRect(90, 20, 80, 60));
  EXPECT_EQ(f.currentFillRGBColor(), (QVPDFRGB{0, 255, 0}));
  EXPECT_DOUBLE_EQ(f.currentFillAlpha(), 0.5);
  ASSERT_FALSE(f.clipBezierPaths().empty());
  expectNear(f.clipBezierPaths().back()->boundingBox(), pageRect(100, 10, 80, 80));

  // Cairo balances its saves: the page ends on its own state.
  EXPECT_EQ(stack->depth(), 1u);
  EXPECT_TRUE(stack->topRenderingState().clipBezierPaths().empty());
}

}  // namespace

#include "tests/flowtext/flow_samples.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace flowtest {

namespace fs = std::filesystem;

namespace {

void show(cairo_t* cr, cairo_font_slant_t slant, cairo_font_weight_t weight, double size, double x, double y,
          const std::string& text) {
  cairo_select_font_face(cr, "DejaVu Sans", slant, weight);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
}

void plain(cairo_t* cr, double size, double x, double y, const std::string& text) {
  show(cr, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, size, x, y, text);
}

constexpr TextException kTextExceptions[] = {
    {"rotated-pages-qpdf.pdf", 1, 0.95, "pages 2 to 4 are turned by their /Rotate, so their text is not upright"},
    {"cjk-zh-vertical.pdf", 1, 0.95, "the second page is set vertically"},
    {"gofpdf-grid-chart.pdf", 0, 0.65, "the month names along the x axis are turned"},
    {"cjk-ja-ptex-manual.pdf", 0, 0.80,
     "pdftotext's words here are long runs of Japanese without blanks; lines mix Japanese and Latin fonts whose em "
     "boxes end at different depths, and the page layout puts runs on one line by that bottom, so a Latin run beside "
     "Japanese text becomes a row of its own that follows the Japanese one, splitting those long words"},
    {"gofpdf-transparency.pdf", 0, 0.80,
     "pdftotext joins the 150-point letters of a 4 x 4 grid, each shown by its own string at its own place, "
     "into four words \"AAAA\"; the page keeps each letter where it stands"},
};

}  // namespace

const std::vector<std::string> kLeftColumn = {"amber harbour lantern", "basalt cliff meadow", "cobalt river orchard",
                                              "driftwood signal tower"};
const std::vector<std::string> kRightColumn = {"ember valley quarry", "fennel garden bridge", "granite summit trail",
                                               "hazel forest clearing"};

// Page 1: a heading, a line beside a large initial, bold and italic runs, two
// columns, a label at 45 degrees and one turned a quarter. Page 2: one line.
fs::path drawSample(const qvtest::TempDir& dir) {
  const fs::path pdf = dir.file("sample.pdf");
  cairo_surface_t* surface = cairo_pdf_surface_create(pdf.c_str(), 612, 792);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0, 0, 0);
  show(cr, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD, 24, 72, 70, "Survey of the Northern Coast");
  // The initial's bottom lies far below the two lines beside it.
  plain(cr, 64, 72, 170, "W");
  plain(cr, 11, 130, 118, "hereas the beside initial line");
  plain(cr, 11, 130, 132, "continues quietly here");
  double x = 72;
  auto runOn = [&](cairo_font_slant_t slant, cairo_font_weight_t weight, const std::string& text) {
    show(cr, slant, weight, 11, x, 200, text);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    x += e.x_advance;
  };
  runOn(CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, "Plain start ");
  runOn(CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD, "boldface words");
  runOn(CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, " then ");
  runOn(CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL, "slanted words");
  runOn(CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, " end.");
  for (size_t i = 0; i < kLeftColumn.size(); ++i) {
    // Set solid: the lines of a column touch, so the columns stand side by side.
    plain(cr, 11, 72, 260 + 12.0 * i, kLeftColumn[i]);
    plain(cr, 11, 330, 260 + 12.0 * i, kRightColumn[i]);
  }
  cairo_save(cr);
  cairo_translate(cr, 300, 600);
  cairo_rotate(cr, -std::numbers::pi / 4);
  plain(cr, 14, 0, 0, "DIAGONAL STAMP");
  cairo_restore(cr);
  cairo_save(cr);
  cairo_translate(cr, 560, 700);
  cairo_rotate(cr, -std::numbers::pi / 2);
  plain(cr, 12, 0, 0, "SIDEWAYS NOTE");
  cairo_restore(cr);
  cairo_show_page(cr);
  plain(cr, 11, 72, 80, "closing remark on the second page");
  cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return pdf;
}

const TextException* textException(const fs::path& pdf) {
  for (const TextException& e : kTextExceptions)
    if (pdf.filename() == e.file) return &e;
  return nullptr;
}

bool pdftotextAvailable() { return std::system("command -v pdftotext > /dev/null 2>&1") == 0; }

}  // namespace flowtest

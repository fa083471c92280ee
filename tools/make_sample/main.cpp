// make_sample: writes the sample document that ships with the program, a
// three-page PDF drawn with Cairo's PDF surface from our own text. It shows
// what the converter handles: several embedded fonts and sizes, two columns,
// a table, a vector drawing, an image and a rotated line.
//
//   make_sample resources/sample/sample.pdf
#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kPageWidth = 612;
constexpr double kPageHeight = 792;
constexpr double kMargin = 60;

struct Font {
  const char* family;
  cairo_font_slant_t slant;
  cairo_font_weight_t weight;
  double size;
};

const Font kTitle{"DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD, 26};
const Font kSubtitle{"Liberation Serif", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL, 13};
const Font kHeading{"DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD, 13};
const Font kBody{"Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, 10.5};
const Font kSerifBody{"Liberation Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, 11.5};
const Font kCaption{"Liberation Serif", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL, 9};
const Font kMono{"Liberation Mono", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, 9.5};
const Font kMonoBold{"Liberation Mono", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD, 9.5};
const Font kFooter{"DejaVu Sans Mono", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL, 8};

void useFont(cairo_t* cr, const Font& font) {
  cairo_select_font_face(cr, font.family, font.slant, font.weight);
  cairo_set_font_size(cr, font.size);
}

double textWidth(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

void showAt(cairo_t* cr, double x, double y, const std::string& text) {
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
}

// Fills a column with the paragraph, wrapping at word boundaries; answers the
// baseline below the last line.
double paragraph(cairo_t* cr, const Font& font, double x, double y, double width, double leading,
                 const std::string& text) {
  useFont(cr, font);
  std::vector<std::string> words;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find(' ', start);
    words.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::string line;
  for (const std::string& word : words) {
    const std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && textWidth(cr, candidate) > width) {
      showAt(cr, x, y, line);
      y += leading;
      line = word;
    } else {
      line = candidate;
    }
  }
  if (!line.empty()) {
    showAt(cr, x, y, line);
    y += leading;
  }
  return y;
}

void footer(cairo_t* cr, int page) {
  useFont(cr, kFooter);
  cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
  const std::string text = "Sample document - page " + std::to_string(page) + " of 3";
  showAt(cr, (kPageWidth - textWidth(cr, text)) / 2, kPageHeight - 36, text);
  cairo_set_source_rgb(cr, 0, 0, 0);
}

void rule(cairo_t* cr, double y) {
  cairo_set_line_width(cr, 0.8);
  cairo_move_to(cr, kMargin, y);
  cairo_line_to(cr, kPageWidth - kMargin, y);
  cairo_stroke(cr);
}

void pageOne(cairo_t* cr) {
  cairo_set_source_rgb(cr, 0.1, 0.2, 0.45);
  useFont(cr, kTitle);
  showAt(cr, kMargin, 100, "The Tide Garden Almanac");
  cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
  useFont(cr, kSubtitle);
  showAt(cr, kMargin, 122, "Notes from a season of planting below the high-water line");
  cairo_set_source_rgb(cr, 0, 0, 0);
  rule(cr, 136);

  const double gap = 24;
  const double columnWidth = (kPageWidth - 2 * kMargin - gap) / 2;
  const double left = kMargin;
  const double right = kMargin + columnWidth + gap;

  double y = 164;
  useFont(cr, kHeading);
  showAt(cr, left, y, "Why a garden that floods");
  y += 20;
  y = paragraph(cr, kBody, left, y, columnWidth, 14,
                "Twice a day the sea walks up the shingle and covers the lower beds. Most gardeners would "
                "call that a disaster; we call it irrigation. The plants that thrive here have learned to "
                "close their pores for an hour, shrug off the salt and open again when the water leaves.");
  y += 8;
  y = paragraph(cr, kBody, left, y, columnWidth, 14,
                "Samphire came first, then sea beet and a stubborn patch of thrift that nobody planted. "
                "By midsummer the beds looked less like an experiment and more like a meadow that had "
                "decided to live on the beach.");
  y += 8;
  paragraph(cr, kBody, left, y, columnWidth, 14,
            "The rest of this almanac records what we sowed, what the tide took and what came back, so "
            "that next spring starts from notes rather than from memory.");

  y = 164;
  useFont(cr, kHeading);
  showAt(cr, right, y, "Reading the water");
  y += 20;
  y = paragraph(cr, kBody, right, y, columnWidth, 14,
                "Spring tides reach the third marker post; neap tides barely wet the second. We keep a "
                "slate by the gate and chalk the height of every tide that reaches the beds, which is "
                "how the table on the next page was made.");
  y += 8;
  y = paragraph(cr, kSerifBody, right, y, columnWidth, 15,
                "A calm evening tide leaves the soil dark and cool; a storm tide leaves it scattered with "
                "weed, which we rake into the compost before it dries.");
  y += 8;
  paragraph(cr, kBody, right, y, columnWidth, 14,
            "Measure twice, plant once, and never leave the wheelbarrow below the second post.");

  footer(cr, 1);
}

void pageTwo(cairo_t* cr) {
  useFont(cr, kHeading);
  showAt(cr, kMargin, 90, "Tide heights at the garden gate");
  useFont(cr, kCaption);
  showAt(cr, kMargin, 106, "Highest tide of each month, in centimetres above the gate step.");

  const char* header[] = {"Month", "Highest", "Beds wet", "Notes"};
  const char* rows[][4] = {
      {"March", "41", "2", "cold, clear water"},
      {"April", "57", "3", "thrift flowering"},
      {"May", "38", "1", "dry fortnight"},
      {"June", "62", "4", "storm tide on the 14th"},
      {"July", "45", "2", "samphire harvest"},
  };
  const double columns[] = {kMargin, kMargin + 110, kMargin + 200, kMargin + 290, kPageWidth - kMargin};
  const double top = 124;
  const double rowHeight = 22;
  const int rowCount = 6;

  cairo_set_source_rgb(cr, 0.85, 0.9, 0.97);
  cairo_rectangle(cr, columns[0], top, columns[4] - columns[0], rowHeight);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 0.6);
  for (int r = 0; r <= rowCount; ++r) {
    cairo_move_to(cr, columns[0], top + r * rowHeight);
    cairo_line_to(cr, columns[4], top + r * rowHeight);
  }
  for (double x : columns) {
    cairo_move_to(cr, x, top);
    cairo_line_to(cr, x, top + rowCount * rowHeight);
  }
  cairo_stroke(cr);

  auto cell = [&](int row, int column, const std::string& text, bool number) {
    const double baseline = top + row * rowHeight + 15;
    const double x = number ? columns[column + 1] - 8 - textWidth(cr, text) : columns[column] + 6;
    showAt(cr, x, baseline, text);
  };
  useFont(cr, kMonoBold);
  for (int c = 0; c < 4; ++c) cell(0, c, header[c], false);
  for (int r = 0; r < 5; ++r) {
    useFont(cr, kMono);
    cell(r + 1, 0, rows[r][0], false);
    cell(r + 1, 1, rows[r][1], true);
    cell(r + 1, 2, rows[r][2], true);
    useFont(cr, kBody);
    cell(r + 1, 3, rows[r][3], false);
  }

  // A drawing of the gate, the marker posts and a wave, in filled and
  // stroked paths with curves and a dashed water line.
  const double baseY = 520;
  cairo_set_source_rgb(cr, 0.93, 0.87, 0.7);
  cairo_rectangle(cr, kMargin, baseY, kPageWidth - 2 * kMargin, 60);
  cairo_fill(cr);

  cairo_set_source_rgb(cr, 0.2, 0.45, 0.7);
  cairo_move_to(cr, kMargin, baseY - 10);
  for (int i = 0; i < 6; ++i) {
    const double x0 = kMargin + i * 82;
    cairo_curve_to(cr, x0 + 20, baseY - 45, x0 + 60, baseY + 20, x0 + 82, baseY - 10);
  }
  cairo_line_to(cr, kMargin + 6 * 82, baseY + 20);
  cairo_line_to(cr, kMargin, baseY + 20);
  cairo_close_path(cr);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.1, 0.25, 0.45);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);

  for (int post = 0; post < 3; ++post) {
    const double x = kMargin + 120 + post * 110;
    cairo_set_source_rgb(cr, 0.45, 0.3, 0.15);
    cairo_rectangle(cr, x, baseY - 110 + post * 25, 10, 110 - post * 25 + 30);
    cairo_fill(cr);
  }

  cairo_set_source_rgb(cr, 0.8, 0.1, 0.1);
  cairo_set_line_width(cr, 1);
  const double dashes[] = {6, 3};
  cairo_set_dash(cr, dashes, 2, 0);
  cairo_move_to(cr, kMargin, baseY - 62);
  cairo_line_to(cr, kPageWidth - kMargin, baseY - 62);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);

  cairo_set_source_rgb(cr, 0.95, 0.75, 0.1);
  cairo_arc(cr, kPageWidth - kMargin - 40, baseY - 150, 22, 0, 2 * M_PI);
  cairo_fill(cr);

  cairo_set_source_rgb(cr, 0, 0, 0);
  useFont(cr, kCaption);
  showAt(cr, kMargin, baseY + 80, "Figure 1. The three marker posts and the June storm line (dashed).");
  footer(cr, 2);
}

// A small picture made pixel by pixel: a sky gradient over a sea band with a
// sun, so the page carries a real raster image.
cairo_surface_t* makePicture() {
  const int width = 240;
  const int height = 150;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < width; ++x) {
      double r, g, b;
      const double sea = 95 + 6 * std::sin(x / 9.0);
      if (y < sea) {
        const double t = y / sea;
        r = 0.55 + 0.4 * t;
        g = 0.7 + 0.2 * t;
        b = 0.95 - 0.1 * t;
      } else {
        const double t = (y - sea) / (height - sea);
        r = 0.1;
        g = 0.35 - 0.15 * t;
        b = 0.6 - 0.2 * t;
      }
      const double dx = x - 180, dy = y - 45;
      if (dx * dx + dy * dy < 18 * 18) {
        r = 1.0;
        g = 0.85;
        b = 0.3;
      }
      row[x] = (static_cast<uint32_t>(r * 255) << 16) | (static_cast<uint32_t>(g * 255) << 8) |
               static_cast<uint32_t>(b * 255);
    }
  }
  cairo_surface_mark_dirty(image);
  return image;
}

void pageThree(cairo_t* cr) {
  useFont(cr, kHeading);
  showAt(cr, kMargin, 90, "The view from the top bed");

  cairo_surface_t* picture = makePicture();
  cairo_save(cr);
  cairo_translate(cr, kMargin, 110);
  cairo_scale(cr, 1.2, 1.2);
  cairo_set_source_surface(cr, picture, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(picture);
  useFont(cr, kCaption);
  showAt(cr, kMargin, 110 + 180 + 14, "Figure 2. Evening light over the outer beds.");

  double y = 340;
  y = paragraph(cr, kSerifBody, kMargin, y, kPageWidth - 2 * kMargin, 16,
                "At the top of the garden the ground rises above even the spring tides. This is where the "
                "seedlings wait in trays until they are strong enough for the salt, and where the bench "
                "faces west so that the last hour of light falls on the page of whoever is writing up the day.");
  y += 10;
  useFont(cr, kBody);
  showAt(cr, kMargin, y, "Sizes for labels:");
  double x = kMargin + textWidth(cr, "Sizes for labels:") + 8;
  for (double size : {8.0, 12.0, 16.0, 22.0}) {
    cairo_set_font_size(cr, size);
    const std::string label = std::to_string(static_cast<int>(size)) + " pt";
    showAt(cr, x, y, label);
    x += textWidth(cr, label) + 12;
  }

  // One line of text turned by thirty degrees, up from left to right.
  cairo_save(cr);
  cairo_translate(cr, kMargin + 40, 640);
  cairo_rotate(cr, -M_PI / 6);
  cairo_set_source_rgb(cr, 0.1, 0.45, 0.25);
  useFont(cr, kHeading);
  showAt(cr, 0, 0, "High water reached the third post");
  cairo_restore(cr);

  footer(cr, 3);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: make_sample OUTPUT.pdf\n");
    return 2;
  }
  cairo_surface_t* surface = cairo_pdf_surface_create(argv[1], kPageWidth, kPageHeight);
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "The Tide Garden Almanac");
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_AUTHOR, "PDF converter sample");
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "2024-03-01T12:00:00Z");
  cairo_t* cr = cairo_create(surface);
  pageOne(cr);
  cairo_show_page(cr);
  pageTwo(cr);
  cairo_show_page(cr);
  pageThree(cr);
  cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "make_sample: %s\n", cairo_status_to_string(status));
    return 1;
  }
  return 0;
}

#pragma once
// Converting a PDF made in a test through the presentation exporter and
// reading the slides back as a user's program would see them.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/image/bitmap.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"

namespace pptxfix {

struct Run {
  std::string text;
  std::string color;     // srgbClr val, "" when none
  std::string size;      // sz, hundredths of a point
  std::string typeface;  // latin typeface
};

struct Paragraph {
  std::optional<std::string> marginLeft;  // marL, EMU
  std::string lineSpacing;                // spcPts val
  std::vector<Run> runs;
};

// A shape's frame as written (points): the frame before its rotation.
struct Frame {
  double x = 0, y = 0, width = 0, height = 0;
  double rotation = 0;  // degrees
};

struct TextBox : Frame {
  std::string text;  // paragraphs joined by line breaks
  std::string vert;  // the text body's writing direction ("eaVert"), "" when none
  size_t runs = 0;   // over all paragraphs
  std::vector<Paragraph> paragraphs;
};

struct Freeform : Frame {
  double lineWidth = 0;      // points
  std::string fillColor;     // srgbClr of the shape fill
  std::string fillAlpha;     // its alpha val
  std::string lineAlpha;     // the line's alpha val
  std::string dash;          // prstDash val, or "custom"
  // Where each of its paths starts on the page (points), in drawing order.
  std::vector<platform::Point> pathStarts;
};

struct Picture : Frame {
  std::string media;  // the package part it shows, "ppt/media/imageN.ext"
};

// A converted document, its package kept in a temporary folder.
class Converted {
 public:
  Converted(const std::filesystem::path& pptx, std::shared_ptr<qvtest::TempDir> dir);

  const std::filesystem::path& file() const { return file_; }
  size_t slideCount() const { return slides_.size(); }
  platform::Size slideSize() const;

  std::vector<TextBox> textBoxes(size_t slide) const;
  std::vector<Freeform> freeforms(size_t slide) const;
  std::vector<Picture> pictures(size_t slide) const;
  // "text", "freeform" or "picture" per shape, in drawing order.
  std::vector<std::string> shapeKinds(size_t slide) const;
  // A media part decoded to straight RGBA.
  platform::image::Bitmap mediaImage(const std::string& part) const;

 private:
  std::filesystem::path file_;
  std::shared_ptr<qvtest::TempDir> dir_;
  std::unique_ptr<qvtest::ZipPackage> package_;
  std::vector<std::unique_ptr<qvtest::XmlElement>> slides_;
};

// Writes the PDF and converts it.
Converted convert(qvtest::PdfBuilder& builder);

// An RGB image XObject of w x h pixels, each pixel from `pixel(x, y)` packed
// as 0xRRGGBB, row 0 at the top of the image.
QPDFObjectHandle rgbImage(qvtest::PdfBuilder& builder, int w, int h, uint32_t (*pixel)(int x, int y));

// Alpha and colour of one pixel of a straight RGBA bitmap.
struct Pixel {
  uint8_t r = 0, g = 0, b = 0, a = 0;
};
Pixel pixelAt(const platform::image::Bitmap& rgba, int x, int y);

}  // namespace pptxfix

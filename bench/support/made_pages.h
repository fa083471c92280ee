#pragma once
// Pages of the kinds that are slow to convert and that the corpus lacks,
// made by the benchmarks in the run (so that every run times the same
// pages):
//
// - a page of text turned to outlines (a text page run through Ghostscript's
//   pdfwrite with -dNoOutputFonts: every glyph a filled path, most of them
//   complex enough to become pictures of a slide);
// - a page of several hundred small pictures, each an image of its own;
// - a page of many small filled paths in a Separation colour space (with a
//   calculator tint transform) and in a calibrated RGB space.
#include <filesystem>
#include <string>
#include <vector>

namespace qvbench {

// Writes the pages into `folder` and answers their paths. The outlined page
// is left out, said on standard error, when Ghostscript (gs) cannot be run.
std::vector<std::filesystem::path> makeSlowPages(const std::filesystem::path& folder);

// Pages of large pictures, written into `folder`: a 1-bit, a grey and a
// colour image of 10,000 x 10,000 pixels over the whole page (Flate-coded
// samples); a 2,996 x 4,256 JPEG with a soft mask; a 1,600 x 1,608 picture
// with a stencil mask; and one 200 x 200 JPEG drawn 32 times under clips.
std::vector<std::filesystem::path> makePicturePages(const std::filesystem::path& folder);

}  // namespace qvbench

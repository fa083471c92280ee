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

}  // namespace qvbench

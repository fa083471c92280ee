#pragma once
// Stand-ins for the corpus files that are made from other corpus files. A
// corpus fetched from packages holds only the files of packages; the tests
// that convert every corpus file make the turned and the scanned pages
// themselves, from the fetched files they were made from.
#include <filesystem>
#include <vector>

namespace qvtest {

// The corpus files, and for each file made from others that the corpus
// lacks but whose source it holds, a stand-in of the same name made in
// `work`: pages 1 to 4 of tables-booktabs.pdf turned by /Rotate 0, 90, 180
// and 270 (rotated-pages-qpdf.pdf), and pages 1 to 3 of the two-column paper
// as grey JPEG pictures with no text (scan-gray-jpeg.pdf). Sorted by name.
std::vector<std::filesystem::path> corpusFilesWithStandIns(const std::filesystem::path& work);

// Pages 1 to 4 of `source`, turned by /Rotate 0, 90, 180 and 270.
void writeTurnedPages(const std::filesystem::path& source, const std::filesystem::path& out);
// Pages 1 to 3 of `source` as a scanner gives them: each page one grey JPEG
// picture at 100 dpi (rasterised by pdftoppm, with `work` for its pictures),
// with no text. Throws std::runtime_error when pdftoppm fails.
void writeScannedPages(const std::filesystem::path& source, const std::filesystem::path& out,
                       const std::filesystem::path& work);
// A page as an OCR tool makes a scan searchable: the picture of a page of
// Courier lines (grey text on off-white paper, rasterised by pdftoppm at 100
// dpi in `work`) over the whole page, and the same lines at the same places
// over it in rendering mode 3, in Courier or in a composite font without
// glyphs (widths of 500 stretched to Courier's by the horizontal scaling).
// Throws std::runtime_error when pdftoppm fails.
void writeSearchableScan(const std::filesystem::path& out, const std::filesystem::path& work, bool glyphless);

}  // namespace qvtest

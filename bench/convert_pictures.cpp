// Pages of a bounded cost: each small hostile file (../shared/hostile beside
// the corpus) and pages of large pictures made in the run (made_pages.h:
// 1-bit, grey and colour images of 10,000 x 10,000 pixels, a large JPEG with
// a soft mask, a picture with a stencil mask, one JPEG drawn 32 times under
// clips) converted by the pdfconvert program to every output, each run a
// process of its own timed from outside (wall time, peak resident memory).
// Beside them, what another reader needs for the same file: `mutool draw
// -r 72` rendering it, and for the files of many links `qpdf --show-npages`.
//
//   bench_convert_pictures [--types pptx,docx,...] [--hostile DIR] [--rounds N] [--keep DIR]
//                          [--pdfconvert PATH] [--baseline PATH]
//
// The targets: under 100 MB in every output; the hostile files under 0.5 s
// (the files of many links within 1.5 times qpdf's own time and memory
// instead), the made pages within twice mutool's time.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/support/harness.h"
#include "bench/support/made_pages.h"
#include "platform/fs/files.h"

namespace {

namespace fs = std::filesystem;
using namespace qvbench;

constexpr double kTargetPeakMB = 100.0;
constexpr double kTargetHostileSeconds = 0.5;
constexpr double kTargetMutoolFactor = 2.0;
constexpr double kTargetQpdfFactor = 1.5;

const std::vector<std::string> kAllTypes{"pptx", "docx", "xlsx", "csv", "html", "rtf", "txt"};

Measured convert(const std::string& pdfconvert, const fs::path& file, const std::string& type,
                 const fs::path& outFolder) {
  const fs::path output = outFolder / (file.stem().string() + (type == "csv" ? "" : "." + type));
  fs::remove_all(output);
  const Measured m = measuredRun({pdfconvert, "--to", type, file.string(), output.string()});
  fs::remove_all(output);
  return m;
}

// The best of `rounds` runs of `run`.
template <class Run>
Measured best(int rounds, Run&& run) {
  Measured kept;
  for (int r = 0; r < rounds; ++r) keepBest(kept, run(), r == 0);
  return kept;
}

bool isManyLinks(const fs::path& file) { return file.filename().string().starts_with("many-links"); }

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> types = kAllTypes;
  std::string keep, baseline, hostile;
  std::string pdfconvert = QV_PDFCONVERT_DEFAULT;
  int rounds = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--types" && i + 1 < argc) {
      types = commaList(argv[++i]);
    } else if (a == "--hostile" && i + 1 < argc) {
      hostile = argv[++i];
    } else if (a == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (readProgramOption(argc, argv, i, keep, pdfconvert, baseline)) {
    } else {
      std::cout << "Usage: bench_convert_pictures [--types pptx,docx,...] [--hostile DIR] [--rounds N] [--keep DIR] "
                   "[--pdfconvert PATH] [--baseline PATH]\n";
      return a == "-h" || a == "--help" ? 0 : 2;
    }
  }
  if (!programsRunnable({pdfconvert, baseline}, "bench_convert_pictures")) return 2;
  if (hostile.empty()) hostile = (fs::path(QV_CORPUS_DIR_DEFAULT).parent_path() / "hostile").string();
  const bool withMutool = toolExists("mutool"), withQpdf = toolExists("qpdf");
  if (!withMutool) std::cerr << "mutool not found: the made pages have no reference time\n";

  platform::fs::WorkFolder scratch;
  const fs::path outFolder = keep.empty() ? fs::path(scratch.path()) : fs::path(keep);
  fs::create_directories(outFolder);
  std::vector<fs::path> hostileFiles = fs::is_directory(hostile) ? pdfFiles({hostile}) : std::vector<fs::path>{};
  if (hostileFiles.empty()) std::cerr << "no hostile files in " << hostile << "\n";
  // Made in a child process, so that the memory they take is not charged to
  // the programs started afterwards.
  std::vector<fs::path> made;
  const Measured making = measured([&] { return !makePicturePages(outFolder / "made").empty(); });
  if (!making.ok) {
    std::cerr << "bench_convert_pictures: the picture pages cannot be made\n";
    return 2;
  }
  for (const auto& entry : fs::directory_iterator(outFolder / "made"))
    if (entry.path().extension() == ".pdf") made.push_back(entry.path());
  std::sort(made.begin(), made.end());

  std::cout << "pdfconvert: " << pdfconvert << (baseline.empty() ? "" : ", baseline: " + baseline) << "; best of "
            << rounds << "\n\nfile\treference\tref_s\tref_MB\ttype\ts\tpeak_MB"
            << (baseline.empty() ? "" : "\tbaseline_s\tbaseline_MB") << "\ttarget\tverdict\n";
  bool allMet = true;
  std::vector<fs::path> files = hostileFiles;
  files.insert(files.end(), made.begin(), made.end());
  for (const fs::path& file : files) {
    const bool isHostile = std::find(hostileFiles.begin(), hostileFiles.end(), file) != hostileFiles.end();
    std::string reference = "-";
    Measured ref;
    if (isManyLinks(file) && withQpdf) {
      reference = "qpdf --show-npages";
      ref = best(rounds, [&] { return measuredRun({"qpdf", "--show-npages", file.string()}); });
    } else if (withMutool) {
      reference = "mutool draw -r 72";
      const std::string png = (outFolder / "reference-%d.png").string();
      ref = best(rounds, [&] { return measuredRun({"mutool", "draw", "-q", "-r", "72", "-o", png, file.string()}); });
    }
    for (const std::string& type : types) {
      const Measured ours = best(rounds, [&] { return convert(pdfconvert, file, type, outFolder); });
      Measured theirs;
      if (!baseline.empty()) theirs = best(rounds, [&] { return convert(baseline, file, type, outFolder); });
      // What the page may take: the hostile files a fixed time (the files of
      // many links also qpdf's own cost), the made pages twice mutool's.
      double seconds = kTargetHostileSeconds, peak = kTargetPeakMB;
      if (isManyLinks(file) && ref.ok) {
        seconds = kTargetQpdfFactor * ref.seconds;
        peak = std::min(peak, kTargetQpdfFactor * ref.peakMB);
      } else if (!isHostile) {
        seconds = ref.ok ? kTargetMutoolFactor * ref.seconds : 0;
      }
      const bool met = ours.ok && ours.peakMB < peak && (seconds <= 0 || ours.seconds < seconds);
      allMet = allMet && met;
      std::cout << file.filename().string() << "\t" << reference << "\t" << (ref.ok ? fixed(ref.seconds, 3) : "-")
                << "\t" << (ref.ok ? fixed(ref.peakMB, 1) : "-") << "\t" << type << "\t"
                << (ours.ok ? fixed(ours.seconds, 3) : "failed") << "\t" << fixed(ours.peakMB, 1);
      if (!baseline.empty())
        std::cout << "\t" << (theirs.ok ? fixed(theirs.seconds, 3) : "failed") << "\t" << fixed(theirs.peakMB, 1);
      std::cout << "\t< " << (seconds > 0 ? fixed(seconds, 2) + " s" : "-") << ", " << fixed(peak, 0) << " MB\t"
                << (met ? "met" : "MISSED") << "\n";
    }
  }
  std::cout << "\ntargets: every page under " << fixed(kTargetPeakMB, 0) << " MB in every output, the hostile files under "
            << fixed(kTargetHostileSeconds, 1) << " s (the files of many links within " << fixed(kTargetQpdfFactor, 1)
            << " x qpdf's time and memory), the made pages within " << fixed(kTargetMutoolFactor, 0)
            << " x mutool's time: " << (allMet ? "met" : "missed") << "\n";
  return 0;
}

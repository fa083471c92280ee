// Times the extraction of every image of the corpus (images per second,
// megapixels per second) and, on the same files in the same run, poppler's
// pdfimages as the reference.
//
//   bench_extract_images [--rounds N] [--keep DIR] [corpus folder or PDF files...]
//
// Our side opens each file, collects the image XObjects of every page and
// form (each object once) and the inline images of their content streams,
// and encodes every image as the converter does. pdfimages runs twice per
// file: with -all (encoded data written as it is where it can) and with -png
// (every image decoded and written as PNG).
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "bench/support/harness.h"
#include "pdf/QVPDFImageXObject.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"
#include "platform/text/text.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using qvbench::corpusPassword;
using qvbench::fixed;
using qvbench::rate;

struct Collected {
  std::set<int> seen;
  std::vector<std::shared_ptr<QVPDFImageXObject>> images;
};

void scanInline(std::shared_ptr<platform::PdfContentStream> content, const platform::PdfObject& colorSpaces,
                Collected& c) {
  platform::PdfOperatorTable table;
  table.set("EI", [&](platform::PdfScanner& scanner) {
    if (auto s = scanner.popStream())
      if (auto image = QVPDFImageXObject::inlineImage(*s, colorSpaces)) c.images.push_back(image);
  });
  platform::PdfScanner scanner(std::move(content), table);
  scanner.scan();
}

void collect(const platform::PdfObject& resources, const std::shared_ptr<platform::PdfContentStream>& parent,
             Collected& c, int depth) {
  const platform::PdfObject xobjects = resources.get("XObject");
  if (!xobjects.isDictionary() || depth > 8) return;
  for (const std::string& name : xobjects.keys()) {
    const platform::PdfObject x = xobjects.get(name);
    if (!x.isStream() || (x.isIndirect() && !c.seen.insert(x.objectNumber()).second)) continue;
    const std::string subtype = x.getName("Subtype").value_or("");
    if (subtype == "Image") {
      if (auto image = std::dynamic_pointer_cast<QVPDFImageXObject>(
              QVPDFXObject::xObjectWithStream(x, name, resources.get("ColorSpace"))))
        c.images.push_back(image);
    } else if (subtype == "Form") {
      const platform::PdfObject own = x.getDictionary("Resources");
      auto content = platform::PdfContentStream::forForm(x, own, parent);
      const platform::PdfObject effective = own.isDictionary() ? own : resources;
      scanInline(content, effective.get("ColorSpace"), c);
      collect(effective, content, c, depth + 1);
    }
  }
}

struct Result {
  int images = 0;
  int written = 0;
  double megapixels = 0;
  double seconds = 0;
};

Result extractAll(const fs::path& file, const std::string& password, const std::string& keepFolder) {
  Result r;
  const auto start = Clock::now();
  auto document = platform::PdfDocument::open(file.string(), password);
  if (!document || !document->isUnlocked()) return r;
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  Collected c;
  for (int n = 1; n <= document->pageCount(); ++n) {
    auto page = document->page(n);
    if (!page) continue;
    auto content = platform::PdfContentStream::forPage(*page);
    scanInline(content, page->resources().get("ColorSpace"), c);
    collect(page->resources(), content, c, 0);
  }
  std::vector<QVPDFImageFile> made;
  for (const auto& image : c.images) {
    ++r.images;
    const QVPDFImageFile& picture = image->imageFile();
    if (picture.empty()) continue;
    ++r.written;
    r.megapixels += image->pixelSize().width * image->pixelSize().height / 1e6;
    if (!keepFolder.empty()) made.push_back(picture);
  }
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!keepFolder.empty()) {
    std::error_code ec;
    const fs::path target = fs::path(keepFolder) / file.stem();
    fs::create_directories(target, ec);
    for (const QVPDFImageFile& picture : made) platform::fs::writeFile((target / picture.name).string(), picture.bytes());
  }
  return r;
}

// Runs pdfimages with its output thrown away in a fresh folder; answers the
// wall time and the number of files it wrote, or a negative time when it
// could not be run.
std::pair<double, int> runPdfImages(const fs::path& file, const std::string& password, const char* mode) {
  platform::fs::WorkFolder out;
  std::vector<std::string> args = {"pdfimages", "-q", mode};
  if (!password.empty()) {
    args.push_back("-upw");
    args.push_back(password);
  }
  args.push_back(file.string());
  args.push_back(out.path() + "/img");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, "pdfimages", nullptr, nullptr, argv.data(), environ) != 0) return {-1, 0};
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  int files = 0;
  std::error_code ec;
  for (auto it = fs::directory_iterator(out.path(), ec); it != fs::directory_iterator(); ++it) ++files;
  return {seconds, files};
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3;
  std::string keep;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    else if (a == "--keep" && i + 1 < argc) keep = argv[++i];
    else inputs.emplace_back(a);
  }
  const std::vector<fs::path> files = qvbench::pdfFiles(inputs);

  // Best of `rounds` per file, for our extraction and for each pdfimages mode.
  Result ours;
  double referenceAll = 0, referencePng = 0;
  int referenceFiles = 0;
  bool referenceAvailable = true;
  std::cout << "file\timages\tMP\tours_s\tpdfimages_all_s\tpdfimages_png_s\n";
  for (const auto& file : files) {
    const std::string password = corpusPassword(file);
    Result best;
    double bestAll = 1e300, bestPng = 1e300;
    int refFiles = 0;
    for (int round = 0; round < rounds; ++round) {
      Result r = extractAll(file, password, round == 0 ? keep : std::string());
      if (round == 0 || r.seconds < best.seconds) best = r;
      auto [all, count] = runPdfImages(file, password, "-all");
      auto [png, countPng] = runPdfImages(file, password, "-png");
      (void)countPng;
      if (all < 0 || png < 0) referenceAvailable = false;
      bestAll = std::min(bestAll, all);
      bestPng = std::min(bestPng, png);
      refFiles = count;
    }
    if (best.images == 0 && refFiles == 0) continue;
    ours.images += best.written;
    ours.megapixels += best.megapixels;
    ours.seconds += best.seconds;
    referenceAll += bestAll;
    referencePng += bestPng;
    referenceFiles += refFiles;
    std::cout << file.filename().string() << "\t" << best.written << "/" << best.images << "\t"
              << fixed(best.megapixels, 2) << "\t" << fixed(best.seconds, 4) << "\t" << fixed(bestAll, 4) << "\t"
              << fixed(bestPng, 4) << "\n";
  }
  std::cout << "\nours: " << ours.images << " images, " << fixed(ours.megapixels, 2) << " MP in "
            << fixed(ours.seconds, 3) << " s: " << rate(ours.images, ours.seconds) << " images/s, "
            << rate(ours.megapixels, ours.seconds) << " MP/s\n";
  if (referenceAvailable) {
    std::cout << "pdfimages -all: " << referenceFiles << " files in " << fixed(referenceAll, 3) << " s ("
              << rate(ours.megapixels, referenceAll) << " MP/s on the same images)\n";
    std::cout << "pdfimages -png: " << fixed(referencePng, 3) << " s (" << rate(ours.megapixels, referencePng)
              << " MP/s on the same images)\n";
  } else {
    std::cout << "pdfimages not available: no reference timing\n";
  }
  return 0;
}

// Times the repair of a damaged file of many objects, in every output: a
// printed document of 65,000 objects (pages of text, and the many small
// objects of a structure tree, as a browser's print has them) whose
// cross-reference table is broken and whose trailer is gone, so that the
// reader must find its catalogue among the objects and rebuild what leads to
// it; the same file with its page tree lost as well, so that the pages are
// looked for among the objects too; and the same file with a small inline
// picture on every page. Each is converted by the pdfconvert program to
// every output, as a user would, with time and peak memory.
//
//   bench_repair_damaged [--objects N] [--types pptx,docx,...] [--keep DIR] [--pdfconvert PATH]
//                        [--baseline PATH]
//
// With --baseline, a second pdfconvert program (an earlier build) converts
// the same files in the same turns. The targets: each conversion under 1 s
// and 150 MB in the Release build.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include "bench/support/harness.h"
#include "platform/fs/files.h"
#include "platform/text/text.h"

namespace {

namespace fs = std::filesystem;
using namespace qvbench;
using platform::text::formatInteger;

constexpr double kTargetSeconds = 1.0;
constexpr double kTargetPeakMB = 150.0;
constexpr int kPages = 40;

// The document whole: pages of text, and a structure tree whose elements
// bring the object count to `objects`.
bool writeWholeFile(int objects, bool losePageTree, bool inlinePictures, const fs::path& path) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
  std::vector<QPDFObjectHandle> pages;
  for (int p = 0; p < kPages; ++p) {
    std::string content = inlinePictures ? "q 24 0 0 24 500 740 cm BI /W 2 /H 2 /BPC 8 /CS /G ID \x10\x80\xc0\xff EI Q\n" : "";
    content += "BT /F1 9 Tf 11 TL 72 740 Td (Printed page " + formatInteger(p + 1) + ") Tj\n";
    for (int line = 0; line < 60; ++line)
      content += "(Line " + formatInteger(line + 1) + " of a page printed from a long web page, with words) '\n";
    content += "ET\n";
    QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>");
    QPDFObjectHandle resources = QPDFObjectHandle::parse("<< /Font << >> >>");
    resources.getKey("/Font").replaceKey("/F1", font);
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", pdf.newStream(content));
    page.replaceKey("/StructParents", QPDFObjectHandle::newInteger(p));
    pdf.addPage(pdf.makeIndirectObject(page), false);
    pages.push_back(pdf.getAllPages().back());
  }
  QPDFObjectHandle root = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /StructTreeRoot >>"));
  QPDFObjectHandle kids = QPDFObjectHandle::newArray();
  const int elements = std::max(0, objects - static_cast<int>(pdf.getObjectCount()) - 1);
  for (int k = 0; k < elements; ++k) {
    QPDFObjectHandle element = QPDFObjectHandle::parse("<< /S /P /K " + formatInteger(k % 60) + " >>");
    element.replaceKey("/P", root);
    element.replaceKey("/Pg", pages[static_cast<size_t>(k % kPages)]);
    kids.appendItem(pdf.makeIndirectObject(element));
  }
  root.replaceKey("/K", kids);
  pdf.getRoot().replaceKey("/StructTreeRoot", root);
  pdf.getRoot().replaceKey("/MarkInfo", QPDFObjectHandle::parse("<< /Marked true >>"));
  if (losePageTree) pdf.getRoot().getKey("/Pages").replaceKey("/Type", QPDFObjectHandle::newName("/Lost"));
  QPDFWriter writer(pdf, path.string().c_str());
  writer.setObjectStreamMode(qpdf_o_disable);
  writer.setCompressStreams(true);
  writer.write();
  return true;
}

// Breaks the cross-reference table (a third of its rows, each pointing a
// few bytes off, and nothing after them) and drops the trailer.
bool damage(const fs::path& whole, const fs::path& damaged) {
  const auto bytes = platform::fs::readFile(whole.string());
  if (!bytes) return false;
  const size_t xref = bytes->rfind("\nxref\n");
  if (xref == std::string::npos) return false;
  std::string out = bytes->substr(0, xref + 6);
  std::istringstream rows(bytes->substr(xref + 6));
  std::string header;
  std::getline(rows, header);
  out += header + "\n";
  const long count = std::atol(header.substr(header.find(' ') + 1).c_str());
  std::string row;
  for (long i = 0; i < count / 3 && std::getline(rows, row); ++i) {
    if (row.size() >= 10 && row.find(" n") != std::string::npos) {
      const long offset = std::atol(row.substr(0, 10).c_str()) + 7;
      std::string number = formatInteger(offset);
      row.replace(0, 10, std::string(10 - std::min<size_t>(10, number.size()), '0') + number);
    }
    out += row + "\n";
  }
  return platform::fs::writeFile(damaged.string(), out);
}

}  // namespace

int main(int argc, char** argv) {
  int objects = 65'000;
  std::vector<std::string> types{"pptx", "docx", "xlsx", "csv", "html", "rtf", "txt"};
  std::string keep;
  std::string pdfconvert = QV_PDFCONVERT_DEFAULT;
  std::string baseline;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--objects" && i + 1 < argc) {
      objects = std::max(1000, std::atoi(argv[++i]));
    } else if (a == "--types" && i + 1 < argc) {
      types = commaList(argv[++i]);
    } else if (readProgramOption(argc, argv, i, keep, pdfconvert, baseline)) {
    } else {
      std::cout << "Usage: bench_repair_damaged [--objects N] [--types pptx,docx,...] [--keep DIR] "
                   "[--pdfconvert PATH] [--baseline PATH]\n";
      return a == "-h" || a == "--help" ? 0 : 2;
    }
  }
  if (!programsRunnable({pdfconvert, baseline}, "bench_repair_damaged")) return 2;

  platform::fs::WorkFolder scratch;
  const fs::path folder = keep.empty() ? fs::path(scratch.path()) : fs::path(keep);
  fs::create_directories(folder);
  struct Made {
    std::string name;
    bool losePageTree;
    bool inlinePictures;
    fs::path file;
  };
  std::vector<Made> files{
      {"broken cross-reference table, no trailer", false, false, folder / "damaged.pdf"},
      {"the same, page tree lost too", true, false, folder / "damaged-no-page-tree.pdf"},
      {"the same, an inline picture on every page", false, true, folder / "damaged-inline-pictures.pdf"}};
  // Made in a child process, so that this one stays small: a program it
  // starts is charged with its memory until it runs.
  const Measured made = measured([&] {
    for (const Made& m : files) {
      const fs::path whole = folder / ("whole-" + m.file.filename().string());
      if (!writeWholeFile(objects, m.losePageTree, m.inlinePictures, whole) || !damage(whole, m.file)) return false;
      fs::remove(whole);
    }
    return true;
  });
  if (!made.ok) {
    std::cerr << "bench_repair_damaged: the damaged files cannot be made\n";
    return 2;
  }

  std::cout << "pdfconvert: " << pdfconvert << (baseline.empty() ? "" : ", baseline: " + baseline) << "\n";
  std::cout << "file\tMB\ttype\tours_s\tours_peak_MB" << (baseline.empty() ? "" : "\tbaseline_s\tbaseline_peak_MB")
            << "\tverdict\n";
  bool allMet = true;
  for (const Made& m : files) {
    const double mb = static_cast<double>(fs::file_size(m.file)) / 1048576.0;
    for (const std::string& type : types) {
      auto run = [&](const std::string& program) {
        const fs::path output = folder / ("out-" + type);
        fs::remove_all(output);
        const Measured r = measuredRun({program, "--to", type, m.file.string(), output.string()});
        fs::remove_all(output);
        return r;
      };
      const Measured ours = run(pdfconvert);
      const bool met = ours.ok && ours.seconds < kTargetSeconds && ours.peakMB < kTargetPeakMB;
      allMet = allMet && met;
      std::cout << m.name << "\t" << fixed(mb, 2) << "\t" << type << "\t"
                << (ours.ok ? fixed(ours.seconds, 3) : "failed") << "\t" << fixed(ours.peakMB, 1);
      if (!baseline.empty()) {
        const Measured before = run(baseline);
        std::cout << "\t" << (before.ok ? fixed(before.seconds, 3) : "failed") << "\t" << fixed(before.peakMB, 1);
      }
      std::cout << "\t" << (met ? "met" : "MISSED") << "\n";
    }
  }
  std::cout << "\ntargets: every conversion under " << fixed(kTargetSeconds, 0) << " s and " << fixed(kTargetPeakMB, 0)
            << " MB: " << (allMet ? "met" : "missed") << "\n";
  return 0;
}

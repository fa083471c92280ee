// The command-line driver as a user runs it.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/fs/files.h"
#include "platform/image/codecs.h"
#include "tests/platform/image_fixtures.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/support/pdf_damage.h"

extern char** environ;

#ifdef QV_PDFCONVERT

namespace {

namespace fs = std::filesystem;

struct Result {
  int exitCode = -1;
  bool exitedNormally = false;
  std::string output;
};

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

Result run(const std::string& arguments) {
  Result result;
  const std::string command = quoted(QV_PDFCONVERT) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> chunk;
  while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe)) result.output.append(chunk.data(), n);
  const int status = pclose(pipe);
  result.exitedNormally = WIFEXITED(status);
  result.exitCode = result.exitedNormally ? WEXITSTATUS(status) : -1;
  return result;
}

void makePages(const fs::path& path, int count) {
  qvtest::PdfBuilder b;
  for (int i = 0; i < count; ++i) b.addPage("0 0 m 10 10 l S");
  b.write(path);
}

TEST(PdfConvertTool, HelpDocumentsTheCommand) {
  const Result result = run("--help");
  EXPECT_EQ(result.exitCode, 0);
  for (const char* text : {"pdfconvert [--password PW] [--pages TEXT] --to EXT INPUT.pdf OUTPUT", "--password",
                           "--pages", "All Pages", "1-3,5", "--to", "docx pptx xlsx csv txt rtf html", "Exit status"})
    EXPECT_NE(result.output.find(text), std::string::npos) << text;
}

TEST(PdfConvertTool, UsageErrors) {
  EXPECT_EQ(run("").exitCode, 2);
  EXPECT_EQ(run("--to pdf a.pdf b.pdf").exitCode, 2);
  EXPECT_EQ(run("--to pptx a.pdf").exitCode, 2);
  EXPECT_EQ(run("--bogus --to pptx a.pdf b.pptx").exitCode, 2);
  EXPECT_EQ(run("--to").exitCode, 2);
}

TEST(PdfConvertTool, PrintsEachReportAndExitsByTheEnd) {
  qvtest::TempDir dir;
  makePages(dir.file("in.pdf"), 3);
  const Result ok = run("--pages '2,7' --to pptx " + quoted(dir.file("in.pdf")) + " " + quoted(dir.file("o.pptx")));
  EXPECT_EQ(ok.exitCode, 0) << ok.output;
  EXPECT_NE(ok.output.find("start\n"), std::string::npos) << ok.output;
  EXPECT_NE(ok.output.find("end: ok\n"), std::string::npos) << ok.output;

  const Result missing = run("--to pptx " + quoted(dir.file("none.pdf")) + " " + quoted(dir.file("o.pptx")));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("end: error 404 Source File isn't exist."), std::string::npos) << missing.output;
}

TEST(PdfConvertTool, RunsOnEveryCorpusFileWithoutACrash) {
  const auto files = qvtest::corpusFiles();
  if (files.empty()) GTEST_SKIP() << qvtest::noCorpus();
  qvtest::TempDir dir;
  for (const auto& file : files) {
    const std::string password = qvtest::corpusPassword(file);
    // Whether or not the build has an exporter for the type, every file must
    // open (with its password) and the run end without a crash or an error.
    const Result result = run((password.empty() ? "" : "--password " + quoted(password) + " ") + "--to csv " +
                              quoted(file.string()) + " " + quoted(dir.file(file.stem().string() + ".csv")));
    EXPECT_TRUE(result.exitedNormally) << file;
    EXPECT_EQ(result.exitCode, 0) << file << "\n" << result.output;
    EXPECT_NE(result.output.find("end: ok"), std::string::npos) << file << "\n" << result.output;
  }
}


// The driver links no TIFF library: fax-coded pictures open it when first met.
TEST(PdfConvertTool, AFaxCodedPictureComesOutAsItsPixels) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  const qvtest::images::Bilevel picture = qvtest::images::testBilevel(40, 18);
  auto image = b.stream(qvtest::images::encodeG4(picture),
                        "<< /Subtype /Image /Width 40 /Height 18 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                        "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 40 /Rows 18 >> >>");
  b.addPage("q 400 0 0 180 0 0 cm /Im1 Do Q", b.resources({{"XObject", {{"Im1", image}}}}));
  b.write(dir.file("fax.pdf"));
  const Result result = run("--to pptx " + quoted(dir.file("fax.pdf")) + " " + quoted(dir.file("fax.pptx")));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  qvtest::ZipPackage deck(dir.file("fax.pptx"));
  ASSERT_TRUE(deck.contains("ppt/media/image1.png"));
  const auto pixels = platform::image::decodePng(platform::image::asBytes(deck.data("ppt/media/image1.png")))
                          .converted(platform::image::PixelFormat::Gray8);
  ASSERT_EQ(pixels.width(), 40);
  ASSERT_EQ(pixels.height(), 18);
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(pixels.row(y)[x], picture.at(x, y) ? 0 : 255) << x << "," << y;
}

// A page drawn like text turned to outlines, with pictures besides: 300
// glyph-like paths of 33 elements each (too complex for a shape of a slide,
// so each becomes a picture), 60 small images of their own and one image
// under a clip.
void writePictureHeavyPage(const fs::path& path) {
  qvtest::PdfBuilder b;
  std::string content = "0.1 0.1 0.4 rg\n";
  for (int i = 0; i < 300; ++i) {
    const double cx = 40 + (i % 20) * 27, cy = 760 - (i / 20) * 24;
    content += std::to_string(cx + 8) + " " + std::to_string(cy) + " m\n";
    for (int k = 1; k <= 32; ++k) {
      const double angle = k * 3.14159265358979 / 16, radius = k % 2 ? 5.0 : 9.0;
      content += std::to_string(cx + radius * std::cos(angle)) + " " + std::to_string(cy + radius * std::sin(angle)) +
                 " l\n";
    }
    content += "h f\n";
  }
  qvtest::PdfBuilder::Dict images;
  for (int i = 0; i < 60; ++i) {
    std::string samples(6 * 6 * 3, '\0');
    for (size_t k = 0; k < samples.size(); ++k) samples[k] = static_cast<char>((k * 37 + i * 11) % 256);
    const std::string name = "Im" + std::to_string(i);
    images[name] = b.stream(samples, "<< /Subtype /Image /Width 6 /Height 6 /ColorSpace /DeviceRGB "
                                     "/BitsPerComponent 8 >>");
    content += "q 18 0 0 18 " + std::to_string(40 + (i % 20) * 27) + " " + std::to_string(40 + (i / 20) * 24) +
               " cm /" + name + " Do Q\n";
  }
  content += "q 300 150 100 100 re W n 200 0 0 200 250 100 cm /Im0 Do Q\n";
  b.addPage(content, b.resources({{"XObject", images}}));
  b.write(path);
}

// The files and folders a run of the driver creates (every successful call
// that makes a name), counted by strace; nullopt when strace cannot run.
std::optional<std::vector<std::string>> filesCreated(const std::string& arguments, const fs::path& log) {
  // The leak checker of a sanitizer build cannot run under strace.
  const std::string command = "ASAN_OPTIONS=\"${ASAN_OPTIONS}:detect_leaks=0\" strace -f -qq -o " + quoted(log.string()) +
                              " -e trace=open,openat,creat,mkdir,mkdirat,link,linkat,symlink,symlinkat"
                              " -e status=successful " +
                              quoted(QV_PDFCONVERT) + " " + arguments + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  std::ifstream in(log);
  std::vector<std::string> created;
  for (std::string line; std::getline(in, line);)
    for (const char* call : {"O_CREAT", "creat(", "mkdir", "link"})
      if (line.find(call) != std::string::npos) {
        created.push_back(line);
        break;
      }
  return created;
}

TEST(PdfConvertTool, HundredsOfPicturesOnAPageCreateAHandfulOfFiles) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  qvtest::TempDir dir;
  writePictureHeavyPage(dir.file("pictures.pdf"));
  makePages(dir.file("plain.pdf"), 1);
  for (const std::string type : {"pptx", "docx"}) {
    SCOPED_TRACE(type);
    std::map<std::string, std::vector<std::string>> created;
    for (const std::string input : {"pictures", "plain"}) {
      const auto files = filesCreated("--to " + type + " " + quoted(dir.file(input + ".pdf").string()) + " " +
                                          quoted(dir.file(input + "." + type).string()),
                                      dir.file(input + "." + type + ".strace"));
      ASSERT_TRUE(files) << input << ": the conversion failed";
      created[input] = *files;
    }
    std::string list;
    for (const std::string& line : created["pictures"]) list += line + "\n";
    // Pictures add no file of their own: the pages make as many as a page
    // without any.
    EXPECT_EQ(created["pictures"].size(), created["plain"].size()) << list;
    if (type == "pptx") EXPECT_LT(created["pictures"].size(), 20u) << list;
    qvtest::ZipPackage package(dir.file("pictures." + type));
    size_t pictures = 0;
    for (const std::string& name : package.entries())
      if (name.find("/media/") != std::string::npos) ++pictures;
    // The 300 outlines are one picture, in one part.
    EXPECT_GE(pictures, type == "pptx" ? 62u : 61u) << "every picture is in the package";
    if (type == "pptx") {
      const std::string& slide = package.data("ppt/slides/slide1.xml");
      size_t placed = 0;
      for (size_t at = slide.find("<p:pic>"); at != std::string::npos; at = slide.find("<p:pic>", at + 1)) ++placed;
      EXPECT_GE(placed, 361u) << "every picture is on the slide";
    }
  }
}

// The driver reads the source once: the page count the page list is read
// against and the conversion come from one opening (two openings held two
// copies of a file's objects, one in each thread's heap).
TEST(PdfConvertTool, TheSourceIsOpenedOnce) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  qvtest::TempDir dir;
  makePages(dir.file("pages.pdf"), 3);
  for (const std::string type : {"txt", "docx"}) {
    SCOPED_TRACE(type);
    const fs::path log = dir.file(type + ".strace");
    const std::string command = "ASAN_OPTIONS=\"${ASAN_OPTIONS}:detect_leaks=0\" strace -f -qq -o " +
                                quoted(log.string()) + " -e trace=open,openat -e status=successful " +
                                quoted(QV_PDFCONVERT) + " --to " + type + " " + quoted(dir.file("pages.pdf").string()) +
                                " " + quoted(dir.file("pages." + type).string()) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(log);
    std::string opens;
    for (std::string line; std::getline(in, line);)
      if (line.find("pages.pdf\"") != std::string::npos) opens += line + "\n";
    EXPECT_EQ(std::count(opens.begin(), opens.end(), '\n'), 1) << opens;
  }
}

// ---------------------------------------------------------------------------
// Damaged documents

// Pages showing PAGE-1, PAGE-2, ... in Helvetica.
std::string labelledPages(int count = 3, const qvtest::PdfEncryption& encryption = {}) {
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  auto resources = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  for (int n = 1; n <= count; ++n)
    b.addPage("BT /F1 24 Tf 72 700 Td (PAGE-" + std::to_string(n) + ") Tj ET", resources);
  return b.writeToString(encryption);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The text of the deck's slides, in order, one string per slide.
std::vector<std::string> slideTexts(const fs::path& deck) {
  std::vector<std::string> slides;
  qvtest::ZipPackage package(deck);
  for (int n = 1; package.contains("ppt/slides/slide" + std::to_string(n) + ".xml"); ++n) {
    std::string text;
    auto root = qvtest::parseXml(package.data("ppt/slides/slide" + std::to_string(n) + ".xml"));
    if (root)
      root->visit([&](const qvtest::XmlElement& e) {
        if (e.local == "t") text += e.text;
      });
    slides.push_back(text);
  }
  return slides;
}

TEST(PdfConvertTool, UnreadablePageIsReportedAndEveryOtherPageKeepsItsNumber) {
  qvtest::TempDir dir;
  const std::string intact = labelledPages();
  ASSERT_TRUE(platform::fs::writeFile(dir.file("in.pdf").string(),
                                      qvtest::withObjectBlanked(intact, qvtest::pageObjectNumber(intact, 2))));
  const Result all = run("--to pptx " + quoted(dir.file("in.pdf")) + " " + quoted(dir.file("all.pptx")));
  EXPECT_EQ(all.exitCode, 0) << all.output;
  EXPECT_TRUE(contains(all.output, "page 1 converted (position 1, 1 converted)\n")) << all.output;
  EXPECT_TRUE(contains(all.output, "page 2 failed: 401 Can't read the PDF Page.(2)\n")) << all.output;
  EXPECT_TRUE(contains(all.output, "page 3 converted (position 3, 2 converted)\n")) << all.output;
  EXPECT_EQ(slideTexts(dir.file("all.pptx")), (std::vector<std::string>{"PAGE-1", "PAGE-3"}));

  const Result third = run("--pages 3 --to pptx " + quoted(dir.file("in.pdf")) + " " + quoted(dir.file("3.pptx")));
  EXPECT_EQ(third.exitCode, 0) << third.output;
  EXPECT_EQ(slideTexts(dir.file("3.pptx")), std::vector<std::string>{"PAGE-3"});
}

// What the reader read for the pages converted so far is let go every few
// dozen pages, the document's fonts with it: a long document keeps every
// page's text, in its place.
TEST(PdfConvertTool, ALongDocumentKeepsEveryPageWhileWhatWasReadIsLetGo) {
  constexpr int kPages = 150;
  qvtest::TempDir dir;
  ASSERT_TRUE(platform::fs::writeFile(dir.file("long.pdf").string(), labelledPages(kPages)));
  const Result result = run("--to pptx " + quoted(dir.file("long.pdf")) + " " + quoted(dir.file("long.pptx")));
  EXPECT_EQ(result.exitCode, 0) << result.output;
  std::vector<std::string> expected;
  for (int n = 1; n <= kPages; ++n) expected.push_back("PAGE-" + std::to_string(n));
  EXPECT_EQ(slideTexts(dir.file("long.pptx")), expected);
}

TEST(PdfConvertTool, DocumentWithoutAReachablePageEndsWith405AndNoOutput) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::string intact = labelledPages();
  std::string noTree = qvtest::withObjectBlanked(intact, qvtest::pageTreeRootObjectNumber(intact));
  for (int n = 1; n <= 3; ++n) noTree = qvtest::withObjectBlanked(noTree, qvtest::pageObjectNumber(intact, n));
  // An encrypted file cut off before its trailer, whose key needs the file
  // identifier that was in it.
  qvtest::PdfEncryption rc4;
  rc4.kind = qvtest::PdfEncryption::RC4_128;
  rc4.ownerPassword = "owner";
  const std::string encrypted = labelledPages(3, rc4);
  const std::string single = labelledPages(1);
  const Case cases[] = {
      {"the only page lost", qvtest::withObjectBlanked(single, qvtest::pageObjectNumber(single, 1))},
      {"page tree and pages lost", noTree},
      {"encrypted and cut off", encrypted.substr(0, encrypted.rfind("\nxref") + 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qvtest::TempDir dir;
    ASSERT_TRUE(platform::fs::writeFile(dir.file("in.pdf").string(), c.bytes));
    const Result result = run("--to pptx " + quoted(dir.file("in.pdf")) + " " + quoted(dir.file("out.pptx")));
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_TRUE(contains(result.output, "end: error 405 Can't load the PDF Document.")) << result.output;
    EXPECT_FALSE(fs::exists(dir.file("out.pptx")));
  }
}

// ---------------------------------------------------------------------------
// Output paths that cannot take the document

std::vector<std::string> itemsIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PdfConvertTool, OutputThatIsTheInputIsRefusedAndTheInputKept) {
  qvtest::TempDir dir;
  const fs::path input = dir.file("a.pdf");
  makePages(input, 2);
  const std::string original = *platform::fs::readFile(input.string());
  fs::create_symlink(input, dir.file("link.pdf"));
  fs::create_hard_link(input, dir.file("hard.pdf"));
  fs::create_directory(dir.file("sub"));
  const std::string throughFolder = (dir.path() / "sub" / ".." / "a.pdf").string();
  for (const std::string& output :
       {input.string(), dir.file("link.pdf").string(), dir.file("hard.pdf").string(), throughFolder}) {
    SCOPED_TRACE(output);
    const Result result = run("--to pptx " + quoted(input) + " " + quoted(output));
    EXPECT_EQ(result.exitCode, 2) << result.output;
    EXPECT_TRUE(contains(result.output, "is the source file; nothing was written")) << result.output;
    EXPECT_FALSE(contains(result.output, "start")) << result.output;
    EXPECT_EQ(platform::fs::readFile(input.string()), original);
    EXPECT_EQ(itemsIn(dir.path()), (std::vector<std::string>{"a.pdf", "hard.pdf", "link.pdf", "sub"}));
  }
}

TEST(PdfConvertTool, OutputThatIsAFolderFailsAtTheStartSayingWhy) {
  qvtest::TempDir dir;
  makePages(dir.file("a.pdf"), 2);
  fs::create_directory(dir.file("out.pptx"));
  const Result result = run("--to pptx " + quoted(dir.file("a.pdf")) + " " + quoted(dir.file("out.pptx")));
  EXPECT_EQ(result.exitCode, 2) << result.output;
  EXPECT_TRUE(contains(result.output, "is a folder, not a file; nothing was written")) << result.output;
  EXPECT_FALSE(contains(result.output, "page 1")) << result.output;
  EXPECT_TRUE(fs::is_empty(dir.file("out.pptx")));
  EXPECT_EQ(itemsIn(dir.path()), (std::vector<std::string>{"a.pdf", "out.pptx"}));
}

TEST(PdfConvertTool, APageTextThatSelectsNoPageIsRefusedAndNothingIsWritten) {
  qvtest::TempDir dir;
  makePages(dir.file("a.pdf"), 2);
  fs::create_directory(dir.file("out"));
  // Letters, a range past the end, an empty range, numbers outside the document.
  for (const std::string pages : {"abc", "50-60", "-", "0,3"}) {
    SCOPED_TRACE(pages);
    const Result result =
        run("--pages " + quoted(pages) + " --to pptx " + quoted(dir.file("a.pdf")) + " " + quoted(dir.file("out") / "a.pptx"));
    EXPECT_EQ(result.exitCode, 2) << result.output;
    EXPECT_TRUE(contains(result.output, "--pages \"" + pages + "\" selects no page of " + dir.file("a.pdf").string() +
                                            " (2 pages); nothing was written"))
        << result.output;
    EXPECT_TRUE(fs::is_empty(dir.file("out"))) << itemsIn(dir.file("out")).front();
  }
}

// What the user typed is what is converted: a text the page list reads
// whole converts exactly its pages, in its order; one of which the list
// would skip something is refused, naming it, before anything is written.
TEST(PdfConvertTool, APageTextIsConvertedAsTypedOrRefusedNamingIt) {
  qvtest::TempDir dir;
  makePages(dir.file("a.pdf"), 6);
  struct Case {
    std::string pages;
    std::vector<int> converted;  // empty: refused
  };
  const Case cases[] = {
      {"5-", {5, 4, 3, 2, 1}}, {"-5", {1, 2, 3, 4, 5}}, {"2 - 4", {2, 3, 4}}, {"3,1,3", {3, 1, 3}},
      {"1 3", {}},             {"1;2", {}},             {"All Pages2-3", {}}, {"2,4x", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pages);
    const fs::path out = dir.file("out");
    fs::remove_all(out);
    fs::create_directory(out);
    const Result result =
        run("--pages " + quoted(c.pages) + " --to txt " + quoted(dir.file("a.pdf")) + " " + quoted(out / "a.txt"));
    if (c.converted.empty()) {
      EXPECT_EQ(result.exitCode, 2) << result.output;
      EXPECT_TRUE(contains(result.output, "--pages \"" + c.pages + "\" cannot be read: ")) << result.output;
      EXPECT_TRUE(fs::is_empty(out));
      continue;
    }
    EXPECT_EQ(result.exitCode, 0) << result.output;
    std::string expected;
    for (size_t i = 0; i < c.converted.size(); ++i)
      expected += "page " + std::to_string(c.converted[i]) + " converted (position " + std::to_string(i + 1) + ", " +
                  std::to_string(i + 1) + " converted)\n";
    EXPECT_TRUE(contains(result.output, "start\n" + expected + "will save\nend: ok\n")) << result.output;
    EXPECT_TRUE(fs::exists(out / "a.txt"));
  }
}

// An AES-256 password is prepared (SASLprep) before it is hashed, as the
// writer prepared it: a file locked with the prepared form opens with the
// password as the user types it, and with the prepared form itself.
TEST(PdfConvertTool, AnAes256PasswordOpensAsTypedBeforeItsPreparation) {
  qvtest::TempDir dir;
  makePages(dir.file("plain.pdf"), 1);
  const fs::path locked = dir.file("locked.pdf");
  ASSERT_EQ(std::system(("qpdf --encrypt SaSLprep owner 256 -- " + quoted(dir.file("plain.pdf")) + " " +
                         quoted(locked) + " 2>/dev/null")
                            .c_str()),
            0);
  const std::string typed = "S\xc2\xaaSL\xc2\xadprep";  // "SªSL", a soft hyphen, "prep"
  for (const std::string& password : {typed, std::string("SaSLprep")}) {
    const Result result = run("--password " + quoted(password) + " --to txt " + quoted(locked) + " " +
                              quoted(dir.file("out.txt")));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(contains(result.output, "page 1 converted")) << result.output;
  }
  const Result wrong = run("--password " + quoted("S\xc2\xaaSLprop") + " --to txt " + quoted(locked) + " " +
                           quoted(dir.file("wrong.txt")));
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_TRUE(contains(wrong.output, "end: error 405 Can't load the PDF Document.")) << wrong.output;
}

// Whatever private file an output is written through, it ends up with the
// permissions of any new file of the user's.
TEST(PdfConvertTool, EveryOutputGetsThePermissionsOfANewFileUnderTheUmask) {
  qvtest::TempDir dir;
  ASSERT_TRUE(platform::fs::writeFile(dir.file("in.pdf").string(), labelledPages(2)));
  const auto modeOf = [](const fs::path& path) { return static_cast<unsigned>(fs::status(path).permissions()) & 0777u; };
  for (const mode_t mask : {mode_t{022}, mode_t{027}}) {
    const mode_t previous = ::umask(mask);
    for (const std::string type : {"pptx", "docx", "xlsx", "csv", "txt", "rtf", "html"}) {
      SCOPED_TRACE(type + " under umask 0" + std::to_string(mask / 8) + std::to_string(mask % 8));
      const fs::path out = dir.file("out-" + std::to_string(mask) + "." + type);
      const Result result = run("--to " + type + " " + quoted(dir.file("in.pdf")) + " " + quoted(out));
      ASSERT_EQ(result.exitCode, 0) << result.output;
      if (type != "csv") {
        EXPECT_EQ(modeOf(out), 0666u & ~mask);
        continue;
      }
      // CSV is a folder of tables.
      EXPECT_EQ(modeOf(out), 0777u & ~mask);
      EXPECT_EQ(itemsIn(out), (std::vector<std::string>{"Table 1.csv", "Table 2.csv"}));
      for (const auto& table : fs::directory_iterator(out)) EXPECT_EQ(modeOf(table.path()), 0666u & ~mask);
    }
    ::umask(previous);
  }
}

// ---------------------------------------------------------------------------
// Interruption

// The driver in a child process whose output is read line by line while it
// runs.
class RunningTool {
 public:
  RunningTool(const std::vector<std::string>& arguments, const fs::path& temporaryFolder) {
    // Everything the child needs is made before the fork: between fork and
    // exec only async-signal-safe calls are allowed.
    std::vector<std::string> argv{QV_PDFCONVERT};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment{"TMPDIR=" + temporaryFolder.string()};
    for (char** e = environ; *e; ++e)
      if (std::string_view(*e).rfind("TMPDIR=", 0) != 0) environment.emplace_back(*e);
    std::vector<char*> args, envp;
    for (std::string& a : argv) args.push_back(a.data());
    for (std::string& e : environment) envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      dup2(fds[1], STDERR_FILENO);
      close(fds[0]);
      close(fds[1]);
      execve(args[0], args.data(), envp.data());
      _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return;
    }
    output_ = fdopen(fds[0], "r");
  }

  ~RunningTool() {
    if (output_) fclose(output_);
    if (pid_ > 0 && !waited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Reads until a line starting with `prefix` arrives; false at the end of
  // the output.
  bool waitForLine(const std::string& prefix) {
    std::array<char, 4096> line;
    while (output_ && fgets(line.data(), line.size(), output_)) {
      text_ += line.data();
      if (std::string(line.data()).rfind(prefix, 0) == 0) return true;
    }
    return false;
  }

  void signal(int number) { kill(pid_, number); }

  // Reads the rest of the output and waits for the end; the exit status, or
  // -1 when the child did not exit by itself.
  int finish() {
    waitForLine("\x01never");
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    waited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  bool started() const { return pid_ > 0 && output_; }
  const std::string& text() const { return text_; }

 private:
  pid_t pid_ = -1;
  FILE* output_ = nullptr;
  bool waited_ = false;
  std::string text_;
};

TEST(PdfConvertTool, InterruptionCancelsAndLeavesNothingBehind) {
  qvtest::TempDir dir;
  // Many pages, so that the conversion is far from its end when the signal
  // arrives after the first page.
  makePages(dir.file("in.pdf"), 2000);
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    const fs::path out = dir.file("out-" + std::to_string(signal)), tmp = dir.file("tmp-" + std::to_string(signal));
    fs::create_directories(out);
    fs::create_directories(tmp);
    RunningTool tool({"--to", "pptx", dir.file("in.pdf").string(), (out / "in.pptx").string()}, tmp);
    ASSERT_TRUE(tool.started());
    ASSERT_TRUE(tool.waitForLine("page 1 converted")) << tool.text();
    // The conversion is under way: its staging folder and work folder exist.
    EXPECT_FALSE(fs::is_empty(out));
    EXPECT_FALSE(fs::is_empty(tmp));
    tool.signal(signal);
    EXPECT_EQ(tool.finish(), 128 + signal) << tool.text();
    EXPECT_TRUE(contains(tool.text(), "end: error 406 Conversion has been canceled.")) << tool.text();
    EXPECT_TRUE(fs::is_empty(out)) << itemsIn(out).front();
    EXPECT_TRUE(fs::is_empty(tmp)) << itemsIn(tmp).front();
  }
}

}  // namespace

#endif

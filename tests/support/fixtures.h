#pragma once
// Shared helpers of the tests: the corpus of real PDFs, temporary folders,
// and PDFs built in the test with qpdf's writer API.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

namespace qvtest {

// The folder of real-world PDFs (QV_CORPUS_DIR, or the configured default).
std::filesystem::path corpusDir();
// Every *.pdf of the corpus, sorted by name.
std::vector<std::filesystem::path> corpusFiles();
// The password of a corpus file from its manifest ("" when none is needed).
std::string corpusPassword(const std::filesystem::path& file);
// Why a corpus test skips when the corpus folder holds no PDF, in one line
// that names the folder and how to get the files.
std::string noCorpus();
// Why a test of one named corpus file skips when that file is missing.
std::string missingCorpusFile(const std::filesystem::path& file);
// Why a corpus file cannot be converted at all, naming it: it does not open
// as a PDF, or it stays locked with its password from the manifest. Empty
// when it opens. The corpus tests report such a file as a failure (or skip
// it, one test per file) and go on with the others, so that a folder named
// by QV_CORPUS_DIR may hold files cut off or no PDF at all.
std::string corpusFileUnreadable(const std::filesystem::path& file);
// The corpus files as the values of a parameterised suite. With no corpus it
// is one empty path, on which the test skips with noCorpus(): the suite then
// shows in the run as skipped instead of vanishing from it.
std::vector<std::filesystem::path> corpusFilesOrNone();

// A fresh folder removed with everything in it when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path file(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Builds a PDF in memory with qpdf and writes it out.
//
//   PdfBuilder b;
//   auto font = b.standardFont("Helvetica");
//   b.addPage("BT /F1 12 Tf 72 720 Td (Hello) Tj ET", b.resources({{"Font", {{"F1", font}}}}));
//   b.write(dir.file("hello.pdf"));
struct PdfEncryption {
  enum Kind { None, RC4_40, RC4_128, AES_128, AES_256 } kind = None;
  std::string userPassword;
  std::string ownerPassword;
  bool allowPrint = true;
};

class PdfBuilder {
 public:
  using Dict = std::map<std::string, QPDFObjectHandle>;

  PdfBuilder();
  QPDF& qpdf() { return *qpdf_; }

  // Parses PDF object syntax ("<< /Type /Font >>", "[1 2 3]") into a direct object.
  QPDFObjectHandle parse(const std::string& text);
  // A new indirect stream with the given (unencoded) data and extra dictionary entries.
  QPDFObjectHandle stream(const std::string& data, const std::string& dictText = "<< >>");
  // A stream whose data is Flate-compressed when written.
  QPDFObjectHandle flateStream(const std::string& data, const std::string& dictText = "<< >>");
  // An indirect Type1 standard font dictionary.
  QPDFObjectHandle standardFont(const std::string& baseFont, const std::string& encoding = "WinAnsiEncoding");
  // A resources dictionary from categories of name → object.
  QPDFObjectHandle resources(const std::map<std::string, Dict>& categories);

  // Adds a page with one content stream. mediaBox as "[0 0 612 792]".
  QPDFObjectHandle addPage(const std::string& content, QPDFObjectHandle resources = QPDFObjectHandle(),
                           const std::string& mediaBox = "[0 0 612 792]");
  // Adds a page whose /Contents is an array of streams.
  QPDFObjectHandle addPageWithContents(const std::vector<std::string>& contents,
                                       QPDFObjectHandle resources = QPDFObjectHandle(),
                                       const std::string& mediaBox = "[0 0 612 792]");

  using Encryption = PdfEncryption;
  // Whether the writer compresses streams (default yes). Off, every stream is
  // written exactly as given: content streams appear in the file as written,
  // so that tests can find and damage them byte by byte, and pre-encoded or
  // deliberately broken data is kept. (On, Flate data is still kept as given,
  // but streams without a filter, or with others, may be re-encoded.)
  void setCompressStreams(bool compress) { compressStreams_ = compress; }
  // Writes the file; throws on failure.
  void write(const std::filesystem::path& path, const Encryption& encryption = {});
  std::string writeToString(const Encryption& encryption = {});

 private:
  std::unique_ptr<QPDF> qpdf_;
  bool compressStreams_ = true;
};

// Pages of pictures that cost much to convert:
// - a fax-like scan: one 1-bit image mask of 8,992 x 10,384 pixels over the
//   whole Letter page (lines of black "words" in a frame), Flate-coded;
// - one 200 x 200 JPEG (`jpegBytes`, a checked pattern) drawn 32 times, each
//   time under the same triangle clip in a grid, and once more unclipped.
void writeHugeImageMaskPdf(const std::filesystem::path& path);
void writeRepeatedJpegPdf(const std::filesystem::path& path, std::string* jpegBytes = nullptr);

// A composite font (Identity-H, or Identity-V for vertical writing) that
// embeds a TrueType file, with the advance widths and a ToUnicode map of the
// characters it is made for. Strings for it are the two-byte glyph codes of
// those characters:
//
//   auto f = embedTrueTypeFont(b, "/usr/share/fonts/.../DejaVuSans.ttf", U"abc");
//   b.addPage("BT /F1 12 Tf 72 700 Td <" + f.hex(U"cab") + "> Tj ET", b.resources({{"Font", {{"F1", f.font}}}}));
struct EmbeddedFont {
  QPDFObjectHandle font;
  std::map<char32_t, unsigned> glyphs;  // glyph index of each character
  std::map<char32_t, double> advances;  // horizontal advance, thousandths of the em

  // The hexadecimal codes of a text (characters the font was not made for
  // are left out).
  std::string hex(std::u32string_view text) const;
  // The text's horizontal advance at the font size.
  double advance(std::u32string_view text, double fontSize) const;
};
// Throws std::runtime_error when the file cannot be read or lacks a character.
EmbeddedFont embedTrueTypeFont(PdfBuilder& builder, const std::filesystem::path& file,
                               std::u32string_view characters, bool vertical = false);

// The words of a Thai and of an Arabic paragraph (in reading order), and
// the faces of fonts-thai-tlwg and fonts-arabeyes they are set in.
extern const std::vector<std::u32string> kThaiWords;
extern const std::vector<std::u32string> kArabicWords;
extern const char* const kThaiFaceFile;    // Norasi, a family of its own
extern const char* const kArabicFaceFile;  // named ae_AlArabiya, a family no machine has
// Adds a letter page filled with lines of the words, embedded from the
// face's file, at `size` points `leading` apart from the top margin to the
// bottom one, each line one string of the words that fill 468 points, line
// after line starting at another word, Arabic letters in the forms they
// join in. Right-to-left words are drawn as they are seen, each line set to
// the right margin. The font is named
// `fontName`, or after the file.
void addScriptPage(PdfBuilder& builder, const std::filesystem::path& face, const std::vector<std::u32string>& words,
                   double size, double leading, bool rightToLeft, const std::string& fontName = {});

}  // namespace qvtest

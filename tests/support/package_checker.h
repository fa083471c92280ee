#pragma once
// Checks that an Office Open XML package would open without a repair prompt:
// the zip itself, the content types, the relationships, every part's XML, and
// (for presentations) drawing-object ids and DrawingML values against the
// ranges of their schema types. Each check answers a list of problems, empty
// when the package is sound, so a test can print all of them at once:
//
//   EXPECT_THAT(qvtest::checkPresentationPackage(file), testing::IsEmpty());
//
// Also: LibreOffice headless conversion to PDF and page rendering, to see a
// package as a user would.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvtest {

// The entries of a zip archive, read whole with minizip.
class ZipPackage {
 public:
  // Throws std::runtime_error when the file is not a readable zip archive.
  explicit ZipPackage(const std::filesystem::path& file);

  // Entry names in archive order (directory entries included, ending in "/").
  const std::vector<std::string>& entries() const { return names_; }
  bool contains(std::string_view name) const { return data_.count(std::string(name)) != 0; }
  // The entry's bytes; empty for an unknown name.
  const std::string& data(std::string_view name) const;

 private:
  std::vector<std::string> names_;
  std::map<std::string, std::string> data_;
};

// A namespace-resolved XML element tree, for reading attributes of parts.
struct XmlAttribute {
  std::string uri;  // empty for an attribute without prefix
  std::string local;
  std::string qname;
  std::string value;  // entities decoded
};

struct XmlElement {
  std::string uri;
  std::string local;
  std::string qname;
  std::vector<XmlAttribute> attributes;
  std::vector<std::unique_ptr<XmlElement>> children;
  std::string text;  // character data directly inside, decoded
  const XmlElement* parent = nullptr;

  // The attribute with that local name and namespace (empty: no namespace).
  std::optional<std::string> attr(std::string_view local, std::string_view uri = {}) const;
  // Children with that local name (any namespace when uri is empty).
  std::vector<const XmlElement*> childrenNamed(std::string_view local, std::string_view uri = {}) const;
  // This element and every descendant, in document order.
  void visit(const std::function<void(const XmlElement&)>& fn) const;
};

// Parses a document; null with a message in *error when it is not
// well-formed (as far as this small reader can tell; see checkWellFormed).
std::unique_ptr<XmlElement> parseXml(std::string_view text, std::string* error = nullptr);

// Runs `xmllint --noout` over the documents (name → bytes); one problem per
// document that it rejects.
std::vector<std::string> checkWellFormed(const std::map<std::string, std::string>& documents);

// Open Packaging Conventions, for any package: no directory entries or
// duplicate names, a content type for every part and no override for a
// missing part, well-formed XML parts, relationship parts whose ids are
// unique and whose internal targets exist, relationship-id attributes that
// resolve, and a main-document relationship.
std::vector<std::string> checkOpcPackage(const ZipPackage& package);

// DrawingML values of one part against their schema ranges (lengths,
// coordinates, angles, percentages, font sizes, line widths, colours).
std::vector<std::string> checkDrawingMLRanges(const std::string& partName, const XmlElement& root);

// A presentation: the OPC checks, DrawingML ranges in every part, unique
// drawing-object ids per slide, layout and master, a text body with at least
// one paragraph, the slide list against the slide relationships and the
// slide count of the document properties, and the slide size range.
std::vector<std::string> checkPresentationPackage(const std::filesystem::path& file);

// A Word document: the OPC checks, a WordprocessingML body that ends with
// its one body-level section properties and holds nothing but body content,
// unique bookmark ids, column lists that match their count, and lengths and
// sizes inside what the office applications read.
std::vector<std::string> checkWordPackage(const std::filesystem::path& file);

// Whether LibreOffice (soffice) is installed.
bool officeAvailable();
// Converts the document to PDF with LibreOffice headless, with a private
// profile; the PDF path, or none when the conversion failed or timed out.
std::optional<std::filesystem::path> officeConvertToPdf(const std::filesystem::path& document,
                                                        const std::filesystem::path& outputFolder);
// Converts the workbooks to CSV with one LibreOffice call and a private
// profile, every sheet into a file of its own, "<stem>-<sheet name>.csv"
// (UTF-8, commas, cells as they are shown). Answers the workbooks LibreOffice
// read, mapped to their sheets' files in name order.
std::map<std::filesystem::path, std::vector<std::filesystem::path>> officeConvertWorkbooksToCsv(
    const std::vector<std::filesystem::path>& workbooks, const std::filesystem::path& outputFolder,
    int timeoutSeconds = 420);
// The number of pages of a PDF (pdfinfo); 0 when it cannot be read.
int pdfPageCount(const std::filesystem::path& pdf);

// A gray page image (0 black .. 255 white) rendered with pdftoppm.
struct GrayImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  // Pixels darker than the threshold inside the rectangle given as fractions
  // of the page (0..1 from the top left).
  int64_t inkIn(double left, double top, double right, double bottom, uint8_t threshold = 200) const;
  // The mean gray of the rectangle.
  double meanIn(double left, double top, double right, double bottom) const;
};
// Rendered in a scratch folder, with the user password when one is given.
std::optional<GrayImage> renderPdfPage(const std::filesystem::path& pdf, int page, int dpi,
                                       const std::string& password = {});

}  // namespace qvtest

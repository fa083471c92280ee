#pragma once
// Helpers of the Word output's tests: markup written by a piece of the
// writer, read back as a tree; text runs placed on a page; a document's
// package read back as its paragraphs and pages.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "docx/QVDocxRun.h"
#include "tests/support/package_checker.h"

class XMLFileWriter;

namespace docxtest {

namespace fs = std::filesystem;

inline constexpr const char* kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

// What `body` writes inside a root element that binds "w", as text and as a
// tree (the root's children are what body wrote).
std::string markup(const std::function<void(XMLFileWriter&)>& body);
std::unique_ptr<qvtest::XmlElement> markupTree(const std::function<void(XMLFileWriter&)>& body);

// The first descendant (or the element itself) with the local name; null
// when there is none.
const qvtest::XmlElement* find(const qvtest::XmlElement& e, std::string_view local);
// Every descendant with the local name, in document order.
std::vector<const qvtest::XmlElement*> findAll(const qvtest::XmlElement& e, std::string_view local);
// The w: attribute of an element ("" when it has none).
std::string wAttr(const qvtest::XmlElement* e, std::string_view local);

// An upright text run whose base line starts at (x, yBase) in display space,
// with an em box from the descent (0.2 below by default) to 0.8 of the size
// above the base line.
std::shared_ptr<QVDocxRunText> textRun(const std::string& text, double x, double yBase, double size, double width,
                                       uint64_t drawIndex = 0, double descent = -0.2);

// Converts every page of the PDF into the Word document at `output` through
// QVDocxPDFExporter, inside a private work folder, as the converter does.
// Answers the number of pages converted; throws what the exporter throws.
int convertToDocx(const fs::path& pdf, const fs::path& output, const std::string& password = {});

// A JPEG of stripes, 60 x 40 pixels.
std::string stripesJpeg();

// A page of 612 x 612 points as displayed: a white background, a filled
// rectangle with upright text drawn over it, two boxes stroked as one path,
// a hairline and a fill thinner than a point, a JPEG drawn twice (once cut
// by a clip path, with a quarter-turned label drawn over it, once whole),
// upright text, a string at 45 degrees and a mirrored string. `turned`
// draws it on a page with /Rotate 90, turned back so that it is seen the
// same way.
void writeFloatingObjectsPdf(const fs::path& path, bool turned);

// A Word package read back.
struct Document {
  explicit Document(const fs::path& docx);
  qvtest::ZipPackage package;
  std::unique_ptr<qvtest::XmlElement> body;  // w:body
  // The body's paragraphs and the text of each.
  std::vector<const qvtest::XmlElement*> paragraphs() const;
  static std::string textOf(const qvtest::XmlElement& paragraph);
  // The text of each page: the paragraphs between one page bookmark and the
  // next, one per line.
  std::vector<std::string> pageTexts() const;
  // Everything, one paragraph per line.
  std::string text() const;
};

}  // namespace docxtest

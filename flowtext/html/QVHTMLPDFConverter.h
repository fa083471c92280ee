#pragma once
// The HTML document of one conversion, and the HTML markup of its paragraphs
// and runs.
//
// While the pages are converted, each page writes its paragraphs into a body
// file, content.html, in the document's work folder: a paragraph element
// with a generated class for its left margin, font and colour, and spans with
// a generated class for each run's font, colour and underline, bold and
// italic as tags inside them. When the document ends the output file is
// written from scratch: the DOCTYPE and a comment, the head with the title
// (the output file's name without its extension, escaped), meta tags and the
// style block listing the classes the body uses, then the body, then the
// closing tags. A failure removes the output file and throws; the work folder
// is removed when the output is written, and after a failure or a cancel.
#include <cstdint>
#include <memory>
#include <string>

#include "convert/QVProductInfo.h"
#include "flowtext/QVFlowTextConverter.h"
#include "flowtext/QVFlowTextParagraph.h"
#include "flowtext/html/QVHTMLFileWriter.h"
#include "flowtext/html/QVHTMLState.h"

class QVHTMLPDFConverter : public QVFlowTextConverter, public QVFlowTextMarkup {
 public:
  // What the generator comment and meta tags name.
  static constexpr std::string_view kDisplayName = kQVApplicationName;
  static constexpr std::string_view kVersion = kQVApplicationVersion;

  QVHTMLPDFConverter(std::string outputPath, int64_t numOfPages, QVDocxConversionContext& context);
  ~QVHTMLPDFConverter() override;

  // Opens the body file and resets the style state.
  void begainWriteDocument() override;
  void packetDocxFile() override;

  // ---- The markup
  QVFlowTextFileWriter& bodyWriter() override;
  // A paragraph element; its left margin is its first run's left edge
  // (resolved again here) from the page's text margin.
  void writeNewLine(QVFlowParagraph& paragraph) override;
  void writeRun(const QVFlowRunText& run) override;
  void endPage() override;

  const QVHTMLState& htmlState() const { return state_; }
  // The output file's title: its name without the extension.
  static std::string titleForPath(const std::string& path);

 protected:
  std::unique_ptr<QVFlowTextPage> makePage(platform::Size pageSize, bool lastPage) override;

 private:
  void writeDocument(QVFlowTextFileWriter& out);

  std::unique_ptr<QVHTMLFileWriter> contentWriter_;
  std::string contentPath_;
  QVHTMLState state_;
};

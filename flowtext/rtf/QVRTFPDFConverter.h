#pragma once
// The RTF document of one conversion, and the RTF markup of its paragraphs
// and runs.
//
// While the pages are converted, each page writes its paragraphs into a body
// file, content.rtf, in the document's work folder: a paragraph mark with
// the paragraph's left indentation from the page's text margin, and before
// each run the font, face, size and colour control words that changed, then
// the run's escaped text. When the document ends the output file is written
// from scratch: the header, the font table and colour table the body used,
// an information group, the body (one empty paragraph when the pages gave
// none) and the closing brace. A failure removes
// the output file and throws; the work folder is removed when the output is
// written, and after a failure or a cancel.
#include <cstdint>
#include <memory>
#include <string>

#include "flowtext/QVFlowTextConverter.h"
#include "flowtext/QVFlowTextParagraph.h"
#include "flowtext/rtf/QVRTFFileWriter.h"
#include "flowtext/rtf/QVRTFState.h"

class QVRTFPDFConverter : public QVFlowTextConverter, public QVFlowTextMarkup {
 public:
  QVRTFPDFConverter(std::string outputPath, int64_t numOfPages, QVDocxConversionContext& context);
  ~QVRTFPDFConverter() override;

  // Opens the body file and resets the character state.
  void begainWriteDocument() override;
  void packetDocxFile() override;

  // ---- The markup
  QVFlowTextFileWriter& bodyWriter() override;
  // "\par\pard\liN ": the indentation as the layout left it, in twentieths
  // of a point from the page's text margin (never negative); a paragraph
  // that reads from the right is "\par\pard\rtlpar\qr\li0 ".
  void writeNewLine(QVFlowParagraph& paragraph) override;
  void writeRun(const QVFlowRunText& run) override;

  const QVRTFState& rtfState() const { return state_; }

 protected:
  std::unique_ptr<QVFlowTextPage> makePage(platform::Size pageSize, bool lastPage) override;

 private:
  void writeDocument(QVFlowTextFileWriter& out);

  std::unique_ptr<QVRTFFileWriter> contentWriter_;
  std::string contentPath_;
  QVRTFState state_;
  // The direction the body's characters were last given (\rtlch, \ltrch).
  bool rightToLeftText_ = false;
  // Whether the body holds a paragraph.
  bool wroteParagraph_ = false;
};

#include "flowtext/text/QVTextPDFConverter.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "flowtext/text/QVTextPage.h"
#include "platform/text/text.h"

QVTextPDFConverter::QVTextPDFConverter(std::string outputPath, int64_t numOfPages, QVDocxConversionContext& context)
    : QVFlowTextConverter(std::move(outputPath), numOfPages, context) {}

QVTextPDFConverter::~QVTextPDFConverter() { discardPartFile(); }

void QVTextPDFConverter::discardPartFile() {
  documentWriter_.reset();
  if (partPath_.empty()) return;
  std::error_code ec;
  std::filesystem::remove(partPath_, ec);
  partPath_.clear();
}

void QVTextPDFConverter::begainWriteDocument() {
  QVFlowTextConverter::begainWriteDocument();
  discardPartFile();
  textWritten_ = false;
  partPath_ = makePartFile();
  documentWriter_ = std::make_unique<QVFlowTextFileWriter>(partPath_, "    ", "\n");
}

std::unique_ptr<QVFlowTextPage> QVTextPDFConverter::makePage(platform::Size pageSize, bool lastPage) {
  return std::make_unique<QVTextPage>(*this, pageSize, lastPage, textWritten_);
}

QVFlowTextFileWriter& QVTextPDFConverter::bodyWriter() {
  if (!documentWriter_) throw std::logic_error("The text document is not open");
  return *documentWriter_;
}

void QVTextPDFConverter::writeNewLine(QVFlowParagraph&) { bodyWriter().writeLinebreak(); }

void QVTextPDFConverter::appendValidUtf8(std::string& out, std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    out.append(text);
    return;
  }
  out += platform::text::encodeUtf8(platform::text::decodeUtf8(text));
}

void QVTextPDFConverter::writeRun(const QVFlowRunText& run) {
  valid_.clear();
  appendValidUtf8(valid_, run.runText);
  bodyWriter().write(valid_);
}

void QVTextPDFConverter::packetDocxFile() {
  QVFlowTextFileWriter& writer = bodyWriter();
  writer.closeFile();
  commitPartFile(partPath_);
  partPath_.clear();
  documentWriter_.reset();
}

#include "flowtext/rtf/QVRTFPDFConverter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "convert/QVProductInfo.h"
#include "platform/text/text.h"

QVRTFPDFConverter::QVRTFPDFConverter(std::string outputPath, int64_t numOfPages, QVDocxConversionContext& context)
    : QVFlowTextConverter(std::move(outputPath), numOfPages, context) {}

QVRTFPDFConverter::~QVRTFPDFConverter() {
  // The body file goes before its folder does.
  contentWriter_.reset();
}

void QVRTFPDFConverter::begainWriteDocument() {
  QVFlowTextConverter::begainWriteDocument();
  contentWriter_.reset();
  contentPath_ = makeWorkFolder() + "/content.rtf";
  contentWriter_ = std::make_unique<QVRTFFileWriter>(contentPath_);
  state_.resetToDefault();
  rightToLeftText_ = false;
  wroteParagraph_ = false;
}

std::unique_ptr<QVFlowTextPage> QVRTFPDFConverter::makePage(platform::Size pageSize, bool lastPage) {
  return std::make_unique<QVFlowTextPage>(*this, pageSize, lastPage);
}

QVFlowTextFileWriter& QVRTFPDFConverter::bodyWriter() {
  if (!contentWriter_) throw std::logic_error("The RTF body is not open");
  return *contentWriter_;
}

void QVRTFPDFConverter::writeNewLine(QVFlowParagraph& paragraph) {
  QVFlowTextFileWriter& writer = bodyWriter();
  wroteParagraph_ = true;
  writer.write("\\par");
  writer.write("\\pard");
  if (paragraph.pProperty.bidi) {
    // A paragraph read from the right stands at the right edge: the page's
    // indentation from the left does not carry over to the right.
    writer.write("\\rtlpar\\qr\\li0 ");
    return;
  }
  const float indent = 20.0f * paragraph.pProperty.ind.left - 20.0f * paragraph.textMargin.left;
  // RTF's parameters are signed 16-bit numbers.
  const double twips = std::isfinite(indent) ? std::clamp(static_cast<double>(indent), 0.0, 32767.0) : 0.0;
  std::string words = "\\li";
  platform::text::appendFixed(words, twips, 0);
  writer.write(words);
  writer.write(" ");
}

void QVRTFPDFConverter::writeRun(const QVFlowRunText& run) {
  QVFlowTextFileWriter& writer = bodyWriter();
  const QVDocx_RPr& r = run.rProperty;
  QVRTFFontEntry font(std::string(QVDocx_FontNameText(r.rFonts.ascii)), static_cast<double>(r.sz) * 2.0);
  font.bold = r.b != 0;
  font.italic = r.i != 0;
  font.underline = r.u;
  if (r.rtl != rightToLeftText_) {
    writer.write(r.rtl ? "\\rtlch " : "\\ltrch ");
    rightToLeftText_ = r.rtl;
  }
  state_.writeFontAttributesIfNeed(font, writer);
  const auto unit = [](int32_t c) { return static_cast<double>(static_cast<float>(std::clamp(c, 0, 255)) / 255.0f); };
  QVRTFColorEntry color{unit(r.color.red), unit(r.color.green), unit(r.color.blue), 1.0};
  state_.writeForegroundColorAttributesIfNeed(color, writer);
  writer.writeContent(run.runText);
}

void QVRTFPDFConverter::packetDocxFile() {
  if (!contentWriter_) throw std::logic_error("The RTF document was not begun");
  contentWriter_->closeFile();
  writeOutputFile([](const std::string& path) { return std::make_unique<QVRTFFileWriter>(path); },
                  [this](QVFlowTextFileWriter& out) { writeDocument(out); });
  contentWriter_.reset();
  removeWorkFolder();
}

void QVRTFPDFConverter::writeDocument(QVFlowTextFileWriter& out) {
  out.write("{\\rtf1\\ansi\\mac\n");
  state_.writeRegistedFonts(out);
  state_.writeRegistedColors(out);
  out.write("{\\info\n");
  out.write("{\\doccomm Powered by " + std::string(kQVApplicationName) + " v" + std::string(kQVApplicationVersion) +
            " Brevanti Software Inc}\n");
  out.write("}\n");
  appendFile(out, contentPath_);
  // A document is at least one paragraph: readers refuse one without any
  // (pages of pictures and drawings only give no text).
  if (!wroteParagraph_) out.write("\\pard\\par");
  out.write("\n}");
}

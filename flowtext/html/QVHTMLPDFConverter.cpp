#include "flowtext/html/QVHTMLPDFConverter.h"

#include <filesystem>
#include <stdexcept>

#include "flowtext/html/QVHTMLCSS.h"

namespace {

// A font size in points as CSS pixels.
constexpr double kPixelsPerPoint = 1.2;

QVHTML_CSS_Color cssColor(const QVDocx_Color& c) {
  return {static_cast<int16_t>(c.red), static_cast<int16_t>(c.green), static_cast<int16_t>(c.blue),
          static_cast<int16_t>(c.alpha)};
}

}  // namespace

QVHTMLPDFConverter::QVHTMLPDFConverter(std::string outputPath, int64_t numOfPages, QVDocxConversionContext& context)
    : QVFlowTextConverter(std::move(outputPath), numOfPages, context) {}

QVHTMLPDFConverter::~QVHTMLPDFConverter() {
  // The body file goes before its folder does.
  contentWriter_.reset();
}

void QVHTMLPDFConverter::begainWriteDocument() {
  QVFlowTextConverter::begainWriteDocument();
  contentWriter_.reset();
  contentPath_ = makeWorkFolder() + "/content.html";
  contentWriter_ = std::make_unique<QVHTMLFileWriter>(contentPath_);
  state_.resetToDefault();
}

std::unique_ptr<QVFlowTextPage> QVHTMLPDFConverter::makePage(platform::Size pageSize, bool lastPage) {
  return std::make_unique<QVFlowTextPage>(*this, pageSize, lastPage);
}

QVFlowTextFileWriter& QVHTMLPDFConverter::bodyWriter() {
  if (!contentWriter_) throw std::logic_error("The HTML body is not open");
  return *contentWriter_;
}

void QVHTMLPDFConverter::writeNewLine(QVFlowParagraph& paragraph) {
  paragraph.resolveProperty();
  QVHTML_CSS_Paragraph css = QVHTMLUtilities::defaultCssParagraphProperty();
  const float left = paragraph.pProperty.ind.left - paragraph.textMargin.left;
  css.margin = {0, 0, 0, left < 0 ? 0.0f : left};
  const QVDocx_RPr& r = paragraph.rProperty;
  css.font.fontName = std::string(QVDocx_FontNameText(r.rFonts.ascii));
  css.font.fontSize = static_cast<float>(r.sz * kPixelsPerPoint);
  css.color = cssColor(r.color);
  state_.writeCSSParagraphBegain(QVHTMLCSSParagraph(css), bodyWriter(), paragraph.pProperty.bidi);
}

void QVHTMLPDFConverter::writeRun(const QVFlowRunText& run) {
  QVHTML_CSS_Span css = QVHTMLUtilities::defaultCssSpanProperty();
  const QVDocx_RPr& r = run.rProperty;
  css.font.fontName = std::string(QVDocx_FontNameText(r.rFonts.ascii));
  css.font.fontSize = static_cast<float>(r.sz * kPixelsPerPoint);
  css.fontWeight = r.b ? 1 : 0;
  css.fontStyle = r.i ? 1 : 0;
  css.textDecoration = r.u != 0 ? 1 : 0;
  css.color = cssColor(r.color);
  QVFlowTextFileWriter& writer = bodyWriter();
  state_.writeCSSCSSSpanBegain(QVHTMLCSSSpan(css), writer);
  writer.writeContent(run.runText);
}

void QVHTMLPDFConverter::endPage() { state_.endWriteParagraphTagsIfNeed(bodyWriter()); }

std::string QVHTMLPDFConverter::titleForPath(const std::string& path) {
  return std::filesystem::path(path).stem().string();
}

void QVHTMLPDFConverter::packetDocxFile() {
  if (!contentWriter_) throw std::logic_error("The HTML document was not begun");
  contentWriter_->closeFile();
  writeOutputFile([](const std::string& path) { return std::make_unique<QVHTMLFileWriter>(path); },
                  [this](QVFlowTextFileWriter& out) { writeDocument(out); });
  contentWriter_.reset();
  removeWorkFolder();
}

void QVHTMLPDFConverter::writeDocument(QVFlowTextFileWriter& out) {
  const std::string name(kDisplayName);
  const std::string version(kVersion);
  std::string head;
  head +=
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\" "
      "\"http://www.w3.org/TR/html4/strict.dtd\">\n";
  head += "<!--Powered by " + name + " " + version + " Brevanti Software Inc-->\n";
  head += "<html>\n<head>\n";
  head += "  <title>";
  QVHTMLFileWriter::appendEscaped(head, titleForPath(savedFilePath()));
  head += "</title>\n";
  head += "  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n";
  head += "  <meta http-equiv=\"Content-Style-Type\" content=\"text/css\">\n";
  head += "  <meta name=\"Generator\" content=\"" + name + "\">\n";
  head += "  <meta name=\"Version\" content=\"" + version + "\">\n";
  head += " <style type=\"text/css\">\n";
  out.write(head);
  state_.writeRegistedCSSParagraph(out);
  state_.writeRegistedCSSSpan(out);
  out.write(" </style>\n</head>\n<body>");
  appendFile(out, contentPath_);
  out.write("\n</body>\n</html>");
}

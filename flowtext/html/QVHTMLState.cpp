#include "flowtext/html/QVHTMLState.h"

#include "flowtext/QVFlowTextFileWriter.h"
#include "platform/text/text.h"

QVHTMLState::QVHTMLState() { resetToDefault(); }

void QVHTMLState::resetToDefault() {
  isParagraphWrited_ = false;
  isSpanWrited_ = false;
  paragraphs_.clear();
  paragraphIndex_.clear();
  spans_.clear();
  spanIndex_.clear();
}

int64_t QVHTMLState::_indexOfCSSParagraph(const QVHTMLCSSParagraph& entry) {
  const auto [it, added] = paragraphIndex_.try_emplace(entry.registryKey(), static_cast<int64_t>(paragraphs_.size()));
  if (added) paragraphs_.push_back(entry);
  return it->second;
}

int64_t QVHTMLState::_indexOfCSSSpan(const QVHTMLCSSSpan& entry) {
  const auto [it, added] = spanIndex_.try_emplace(entry.registryKey(), static_cast<int64_t>(spans_.size()));
  if (added) spans_.push_back(entry);
  return it->second;
}

void QVHTMLState::writeCSSParagraphBegain(const QVHTMLCSSParagraph& entry, QVFlowTextFileWriter& writer,
                                          bool rightToLeft) {
  endWriteParagraphTagsIfNeed(writer);
  tag_ = rightToLeft ? "\n<p dir=\"rtl\" class=\"p" : "\n<p class=\"p";
  platform::text::appendInteger(tag_, _indexOfCSSParagraph(entry));
  tag_ += "\">";
  writer.write(tag_);
  isParagraphWrited_ = true;
  cssParagraphUsed_ = entry.cssPProperty();
}

void QVHTMLState::writeCSSParagraphEnd(QVFlowTextFileWriter& writer) {
  if (!isParagraphWrited_) return;
  writer.write("</p>");
  isParagraphWrited_ = false;
}

void QVHTMLState::writeStyleTags(const QVHTML_CSS_Span& span, QVFlowTextFileWriter& writer) const {
  if (span.fontWeight != 0) writer.write("<b>");
  if (span.fontStyle != 0) writer.write("<i>");
}

void QVHTMLState::closeStyleTags(const QVHTML_CSS_Span& span, QVFlowTextFileWriter& writer) const {
  if (span.fontStyle != 0) writer.write("</i>");
  if (span.fontWeight != 0) writer.write("</b>");
}

void QVHTMLState::writeCSSCSSSpanBegain(const QVHTMLCSSSpan& entry, QVFlowTextFileWriter& writer) {
  const QVHTML_CSS_Span& n = entry.cssSpanProperty();
  if (isSpanWrited_ && QVHTMLUtilities::isCSSSpan(n, cssSpanUsed_)) {
    if ((n.fontWeight != 0) != (cssSpanUsed_.fontWeight != 0) || (n.fontStyle != 0) != (cssSpanUsed_.fontStyle != 0)) {
      closeStyleTags(cssSpanUsed_, writer);
      writeStyleTags(n, writer);
    }
    cssSpanUsed_ = n;
    return;
  }
  _writeCSSSpanEnd(writer);
  tag_ = "<span class=\"s";
  platform::text::appendInteger(tag_, _indexOfCSSSpan(entry));
  tag_ += "\">";
  writer.write(tag_);
  writeStyleTags(n, writer);
  isSpanWrited_ = true;
  cssSpanUsed_ = n;
}

void QVHTMLState::_writeCSSSpanEnd(QVFlowTextFileWriter& writer) {
  if (!isSpanWrited_) return;
  closeStyleTags(cssSpanUsed_, writer);
  writer.write("</span>");
  isSpanWrited_ = false;
}

void QVHTMLState::endWriteParagraphTagsIfNeed(QVFlowTextFileWriter& writer) {
  _writeCSSSpanEnd(writer);
  writeCSSParagraphEnd(writer);
}

void QVHTMLState::endWriteSpanTagsIfNeed(QVFlowTextFileWriter& writer) { _writeCSSSpanEnd(writer); }

void QVHTMLState::writeRegistedCSSParagraph(QVFlowTextFileWriter& writer) const {
  std::string line;
  for (size_t i = 0; i < paragraphs_.size(); ++i) {
    line = "    p.p";
    platform::text::appendInteger(line, static_cast<int64_t>(i));
    line += ' ';
    line += paragraphs_[i].cssStringFormat();
    line += '\n';
    writer.write(line);
  }
}

void QVHTMLState::writeRegistedCSSSpan(QVFlowTextFileWriter& writer) const {
  std::string line;
  for (size_t i = 0; i < spans_.size(); ++i) {
    line = "    span.s";
    platform::text::appendInteger(line, static_cast<int64_t>(i));
    line += ' ';
    line += spans_[i].cssStringFormat();
    line += '\n';
    writer.write(line);
  }
}

#pragma once
// The HTML style state of one conversion: numbers the paragraph and span
// classes in order of first use (p0, p1, ... and s0, s1, ..., one class per
// distinct record) and writes the opening and closing tags into the body
// while the pages write their paragraphs and runs.
//
// Tags always nest: a span opens as <span class="sN"><b><i> (bold and italic
// only when set) and closes in the reverse order; when bold or italic change
// inside a span of the same class, both are closed and what is needed is
// opened again. A new paragraph closes an open span and paragraph first.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "flowtext/html/QVHTMLCSS.h"

class QVFlowTextFileWriter;

class QVHTMLState {
 public:
  QVHTMLState();

  // A document begins: no classes, nothing open.
  void resetToDefault();

  void writeCSSParagraphBegain(const QVHTMLCSSParagraph& entry, QVFlowTextFileWriter& writer,
                               bool rightToLeft = false);
  void writeCSSParagraphEnd(QVFlowTextFileWriter& writer);
  void writeCSSCSSSpanBegain(const QVHTMLCSSSpan& entry, QVFlowTextFileWriter& writer);
  void _writeCSSSpanEnd(QVFlowTextFileWriter& writer);
  // Closes an open span, then an open paragraph.
  void endWriteParagraphTagsIfNeed(QVFlowTextFileWriter& writer);
  void endWriteSpanTagsIfNeed(QVFlowTextFileWriter& writer);

  // The class number of an entry, registering it when it is new.
  int64_t _indexOfCSSParagraph(const QVHTMLCSSParagraph& entry);
  int64_t _indexOfCSSSpan(const QVHTMLCSSSpan& entry);

  // The style-block lines of the registered classes.
  void writeRegistedCSSParagraph(QVFlowTextFileWriter& writer) const;
  void writeRegistedCSSSpan(QVFlowTextFileWriter& writer) const;

  bool isParagraphWrited() const { return isParagraphWrited_; }
  bool isSpanWrited() const { return isSpanWrited_; }
  size_t paragraphClassCount() const { return paragraphs_.size(); }
  size_t spanClassCount() const { return spans_.size(); }

 private:
  void writeStyleTags(const QVHTML_CSS_Span& span, QVFlowTextFileWriter& writer) const;
  void closeStyleTags(const QVHTML_CSS_Span& span, QVFlowTextFileWriter& writer) const;

  std::vector<QVHTMLCSSParagraph> paragraphs_;
  std::unordered_map<std::string, int64_t> paragraphIndex_;
  std::vector<QVHTMLCSSSpan> spans_;
  std::unordered_map<std::string, int64_t> spanIndex_;
  bool isParagraphWrited_ = false;
  QVHTML_CSS_Paragraph cssParagraphUsed_;
  bool isSpanWrited_ = false;
  QVHTML_CSS_Span cssSpanUsed_;
  std::string tag_;
};

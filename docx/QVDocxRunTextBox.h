#pragma once
// A closed text box of the page: its frame and its paragraphs. It floats on
// the page in front of the text; the page anchors it in its first paragraph.
#include <vector>

#include "docx/QVDocxParagraph.h"
#include "docx/QVDocxRun.h"
#include "docx/QVDocxTextBoxInfo.h"

class QVDocxRunTextBox : public QVDocxRunPict {
 public:
  // The area the box takes on the page: where (displayX, displayY) sits on
  // it depends on the direction of its text (the top-right corner for 90
  // degrees, the bottom-left corner for 270, else the top-left corner).
  static platform::Rect textBoxRect(const QVDocxTextBoxInfo& info);
  // The box's area, so that a picture it covers stays below it.
  platform::Rect displayRect() const override;
  // w:r with its w:rPr and a w:pict holding the VML text box.
  void writeWithXMLWriter(XMLFileWriter& writer) const override;
  void _writeTextBox(XMLFileWriter& writer) const;
  void _writeParagraphs(XMLFileWriter& writer) const;

  QVDocxTextBoxInfo pictInfo;
  std::vector<QVDocxParagraph> paragraphArray;
};

#pragma once
// A closed text box of the page: its frame and its paragraphs. It floats on
// the page in front of the text; the page anchors it in its first paragraph.
#include <vector>

#include "docx/QVDocxParagraph.h"
#include "docx/QVDocxRun.h"
#include "docx/QVDocxTextBoxInfo.h"

class QVDocxRunTextBox : public QVDocxRunPict {
 public:
  QVDocxTextBoxInfo pictInfo;
  std::vector<QVDocxParagraph> paragraphArray;
};

#pragma once
// The text of a page: an absolutely placed, unfilled, unlined box of
// paragraphs that grows with its text.
#include "pptx/QVPPTXShape.h"
#include "pptx/QVPPTXTextBoxInfo.h"

class QVPPTXTextbox : public QVPPTXShape {
 public:
  QVPPTXTextbox() : QVPPTXShape(kTextBox) {}

  QVPPTXTextBoxInfo spInfo;

 protected:
  void write_nvSpPr() override;
  void write_spPr() override;
  void write_txBody() override;
};

#pragma once
// A paragraph of slide text: runs in text order and one paragraph-property
// record.
#include <vector>

#include "pptx/QVPPTXRun.h"
#include "pptx/QVPPTXTextProperties.h"

class XMLFileWriter;

class QVPPTXParagraph {
 public:
  QVPPTXParagraph();

  std::vector<QVPPTXRun> textRuns;
  QVPPTX_PPr pProperty;

  // The last run, or null when there is none. The pointer stays valid until
  // textRuns changes.
  QVPPTXRun* lastRunText();
  const QVPPTXRun* lastRunText() const;
  // The sum of the runs' widths.
  double textWidth() const;
  // Writes a:p with its a:pPr and runs; a paragraph without runs writes
  // nothing. The left margin and line spacing are written inside their schema
  // ranges (a negative margin or spacing becomes 0).
  void writeParagraphWithXMLWriter(XMLFileWriter& writer) const;
};

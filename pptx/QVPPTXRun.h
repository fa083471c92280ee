#pragma once
// A stretch of slide text that shares one run-property record.
#include <cstdint>
#include <string>

#include "pptx/QVPPTXTextProperties.h"

class XMLFileWriter;

class QVPPTXRun {
 public:
  QVPPTXRun();

  // Sequence number the exporter gives each new run; never written.
  uint64_t drawIndex = 0;
  // Advance of the text in display points, accumulated by the exporter.
  double textWidth = 0;
  double spaceWidth = 0;
  // The run's characters, UTF-8.
  std::string text;
  QVPPTX_RunPr rProperty;

  // Writes a:r with its a:rPr and a:t. The font size is kept inside the
  // DrawingML range (1 to 4000 points).
  void writeRunWithXMLWriter(XMLFileWriter& writer) const;
};

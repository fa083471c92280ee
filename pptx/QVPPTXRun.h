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

  // The least share of its size a run of complex-script text is set at.
  static constexpr double kLeastComplexShare = 0.5;
  // A run of complex-script text (Thai, Arabic, ...) names the face of its
  // script in its complex-script slot (QVPDF_ComplexScriptFamily of the
  // font's own family there), and is set smaller when that face, and the
  // Latin one for its other characters, as this machine has them, set the
  // text wider than the page shows it: the box then keeps its line to the
  // page's width instead of reaching over its neighbours.
  void fitComplexScript();
  // Writes a:r with its a:rPr and a:t. The font size is kept inside the
  // DrawingML range (1 to 4000 points).
  void writeRunWithXMLWriter(XMLFileWriter& writer) const;
};

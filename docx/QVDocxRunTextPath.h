#pragma once
// A closed text path of the page: its line and its text, set in the run
// properties of its first string. The page keeps it among its shapes. It is
// written as a VML word-art shape, turned and mirrored by its style.
#include <string>

#include "docx/QVDocxRun.h"
#include "docx/QVDocxTextPathInfo.h"

class QVDocxRunTextPath : public QVDocxRunPict {
 public:
  // w:r with its w:rPr and a w:pict holding the word-art shape.
  void writeWithXMLWriter(XMLFileWriter& writer) const override;
  void _writeTextPath(XMLFileWriter& writer) const;

  QVDocxTextPathInfo pictInfo;
  std::string runText;
};

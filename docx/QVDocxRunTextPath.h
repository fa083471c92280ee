#pragma once
// A closed text path of the page: its line and its text, set in the run
// properties of its first string. The page keeps it among its shapes.
#include <string>

#include "docx/QVDocxRun.h"
#include "docx/QVDocxTextPathInfo.h"

class QVDocxRunTextPath : public QVDocxRunPict {
 public:
  QVDocxTextPathInfo pictInfo;
  std::string runText;
};

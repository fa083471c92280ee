#pragma once
// Defaults of the slide text records and the presentation template parts that
// are compiled into the program.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pptx/QVPPTXTextProperties.h"

class QVPPTXUtilities {
 public:
  // wrap "none", insets 0, rtlCol 0, anchor "ctr".
  static QVPPTX_TxBodyPr defaultTextBodyProperty();
  // marL 0, lnSpc 0, tab {0, "l"}, algn "ctr", end mark {"zh-CN", "en-US"}.
  static QVPPTX_PPr defaultPProperty();
  // "en-US" / "zh-CN", dirty 0, smtClean 0, Latin and complex-script font
  // {"Times New Roman", "18", "0"}; size 0 and no colour until set.
  static QVPPTX_RunPr defaultRunProperty();

  // A template part by file name ("theme1.xml", "slideMaster1.xml",
  // "slideLayout1.xml" ... "slideLayout11.xml"); none for an unknown name.
  static std::optional<std::span<const unsigned char>> templatePart(std::string_view name);
  // The package thumbnail: a small JPEG of an empty white 4:3 slide, encoded
  // when the package is written. Throws when the encoder fails.
  static std::string thumbnailJPEG();
};

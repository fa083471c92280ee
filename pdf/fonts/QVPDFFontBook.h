#pragma once
// The font-name list "FontBook": common font families and their faces
// (PostScript name and full name), compiled into the program.
#include <string>
#include <string_view>
#include <vector>

class QVPDFFontBook {
 public:
  struct Face {
    std::string postScriptName;
    std::string fullName;
    std::u32string postScriptKey;  // postScriptName as the fuzzy score compares it
  };
  struct Family {
    std::string name;
    std::vector<Face> faces;
    std::u32string key;  // name as the fuzzy score compares it
  };

  // The compiled-in list, read once; nullptr when the program carries none.
  static const QVPDFFontBook* shared();

  // Reads the list's text: a line at the left margin names a family; each
  // indented line below it is a face, its PostScript name and (after white
  // space) its full name; lines starting with # are comments.
  static QVPDFFontBook parse(std::string_view text);

  const std::vector<Family>& families() const { return families_; }

 private:
  std::vector<Family> families_;
};

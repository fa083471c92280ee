#pragma once
// Helpers of the presentation tests: write one slide element into a small
// document and read it back as an element tree.
#include <functional>
#include <memory>
#include <string>

#include "tests/support/package_checker.h"

class XMLFileWriter;

namespace pptxtest {

inline constexpr const char* kA = "http://schemas.openxmlformats.org/drawingml/2006/main";
inline constexpr const char* kP = "http://schemas.openxmlformats.org/presentationml/2006/main";
inline constexpr const char* kR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

struct Fragment {
  std::string xml;                             // the whole document as written
  std::unique_ptr<qvtest::XmlElement> root;    // p:root holding what was written

  // The first element with that local name (document order), or null.
  const qvtest::XmlElement* find(const std::string& local) const;
  // Every element with that local name.
  std::vector<const qvtest::XmlElement*> findAll(const std::string& local) const;
};

// Binds a, r and p, starts a p:root element, lets `body` write into it and
// ends the document.
Fragment writeFragment(const std::function<void(XMLFileWriter&)>& body);

}  // namespace pptxtest

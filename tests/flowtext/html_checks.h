#pragma once
// Reading an HTML output as a browser would: its element nesting, the classes its style block declares and its body uses,
// and xmllint's verdict.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace htmltest {

// Problems of element nesting in the body (an end tag that does not close
// the innermost open element, elements left open); empty when every tag nests.
std::vector<std::string> nestingProblems(const std::string& html);
// Class names declared in the style block ("p0", "s3", ...).
std::set<std::string> declaredClasses(const std::string& html);
// Class names the body uses.
std::set<std::string> usedClasses(const std::string& html);
// xmllint --html --noout's messages ("" when it has none).
std::string xmllintMessages(const std::filesystem::path& file);
bool xmllintAvailable();

}  // namespace htmltest

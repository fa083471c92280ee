#include "tests/flowtext/html_checks.h"

#include <cstdlib>
#include <regex>

#include "tests/support/command_run.h"
#include "tests/support/text_coverage.h"

namespace htmltest {

namespace {

std::string body(const std::string& html) {
  const size_t start = html.find("<body>");
  const size_t end = html.rfind("</body>");
  if (start == std::string::npos || end == std::string::npos || end < start) return {};
  return html.substr(start + 6, end - start - 6);
}

std::set<std::string> matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> out;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) out.insert((*it)[1].str());
  return out;
}

}  // namespace


std::vector<std::string> nestingProblems(const std::string& html) {
  std::vector<std::string> problems;
  std::vector<std::string> open;
  static const std::regex kTag("<(/?)([a-zA-Z]+)[^>]*>");
  const std::string b = body(html);
  for (std::sregex_iterator it(b.begin(), b.end(), kTag), end; it != end; ++it) {
    const std::string name = (*it)[2].str();
    if (name == "br") continue;
    if ((*it)[1].length() == 0) {
      open.push_back(name);
    } else if (open.empty() || open.back() != name) {
      problems.push_back("</" + name + "> at " + std::to_string(it->position()) + " closes " +
                         (open.empty() ? std::string("nothing") : "<" + open.back() + ">"));
      if (problems.size() > 5) break;
    } else {
      open.pop_back();
    }
  }
  for (const std::string& name : open) problems.push_back("<" + name + "> left open");
  return problems;
}

std::set<std::string> declaredClasses(const std::string& html) {
  const size_t start = html.find("<style");
  const size_t end = html.find("</style>");
  if (start == std::string::npos || end == std::string::npos) return {};
  static const std::regex kRule(R"((?:p|span)\.([ps][0-9]+) \{)");
  return matches(html.substr(start, end - start), kRule);
}

std::set<std::string> usedClasses(const std::string& html) {
  static const std::regex kUse("class=\"([ps][0-9]+)\"");
  return matches(body(html), kUse);
}

bool xmllintAvailable() { return std::system("command -v xmllint > /dev/null 2>&1") == 0; }

std::string xmllintMessages(const std::filesystem::path& file) {
  const qvtest::CommandResult r = qvtest::runCommand("xmllint --html --noout " + qvtest::shellQuote(file.string()));
  if (r.exitCode != 0 && r.output.empty()) return "xmllint failed";
  return r.output;
}

}  // namespace htmltest

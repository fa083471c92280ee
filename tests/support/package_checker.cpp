#include "tests/support/package_checker.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include <minizip/unzip.h>

#include "tests/support/text_coverage.h"

namespace qvtest {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRelationshipsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kContentTypesNs = "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr std::string_view kOfficeRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kDrawingMLNs = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr std::string_view kPresentationMLNs = "http://schemas.openxmlformats.org/presentationml/2006/main";
constexpr std::string_view kExtendedPropertiesNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";
constexpr std::string_view kRelOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr std::string_view kRelSlide = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide";
constexpr uint64_t kMaxEntrySize = 512ull << 20;

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool endsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// ---------------------------------------------------------------- XML reader

class XmlReader {
 public:
  explicit XmlReader(std::string_view text) : s_(text) {}

  std::unique_ptr<XmlElement> parse(std::string* error) {
    try {
      skipProlog();
      if (pos_ >= s_.size() || s_[pos_] != '<') fail("no root element");
      auto root = parseElement(nullptr, {{"xml", "http://www.w3.org/XML/1998/namespace"}});
      skipMisc();
      if (pos_ != s_.size()) fail("content after the root element");
      return root;
    } catch (const std::runtime_error& e) {
      if (error) *error = e.what();
      return nullptr;
    }
  }

 private:
  using Namespaces = std::map<std::string, std::string>;

  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error(what + " at offset " + std::to_string(pos_));
  }

  bool startsWith(std::string_view token) const { return s_.substr(pos_, token.size()) == token; }

  void skipSpace() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r')) ++pos_;
  }

  void skipPast(std::string_view end) {
    const size_t at = s_.find(end, pos_);
    if (at == std::string_view::npos) fail("unterminated markup");
    pos_ = at + end.size();
  }

  void skipMisc() {
    for (;;) {
      skipSpace();
      if (startsWith("<!--")) skipPast("-->");
      else if (startsWith("<?")) skipPast("?>");
      else return;
    }
  }

  void skipProlog() {
    if (startsWith("\xEF\xBB\xBF")) pos_ += 3;
    skipMisc();
    if (startsWith("<!DOCTYPE")) fail("document type declarations are not allowed in packages");
  }

  static bool nameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
  }

  std::string name() {
    const size_t start = pos_;
    while (pos_ < s_.size() && nameChar(s_[pos_])) ++pos_;
    if (pos_ == start) fail("name expected");
    return std::string(s_.substr(start, pos_ - start));
  }

  std::string decode(std::string_view raw) const {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '<') fail("'<' in character data or attribute value");
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      const size_t semi = raw.find(';', i);
      if (semi == std::string_view::npos) fail("unterminated entity");
      const std::string_view entity = raw.substr(i + 1, semi - i - 1);
      if (entity == "lt") out += '<';
      else if (entity == "gt") out += '>';
      else if (entity == "amp") out += '&';
      else if (entity == "quot") out += '"';
      else if (entity == "apos") out += '\'';
      else if (!entity.empty() && entity[0] == '#') {
        const bool hex = entity.size() > 1 && entity[1] == 'x';
        const std::string digits(entity.substr(hex ? 2 : 1));
        char* end = nullptr;
        const unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
        if (digits.empty() || *end || cp == 0 || cp > 0x10FFFF) fail("bad character reference");
        appendUtf8(out, static_cast<char32_t>(cp));
      } else {
        fail("unknown entity &" + std::string(entity) + ";");
      }
      i = semi;
    }
    return out;
  }

  static void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  static void splitQName(const std::string& qname, std::string& prefix, std::string& local) {
    const size_t colon = qname.find(':');
    if (colon == std::string::npos) {
      prefix.clear();
      local = qname;
    } else {
      prefix = qname.substr(0, colon);
      local = qname.substr(colon + 1);
    }
  }

  std::unique_ptr<XmlElement> parseElement(const XmlElement* parent, Namespaces namespaces) {
    if (++depth_ > 256) fail("elements nested too deeply");
    ++pos_;  // '<'
    auto element = std::make_unique<XmlElement>();
    element->parent = parent;
    element->qname = name();
    struct RawAttribute {
      std::string qname, value;
    };
    std::vector<RawAttribute> raw;
    bool empty = false;
    for (;;) {
      skipSpace();
      if (pos_ >= s_.size()) fail("unterminated start tag");
      if (startsWith("/>")) {
        pos_ += 2;
        empty = true;
        break;
      }
      if (s_[pos_] == '>') {
        ++pos_;
        break;
      }
      RawAttribute a;
      a.qname = name();
      skipSpace();
      if (pos_ >= s_.size() || s_[pos_] != '=') fail("'=' expected after attribute " + a.qname);
      ++pos_;
      skipSpace();
      if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) fail("quoted attribute value expected");
      const char quote = s_[pos_++];
      const size_t end = s_.find(quote, pos_);
      if (end == std::string_view::npos) fail("unterminated attribute value");
      a.value = decode(s_.substr(pos_, end - pos_));
      pos_ = end + 1;
      for (const RawAttribute& other : raw)
        if (other.qname == a.qname) fail("repeated attribute " + a.qname);
      raw.push_back(std::move(a));
    }
    for (const RawAttribute& a : raw) {
      if (a.qname == "xmlns") namespaces[""] = a.value;
      else if (a.qname.rfind("xmlns:", 0) == 0) namespaces[a.qname.substr(6)] = a.value;
    }
    std::string prefix;
    splitQName(element->qname, prefix, element->local);
    auto ns = namespaces.find(prefix);
    if (ns == namespaces.end()) {
      if (!prefix.empty()) fail("unbound prefix " + prefix);
    } else {
      element->uri = ns->second;
    }
    std::set<std::pair<std::string, std::string>> seen;
    for (const RawAttribute& a : raw) {
      if (a.qname == "xmlns" || a.qname.rfind("xmlns:", 0) == 0) continue;
      XmlAttribute attribute;
      attribute.qname = a.qname;
      attribute.value = a.value;
      splitQName(a.qname, prefix, attribute.local);
      if (!prefix.empty()) {
        auto bound = namespaces.find(prefix);
        if (bound == namespaces.end()) fail("unbound attribute prefix " + prefix);
        attribute.uri = bound->second;
      }
      if (!seen.insert({attribute.uri, attribute.local}).second) fail("repeated attribute " + a.qname);
      element->attributes.push_back(std::move(attribute));
    }
    if (!empty) {
      for (;;) {
        const size_t lt = s_.find('<', pos_);
        if (lt == std::string_view::npos) fail("unterminated element " + element->qname);
        element->text += decode(s_.substr(pos_, lt - pos_));
        pos_ = lt;
        if (startsWith("</")) {
          pos_ += 2;
          const std::string closing = name();
          if (closing != element->qname) fail("end tag " + closing + " does not match " + element->qname);
          skipSpace();
          if (pos_ >= s_.size() || s_[pos_] != '>') fail("'>' expected");
          ++pos_;
          break;
        }
        if (startsWith("<!--")) {
          skipPast("-->");
        } else if (startsWith("<![CDATA[")) {
          const size_t start = pos_ + 9;
          skipPast("]]>");
          element->text += std::string(s_.substr(start, pos_ - 3 - start));
        } else if (startsWith("<?")) {
          skipPast("?>");
        } else {
          element->children.push_back(parseElement(element.get(), namespaces));
        }
      }
    }
    --depth_;
    return element;
  }

  std::string_view s_;
  size_t pos_ = 0;
  int depth_ = 0;
};

// ---------------------------------------------------------- part names

// The folder of a part ("/ppt/slides/slide1.xml" → "/ppt/slides").
std::string folderOf(const std::string& partName) {
  const size_t slash = partName.rfind('/');
  return slash == std::string::npos || slash == 0 ? "" : partName.substr(0, slash);
}

// Resolves a relative reference against a folder; part names start with "/".
std::string resolveTarget(const std::string& baseFolder, const std::string& target) {
  std::vector<std::string> segments;
  auto push = [&segments](const std::string& path) {
    std::stringstream s(path);
    std::string segment;
    while (std::getline(s, segment, '/')) {
      if (segment.empty() || segment == ".") continue;
      if (segment == "..") {
        if (!segments.empty()) segments.pop_back();
      } else {
        segments.push_back(segment);
      }
    }
  };
  if (target.empty() || target[0] != '/') push(baseFolder);
  std::string path = target;
  const size_t fragment = path.find_first_of("#?");
  if (fragment != std::string::npos) path.resize(fragment);
  push(path);
  std::string out;
  for (const std::string& segment : segments) out += "/" + segment;
  return out;
}

// The relationships part of a part ("/ppt/slides/slide1.xml" →
// "/ppt/slides/_rels/slide1.xml.rels"; the package → "/_rels/.rels").
std::string relsPartOf(const std::string& partName) {
  if (partName.empty() || partName == "/") return "/_rels/.rels";
  const size_t slash = partName.rfind('/');
  return partName.substr(0, slash) + "/_rels/" + partName.substr(slash + 1) + ".rels";
}

// The source part of a relationships part; "/" for the package.
std::optional<std::string> sourceOfRels(const std::string& relsPart) {
  const size_t slash = relsPart.rfind('/');
  const std::string folder = relsPart.substr(0, slash);
  const std::string file = relsPart.substr(slash + 1);
  if (!endsWith(folder, "/_rels") && folder != "/_rels") return std::nullopt;
  if (!endsWith(file, ".rels")) return std::nullopt;
  const std::string sourceFolder = folder.substr(0, folder.size() - 6);
  const std::string sourceFile = file.substr(0, file.size() - 5);
  if (sourceFile.empty()) return sourceFolder.empty() ? std::optional<std::string>("/") : std::nullopt;
  return sourceFolder + "/" + sourceFile;
}

bool isXmlPart(const std::string& name) { return endsWith(lower(name), ".xml") || endsWith(lower(name), ".rels"); }

struct RelationshipEntry {
  std::string id;
  std::string type;
  std::string target;  // resolved part name, or the raw target when external
  bool external = false;
};

// ----------------------------------------------------------- numbers

std::optional<long double> parseInteger(const std::string& value) {
  if (value.empty() || value.size() > 24) return std::nullopt;
  size_t i = value[0] == '-' || value[0] == '+' ? 1 : 0;
  if (i == value.size()) return std::nullopt;
  for (size_t k = i; k < value.size(); ++k)
    if (!std::isdigit(static_cast<unsigned char>(value[k]))) return std::nullopt;
  return std::strtold(value.c_str(), nullptr);
}

struct RangeRule {
  std::string_view uri;
  std::string_view element;  // local name; "*" for any element of that namespace
  std::string_view attribute;
  long double min;
  long double max;
  bool guideNameAllowed = false;  // ST_AdjCoordinate / ST_AdjAngle
};

constexpr long double kCoordMin = -27273042329600.0L;
constexpr long double kCoordMax = 27273042316900.0L;
constexpr long double kIntMin = -2147483648.0L;
constexpr long double kIntMax = 2147483647.0L;
constexpr long double kUIntMax = 4294967295.0L;

const std::vector<RangeRule>& rangeRules() {
  static const std::vector<RangeRule> rules = {
      {kDrawingMLNs, "off", "x", kCoordMin, kCoordMax},
      {kDrawingMLNs, "off", "y", kCoordMin, kCoordMax},
      {kDrawingMLNs, "chOff", "x", kCoordMin, kCoordMax},
      {kDrawingMLNs, "chOff", "y", kCoordMin, kCoordMax},
      {kDrawingMLNs, "ext", "cx", 0, kCoordMax},
      {kDrawingMLNs, "ext", "cy", 0, kCoordMax},
      {kDrawingMLNs, "chExt", "cx", 0, kCoordMax},
      {kDrawingMLNs, "chExt", "cy", 0, kCoordMax},
      {kDrawingMLNs, "xfrm", "rot", kIntMin, kIntMax},
      {kDrawingMLNs, "bodyPr", "rot", kIntMin, kIntMax},
      {kDrawingMLNs, "bodyPr", "lIns", kIntMin, kIntMax},
      {kDrawingMLNs, "bodyPr", "tIns", kIntMin, kIntMax},
      {kDrawingMLNs, "bodyPr", "rIns", kIntMin, kIntMax},
      {kDrawingMLNs, "bodyPr", "bIns", kIntMin, kIntMax},
      {kDrawingMLNs, "defPPr", "marL", 0, 51206400},
      {kDrawingMLNs, "*pPr", "marL", 0, 51206400},
      {kDrawingMLNs, "*pPr", "marR", 0, 51206400},
      {kDrawingMLNs, "*pPr", "indent", -51206400, 51206400},
      {kDrawingMLNs, "*pPr", "lvl", 0, 8},
      {kDrawingMLNs, "*pPr", "defTabSz", kIntMin, kIntMax},
      {kDrawingMLNs, "spcPts", "val", 0, 158400},
      {kDrawingMLNs, "spcPct", "val", 0, 13200000},
      {kDrawingMLNs, "tab", "pos", kIntMin, kIntMax},
      {kDrawingMLNs, "*RPr", "sz", 100, 400000},
      {kDrawingMLNs, "rPr", "sz", 100, 400000},
      {kDrawingMLNs, "*RPr", "kern", 0, 400000},
      {kDrawingMLNs, "*RPr", "spc", -400000, 400000},
      {kDrawingMLNs, "rPr", "spc", -400000, 400000},
      {kDrawingMLNs, "ln", "w", 0, 20116800},
      {kDrawingMLNs, "alpha", "val", 0, 100000},
      {kDrawingMLNs, "alphaModFix", "amt", 0, 100000},
      {kDrawingMLNs, "tint", "val", 0, 100000},
      {kDrawingMLNs, "shade", "val", 0, 100000},
      {kDrawingMLNs, "ds", "d", 0, kIntMax},
      {kDrawingMLNs, "ds", "sp", 0, kIntMax},
      {kDrawingMLNs, "path", "w", 0, kCoordMax},
      {kDrawingMLNs, "path", "h", 0, kCoordMax},
      {kDrawingMLNs, "pt", "x", kCoordMin, kCoordMax, true},
      {kDrawingMLNs, "pt", "y", kCoordMin, kCoordMax, true},
      {kDrawingMLNs, "pos", "x", kCoordMin, kCoordMax, true},
      {kDrawingMLNs, "pos", "y", kCoordMin, kCoordMax, true},
      {kDrawingMLNs, "cxn", "ang", kIntMin, kIntMax, true},
      {kDrawingMLNs, "sx", "n", kIntMin, kIntMax},
      {kDrawingMLNs, "sx", "d", kIntMin, kIntMax},
      {kDrawingMLNs, "sy", "n", kIntMin, kIntMax},
      {kDrawingMLNs, "sy", "d", kIntMin, kIntMax},
      {kPresentationMLNs, "sldSz", "cx", 914400, 51206400},
      {kPresentationMLNs, "sldSz", "cy", 914400, 51206400},
      {kPresentationMLNs, "notesSz", "cx", 0, kCoordMax},
      {kPresentationMLNs, "notesSz", "cy", 0, kCoordMax},
      {kPresentationMLNs, "sldId", "id", 256, 2147483647},
      {kPresentationMLNs, "sldMasterId", "id", 2147483648.0L, kUIntMax},
      {kPresentationMLNs, "sldLayoutId", "id", 2147483648.0L, kUIntMax},
      {kPresentationMLNs, "cNvPr", "id", 0, kUIntMax},
      {kPresentationMLNs, "restoredLeft", "sz", 0, kIntMax},
      {kPresentationMLNs, "restoredTop", "sz", 0, kIntMax},
      {kPresentationMLNs, "gridSpacing", "cx", 0, kCoordMax},
      {kPresentationMLNs, "gridSpacing", "cy", 0, kCoordMax},
  };
  return rules;
}

bool elementMatches(std::string_view pattern, std::string_view local) {
  if (!pattern.empty() && pattern[0] == '*') return endsWith(local, pattern.substr(1));
  return pattern == local;
}

}  // namespace

// -------------------------------------------------------------- ZipPackage

ZipPackage::ZipPackage(const fs::path& file) {
  unzFile zip = unzOpen64(file.c_str());
  if (!zip) throw std::runtime_error("not a zip archive: " + file.string());
  int status = unzGoToFirstFile(zip);
  while (status == UNZ_OK) {
    unz_file_info64 info{};
    char nameBuffer[4096];
    if (unzGetCurrentFileInfo64(zip, &info, nameBuffer, sizeof nameBuffer, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    const std::string name(nameBuffer, std::min<size_t>(info.size_filename, sizeof nameBuffer - 1));
    if (info.uncompressed_size > kMaxEntrySize) {
      unzClose(zip);
      throw std::runtime_error("zip entry too large: " + name);
    }
    std::string bytes;
    if (unzOpenCurrentFile(zip) == UNZ_OK) {
      bytes.resize(static_cast<size_t>(info.uncompressed_size));
      const int got = bytes.empty() ? 0 : unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
      const int closed = unzCloseCurrentFile(zip);  // checks the CRC
      if (got != static_cast<int>(bytes.size()) || closed != UNZ_OK) {
        unzClose(zip);
        throw std::runtime_error("damaged zip entry: " + name);
      }
    }
    names_.push_back(name);
    data_[name] = std::move(bytes);
    status = unzGoToNextFile(zip);
  }
  unzClose(zip);
  if (status != UNZ_END_OF_LIST_OF_FILE) throw std::runtime_error("damaged zip directory: " + file.string());
}

const std::string& ZipPackage::data(std::string_view name) const {
  static const std::string kEmpty;
  auto it = data_.find(std::string(name));
  return it == data_.end() ? kEmpty : it->second;
}

// --------------------------------------------------------------- XmlElement

std::optional<std::string> XmlElement::attr(std::string_view name, std::string_view ns) const {
  for (const XmlAttribute& a : attributes)
    if (a.local == name && a.uri == ns) return a.value;
  return std::nullopt;
}

std::vector<const XmlElement*> XmlElement::childrenNamed(std::string_view name, std::string_view ns) const {
  std::vector<const XmlElement*> out;
  for (const auto& child : children)
    if (child->local == name && (ns.empty() || child->uri == ns)) out.push_back(child.get());
  return out;
}

void XmlElement::visit(const std::function<void(const XmlElement&)>& fn) const {
  fn(*this);
  for (const auto& child : children) child->visit(fn);
}

std::unique_ptr<XmlElement> parseXml(std::string_view text, std::string* error) {
  return XmlReader(text).parse(error);
}

// ------------------------------------------------------------------ checks

std::vector<std::string> checkWellFormed(const std::map<std::string, std::string>& documents) {
  std::vector<std::string> problems;
  if (documents.empty()) return problems;
  std::string folderPattern = (fs::temp_directory_path() / "qvlint-XXXXXX").string();
  if (!mkdtemp(folderPattern.data())) return {"cannot make a folder for xmllint"};
  const fs::path folder = folderPattern;
  std::map<std::string, std::string> fileToName;
  std::string command = "xmllint --noout";
  int n = 0;
  for (const auto& [name, bytes] : documents) {
    const fs::path file = folder / ("part" + std::to_string(n++) + ".xml");
    std::ofstream(file, std::ios::binary) << bytes;
    fileToName[file.string()] = name;
    command += " " + shellQuote(file.string());
  }
  const fs::path log = folder / "xmllint.log";
  const int status = std::system((command + " > " + shellQuote(log.string()) + " 2>&1").c_str());
  const std::string output = readWhole(log);
  if (status != 0) {
    bool named = false;
    for (const auto& [file, name] : fileToName) {
      const size_t at = output.find(file + ":");
      if (at == std::string::npos) continue;
      const size_t end = output.find('\n', at);
      problems.push_back(name + ": not well-formed: " + output.substr(at, end - at));
      named = true;
    }
    if (!named) problems.push_back("xmllint failed: " + output);
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  return problems;
}

std::vector<std::string> checkOpcPackage(const ZipPackage& package) {
  std::vector<std::string> problems;
  std::set<std::string> parts;  // "/name"
  std::set<std::string> lowerNames;
  for (const std::string& name : package.entries()) {
    if (name.empty() || name.back() == '/') {
      problems.push_back("directory entry in the archive: " + name);
      continue;
    }
    if (name[0] == '/' || name.find('\\') != std::string::npos || name.find("//") != std::string::npos)
      problems.push_back("malformed part name: " + name);
    if (!lowerNames.insert(lower(name)).second) problems.push_back("duplicate part name: " + name);
    if (name != "[Content_Types].xml") parts.insert("/" + name);
  }

  // Well-formed XML, by xmllint and by our reader (which the later checks use).
  std::map<std::string, std::string> xmlDocuments;
  for (const std::string& name : package.entries())
    if (!name.empty() && name.back() != '/' && isXmlPart(name)) xmlDocuments[name] = package.data(name);
  for (const std::string& p : checkWellFormed(xmlDocuments)) problems.push_back(p);
  std::map<std::string, std::unique_ptr<XmlElement>> trees;  // by "/name"
  for (const auto& [name, bytes] : xmlDocuments) {
    std::string error;
    auto tree = parseXml(bytes, &error);
    if (!tree) problems.push_back(name + ": cannot be read: " + error);
    else trees["/" + name] = std::move(tree);
  }

  // Content types.
  if (!package.contains("[Content_Types].xml")) {
    problems.push_back("no [Content_Types].xml");
  } else if (auto types = trees.find("/[Content_Types].xml"); types != trees.end()) {
    const XmlElement& root = *types->second;
    if (root.local != "Types" || root.uri != kContentTypesNs)
      problems.push_back("[Content_Types].xml: root is not Types in the content-types namespace");
    std::map<std::string, std::string> defaults;   // lower-case extension
    std::map<std::string, std::string> overrides;  // lower-case part name
    for (const auto& child : root.children) {
      const auto contentType = child->attr("ContentType");
      if (!contentType || contentType->empty()) problems.push_back("[Content_Types].xml: entry without ContentType");
      if (child->local == "Default") {
        const auto extension = child->attr("Extension");
        if (!extension || extension->empty()) problems.push_back("[Content_Types].xml: Default without Extension");
        else if (!defaults.emplace(lower(*extension), contentType.value_or("")).second)
          problems.push_back("[Content_Types].xml: repeated Default for " + *extension);
      } else if (child->local == "Override") {
        const auto partName = child->attr("PartName");
        if (!partName || partName->empty() || (*partName)[0] != '/') {
          problems.push_back("[Content_Types].xml: Override without an absolute PartName");
          continue;
        }
        if (!overrides.emplace(lower(*partName), contentType.value_or("")).second)
          problems.push_back("[Content_Types].xml: repeated Override for " + *partName);
        bool exists = false;
        for (const std::string& part : parts) exists = exists || lower(part) == lower(*partName);
        if (!exists) problems.push_back("[Content_Types].xml: Override for a missing part " + *partName);
      } else {
        problems.push_back("[Content_Types].xml: unexpected element " + child->qname);
      }
    }
    for (const std::string& part : parts) {
      if (overrides.count(lower(part))) continue;
      const size_t dot = part.rfind('.');
      const size_t slash = part.rfind('/');
      const std::string extension = dot == std::string::npos || dot < slash ? "" : lower(part.substr(dot + 1));
      if (!defaults.count(extension)) problems.push_back("no content type for the part " + part);
    }
  }

  // Relationships.
  std::map<std::string, std::vector<RelationshipEntry>> relationshipsBySource;
  for (const std::string& part : parts) {
    if (!endsWith(lower(part), ".rels")) continue;
    const auto source = sourceOfRels(part);
    if (!source) {
      problems.push_back("relationships part outside a _rels folder: " + part);
      continue;
    }
    if (*source != "/" && !parts.count(*source))
      problems.push_back(part + ": relationships of a missing part " + *source);
    auto tree = trees.find(part);
    if (tree == trees.end()) continue;
    const XmlElement& root = *tree->second;
    if (root.local != "Relationships" || root.uri != kRelationshipsNs) {
      problems.push_back(part + ": root is not Relationships in the package relationships namespace");
      continue;
    }
    std::set<std::string> ids;
    std::vector<RelationshipEntry>& entries = relationshipsBySource[*source];
    const std::string baseFolder = *source == "/" ? "" : folderOf(*source);
    for (const auto& child : root.children) {
      if (child->local != "Relationship") {
        problems.push_back(part + ": unexpected element " + child->qname);
        continue;
      }
      RelationshipEntry entry;
      entry.id = child->attr("Id").value_or("");
      entry.type = child->attr("Type").value_or("");
      const std::string target = child->attr("Target").value_or("");
      entry.external = child->attr("TargetMode").value_or("Internal") == "External";
      if (entry.id.empty() || !(std::isalpha(static_cast<unsigned char>(entry.id[0])) || entry.id[0] == '_'))
        problems.push_back(part + ": relationship id is not an XML ID: '" + entry.id + "'");
      if (!ids.insert(entry.id).second) problems.push_back(part + ": repeated relationship id " + entry.id);
      if (entry.type.empty()) problems.push_back(part + ": relationship " + entry.id + " without Type");
      if (target.empty()) problems.push_back(part + ": relationship " + entry.id + " without Target");
      entry.target = entry.external ? target : resolveTarget(baseFolder, target);
      if (!entry.external && !target.empty() && !parts.count(entry.target))
        problems.push_back(part + ": relationship " + entry.id + " targets a missing part " + entry.target);
      entries.push_back(entry);
    }
  }
  bool mainDocument = false;
  for (const RelationshipEntry& entry : relationshipsBySource["/"]) mainDocument = mainDocument || entry.type == kRelOfficeDocument;
  if (!mainDocument) problems.push_back("_rels/.rels: no officeDocument relationship");

  // Relationship ids used by the parts.
  for (const auto& [part, tree] : trees) {
    if (endsWith(lower(part), ".rels") || part == "/[Content_Types].xml") continue;
    std::set<std::string> known;
    if (auto it = relationshipsBySource.find(part); it != relationshipsBySource.end())
      for (const RelationshipEntry& entry : it->second) known.insert(entry.id);
    tree->visit([&](const XmlElement& element) {
      for (const XmlAttribute& a : element.attributes)
        if (a.uri == kOfficeRelNs && !known.count(a.value))
          problems.push_back(part + ": " + element.qname + " refers to an unknown relationship " + a.qname + "=\"" +
                             a.value + "\" (" + relsPartOf(part) + ")");
    });
  }
  return problems;
}

std::vector<std::string> checkDrawingMLRanges(const std::string& partName, const XmlElement& root) {
  std::vector<std::string> problems;
  root.visit([&](const XmlElement& element) {
    for (const XmlAttribute& a : element.attributes) {
      if (!a.uri.empty()) continue;
      for (const RangeRule& rule : rangeRules()) {
        if (rule.uri != element.uri || rule.attribute != a.local || !elementMatches(rule.element, element.local))
          continue;
        const auto value = parseInteger(a.value);
        if (!value) {
          const bool guideName = rule.guideNameAllowed && !a.value.empty() &&
                                 std::isalpha(static_cast<unsigned char>(a.value[0]));
          if (!guideName)
            problems.push_back(partName + ": " + element.qname + " " + a.local + "=\"" + a.value +
                               "\" is not a whole number");
        } else if (*value < rule.min || *value > rule.max) {
          problems.push_back(partName + ": " + element.qname + " " + a.local + "=\"" + a.value + "\" is out of range");
        }
        break;
      }
    }
    if (element.uri == kDrawingMLNs && (element.local == "srgbClr")) {
      const std::string value = element.attr("val").value_or("");
      const bool hex = value.size() == 6 && std::all_of(value.begin(), value.end(), [](char c) {
                         return std::isxdigit(static_cast<unsigned char>(c));
                       });
      if (!hex) problems.push_back(partName + ": srgbClr val=\"" + value + "\" is not six hex digits");
    }
  });
  return problems;
}

std::vector<std::string> checkPresentationPackage(const fs::path& file) {
  std::vector<std::string> problems;
  std::unique_ptr<ZipPackage> package;
  try {
    package = std::make_unique<ZipPackage>(file);
  } catch (const std::exception& e) {
    return {e.what()};
  }
  problems = checkOpcPackage(*package);

  std::map<std::string, std::unique_ptr<XmlElement>> trees;
  for (const std::string& name : package->entries()) {
    if (!isXmlPart(name) || endsWith(name, ".rels")) continue;
    if (auto tree = parseXml(package->data(name))) trees[name] = std::move(tree);
  }
  for (const auto& [name, tree] : trees)
    for (const std::string& p : checkDrawingMLRanges(name, *tree)) problems.push_back(p);

  // Drawing-object ids unique per slide, layout and master; every text body
  // has a paragraph.
  for (const auto& [name, tree] : trees) {
    if (tree->uri != kPresentationMLNs) continue;
    std::set<std::string> ids;
    tree->visit([&](const XmlElement& element) {
      if (element.local == "cNvPr" && element.uri == kPresentationMLNs) {
        const std::string id = element.attr("id").value_or("");
        if (!ids.insert(id).second) problems.push_back(name + ": drawing-object id " + id + " is used twice");
      }
      if (element.local == "txBody" && element.childrenNamed("p", kDrawingMLNs).empty())
        problems.push_back(name + ": a text body without a paragraph");
    });
  }

  // The slide list against the presentation's relationships.
  auto presentation = trees.find("ppt/presentation.xml");
  if (presentation == trees.end()) {
    problems.push_back("no ppt/presentation.xml");
    return problems;
  }
  std::map<std::string, std::string> slideTargets;  // id → part
  if (auto rels = parseXml(package->data("ppt/_rels/presentation.xml.rels"))) {
    for (const auto& child : rels->children)
      if (child->attr("Type").value_or("") == kRelSlide)
        slideTargets[child->attr("Id").value_or("")] = resolveTarget("/ppt", child->attr("Target").value_or(""));
  }
  std::set<std::string> listed;
  std::set<std::string> slideIds;
  for (const XmlElement* list : presentation->second->childrenNamed("sldIdLst", kPresentationMLNs)) {
    for (const XmlElement* slide : list->childrenNamed("sldId", kPresentationMLNs)) {
      const std::string rid = slide->attr("id", kOfficeRelNs).value_or("");
      if (!slideTargets.count(rid)) problems.push_back("ppt/presentation.xml: sldId " + rid + " is not a slide relationship");
      if (!listed.insert(rid).second) problems.push_back("ppt/presentation.xml: slide " + rid + " listed twice");
      if (!slideIds.insert(slide->attr("id").value_or("")).second)
        problems.push_back("ppt/presentation.xml: repeated slide id");
    }
  }
  if (listed.size() != slideTargets.size())
    problems.push_back("ppt/presentation.xml: " + std::to_string(listed.size()) + " slides listed, " +
                       std::to_string(slideTargets.size()) + " slide relationships");
  size_t slideParts = 0;
  for (const std::string& name : package->entries())
    if (name.rfind("ppt/slides/slide", 0) == 0 && endsWith(name, ".xml")) ++slideParts;
  if (slideParts != slideTargets.size())
    problems.push_back(std::to_string(slideParts) + " slide parts, " + std::to_string(slideTargets.size()) +
                       " slide relationships");
  if (presentation->second->childrenNamed("sldSz", kPresentationMLNs).size() != 1)
    problems.push_back("ppt/presentation.xml: no slide size");
  if (auto app = trees.find("docProps/app.xml"); app != trees.end() && app->second->uri == kExtendedPropertiesNs) {
    for (const XmlElement* slides : app->second->childrenNamed("Slides"))
      if (slides->text != std::to_string(slideTargets.size()))
        problems.push_back("docProps/app.xml: Slides " + slides->text + " for " +
                           std::to_string(slideTargets.size()) + " slides");
  }
  return problems;
}

// ------------------------------------------------------ Word documents

namespace {

constexpr std::string_view kWordprocessingMLNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

struct WordRange {
  const char* element;
  const char* attribute;
  long double min;
  long double max;
};

// What the office applications read of the numbers a flowing document
// carries: lengths in twentieths of a point, sizes in half-points.
constexpr WordRange kWordRanges[] = {
    {"spacing", "line", 1, 2000000},    {"spacing", "before", 0, 2000000}, {"spacing", "after", 0, 2000000},
    {"ind", "left", -2000000, 2000000}, {"ind", "firstLine", 0, 2000000},  {"sz", "val", 2, 3276},
    {"szCs", "val", 2, 3276},           {"pgSz", "w", 1, 2000000},         {"pgSz", "h", 1, 2000000},
    {"col", "w", 1, 2000000},           {"col", "space", 0, 2000000},      {"w", "val", 1, 600},
};

}  // namespace

std::vector<std::string> checkWordPackage(const fs::path& file) {
  std::unique_ptr<ZipPackage> package;
  try {
    package = std::make_unique<ZipPackage>(file);
  } catch (const std::exception& e) {
    return {e.what()};
  }
  std::vector<std::string> problems = checkOpcPackage(*package);
  auto document = parseXml(package->data("word/document.xml"));
  if (!document) {
    problems.push_back("no readable word/document.xml");
    return problems;
  }
  if (document->local != "document" || document->uri != kWordprocessingMLNs)
    problems.push_back("word/document.xml: root is not w:document");
  const auto bodies = document->childrenNamed("body", kWordprocessingMLNs);
  if (bodies.size() != 1) {
    problems.push_back("word/document.xml: " + std::to_string(bodies.size()) + " bodies");
    return problems;
  }
  const XmlElement& body = *bodies[0];
  // The body's own section properties close it, once, and nothing else that
  // is not body content stands in it.
  for (size_t i = 0; i < body.children.size(); ++i) {
    const XmlElement& child = *body.children[i];
    if (child.local == "sectPr" && i + 1 != body.children.size())
      problems.push_back("word/document.xml: body section properties before the end of the body");
    if (child.local != "p" && child.local != "sectPr" && child.local != "bookmarkStart" && child.local != "bookmarkEnd" &&
        child.local != "tbl")
      problems.push_back("word/document.xml: w:" + child.local + " directly in the body");
  }
  if (body.children.empty() || body.children.back()->local != "sectPr")
    problems.push_back("word/document.xml: the body does not end with its section properties");
  if (body.childrenNamed("p", kWordprocessingMLNs).empty()) problems.push_back("word/document.xml: no paragraph");

  std::set<std::string> bookmarkIds;
  body.visit([&](const XmlElement& element) {
    if (element.uri != kWordprocessingMLNs) return;
    if (element.local == "bookmarkStart" && !bookmarkIds.insert(element.attr("id", kWordprocessingMLNs).value_or("")).second)
      problems.push_back("word/document.xml: repeated bookmark id");
    if (element.local == "cols") {
      const auto num = parseInteger(element.attr("num", kWordprocessingMLNs).value_or(""));
      const size_t entries = element.childrenNamed("col", kWordprocessingMLNs).size();
      if (!num || (entries != 0 && static_cast<size_t>(*num) != entries))
        problems.push_back("word/document.xml: w:cols num does not match its columns");
    }
    for (const WordRange& rule : kWordRanges) {
      if (element.local != rule.element) continue;
      const auto text = element.attr(rule.attribute, kWordprocessingMLNs);
      if (!text) continue;
      const auto value = parseInteger(*text);
      if (!value || *value < rule.min || *value > rule.max)
        problems.push_back("word/document.xml: w:" + element.local + " w:" + rule.attribute + "=\"" + *text +
                           "\" is out of range");
    }
  });
  return problems;
}

// -------------------------------------------------------------- LibreOffice

namespace {

// One private LibreOffice profile per test process, removed at exit.
class OfficeProfile {
 public:
  OfficeProfile() {
    std::string pattern = (fs::temp_directory_path() / "qvoffice-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~OfficeProfile() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

const OfficeProfile& officeProfile() {
  static const OfficeProfile profile;
  return profile;
}

}  // namespace

bool officeAvailable() { return std::system("command -v soffice > /dev/null 2>&1") == 0; }

std::optional<fs::path> officeConvertToPdf(const fs::path& document, const fs::path& outputFolder) {
  if (officeProfile().path().empty()) return std::nullopt;
  fs::create_directories(outputFolder);
  const fs::path log = outputFolder / "soffice.log";
  const std::string command = "timeout 300 soffice -env:UserInstallation=file://" + officeProfile().path() +
                              " --headless --norestore --convert-to pdf --outdir " + shellQuote(outputFolder.string()) +
                              " " + shellQuote(document.string()) + " > " + shellQuote(log.string()) + " 2>&1";
  const int status = std::system(command.c_str());
  const fs::path pdf = outputFolder / (document.stem().string() + ".pdf");
  if (status != 0 || !fs::exists(pdf)) return std::nullopt;
  return pdf;
}

std::map<fs::path, std::vector<fs::path>> officeConvertWorkbooksToCsv(const std::vector<fs::path>& workbooks,
                                                                      const fs::path& outputFolder, int timeoutSeconds) {
  std::map<fs::path, std::vector<fs::path>> sheets;
  if (officeProfile().path().empty() || workbooks.empty()) return sheets;
  fs::create_directories(outputFolder);
  // Comma-separated UTF-8 with double quotes, cells as shown, every sheet.
  std::string command = "timeout " + std::to_string(timeoutSeconds) +
                        " soffice -env:UserInstallation=file://" + officeProfile().path() +
                        " --headless --norestore --convert-to "
                        "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1' --outdir " +
                        shellQuote(outputFolder.string());
  for (const fs::path& workbook : workbooks) command += " " + shellQuote(workbook.string());
  command += " > " + shellQuote((outputFolder / "soffice.log").string()) + " 2>&1";
  std::system(command.c_str());
  for (const fs::path& workbook : workbooks) {
    const std::string prefix = workbook.stem().string() + "-";
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(outputFolder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.rfind(prefix, 0) == 0 && endsWith(name, ".csv")) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    if (!files.empty()) sheets[workbook] = files;
  }
  return sheets;
}

int pdfPageCount(const fs::path& pdf) {
  const fs::path log = fs::path(pdf).concat(".info");
  const std::string command = "pdfinfo " + shellQuote(pdf.string()) + " > " + shellQuote(log.string()) + " 2>&1";
  if (std::system(command.c_str()) != 0) return 0;
  std::istringstream lines(readWhole(log));
  std::string line;
  while (std::getline(lines, line))
    if (line.rfind("Pages:", 0) == 0) return std::atoi(line.c_str() + 6);
  return 0;
}

std::optional<GrayImage> renderPdfPage(const fs::path& pdf, int page, int dpi, const std::string& password) {
  // Rendered in a scratch folder: nothing is written beside the PDF, which
  // may be a corpus file.
  std::string folder = (fs::temp_directory_path() / "qvrender-XXXXXX").string();
  if (!mkdtemp(folder.data())) return std::nullopt;
  struct Remove {
    std::string path;
    ~Remove() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  } remove{folder};
  const fs::path prefix = fs::path(folder) / "page";
  std::string command = "pdftoppm -gray -singlefile -r " + std::to_string(dpi) + " -f " + std::to_string(page) +
                        " -l " + std::to_string(page);
  if (!password.empty()) command += " -upw " + shellQuote(password);
  command += " " + shellQuote(pdf.string()) + " " + shellQuote(prefix.string()) + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  const std::string data = readWhole(fs::path(prefix).concat(".pgm"));
  // Binary PGM: "P5", width, height, maximum value, one byte per pixel.
  std::istringstream header(data);
  std::string magic;
  int width = 0, height = 0, maxValue = 0;
  header >> magic >> width >> height >> maxValue;
  if (magic != "P5" || width <= 0 || height <= 0 || maxValue != 255) return std::nullopt;
  const std::streamoff offset = static_cast<std::streamoff>(header.tellg()) + 1;
  const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (offset < 0 || data.size() < static_cast<size_t>(offset) + size) return std::nullopt;
  GrayImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(data.begin() + offset, data.begin() + offset + static_cast<std::streamoff>(size));
  return image;
}

int64_t GrayImage::inkIn(double left, double top, double right, double bottom, uint8_t threshold) const {
  const int x0 = std::clamp(static_cast<int>(left * width), 0, width);
  const int x1 = std::clamp(static_cast<int>(right * width), 0, width);
  const int y0 = std::clamp(static_cast<int>(top * height), 0, height);
  const int y1 = std::clamp(static_cast<int>(bottom * height), 0, height);
  int64_t count = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (pixels[static_cast<size_t>(y) * width + x] < threshold) ++count;
  return count;
}

double GrayImage::meanIn(double left, double top, double right, double bottom) const {
  const int x0 = std::clamp(static_cast<int>(left * width), 0, width);
  const int x1 = std::clamp(static_cast<int>(right * width), 0, width);
  const int y0 = std::clamp(static_cast<int>(top * height), 0, height);
  const int y1 = std::clamp(static_cast<int>(bottom * height), 0, height);
  double sum = 0;
  int64_t n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x, ++n) sum += pixels[static_cast<size_t>(y) * width + x];
  return n ? sum / static_cast<double>(n) : 255.0;
}

}  // namespace qvtest

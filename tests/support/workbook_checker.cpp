#include "tests/support/workbook_checker.h"

#include <cstdlib>
#include <set>
#include <stdexcept>

#include "tests/support/package_checker.h"

namespace qvtest {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kOfficeRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr uint64_t kMaxRows = 1'048'576;
constexpr uint64_t kMaxColumns = 16'384;

struct Range {
  std::pair<uint64_t, uint64_t> first, last;
};

std::optional<Range> parseRange(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto a = parseCellReference(text.substr(0, colon));
  const auto b = parseCellReference(text.substr(colon + 1));
  if (!a || !b || a->first > b->first || a->second > b->second) return std::nullopt;
  return Range{*a, *b};
}

std::optional<double> number(const std::optional<std::string>& text) {
  if (!text || text->empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text->c_str(), &end);
  if (*end != '\0') return std::nullopt;
  return value;
}

bool isArgb(const std::string& text) {
  if (text.size() != 8) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// The workbook's sheets: name and part name ("xl/worksheets/sheet1.xml"), in
// workbook order.
std::vector<std::pair<std::string, std::string>> sheetParts(const ZipPackage& package, std::vector<std::string>* problems) {
  std::vector<std::pair<std::string, std::string>> sheets;
  const auto workbook = parseXml(package.data("xl/workbook.xml"));
  const auto relationships = parseXml(package.data("xl/_rels/workbook.xml.rels"));
  if (!workbook || !relationships) {
    if (problems) problems->push_back("no readable xl/workbook.xml and its relationships");
    return sheets;
  }
  std::map<std::string, std::string> targets;
  for (const auto& child : relationships->children)
    targets[child->attr("Id").value_or("")] = "xl/" + child->attr("Target").value_or("");
  for (const XmlElement* list : workbook->childrenNamed("sheets"))
    for (const XmlElement* sheet : list->childrenNamed("sheet"))
      sheets.emplace_back(sheet->attr("name").value_or(""), targets[sheet->attr("id", kOfficeRelNs).value_or("")]);
  return sheets;
}

void checkStyles(const XmlElement& styles, size_t* cellFormats, std::vector<std::string>& problems) {
  std::set<int64_t> customFormats;
  size_t fonts = 0, fills = 0;
  for (const XmlElement* list : styles.childrenNamed("numFmts"))
    for (const XmlElement* format : list->childrenNamed("numFmt")) {
      const int64_t id = std::atoll(format->attr("numFmtId").value_or("-1").c_str());
      if (id < 164) problems.push_back("styles: custom number format " + std::to_string(id) + " takes a built-in id");
      if (!customFormats.insert(id).second) problems.push_back("styles: number format id used twice");
    }
  for (const XmlElement* list : styles.childrenNamed("fonts")) fonts = list->childrenNamed("font").size();
  for (const XmlElement* list : styles.childrenNamed("fills")) fills = list->childrenNamed("fill").size();
  *cellFormats = 0;
  for (const XmlElement* list : styles.childrenNamed("cellXfs"))
    for (const XmlElement* xf : list->childrenNamed("xf")) {
      ++*cellFormats;
      const int64_t format = std::atoll(xf->attr("numFmtId").value_or("0").c_str());
      if (format >= 164 && !customFormats.count(format))
        problems.push_back("styles: a cell format uses the undefined number format " + std::to_string(format));
      if (static_cast<size_t>(std::atoll(xf->attr("fontId").value_or("0").c_str())) >= fonts)
        problems.push_back("styles: a cell format uses a missing font");
      if (static_cast<size_t>(std::atoll(xf->attr("fillId").value_or("0").c_str())) >= fills)
        problems.push_back("styles: a cell format uses a missing fill");
    }
  styles.visit([&](const XmlElement& element) {
    if (auto rgb = element.attr("rgb"); rgb && !isArgb(*rgb)) problems.push_back("styles: colour \"" + *rgb + "\"");
  });
}

void checkWorksheet(const std::string& name, const XmlElement& sheet, size_t cellFormats, size_t strings,
                    std::vector<std::string>& problems) {
  uint64_t lastColumn = 0;
  for (const XmlElement* cols : sheet.childrenNamed("cols"))
    for (const XmlElement* col : cols->childrenNamed("col")) {
      const uint64_t min = std::strtoull(col->attr("min").value_or("0").c_str(), nullptr, 10);
      const uint64_t max = std::strtoull(col->attr("max").value_or("0").c_str(), nullptr, 10);
      if (min <= lastColumn || max < min || max > kMaxColumns) problems.push_back(name + ": columns out of order");
      lastColumn = max;
      const auto width = number(col->attr("width"));
      if (!width || *width < 0 || *width > 255) problems.push_back(name + ": column width out of range");
    }
  uint64_t lastRow = 0;
  std::set<std::pair<uint64_t, uint64_t>> filled;
  for (const XmlElement* data : sheet.childrenNamed("sheetData"))
    for (const XmlElement* row : data->childrenNamed("row")) {
      const uint64_t r = std::strtoull(row->attr("r").value_or("0").c_str(), nullptr, 10);
      if (r <= lastRow || r > kMaxRows) problems.push_back(name + ": row " + std::to_string(r) + " out of order");
      lastRow = r;
      if (const auto height = number(row->attr("ht")); row->attr("ht") && (!height || *height < 0 || *height > 409.5))
        problems.push_back(name + ": row height out of range");
      uint64_t lastCell = 0;
      for (const XmlElement* cell : row->childrenNamed("c")) {
        const std::string reference = cell->attr("r").value_or("");
        const auto at = parseCellReference(reference);
        if (!at || at->first + 1 != r || at->second + 1 <= lastCell || at->second >= kMaxColumns)
          problems.push_back(name + ": cell " + reference + " out of order in row " + std::to_string(r));
        if (at) lastCell = at->second + 1;
        if (at && !cell->childrenNamed("v").empty()) filled.insert(*at);
        if (auto style = cell->attr("s"); style && std::strtoull(style->c_str(), nullptr, 10) >= cellFormats)
          problems.push_back(name + ": cell " + reference + " has a missing style");
        const std::string type = cell->attr("t").value_or("n");
        const auto values = cell->childrenNamed("v");
        const std::optional<std::string> value = values.empty() ? std::nullopt : std::optional(values[0]->text);
        if (type == "s" && value && std::strtoull(value->c_str(), nullptr, 10) >= strings)
          problems.push_back(name + ": cell " + reference + " refers to a missing shared string");
        if (type == "n" && value && !number(value)) problems.push_back(name + ": cell " + reference + " is no number");
      }
    }
  std::vector<Range> ranges;
  for (const XmlElement* merges : sheet.childrenNamed("mergeCells"))
    for (const XmlElement* merge : merges->childrenNamed("mergeCell")) {
      const auto range = parseRange(merge->attr("ref").value_or(""));
      if (!range) {
        problems.push_back(name + ": merged range " + merge->attr("ref").value_or("") + " unreadable");
        continue;
      }
      for (auto it = filled.lower_bound(range->first); it != filled.end() && it->first <= range->last.first; ++it)
        if (*it != range->first && it->second >= range->first.second && it->second <= range->last.second)
          problems.push_back(name + ": merged range " + merge->attr("ref").value_or("") + " hides a cell");
      for (const Range& other : ranges)
        if (range->first.first <= other.last.first && other.first.first <= range->last.first &&
            range->first.second <= other.last.second && other.first.second <= range->last.second)
          problems.push_back(name + ": merged range " + merge->attr("ref").value_or("") + " overlaps another");
      ranges.push_back(*range);
    }
}

}  // namespace

std::optional<std::pair<uint64_t, uint64_t>> parseCellReference(const std::string& reference) {
  size_t i = 0;
  uint64_t column = 0;
  while (i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z' && i < 3)
    column = column * 26 + static_cast<uint64_t>(reference[i++] - 'A' + 1);
  if (column == 0 || i == reference.size()) return std::nullopt;
  uint64_t row = 0;
  for (; i < reference.size(); ++i) {
    if (reference[i] < '0' || reference[i] > '9' || row > kMaxRows) return std::nullopt;
    row = row * 10 + static_cast<uint64_t>(reference[i] - '0');
  }
  if (row == 0) return std::nullopt;
  return std::pair{row - 1, column - 1};
}

std::vector<std::string> checkWorkbookPackage(const fs::path& file) {
  std::unique_ptr<ZipPackage> package;
  try {
    package = std::make_unique<ZipPackage>(file);
  } catch (const std::exception& e) {
    return {e.what()};
  }
  std::vector<std::string> problems = checkOpcPackage(*package);
  const auto sheets = sheetParts(*package, &problems);
  if (sheets.empty()) problems.push_back("the workbook lists no sheet");
  std::set<std::string> names;
  for (const auto& [name, part] : sheets)
    if (!names.insert(name).second) problems.push_back("sheet name used twice: " + name);

  size_t cellFormats = 0, strings = 0;
  if (const auto styles = parseXml(package->data("xl/styles.xml"))) checkStyles(*styles, &cellFormats, problems);
  else problems.push_back("no readable xl/styles.xml");
  if (const auto sst = parseXml(package->data("xl/sharedStrings.xml"))) {
    strings = sst->childrenNamed("si").size();
    sst->visit([&](const XmlElement& element) {
      if (auto rgb = element.attr("rgb"); rgb && !isArgb(*rgb))
        problems.push_back("shared strings: colour \"" + *rgb + "\"");
    });
  }
  for (const auto& [name, part] : sheets) {
    const auto sheet = parseXml(package->data(part));
    if (!sheet) problems.push_back(name + ": no readable worksheet " + part);
    else checkWorksheet(name, *sheet, cellFormats, strings, problems);
  }

  if (const auto app = parseXml(package->data("docProps/app.xml"))) {
    size_t titles = 0;
    for (const XmlElement* parts : app->childrenNamed("TitlesOfParts"))
      for (const auto& vector : parts->children) titles = vector->children.size();
    if (titles != sheets.size())
      problems.push_back("docProps/app.xml names " + std::to_string(titles) + " sheets of " +
                         std::to_string(sheets.size()));
  }
  return problems;
}

std::map<std::string, std::map<std::string, WorkbookCell>> readWorkbookCells(const fs::path& file) {
  const ZipPackage package(file);
  std::vector<std::string> strings;
  if (const auto sst = parseXml(package.data("xl/sharedStrings.xml")))
    for (const XmlElement* item : sst->childrenNamed("si")) {
      std::string text;
      item->visit([&](const XmlElement& element) {
        if (element.local == "t") text += element.text;
      });
      strings.push_back(text);
    }
  std::map<int64_t, std::string> formatCodes = {{0, "General"}, {9, "0%"}, {10, "0.00%"}};
  std::vector<int64_t> cellFormats;
  if (const auto styles = parseXml(package.data("xl/styles.xml"))) {
    for (const XmlElement* list : styles->childrenNamed("numFmts"))
      for (const XmlElement* format : list->childrenNamed("numFmt"))
        formatCodes[std::atoll(format->attr("numFmtId").value_or("0").c_str())] = format->attr("formatCode").value_or("");
    for (const XmlElement* list : styles->childrenNamed("cellXfs"))
      for (const XmlElement* xf : list->childrenNamed("xf"))
        cellFormats.push_back(std::atoll(xf->attr("numFmtId").value_or("0").c_str()));
  }
  std::map<std::string, std::map<std::string, WorkbookCell>> workbook;
  for (const auto& [name, part] : sheetParts(package, nullptr)) {
    auto& cells = workbook[name];
    const auto sheet = parseXml(package.data(part));
    if (!sheet) throw std::runtime_error("unreadable worksheet " + part);
    sheet->visit([&](const XmlElement& element) {
      if (element.local != "c") return;
      WorkbookCell cell;
      cell.type = element.attr("t").value_or("n");
      const auto values = element.childrenNamed("v");
      cell.value = values.empty() ? "" : values[0]->text;
      if (cell.type == "s") {
        const size_t index = std::strtoull(cell.value.c_str(), nullptr, 10);
        cell.value = index < strings.size() ? strings[index] : "";
      }
      const size_t style = std::strtoull(element.attr("s").value_or("0").c_str(), nullptr, 10);
      const int64_t format = style < cellFormats.size() ? cellFormats[style] : 0;
      cell.numberFormat = formatCodes.count(format) ? formatCodes[format] : "General";
      cells[element.attr("r").value_or("")] = cell;
    });
  }
  return workbook;
}

}  // namespace qvtest

#include "tests/xlsx/csv_support.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/text/text.h"
#include "tests/support/command_run.h"
#include "tests/support/text_coverage.h"
#include "xlsx/QVExcelPDFExporter.h"

namespace xlsxtest {

QVExcelRunTextPtr makeRun(const std::string& text, double left, double baseline, double width, double size) {
  auto run = std::make_shared<QVExcelRunText>();
  run->text = text;
  QVPDF_CTMInfo& c = run->ctmInfo;
  c.yTop = baseline - size;
  c.yAscent = baseline - 0.95 * size;
  c.yBase = baseline;
  c.yDescent = c.yBottom = baseline + 0.35 * size;
  c.xLeft = left;
  c.xRight = left + width;
  c.topLeft = {left, c.yAscent};
  c.bottomLeft = {left, c.yBottom};
  c.fontSize = {std::max(8.0, size), std::max(8.0, size)};
  run->textWidth = std::abs(width);
  run->rPr.sz = std::max(10.0, size);
  run->rPr.rgbColor = "000000";
  run->rPr.family = "Helvetica";
  run->rPr.rFont = "Helvetica";
  return run;
}

std::optional<std::string> readCsvFile(const fs::path& file) {
  const std::optional<std::string> data = platform::fs::readFile(file.string());
  if (!data || data->size() < 2 || data->size() % 2 != 0 || static_cast<unsigned char>((*data)[0]) != 0xFF ||
      static_cast<unsigned char>((*data)[1]) != 0xFE)
    return std::nullopt;
  std::u16string units;
  for (size_t i = 2; i + 1 < data->size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>((*data)[i]) |
                                   (static_cast<unsigned char>((*data)[i + 1]) << 8));
  return platform::text::utf8FromUtf16(units);
}

std::vector<std::vector<std::string>> parseCsv(const std::string& text, char separator) {
  std::vector<std::vector<std::string>> lines;
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false, fieldStarted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"' && !fieldStarted) {
      quoted = fieldStarted = true;
    } else if (c == separator) {
      fields.push_back(field);
      field.clear();
      fieldStarted = false;
    } else if (c == '\n') {
      fields.push_back(field);
      lines.push_back(fields);
      fields.clear();
      field.clear();
      fieldStarted = false;
    } else {
      field += c;
      fieldStarted = true;
    }
  }
  if (fieldStarted || !fields.empty()) {
    fields.push_back(field);
    lines.push_back(fields);
  }
  return lines;
}

std::vector<std::string> fileNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

void convertWithExporter(const fs::path& pdf, const fs::path& output, const std::optional<QVExcelOptions>& options,
                         bool workbook) {
  auto document = platform::PdfDocument::open(pdf.string());
  if (!document || !document->isUnlocked()) throw std::runtime_error("cannot open " + pdf.string());
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  QVExcelPDFExporter exporter(options, workbook);
  const int count = document->pageCount();
  exporter.setNumberOfPagesToConvert(count);
  exporter.begainConvertPDF(output.string());
  for (int n = 1; n <= count; ++n)
    if (const auto page = document->page(n)) exporter.convertPDFPage(*page);
  exporter.endConvertPDF(*document);
}

}  // namespace

void convertToXlsx(const fs::path& pdf, const fs::path& output, const std::optional<QVExcelOptions>& options) {
  convertWithExporter(pdf, output, options, true);
}

std::map<std::string, std::string> convertToCsv(const fs::path& pdf, const fs::path& output) {
  convertWithExporter(pdf, output, std::nullopt, false);
  std::map<std::string, std::string> files;
  for (const std::string& name : fileNames(output)) files[name] = readCsvFile(output / name).value_or("(not UTF-16)");
  return files;
}

namespace {

std::string quoted(const std::string& text) { return qvtest::shellQuote(text); }

}  // namespace

std::optional<std::string> openpyxlRows(const fs::path& workbook, const std::string& sheet) {
  // Debian's own interpreter, which has the package.
  const std::string script =
      "import sys, openpyxl\n"
      "ws = openpyxl.load_workbook(sys.argv[1])[sys.argv[2]]\n"
      "for row in ws.iter_rows(values_only=True):\n"
      "    print('\\t'.join('' if v is None else str(v) for v in row))\n";
  const std::string command =
      "/usr/bin/python3 -W ignore -c " + quoted(script) + " " + quoted(workbook.string()) + " " + quoted(sheet);
  qvtest::CommandResult r = qvtest::runCommand(command);
  if (r.exitCode != 0) return std::nullopt;
  return std::move(r.output);
}

bool pdfconvertAvailable() {
#ifdef QV_PDFCONVERT
  return true;
#else
  return false;
#endif
}

ToolResult runPdfconvert(const std::vector<std::string>& arguments) {
  ToolResult result;
#ifdef QV_PDFCONVERT
  std::string command = quoted(QV_PDFCONVERT);
  for (const std::string& a : arguments) command += " " + quoted(a);
  const qvtest::CommandResult r = qvtest::runCommand(command);
  result.exitCode = r.exitCode;
  result.output = r.output;
#else
  (void)arguments;
#endif
  return result;
}

}  // namespace xlsxtest

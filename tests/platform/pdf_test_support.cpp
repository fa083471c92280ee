#include "tests/platform/pdf_test_support.h"

#include <algorithm>
#include <charconv>

namespace pdftest {

using platform::PdfOperand;

std::string describe(const PdfOperand& op) {
  switch (op.kind) {
    case PdfOperand::Kind::Null: return "null";
    case PdfOperand::Kind::Boolean: return op.boolean ? "true" : "false";
    case PdfOperand::Kind::Integer: return std::to_string(op.integer);
    case PdfOperand::Kind::Real: {
      char buf[64];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, op.real);
      return std::string(buf, end);
    }
    case PdfOperand::Kind::Name: return "/" + op.text;
    case PdfOperand::Kind::String: return "(" + op.text + ")";
    case PdfOperand::Kind::Array: {
      std::string s = "[";
      for (size_t i = 0; i < op.array.size(); ++i) s += (i ? " " : "") + describe(op.array[i]);
      return s + "]";
    }
    case PdfOperand::Kind::Dictionary: return "<<...>>";
    case PdfOperand::Kind::Stream: return "stream";
  }
  return "?";
}

std::string Call::text() const {
  std::string s;
  for (const auto& o : operands) s += describe(o) + " ";
  return s + op;
}

platform::PdfOperatorTable recordingTable(std::vector<Call>& calls, const std::vector<std::string>& ops) {
  platform::PdfOperatorTable table;
  for (const std::string& op : ops) {
    table.set(op, [&calls, op](platform::PdfScanner& scanner) {
      Call call{op, {}};
      while (scanner.operandCount() > 0) call.operands.push_back(*scanner.popObject());
      std::reverse(call.operands.begin(), call.operands.end());
      calls.push_back(std::move(call));
    });
  }
  return table;
}

const std::vector<std::string>& commonOperators() {
  static const std::vector<std::string> ops = {
      "q",  "Q",  "cm", "m",  "l",  "c",  "re", "h",  "S",  "f",  "n",   "W", "BT", "ET", "Tf", "Td",
      "Tm", "Tj", "TJ", "'",  "\"", "rg", "RG", "g",  "G",  "k",  "K",   "cs", "CS", "sc", "scn",
      "Do", "EI", "gs", "d",  "w",  "BDC", "EMC", "BMC", "MP", "DP", "sh"};
  return ops;
}

std::vector<Call> scanAll(std::shared_ptr<const platform::PdfContentStream> stream, bool* clean) {
  std::vector<Call> calls;
  platform::PdfOperatorTable table = recordingTable(calls, commonOperators());
  platform::PdfScanner scanner(std::move(stream), table);
  bool ok = scanner.scan();
  if (clean) *clean = ok;
  return calls;
}

std::vector<std::string> shownStrings(const platform::PdfDocument& doc, int page) {
  std::vector<std::string> out;
  auto p = doc.page(page);
  if (!p) return {"no page " + std::to_string(page)};
  for (const auto& call : scanAll(platform::PdfContentStream::forPage(*p)))
    if (call.op == "Tj" && !call.operands.empty()) out.push_back(call.operands[0].text);
  return out;
}

std::string joined(const std::vector<Call>& calls) {
  std::string s;
  for (const auto& c : calls) s += c.text() + "\n";
  return s;
}

}  // namespace pdftest

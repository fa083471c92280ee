#pragma once
// Helpers shared by the PDF platform tests: an operator table that records
// every call with its operands, and short descriptions of operands.
#include <string>
#include <string_view>
#include <vector>

#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"

namespace pdftest {

struct Call {
  std::string op;
  std::vector<platform::PdfOperand> operands;  // as written (first operand first)
  std::string text() const;                    // "1 2 m"
};

// "12", "0.5", "/Name", "(bytes)", "[1 /A]", "<<...>>", "stream", "null", "true".
std::string describe(const platform::PdfOperand& op);

// A table whose callbacks record the operator and take all its operands.
platform::PdfOperatorTable recordingTable(std::vector<Call>& calls, const std::vector<std::string>& ops);

// Every operator the recording tables listen to by default.
const std::vector<std::string>& commonOperators();

// Scans the content with a recording table; answers the calls.
std::vector<Call> scanAll(std::shared_ptr<const platform::PdfContentStream> stream, bool* clean = nullptr);

// Calls joined as text, one per line.
std::string joined(const std::vector<Call>& calls);

// The strings shown by Tj on a page, in order; {"no page N"} when the
// document gives no page for the number.
std::vector<std::string> shownStrings(const platform::PdfDocument& doc, int page);

}  // namespace pdftest

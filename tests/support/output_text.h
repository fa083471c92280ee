#pragma once
// The text a user reads in what the converter writes, for every output:
// a presentation's slides, a Word document's paragraphs, a workbook's cells
// row by row, a CSV folder's tables, an HTML body, an RTF body and a text
// file.
#include <filesystem>
#include <string>
#include <string_view>

namespace qvtest {

// The HTML body's text: tags dropped, <br> and paragraph starts as line
// breaks, the four entities decoded.
std::string htmlBodyText(const std::string& html);
// The text of the RTF's body (after the information group), read as a
// reader of the control words this output writes would read it.
std::string rtfBodyText(const std::string& rtf);
// The text of an output of the extension ("pptx", "docx", "xlsx", "csv",
// "html", "rtf", "txt"): paragraphs and rows on lines of their own, cells
// apart by a tab. Throws std::runtime_error when a package cannot be read.
std::string outputText(const std::filesystem::path& output, std::string_view extension);

}  // namespace qvtest

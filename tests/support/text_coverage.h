#pragma once
// Reading a document's text as a user would and comparing it with the PDF's:
// LibreOffice headless conversion of many documents at once, pdftotext's
// words of a page, and word coverage between two texts.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qvtest {

// A shell word holding the text as it is.
std::string shellQuote(const std::string& text);
// A whole file's bytes ("" when it cannot be read).
std::string readWhole(const std::filesystem::path& path);

// Converts the documents to PDF with one LibreOffice call, with a private
// profile, each result as outputFolder/<stem>.pdf. Answers the documents
// that produced a PDF, mapped to it.
std::map<std::filesystem::path, std::filesystem::path> officeConvertAllToPdf(
    const std::vector<std::filesystem::path>& documents, const std::filesystem::path& outputFolder,
    int timeoutSeconds = 420);

// pdftotext's text of one page (1-based); of every page for page 0.
std::string pdftotextPage(const std::filesystem::path& pdf, int page, const std::string& password = {});

// Text folded for comparison: compatibility forms (ligatures, vertical and
// full-width presentation forms) replaced by their plain characters,
// private-use characters (glyphs a tool could not name) turned into blanks,
// other control characters dropped.
std::string foldForComparison(const std::string& text);
// Blank-separated words (blanks: space, tab, line breaks, form feed).
std::vector<std::u32string> splitWords(const std::u32string& text);
// The text with each hyphen that ends a line joining the halves of the word
// it splits.
std::u32string joinHyphenatedLines(const std::u32string& text);
// The blank-separated words of a text, folded.
std::vector<std::string> foldedWords(const std::string& text);

struct WordCoverage {
  int64_t found = 0;
  int64_t total = 0;
  std::vector<std::string> missing;

  double fraction() const { return total == 0 ? 1.0 : static_cast<double>(found) / static_cast<double>(total); }
};
// How many of the reference's words the text holds. Both are folded; the
// text is read without its blanks and line breaks (a word shown hyphenated
// at a line end counts whole), and each word found uses its characters up,
// longest words first, so one occurrence never counts twice.
WordCoverage wordCoverage(const std::string& reference, const std::string& text);
// The stricter count: a word is found only as a whole blank-separated word
// of the text (each word used once), so words run together are missing.
// Both texts folded; a hyphen at a line end joins.
WordCoverage wholeWordCoverage(const std::string& reference, const std::string& text);

// The words of a text that are two or three neighbouring words of letters
// of the reference run together (and no word of the reference themselves),
// in the text's order, leaving out words of scripts set without blanks. Both texts
// folded; a hyphen at a line end joins.
std::vector<std::string> fusedWords(const std::string& reference, const std::string& text);

}  // namespace qvtest

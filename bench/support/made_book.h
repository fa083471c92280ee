#pragma once
// A long document made from the pages of the corpus, for the benchmarks that
// watch how a conversion's memory grows with its page count.
//
// The book is made of chapters of 20 pages. Each chapter copies the pages of
// one corpus file (going round the files, and round a file's pages when it
// has fewer), from a copy of that file opened for the chapter alone, so that
// every chapter carries fonts and images of its own as the chapters of a
// real book do. Every page also gets a small picture of its own beside what
// it shows, so that every page of the book has text and a picture.
#include <filesystem>
#include <vector>

namespace qvbench {

// Writes a book of `pages` pages to `output` from the corpus files
// `sources` (those that cannot be opened are passed over). False when no
// source could be opened or the book cannot be written.
bool makeBook(const std::vector<std::filesystem::path>& sources, int pages, const std::filesystem::path& output);

// The corpus files the benchmarks make their books from: files with text and
// pictures or drawings on their pages, found in `corpusFolder` (those
// missing are left out).
std::vector<std::filesystem::path> bookSources(const std::filesystem::path& corpusFolder);

}  // namespace qvbench

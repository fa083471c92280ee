#pragma once
// Damage done on purpose to a PDF written by the tests: objects found by
// what they are in the intact file, then overwritten byte by byte.
#include <string>

namespace qvtest {

// The object number of page n (1-based) and of the page tree's root, read
// from the intact file with qpdf.
int pageObjectNumber(const std::string& pdf, int page);
int pageTreeRootObjectNumber(const std::string& pdf);

// The file with object N ("N 0 obj ... endobj") overwritten with spaces:
// every offset stays right, and references to the object dangle. Throws
// std::runtime_error when the object is not written as a top-level object.
std::string withObjectBlanked(std::string pdf, int objectNumber);

// The file with the data of stream object N overwritten with zero bytes (its
// length kept), so that no filter can decode it.
std::string withStreamDataZeroed(std::string pdf, int objectNumber);

// The file with text inserted right after the "<<" that opens object N's
// dictionary.
std::string withDictionaryEntry(std::string pdf, int objectNumber, const std::string& entry);

}  // namespace qvtest

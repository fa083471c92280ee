#pragma once
// Builds the font of a font dictionary by its Subtype, once per document and
// font object.
//
// Fonts of indirect font dictionaries are kept in a per-thread cache keyed by
// the document (qpdf's unique id) and the object's number and generation, so
// that every page and form that lists a font shares one font object (listed
// under another resource name, it shares every table with a cheap copy). A
// thread converts one document at a time: asking for a font of another
// document drops the fonts of the previous one. Fonts hold object handles
// through their descriptors, so whoever closes a document should call
// releaseDocument() (or hold a DocumentScope) first.
#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/pdf/object.h"

class QPDF;
class QVPDFFont;

class QVPDFFontFactory {
 public:
  // The font for a Font resource entry (cached); see QVPDFFont::fontWithDictionary.
  static std::shared_ptr<const QVPDFFont> fontWithDictionary(const platform::PdfObject& dictionary,
                                                             std::string_view objectKey);
  // Builds the font without the cache: by Subtype Type0, Type1, MMType1,
  // Type3 or TrueType, with Type Font or none; none otherwise.
  static std::shared_ptr<const QVPDFFont> createFont(const platform::PdfObject& dictionary,
                                                     std::string_view objectKey);

  // Drops this thread's fonts of the document (all of them for nullptr).
  static void releaseDocument(const QPDF* document);
  // Fonts this thread keeps (tests).
  static size_t cachedFontCount();

  // Embedded font programs read for the document this thread converts: a
  // file of a few kilobytes can list thousands of fonts whose programs each
  // inflate to the largest size a program may have. Once this many bytes
  // are read, further programs are not read, and their fonts decode text by
  // their other means.
  static constexpr size_t kMaxProgramBytesPerDocument = size_t{256} << 20;
  // Bytes still to be read for programs of the current document.
  static size_t programBytesLeft();
  static void spendProgramBytes(size_t bytes);

  // Keeps the cache of this thread for one document while it lives and drops
  // it when it ends.
  class DocumentScope {
   public:
    explicit DocumentScope(const QPDF* document) : document_(document) {}
    ~DocumentScope() { releaseDocument(document_); }
    DocumentScope(const DocumentScope&) = delete;
    DocumentScope& operator=(const DocumentScope&) = delete;

   private:
    const QPDF* document_;
  };
};

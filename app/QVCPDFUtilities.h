#pragma once
// Questions the application asks about a PDF file before it queues it. They
// open the file through the same document layer the converter uses, so a
// file that "opens" or "unlocks" here opens and unlocks in the conversion
// too. Every answer is a plain yes or no; none throws.
#include <memory>
#include <string>

namespace platform {
class PdfDocument;
}

class QVCPDFUtilities {
 public:
  // Something readable as a PDF is at the path (locked files count); a
  // folder, a missing file or a file of another kind is not.
  static bool isPDFDocumentValidAtPath(const std::string& path);
  // The file needs a password before its pages can be read; also yes when it
  // is no PDF at all. An encrypted file that opens with the empty password is
  // not locked.
  static bool isPDFDocumentLockedAtPath(const std::string& path);
  // A password is needed to queue the file: it is locked, or it forbids
  // printing (an owner password lifts that), or it does not open.
  static bool isPDFDocumentLockPritingAtPath(const std::string& path);
  // Whether the typed password makes the file printable: a non-empty one
  // must open it (as user or owner password); an empty one is accepted only
  // when the file allows printing as it opens.
  static bool isAllowPrintingPDFDcoumentAtPath(const std::string& path, const std::string& password);
  // Whether the file opens unlocked with the password (none when empty). No
  // for a file that does not open.
  static bool isUnlockPDFDcoumentAtPath(const std::string& path, const std::string& password);
  // Whether the file is encrypted; no when it does not open.
  static bool PDFDocumentHasPassword(const std::string& path);
  // The document opened and unlocked with the password, as the converter
  // opens it; null when it does not open or stays locked.
  static std::unique_ptr<platform::PdfDocument> initPDFDocumentAtPath(const std::string& path,
                                                                      const std::string& password);
};

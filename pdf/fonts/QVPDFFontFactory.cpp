#include "pdf/fonts/QVPDFFontFactory.h"

#include <algorithm>
#include <map>
#include <utility>

#include <qpdf/QPDF.hh>

#include "pdf/fonts/QVPDFFont.h"
#include "pdf/fonts/QVPDFMMType1Font.h"
#include "pdf/fonts/QVPDFTrueTypeFont.h"
#include "pdf/fonts/QVPDFType0Font.h"
#include "pdf/fonts/QVPDFType1Font.h"
#include "pdf/fonts/QVPDFType3Font.h"

namespace {

// Fonts kept for one document; a file that lists more has them built again
// when they come back rather than holding them all.
constexpr size_t kMaxCachedFonts = 2048;

struct ThreadCache {
  const QPDF* document = nullptr;
  unsigned long long documentId = 0;
  std::map<std::pair<int, int>, std::shared_ptr<const QVPDFFont>> fonts;
  size_t programBytes = 0;

  void clear() {
    fonts.clear();
    document = nullptr;
    documentId = 0;
    programBytes = 0;
  }
};

ThreadCache& threadCache() {
  thread_local ThreadCache cache;
  return cache;
}

}  // namespace

std::shared_ptr<const QVPDFFont> QVPDFFontFactory::createFont(const platform::PdfObject& dictionary,
                                                              std::string_view objectKey) {
  if (!dictionary.isDictionary()) return nullptr;
  // The subtype makes the font: writers leave out /Type /Font, and readers
  // take such a dictionary for the font it is. A dictionary that says it is
  // something else is not one.
  if (auto type = dictionary.getName("Type"); type && *type != "Font") return nullptr;
  auto subtype = dictionary.getName("Subtype");
  if (!subtype) return nullptr;
  if (*subtype == "Type0") return QVPDFType0Font::initWithDictionary(dictionary, objectKey);
  if (*subtype == "Type1") return QVPDFType1Font::initWithDictionary(dictionary, objectKey);
  if (*subtype == "MMType1") return QVPDFMMType1Font::initWithDictionary(dictionary, objectKey);
  if (*subtype == "Type3") return QVPDFType3Font::initWithDictionary(dictionary, objectKey);
  if (*subtype == "TrueType") return QVPDFTrueTypeFont::initWithDictionary(dictionary, objectKey);
  return nullptr;
}

std::shared_ptr<const QVPDFFont> QVPDFFontFactory::fontWithDictionary(const platform::PdfObject& dictionary,
                                                                      std::string_view objectKey) {
  QPDF* owner = dictionary.isIndirect() ? dictionary.handle().getOwningQPDF() : nullptr;
  if (!owner) return createFont(dictionary, objectKey);

  ThreadCache& cache = threadCache();
  const unsigned long long id = owner->getUniqueId();
  if (cache.documentId != id || cache.document != owner) {
    cache.clear();
    cache.document = owner;
    cache.documentId = id;
  }
  const std::pair<int, int> key{dictionary.objectNumber(), dictionary.generation()};
  auto it = cache.fonts.find(key);
  if (it != cache.fonts.end()) {
    const auto& font = it->second;
    if (!font || font->objectKey() == objectKey) return font;
    return font->copyWithObjectKey(objectKey);
  }
  auto font = createFont(dictionary, objectKey);
  if (cache.fonts.size() >= kMaxCachedFonts) cache.fonts.clear();
  cache.fonts.emplace(key, font);
  return font;
}

void QVPDFFontFactory::releaseDocument(const QPDF* document) {
  ThreadCache& cache = threadCache();
  if (!document || document == cache.document) cache.clear();
}

size_t QVPDFFontFactory::cachedFontCount() { return threadCache().fonts.size(); }

size_t QVPDFFontFactory::programBytesLeft() {
  const size_t spent = threadCache().programBytes;
  return spent >= kMaxProgramBytesPerDocument ? 0 : kMaxProgramBytesPerDocument - spent;
}

void QVPDFFontFactory::spendProgramBytes(size_t bytes) {
  size_t& spent = threadCache().programBytes;
  spent = bytes > kMaxProgramBytesPerDocument - std::min(spent, kMaxProgramBytesPerDocument)
              ? kMaxProgramBytesPerDocument
              : spent + bytes;
}

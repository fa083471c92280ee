#pragma once
// What the interpreter of a page shares with the child interpreters of its
// forms: the operator table, the bounds spent so far, the resources of the
// forms already run and the inline images already met.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>

#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFImageXObject.h"
#include "platform/pdf/object.h"
#include "platform/pdf/scanner.h"

// The five collections of one resource dictionary. Immutable once built, so
// every run of a form shares them.
struct QVPDFConentParser::Resources {
  std::shared_ptr<const QVPDFFontCollection> fonts;
  std::shared_ptr<const QVPDFColorSpaceCollection> colorSpaces;
  std::shared_ptr<const QVPDFXObjectCollection> xObjects;
  std::shared_ptr<const QVPDFExtGStateCollection> extGStates;
  std::shared_ptr<const QVPDFShadingPatternCollection> shadings;
  platform::PdfObject colorSpaceDict;
};

struct QVPDFConentParser::PageContext {
  platform::PdfOperatorTable table;
  QVPDFConentParserLimits limits;
  // The interpreter whose stream the scanner is reading now: the callbacks of
  // the shared table run on it.
  QVPDFConentParser* current = nullptr;
  uint64_t work = 0;
  // What the page may spend: its base work and its share of every byte of
  // content met so far.
  uint64_t workAllowed = 0;
  // The forms run so far (by object), whose bytes have been added to what
  // the page may spend.
  std::set<std::pair<int, int>> formsMet;
  uint64_t formBytes = 0;
  uint64_t copyWork = 0;
  bool cutOff = false;
  bool scansImages = true;
  std::map<std::tuple<int, int, int>, std::shared_ptr<const Resources>> formResources;
  // Inline images met on this page by their text, so that a form drawn many
  // times draws one image (decoded once) rather than a new one each time.
  struct InlineImage {
    platform::PdfObject colorSpaces;
    std::shared_ptr<QVPDFImageXObject> image;
  };
  std::unordered_map<std::string, InlineImage> inlineImages;
  size_t inlineImageKeyBytes = 0;

  PageContext() = default;
  PageContext(const PageContext&) = delete;
  PageContext& operator=(const PageContext&) = delete;
  // The inline images of the page are objects the scanner made in the
  // document; they go with the page.
  ~PageContext() {
    for (auto& [key, entry] : inlineImages) entry.image->xObjectStream().release();
  }
};

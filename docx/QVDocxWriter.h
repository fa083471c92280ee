#pragma once
// The Word document package of one conversion.
//
// The exporter drives it page by page:
//
//   QVDocxWriter writer(outputPath, pageCount);
//   writer.begainWriteDocument();
//   for each page:
//     writer.begainWritePage({width, height});   // a new QVDocxPage
//     ... the exporter fills writer.currentPage() ...
//     writer.endWritePage();                      // the page's paragraphs are in the body
//   writer.endWriteDocument();                    // the body is complete
//   writer.packetDocxFile();                      // the output file
//
// The body of word/document.xml is streamed into a work folder (named after
// the output file, inside the conversion's work folder) while the pages are
// converted; at the end the other parts are written and the folder, with the
// pictures collected, is zipped into the output file through a temporary name, so a failure never leaves a
// partial file under the output name. Every failed write, move or packing
// step throws; the work folder is removed when the package is made, and by
// the destructor after a failure or a cancel.
//
// Each page written begins with a bookmark named after its number and ends
// in a section break. The last page's final paragraph carries no break of
// its own: its section properties close the body instead. Which page is the
// last is known only when the document ends (a listed page may fail, or more
// pages may come than were announced), so the final paragraph of each page
// is held back until the next page is written or the document ends. A page
// that fails before its end leaves nothing in the body.
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <string>
#include <string_view>
#include <vector>

#include "convert/xml/QVOpenXMLPackage.h"
#include "docx/QVDocx.h"
#include "docx/QVDocxConversionContext.h"
#include "docx/QVDocxPage.h"
#include "docx/QVDocxParagraph.h"
#include "convert/zip/QVZipPartStore.h"
#include "pdf/QVPDFImageFile.h"
#include "platform/geometry/geometry.h"

class XMLFileWriter;

class QVDocxWriter {
 public:
  // Makes the work folder; throws std::runtime_error when it cannot be made.
  // The context holds the conversion's counters; the writer resets them
  // when the document and each page begin.
  QVDocxWriter(const std::string& outputPath, int64_t numOfPages, QVDocxConversionContext& context);
  ~QVDocxWriter();
  QVDocxWriter(const QVDocxWriter&) = delete;
  QVDocxWriter& operator=(const QVDocxWriter&) = delete;

  // Resets the conversion's counters and opens the body.
  void begainWriteDocument();
  // A new page of the given display size (points); a page still open (its
  // conversion failed) is dropped.
  void begainWritePage(platform::Size pageSize);
  // Builds the current page's paragraphs and writes them into the body.
  void endWritePage();
  // Writes the final paragraph and the body's section properties, and
  // closes word/document.xml.
  void endWriteDocument();
  // Writes the other parts and zips the package into the output file.
  void packetDocxFile();

  // The relationship id under which the body refers to the image file
  // ("rId6" for the first one); the picture is kept for the package's media
  // (in memory, or beyond a bound in one spill file of the work folder)
  // until the package is made. The same image file (copies included) gets
  // the same id; each its own media name (a number is added to a name
  // another took), with the extension of its kind, PNG or JPEG. "" for bytes
  // of neither kind, which the package cannot hold. Throws
  // std::runtime_error when the picture cannot be kept.
  std::string collectImage(const QVPDFImageFile& image);

  QVDocxPage* currentPage() { return currentPage_.get(); }
  QVDocxConversionContext& context() { return context_; }
  const std::string& savedFilePath() const { return savedFilePath_; }
  const std::string& savedWorkFolder() const { return savedWorkFolder_; }
  int64_t docxNumOfPages() const { return docxNumOfPages_; }
  const QVDocx_DocPr& docxProperty() const { return docxProperty_; }
  // Pages begun (1-based number of the current page).
  int64_t currentDocxPageIndex() const { return currentDocxPageIndex_; }
  // Pages whose paragraphs are in the body.
  int64_t writtenPageCount() const { return writtenPages_; }

 private:
  void setBegainDocxOptions();
  void writeHeldParagraph(bool last);
  void writeRootRelationships();
  void writeAppProperties();
  void writeCoreProperties();
  void writeContentTypes();
  void writeDocumentRelationships();
  // The fonts the body names, for its fonts table.
  void collectFont(const QVDocx_FontName& name);
  void collectFonts(const QVDocx_RPr& rPr);
  void collectFonts(const QVDocxParagraph& paragraph);
  void writeFontTable();
  void writeSettings();
  void writeTemplate(const std::string& name, const std::string& part);
  void removeWorkFolder();

  std::string savedFilePath_;
  std::string savedWorkFolder_;
  int64_t docxNumOfPages_ = 0;
  QVDocx_DocPr docxProperty_{"page", 100.0f};
  QVDocxConversionContext& context_;
  // The families the body names, in the order first named.
  std::vector<std::string> fontTable_;
  std::unordered_set<std::string> fontNames_;
  std::vector<QVOpenXMLPackage::Relationship> relationships_;
  // Pictures for word/media, with their names there.
  struct Media {
    std::string name;
    size_t relationship = 0;  // 1-based
  };
  std::vector<Media> media_;
  // Position in media_ of each picture by its serial.
  std::unordered_map<uint64_t, size_t> mediaBySource_;
  // Position in media_ of each picture by its bytes (held in mediaBytes_):
  // another picture of the same bytes shares its part.
  std::unordered_map<std::string_view, size_t> mediaByBytes_;
  std::vector<std::shared_ptr<const std::string>> mediaBytes_;
  std::unordered_set<std::string> mediaNames_;
  // The pictures' bytes by part name.
  std::unique_ptr<QVZipPartStore> mediaParts_;
  std::unique_ptr<XMLFileWriter> documentWriter_;
  std::unique_ptr<QVDocxPage> currentPage_;
  int64_t currentDocxPageIndex_ = 0;
  int64_t writtenPages_ = 0;
  // The final paragraph of the last page written, not yet in the body.
  std::optional<QVDocxParagraph> heldParagraph_;
  bool documentEnded_ = false;
  // A write into the body failed: the document cannot be made.
  bool bodyBroken_ = false;
};

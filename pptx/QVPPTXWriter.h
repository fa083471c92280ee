#pragma once
// The presentation package of one conversion.
//
// The exporter drives it page by page:
//
//   QVPPTXWriter writer(outputPath, pageCount);
//   writer.begainWriteDocument();
//   for each page:
//     writer.begainWritePage({width, height});      // opens slide N
//     writer.currentPage()->addShape(...);           // text boxes, freeforms
//     picture->runImageID = writer.collectImage(imageFile);
//     writer.endWritePage();                         // slide N is on disk
//   writer.packetPPTXFile();                         // the output file
//
// Slides and their relationships are made as each page ends, and pictures
// taken into the package's media when collected: both are held in memory or,
// beyond a bound, in one spill file of a work folder (named after the output
// file, inside the conversion's work folder), so that a conversion creates a
// handful of files whatever its pages hold. The remaining parts are made in
// memory at the end and everything is zipped into the output file.
//
// The package lists only the slides that were completed: a page that fails
// between begainWritePage and endWritePage (an exception from the exporter, or
// a failed write) leaves nothing behind, and the next page takes its slide
// number. The slide size is that of the first completed slide, kept inside
// the range PresentationML allows; 10 x 7.5 inches when there is none.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/zip/QVZipPartStore.h"
#include "pdf/QVPDFImageFile.h"
#include "platform/geometry/geometry.h"
#include "pptx/QVPPTXPage.h"

class QVPPTXWriter {
 public:
  // initWithPath:numOfPages: makes the work folder; throws std::runtime_error
  // when it cannot be made. Slides and pictures beyond `memoryBound` bytes
  // go to the spill file.
  QVPPTXWriter(const std::string& outputPath, int64_t numOfPages,
               size_t memoryBound = QVZipPartStore::kMemoryBound);
  // Removes the work folder if packetPPTXFile did not (a cancelled or failed
  // conversion).
  ~QVPPTXWriter();
  QVPPTXWriter(const QVPPTXWriter&) = delete;
  QVPPTXWriter& operator=(const QVPPTXWriter&) = delete;

  void begainWriteDocument();
  void endWriteDocument() {}

  // Opens the next slide for a page of the given size in points. A slide still
  // open (its page failed) is discarded first.
  void begainWritePage(platform::Size pageSize);
  // The relationship id by which the current slide shows the image file,
  // taking the picture into the package the first time it is seen (copies
  // of one image file are one picture). Empty when there is no open slide
  // or the bytes are no JPEG or PNG image (the picture must then be left
  // out). Throws std::runtime_error when the picture cannot be kept.
  std::string collectImage(const QVPDFImageFile& image);
  // Makes the current slide and its relationships and keeps them for the
  // package. When that fails the slide is discarded and the exception passes
  // on.
  void endWritePage();
  // Drops the open slide, its parts and the images only it used.
  void discardCurrentPage();

  // Writes the remaining parts, zips the package into the output file (through
  // a temporary file beside it, so a failure never leaves a partial file under
  // the output name) and removes the work folder. Throws XMLWriterException or
  // std::runtime_error when any part or the archive cannot be written.
  void packetPPTXFile();

  // The page size of the first completed slide; (0, 0) before.
  platform::Size slideSize() const;
  // The slide being written (null before the first page and after a discard).
  QVPPTXPage* currentPage() { return currentPage_.get(); }
  // Slide numbers of the completed slides, in order (1, 2, ... without gaps).
  uint64_t completedSlideCount() const { return completed_.size(); }
  uint64_t currentPageIndex() const { return currentPageIndex_; }
  uint64_t totalPPTXPages() const { return totalPPTXPages_; }
  const std::string& savedFilePath() const { return savedFilePath_; }
  const std::string& savedWorkFolder() const { return savedWorkFolder_; }

 private:
  struct CompletedSlide {
    uint64_t number;
    platform::Size pageSize;
  };
  // One media part per distinct picture, shared by every slide showing it.
  struct MediaRecord {
    uint64_t source = 0;   // the image file's serial
    std::string fileName;  // "imageN.jpeg" / "imageN.png" in ppt/media
    std::set<uint64_t> slides;
    std::shared_ptr<const std::string> bytes;  // what the part holds
  };
  // Rebuilds the look-ups of media_ after records went away.
  void indexMedia();

  void writeRootRelationships();
  void writeContentTypes();
  void writeAppProperties();
  void writeCoreProperties();
  void writeThumbnail();
  void writePresentationRelationships(std::vector<std::string>& slideIdsList);
  void checkMedia();
  void writePresentation(const std::vector<std::string>& slideIdsList);
  void writePresProps();
  void writeSlideLayouts();
  void writeSlideMaster();
  void writeTableStyles();
  void writeTheme();
  void writeViewProps();
  void copyTemplate(const std::string& name, const std::string& partName);
  // A part made in memory, by its name in the package (emptied for writing).
  std::string* packagePart(const std::string& name);
  struct PackageEntry {
    std::string name;
    const std::string* data = nullptr;  // a part made in memory, or null for one of parts_
  };
  std::vector<PackageEntry> packageEntries() const;
  void zipPackage();
  void removeWorkFolder();

  std::string savedFilePath_;
  std::string savedWorkFolder_;
  uint64_t currentPageIndex_ = 0;
  uint64_t totalPPTXPages_ = 0;
  std::unique_ptr<QVPPTXPage> currentPage_;
  bool pageOpen_ = false;
  platform::Size openPageSize_;
  std::vector<CompletedSlide> completed_;
  // The parts other than slides and pictures: small, made in memory when the
  // package is written and zipped from there (a work folder of a dozen
  // folders cost more to make and remove than the parts themselves).
  std::map<std::string, std::string> packageParts_;
  std::vector<MediaRecord> media_;
  // Position in media_ of each source picture (rebuilt when records go away).
  std::unordered_map<uint64_t, size_t> mediaBySource_;
  // Position in media_ of each picture by its bytes: another picture of the
  // same bytes (an image drawn again under the same clip) shares its part.
  std::unordered_map<std::string_view, size_t> mediaByBytes_;
  // The slides, their relationships and the pictures, by part name.
  std::unique_ptr<QVZipPartStore> parts_;
  uint64_t mediaCounter_ = 0;
};

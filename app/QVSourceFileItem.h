#pragma once
// One queued PDF file: where it is, its password, its per-file settings
// (output format by title, page selection) and the result of its last
// conversion. It builds what the conversion manager hands the converter
// (page list, output extension, a free output path) and the texts a row of
// the queue shows.
//
// Items are shared (the queue, the conversion manager and the window hold
// the same item) and are used on the Qt thread only.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/QVConversionError.h"

// An output format the application offers: its title in the settings, the
// output extension and the name of its icon.
struct QVDocFormat {
  std::string title;
  std::string extension;
  std::string icon;
};

class QVSourceFileItem {
 public:
  // The default output format's title.
  static constexpr const char* kDefaultOutputFormat = "Microsoft PowerPoint(.pptx)";
  // The page-range text of a new item.
  static constexpr const char* kAllPages = "All Pages";

  // An item for the path, with the default settings; null when nothing
  // exists there (a folder counts as existing).
  static std::shared_ptr<QVSourceFileItem> initWithPath(const std::string& path);
  // One item for a file; for a folder, one for each file directly inside it
  // (hidden ones too, sorted by name); none when nothing exists there. The
  // kind of file is not tested here.
  static std::vector<std::shared_ptr<QVSourceFileItem>> CreateSourceItemsOfFileOrDirectoryAtPath(
      const std::string& path);

  // The offered formats in the order of the settings menu.
  static const std::vector<QVDocFormat>& docFormats();
  // Title → extension, and title → icon name.
  static const std::map<std::string, std::string>& docFormatTypeDictionary();
  static const std::map<std::string, std::string>& docFormatIconDictionary();
  // The size text of any file ("4.0 KB"); "" when it cannot be read.
  static std::string FileSizeAtPath(const std::string& path);
  // "%0.1f KB/MB/GB" of a byte count, counted in whole kibibytes.
  static std::string fileSizeText(uint64_t bytes);

  // Settings back to a new item's: the stored default format, all pages, no
  // result.
  void setupDefaults();

  const std::string& sourcePath() const { return sourcePath_; }
  // The password accepted when the file was queued; empty for none.
  const std::string& sourcePassword() const { return sourcePassword_; }
  void setSourcePassword(std::string password) { sourcePassword_ = std::move(password); }

  // The output chosen when the last conversion started; empty before.
  const std::string& outputPath() const { return outputPath_; }
  void setOutputPath(std::string path) { outputPath_ = std::move(path); }

  // The format's title; setting it also stores it as the format of the items
  // made from now on. The last conversion's result belongs to the format it
  // was made in: under another format the item is ready to convert again.
  const std::string& settings_outputFormat() const { return settings_outputFormat_; }
  void setSettings_outputFormat(std::string title);
  // 0 all pages, 1 the custom page-range text.
  int64_t settings_pageRangeType() const { return settings_pageRangeType_; }
  void setSettings_pageRangeType(int64_t type) { settings_pageRangeType_ = type; }
  const std::string& settings_customPageRange() const { return settings_customPageRange_; }
  void setSettings_customPageRange(std::string text) { settings_customPageRange_ = std::move(text); }

  // The end error of the last conversion; none on success. Setting it ends
  // the conversion.
  const std::optional<QVConversionError>& conversionError() const { return conversionError_; }
  void setConversionError(std::optional<QVConversionError> error);

  // The number of pages, read once the file opens (with the password); 0
  // while it does not, and then asked again next time.
  int64_t sourcePages();
  uint64_t fileSize() const;
  std::string fileSizeString() const;
  // The source file is still where it was queued from.
  bool isSourceFileThere() const;
  // "3 Pages, 4.0 KB"; "File not found" once the file has gone.
  std::string sourceInfo();
  // The row's status: page choice, extension and "Ready!", "Success!" or
  // "Failed!" ("All Pages, PPTX, Ready!"). "Ready!" until a conversion to the
  // chosen format has started.
  std::string conversionOptions() const;
  // Icon names: "icon_pdf", "icon_pdf_pw" for a locked file, or the
  // damaged file's "icon_unknown" for one that has gone; the output
  // format's icon ("" for a title outside the table).
  std::string sourceFileIcon() const;
  std::string outputFileIcon() const;
  // Whether there is a result in the chosen format to open.
  bool outputFileIconEnable() const;
  // The extension of the output format; "pptx" for a title outside the table.
  std::string outputFileFormat() const;
  // A free output path in the chosen output folder ("Name.pptx", else
  // "Name 2.pptx", ...), stored as outputPath. Nothing (and outputPath
  // cleared) when no usable folder is chosen or no free name is left.
  std::optional<std::string> newOutputPath();
  // The 1-based page numbers to convert, from the page choice.
  std::vector<int64_t> outputPDFPageIndexs();
  // Why the page choice cannot be converted: its text holds something the
  // page list would skip, or it selects no page of the document. Nothing
  // when it can, or when the document does not open (the conversion then
  // says why).
  std::optional<std::string> pageRangeProblem();

  // The result of the conversion under way or last run. beginConversion
  // clears it, notes the format it is made in, and keeps the number of pages
  // handed to the converter, which the progress is counted against.
  void beginConversion(int64_t pagesToConvert);
  // Forgets the last conversion (its output stays on disk): "Ready!" again.
  void resetConversion();
  int64_t pagesToConvert() const { return pagesToConvert_; }
  int64_t convertedPageCount() const { return convertedPageCount_; }
  void setConvertedPageCount(int64_t count) { convertedPageCount_ = count; }
  int64_t failedPageCount() const { return failedPageCount_; }
  // A page failed; the first failure and the first exception are kept to
  // say why the conversion failed.
  void addFailedPage(uint64_t pageNumber, const QVConversionError& error);
  void addConversionException(const QVConversionException& exception);
  // A conversion to the chosen format has started since the last reset.
  bool hasConversionInChosenFormat() const;
  // From the start of a conversion until its end: its settings are those
  // being converted and stay as they are.
  bool isConversionUnderWay() const { return !conversionFormat_.empty() && !conversionEnded_; }
  // The last conversion was made in the chosen format, ended without error,
  // converted at least one page, and its output is there.
  bool isConversionSucceeded() const;
  // Why the last conversion in the chosen format failed, in the converter's
  // words, one reason a line ("405 Can't load the PDF Document."); empty
  // when it did not fail or has not ended yet. What the converter caught is
  // said plainly (the output folder that cannot be written to), never by
  // the program's own names for it.
  std::string conversionFailureReason() const;
  // The progress bar's value (0.1 .. 85) after `finished` pages: the share
  // of the pages handed to the converter, scaled to 85.
  double pageProgress(uint64_t finished) const;

 private:
  explicit QVSourceFileItem(std::string path);
  static std::map<std::string, std::string> formatTable(std::string QVDocFormat::*field);

  int64_t sourcePages_ = 0;
  std::string sourcePath_;
  std::string sourcePassword_;
  std::string outputPath_;
  std::string settings_outputFormat_;
  int64_t settings_pageRangeType_ = 0;
  std::string settings_customPageRange_;
  std::optional<QVConversionError> conversionError_;
  // The extension of the last conversion; empty before one.
  std::string conversionFormat_;
  bool conversionEnded_ = false;
  int64_t pagesToConvert_ = 0;
  int64_t convertedPageCount_ = 0;
  int64_t failedPageCount_ = 0;
  std::optional<std::pair<uint64_t, QVConversionError>> firstPageFailure_;
  std::optional<QVConversionException> firstException_;
  // The first caught exception in the user's words, found when the
  // conversion ended.
  std::string exceptionReason_;
};

#include "app/QVSourceFileItem.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "app/QVCPDFUtilities.h"
#include "app/QVCUtilities.h"
#include "app/QVSandBoxUtilities.h"
#include "app/QVUserDefaults.h"
#include "convert/QVPageRange.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/text/text.h"

namespace stdfs = std::filesystem;

namespace {

// Follows links: a link to nothing is nothing.
bool existsAt(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

std::optional<uint64_t> sizeOfFile(const std::string& path) {
  struct stat info;
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

std::string upperCased(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string lastComponentWithoutExtension(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  return stdfs::path(trimmed).stem().string();
}

// A failure the converter caught, as the user can act on it: the output
// folder refusing new files is named as such whatever the system said, and
// no type name of the program's insides is shown.
std::string plainReason(const QVConversionException& exception, const std::string& outputPath) {
  if (!outputPath.empty()) {
    const std::string folder = stdfs::path(outputPath).parent_path().string();
    if (!platform::fs::isDirectory(folder)) return "The folder \"" + folder + "\" does not exist.";
    if (!QVSandBoxUtilities::canCreateFileInFolder(folder))
      return "The folder \"" + folder + "\" cannot be written to.";
  }
  if (exception.name == "std::bad_alloc") return "There is not enough memory to convert this document.";
  return exception.reason;
}

}  // namespace

// Title → one field of every offered format.
std::map<std::string, std::string> QVSourceFileItem::formatTable(std::string QVDocFormat::*field) {
  std::map<std::string, std::string> table;
  for (const QVDocFormat& format : docFormats()) table.emplace(format.title, format.*field);
  return table;
}

QVSourceFileItem::QVSourceFileItem(std::string path) : sourcePath_(std::move(path)) {}

std::shared_ptr<QVSourceFileItem> QVSourceFileItem::initWithPath(const std::string& path) {
  if (!existsAt(path)) return nullptr;
  std::shared_ptr<QVSourceFileItem> item(new QVSourceFileItem(path));
  item->setupDefaults();
  return item;
}

std::vector<std::shared_ptr<QVSourceFileItem>> QVSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath(
    const std::string& path) {
  std::vector<std::shared_ptr<QVSourceFileItem>> items;
  if (!existsAt(path)) return items;
  if (!platform::fs::isDirectory(path)) {
    if (auto item = initWithPath(path)) items.push_back(std::move(item));
    return items;
  }
  std::vector<std::string> files;
  std::error_code ec;
  for (stdfs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().string();
    if (existsAt(entry) && !platform::fs::isDirectory(entry)) files.push_back(entry);
  }
  if (ec) return items;
  std::sort(files.begin(), files.end());
  for (const std::string& file : files)
    if (auto item = initWithPath(file)) items.push_back(std::move(item));
  return items;
}

const std::vector<QVDocFormat>& QVSourceFileItem::docFormats() {
  static const std::vector<QVDocFormat> formats = {
      {kDefaultOutputFormat, "pptx", "icon_pptx"},
      {"UTF-8 Plain Text(.txt)", "txt", "icon_txt"},
      {"Rich Text File(.rtf)", "rtf", "icon_rtf"},
      {"Web Source File(.html)", "html", "icon_html"},
  };
  return formats;
}

const std::map<std::string, std::string>& QVSourceFileItem::docFormatTypeDictionary() {
  static const std::map<std::string, std::string> table = formatTable(&QVDocFormat::extension);
  return table;
}

const std::map<std::string, std::string>& QVSourceFileItem::docFormatIconDictionary() {
  static const std::map<std::string, std::string> table = formatTable(&QVDocFormat::icon);
  return table;
}

std::string QVSourceFileItem::fileSizeText(uint64_t bytes) {
  const uint64_t kib = bytes / 1024;
  double value = static_cast<double>(kib);
  char unit = 'K';
  if (bytes >= (uint64_t{1} << 30)) {
    value /= 1048576.0;
    unit = 'G';
  } else if (bytes >= (uint64_t{1} << 20)) {
    value /= 1024.0;
    unit = 'M';
  }
  std::string text = platform::text::formatFixed(value, 1);
  text += ' ';
  text += unit;
  text += 'B';
  return text;
}

std::string QVSourceFileItem::FileSizeAtPath(const std::string& path) {
  const std::optional<uint64_t> size = sizeOfFile(path);
  return size ? fileSizeText(*size) : std::string();
}

void QVSourceFileItem::setupDefaults() {
  sourcePages_ = 0;
  setSettings_outputFormat(QVCUtilities::stringValueForKey(kQVSettingsOutputFormatKey, kDefaultOutputFormat));
  settings_pageRangeType_ = 0;
  settings_customPageRange_ = kAllPages;
  resetConversion();
}

void QVSourceFileItem::setSettings_outputFormat(std::string title) {
  settings_outputFormat_ = std::move(title);
  QVUserDefaults::setString(kQVSettingsOutputFormatKey, settings_outputFormat_);
}

int64_t QVSourceFileItem::sourcePages() {
  if (sourcePages_ > 0) return sourcePages_;
  if (auto document = QVCPDFUtilities::initPDFDocumentAtPath(sourcePath_, sourcePassword_))
    sourcePages_ = document->pageCount();
  return sourcePages_;
}

uint64_t QVSourceFileItem::fileSize() const { return sizeOfFile(sourcePath_).value_or(0); }

std::string QVSourceFileItem::fileSizeString() const { return fileSizeText(fileSize()); }

bool QVSourceFileItem::isSourceFileThere() const { return existsAt(sourcePath_); }

std::string QVSourceFileItem::sourceInfo() {
  // Neither the page count read before nor the size of nothing.
  if (!isSourceFileThere()) return "File not found";
  return platform::text::formatInteger(sourcePages()) + " Pages, " + fileSizeString();
}

std::string QVSourceFileItem::conversionOptions() const {
  std::string text = settings_pageRangeType_ == 1 ? settings_customPageRange_ : std::string(kAllPages);
  text += ", ";
  text += upperCased(outputFileFormat());
  if (!hasConversionInChosenFormat())
    text += ", Ready!";
  else
    text += isConversionSucceeded() ? ", Success!" : ", Failed!";
  return text;
}

std::string QVSourceFileItem::sourceFileIcon() const {
  // A file that does not open looks locked, unless it is not there at all.
  if (!isSourceFileThere()) return "icon_unknown";
  return QVCPDFUtilities::isPDFDocumentLockedAtPath(sourcePath_) ? "icon_pdf_pw" : "icon_pdf";
}

std::string QVSourceFileItem::outputFileIcon() const {
  const auto& icons = docFormatIconDictionary();
  const auto it = icons.find(settings_outputFormat_);
  return it == icons.end() ? std::string() : it->second;
}

bool QVSourceFileItem::outputFileIconEnable() const { return isConversionSucceeded(); }

std::string QVSourceFileItem::outputFileFormat() const {
  const auto& types = docFormatTypeDictionary();
  const auto it = types.find(settings_outputFormat_);
  return it == types.end() || it->second.empty() ? std::string("pptx") : it->second;
}

std::optional<std::string> QVSourceFileItem::newOutputPath() {
  outputPath_.clear();
  const std::optional<std::string> folder = QVSandBoxUtilities::UserSelectedOutputURLBookmark();
  if (!folder) return std::nullopt;
  std::string wanted = *folder;
  if (wanted.back() != '/') wanted += '/';
  wanted += lastComponentWithoutExtension(sourcePath_) + "." + outputFileFormat();
  std::optional<std::string> path = QVCUtilities::getNewPathby(wanted);
  if (path) outputPath_ = *path;
  return path;
}

std::vector<int64_t> QVSourceFileItem::outputPDFPageIndexs() {
  const int64_t pageCount = sourcePages();
  switch (settings_pageRangeType_) {
    case 0:
      return QVAllPageIndexs(pageCount);
    case 1:
      return QVPageIndexsFromRangeText(settings_customPageRange_, pageCount);
    default:
      return {};
  }
}

std::optional<std::string> QVSourceFileItem::pageRangeProblem() {
  const int64_t pageCount = sourcePages();
  if (pageCount > 0 && outputPDFPageIndexs().empty()) {
    const std::string pages = platform::text::formatInteger(pageCount) + (pageCount == 1 ? " page" : " pages");
    if (settings_pageRangeType_ != 1) return "No page of this document (" + pages + ") is chosen.";
    return "The pages \"" + settings_customPageRange_ + "\" select no page of this document (" + pages + ").";
  }
  if (settings_pageRangeType_ == 1)
    if (std::optional<std::string> unread = QVPageRangeTextProblem(settings_customPageRange_))
      return "The pages \"" + settings_customPageRange_ + "\" cannot be read: " + *unread + ".";
  return std::nullopt;
}

void QVSourceFileItem::beginConversion(int64_t pagesToConvert) {
  conversionError_.reset();
  conversionEnded_ = false;
  conversionFormat_ = outputFileFormat();
  pagesToConvert_ = pagesToConvert;
  convertedPageCount_ = 0;
  failedPageCount_ = 0;
  firstPageFailure_.reset();
  firstException_.reset();
  exceptionReason_.clear();
}

void QVSourceFileItem::resetConversion() {
  beginConversion(0);
  outputPath_.clear();
  conversionFormat_.clear();
}

void QVSourceFileItem::setConversionError(std::optional<QVConversionError> error) {
  conversionError_ = std::move(error);
  conversionEnded_ = true;
  exceptionReason_ = firstException_ ? plainReason(*firstException_, outputPath_) : std::string();
}

void QVSourceFileItem::addFailedPage(uint64_t pageNumber, const QVConversionError& error) {
  ++failedPageCount_;
  if (!firstPageFailure_) firstPageFailure_.emplace(pageNumber, error);
}

void QVSourceFileItem::addConversionException(const QVConversionException& exception) {
  if (!firstException_) firstException_ = exception;
}

bool QVSourceFileItem::hasConversionInChosenFormat() const {
  return !conversionFormat_.empty() && conversionFormat_ == outputFileFormat();
}

bool QVSourceFileItem::isConversionSucceeded() const {
  return hasConversionInChosenFormat() && !outputPath_.empty() && !conversionError_ && convertedPageCount_ > 0 &&
         existsAt(outputPath_);
}

std::string QVSourceFileItem::conversionFailureReason() const {
  if (!conversionEnded_ || !hasConversionInChosenFormat() || isConversionSucceeded()) return {};
  std::vector<std::string> reasons;
  const auto describe = [](const QVConversionError& error) {
    return platform::text::formatInteger(error.code) + " " + error.failureReason;
  };
  if (conversionError_) reasons.push_back(describe(*conversionError_));
  if (!exceptionReason_.empty()) reasons.push_back(exceptionReason_);
  if (firstPageFailure_) {
    std::string page = "Page " + std::to_string(firstPageFailure_->first) + ": " + describe(firstPageFailure_->second);
    if (failedPageCount_ > 1)
      page += " (and " + platform::text::formatInteger(failedPageCount_ - 1) + " more failed pages)";
    reasons.push_back(std::move(page));
  }
  if (reasons.empty() && !existsAt(outputPath_)) reasons.push_back("No file at " + outputPath_ + ".");
  std::string text;
  for (const std::string& reason : reasons) text += (text.empty() ? "" : "\n") + reason;
  return text;
}

double QVSourceFileItem::pageProgress(uint64_t finished) const {
  constexpr double kFloor = 0.1;
  if (pagesToConvert_ <= 0) return kFloor;
  const float share = static_cast<float>(finished) * 100.0f / static_cast<float>(pagesToConvert_);
  return std::max(kFloor, static_cast<double>(share) * 0.85);
}

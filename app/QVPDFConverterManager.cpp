#include "app/QVPDFConverterManager.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

namespace {

// The output path was free when the item started, so whatever is there now
// was made by the stopped conversion.
void removePartialOutput(const std::string& path) {
  struct stat info;
  if (path.empty() || ::lstat(path.c_str(), &info) != 0) return;
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

}  // namespace

QVPDFConverterManager::QVPDFConverterManager(const QVExporterRegistry& registry)
    : pdfConverter_(mainQueue_, registry) {
  pdfConverter_.setDelegate(this);
}

QVPDFConverterManager::~QVPDFConverterManager() { pdfConverter_.setDelegate(nullptr); }

bool QVPDFConverterManager::startConversion() {
  if (isConverting_ || isBusy()) return false;
  // A snapshot: items queued later wait for the next run; items removed
  // from the queue later are still converted.
  ma_readyToConvertItems_ = ma_sourceItems_;
  if (delegate_) delegate_->willStartConversion(*this);
  isConverting_ = true;
  continueConversion();
  return true;
}

void QVPDFConverterManager::stopConversion() {
  isConverting_ = false;
  pdfConverter_.stopConvertsionIfNeed();
}

void QVPDFConverterManager::withdrawItems(const ItemList& items) {
  const auto withdrawn = [&items](const Item& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
  };
  std::erase_if(ma_readyToConvertItems_, withdrawn);
  if (!itemUnderWay_ || !currentConvertItem_ || !withdrawn(currentConvertItem_)) return;
  currentWithdrawn_ = true;
  if (pdfConverter_.isConverting()) pdfConverter_.stopConvertsionIfNeed();
}

void QVPDFConverterManager::continueConversion() {
  // A run started from within a report already has its item under way.
  if (itemUnderWay_) return;
  if (isConverting_ && !ma_readyToConvertItems_.empty()) {
    Item item = ma_readyToConvertItems_.front();
    ma_readyToConvertItems_.erase(ma_readyToConvertItems_.begin());
    startConvertPDFItem(item);
    return;
  }
  isConverting_ = false;
  if (delegate_) delegate_->didEndConversion(*this);
}

void QVPDFConverterManager::startConvertPDFItem(const Item& item) {
  currentConvertItem_ = item;
  const std::string sourcePath = item->sourcePath();
  const std::string password = item->sourcePassword();
  const std::vector<int64_t> pages = item->outputPDFPageIndexs();
  const std::string format = item->outputFileFormat();
  // A page choice that selects nothing is refused before a name is taken:
  // no file is made for it.
  if (std::optional<std::string> problem = item->pageRangeProblem()) {
    item->setOutputPath({});
    item->beginConversion(0);
    refuseCurrentItem(QVConversionError::make(kQVConversionErrorNoPage, std::move(*problem)));
    return;
  }
  const std::optional<std::string> outputPath = item->newOutputPath();
  // The progress of the item counts against this list, whatever happens to
  // the file while it converts.
  item->beginConversion(static_cast<int64_t>(pages.size()));
  // No usable output folder, or no free name left in it: the item ends with
  // an error, as it would in the converter, and the run goes on.
  if (!outputPath) {
    refuseCurrentItem(QVConversionError::unknown());
    return;
  }
  itemUnderWay_ = true;
  pdfConverter_.convertPDFAtPath(sourcePath, password, pages, format, *outputPath, std::nullopt);
}

void QVPDFConverterManager::refuseCurrentItem(QVConversionError error) {
  itemUnderWay_ = true;
  if (delegate_) delegate_->didStartConversion(*this, currentConvertItem_);
  mainQueue_.post([this, error = std::move(error)] { endCurrentItem(error); });
}

void QVPDFConverterManager::endCurrentItem(const std::optional<QVConversionError>& error) {
  const Item item = currentConvertItem_;
  // A withdrawn item that was saved before the stop reached it is undone too.
  const bool withdrawn = std::exchange(currentWithdrawn_, false);
  const std::optional<QVConversionError> end = withdrawn && !error ? QVConversionError::canceled() : error;
  if (item) {
    item->setConversionError(end);
    if (end && end->code == kQVConversionErrorCanceled) removePartialOutput(item->outputPath());
    // Still under way while the delegate hears of the end, so that a start
    // from within the report waits for the run's end report.
    if (delegate_) delegate_->didEndConversion(*this, item, end);
  }
  itemUnderWay_ = false;
  continueConversion();
}

void QVPDFConverterManager::didStartConversion(QVPDFConverter&) {
  if (delegate_ && currentConvertItem_) delegate_->didStartConversion(*this, currentConvertItem_);
}

void QVPDFConverterManager::didEndConversion(QVPDFConverter&, const std::optional<QVConversionError>& error) {
  endCurrentItem(error);
}

void QVPDFConverterManager::convertPDFPageIndex(QVPDFConverter&, uint64_t pageNumber, uint64_t writeWordPageIndex,
                                                uint64_t finshedWordPageCount) {
  if (!currentConvertItem_) return;
  currentConvertItem_->setConvertedPageCount(static_cast<int64_t>(finshedWordPageCount));
  if (delegate_)
    delegate_->convertPDFPageIndex(*this, currentConvertItem_, pageNumber, writeWordPageIndex, finshedWordPageCount);
}

void QVPDFConverterManager::convertPDFPageIndexFaildWithError(QVPDFConverter&, uint64_t pageNumber,
                                                              const QVConversionError& error) {
  if (!currentConvertItem_) return;
  currentConvertItem_->addFailedPage(pageNumber, error);
  if (delegate_) delegate_->convertPDFPageIndexFaildWithError(*this, currentConvertItem_, pageNumber, error);
}

void QVPDFConverterManager::willSaveDoc(QVPDFConverter&) {
  if (delegate_ && currentConvertItem_) delegate_->willSaveDoc(*this, currentConvertItem_);
}

void QVPDFConverterManager::catchException(QVPDFConverter&, const QVConversionException& exception) {
  if (!currentConvertItem_) return;
  currentConvertItem_->addConversionException(exception);
  if (delegate_) delegate_->catchException(*this, currentConvertItem_, exception);
}

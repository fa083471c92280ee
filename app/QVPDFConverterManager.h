#pragma once
// Runs the queue of source items through the one converter, one file after
// the other, and relays each of the converter's reports to its delegate
// with the item it concerns. It knows nothing of windows: the window turns
// the reports into progress, button states and opened results.
//
// Everything runs on the Qt thread; the converter's reports reach it there
// through the application's main queue. The next item starts from within
// the handling of the previous item's end report.
#include <memory>
#include <vector>

#include "app/QVMainQueue.h"
#include "app/QVPDFConverterManagerDelegate.h"
#include "app/QVSourceFileItem.h"
#include "convert/QVExporterRegistry.h"
#include "convert/QVPDFConverter.h"
#include "convert/QVPDFConverterDelegate.h"

class QVPDFConverterManager : private QVPDFConverterDelegate {
 public:
  using Item = std::shared_ptr<QVSourceFileItem>;
  using ItemList = std::vector<Item>;

  // Make it on the Qt thread, after the application object exists. The
  // registry must outlive the manager.
  explicit QVPDFConverterManager(const QVExporterRegistry& registry = QVExporterRegistry::shared());
  // Stops a conversion under way and waits for it; no report follows.
  ~QVPDFConverterManager() override;
  QVPDFConverterManager(const QVPDFConverterManager&) = delete;
  QVPDFConverterManager& operator=(const QVPDFConverterManager&) = delete;

  // Not owned.
  QVPDFConverterManagerDelegate* delegate() const { return delegate_; }
  void setDelegate(QVPDFConverterManagerDelegate* delegate) { delegate_ = delegate; }

  // The queue as the window shows it; a run converts the items it holds when
  // the run starts.
  const ItemList& ma_sourceItems() const { return ma_sourceItems_; }
  void setMa_sourceItems(ItemList items) { ma_sourceItems_ = std::move(items); }
  // The items of the run not started yet.
  const ItemList& ma_readyToConvertItems() const { return ma_readyToConvertItems_; }
  // The item being converted, or the last one started.
  const Item& currentConvertItem() const { return currentConvertItem_; }

  // From the start of a run until its end report; no longer once stopped.
  bool isConverting() const { return isConverting_; }
  // An item is still under way, also after a stop until its end report:
  // no run may start before then.
  bool isBusy() const { return itemUnderWay_ || pdfConverter_.isConverting(); }

  // Starts a run over ma_sourceItems. Refused (false, nothing reported) while
  // a run goes on or a stopped item has not ended yet.
  bool startConversion();
  // Ends the run after the item under way, which stops before its next page
  // and ends with the cancel error. Nothing is reported when no run goes on.
  void stopConversion();

  // The items have left the window's queue: those of the run not started yet
  // are not converted, and the one under way stops before its next page,
  // ends with the cancel error and leaves no output, even one it had
  // already saved. The run goes on with its next item.
  void withdrawItems(const ItemList& items);

  QVPDFConverter& pdfConverter() { return pdfConverter_; }

 private:
  void continueConversion();
  void startConvertPDFItem(const Item& item);
  // Ends the current item with the error without converting it.
  void refuseCurrentItem(QVConversionError error);
  void endCurrentItem(const std::optional<QVConversionError>& error);

  // The converter's reports.
  void didStartConversion(QVPDFConverter& converter) override;
  void didEndConversion(QVPDFConverter& converter, const std::optional<QVConversionError>& error) override;
  void convertPDFPageIndex(QVPDFConverter& converter, uint64_t pageNumber, uint64_t writeWordPageIndex,
                           uint64_t finshedWordPageCount) override;
  void convertPDFPageIndexFaildWithError(QVPDFConverter& converter, uint64_t pageNumber,
                                         const QVConversionError& error) override;
  void willSaveDoc(QVPDFConverter& converter) override;
  void catchException(QVPDFConverter& converter, const QVConversionException& exception) override;

  QVPDFConverterManagerDelegate* delegate_ = nullptr;
  // Declared before the converter, which posts to it until it is gone.
  QVMainQueue mainQueue_;
  QVPDFConverter pdfConverter_;
  Item currentConvertItem_;
  ItemList ma_sourceItems_;
  ItemList ma_readyToConvertItems_;
  bool isConverting_ = false;
  // From an item's start until its end report has been handled.
  bool itemUnderWay_ = false;
  // The item under way was withdrawn from the queue.
  bool currentWithdrawn_ = false;
};

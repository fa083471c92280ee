#include "app/window/QVAppDelegate.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/QVApplicationInfo.h"
#include "app/QVCUtilities.h"
#include "app/QVSandBoxUtilities.h"
#include "app/QVSupportActions.h"
#include "app/QVUserDefaults.h"
#include "app/window/QVAboutWindowController.h"
#include "app/window/QVColorView.h"
#include "app/window/QVDesktopServices.h"
#include "app/window/QVImageButton.h"
#include "app/window/QVNamedImages.h"
#include "app/window/QVPreferencesWindowController.h"
#include "app/window/QVSettingsViewController.h"
#include "app/window/QVSourceFileViewController.h"

namespace {

QString qstring(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The main window asks before it closes.
class QVMainWindow : public QMainWindow {
 public:
  std::function<bool()> shouldClose;

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (!shouldClose || shouldClose())
      event->accept();
    else
      event->ignore();
  }
};

constexpr int kBottomBarHeight = 42;
constexpr int kMinimumWindowWidth = 440;
constexpr int kMinimumWindowHeight = 440;

}  // namespace

QVAppDelegate::QVAppDelegate(std::shared_ptr<QVDesktopServices> desktop, const QVExporterRegistry& registry)
    : desktop_(std::move(desktop)), registry_(registry), quitHandler_([] { QCoreApplication::quit(); }) {
  buildWindow();
  buildMenus();
  updateMinimumSize();
}

QVAppDelegate::~QVAppDelegate() {
  // The manager stops and waits for a conversion still under way; its reports
  // must not reach a window that is being taken down.
  if (converterManager_) converterManager_->setDelegate(nullptr);
  converterManager_.reset();
}

QWidget& QVAppDelegate::rightView() { return *settingsViewController_; }

void QVAppDelegate::buildWindow() {
  auto* window = new QVMainWindow;
  window_.reset(window);
  window->shouldClose = [this] {
    if (!closeAllowed_) requestQuit(true);
    return closeAllowed_;
  };
  window->setWindowTitle(qstring(kQVApplicationName));
  window->setWindowIcon(QVNamedImages::icon("pdfconverter"));

  auto* central = new QWidget(window);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* content = new QHBoxLayout;
  content->setSpacing(0);
  sourceFileViewController_ = new QVSourceFileViewController(*desktop_, central);
  sourceFileViewController_->setMinimumWidth(400);
  settingsViewController_ = new QVSettingsViewController(*desktop_, central);
  content->addWidget(sourceFileViewController_, 1);
  content->addWidget(settingsViewController_);
  column->addLayout(content, 1);

  auto* bar = new QVColorView(central);
  bar->setFixedHeight(kBottomBarHeight);
  auto* barLayout = new QHBoxLayout(bar);
  barLayout->setContentsMargins(10, 5, 10, 5);
  auto* addButton = new QToolButton(bar);
  addButton->setObjectName(QStringLiteral("addFilesButton"));
  addButton->setText(QStringLiteral("Add Files\u2026"));
  addButton->setToolTip(QStringLiteral("Add PDF files to the list"));
  auto* panelButton = new QToolButton(bar);
  panelButton->setObjectName(QStringLiteral("settingsButton"));
  panelButton->setText(QStringLiteral("Settings"));
  panelButton->setToolTip(QStringLiteral("Show or hide the settings panel"));
  btn_convert_ = new QVImageButton(bar);
  btn_convert_->setObjectName(QStringLiteral("convertButton"));
  barLayout->addWidget(addButton);
  barLayout->addStretch(1);
  barLayout->addWidget(panelButton);
  barLayout->addWidget(btn_convert_);
  column->addWidget(bar);
  window->setCentralWidget(central);
  window->resize(920, 640);
  setConvertButtonRunning(false);

  preferences_ = std::make_unique<QVPreferencesWindowController>();
  preferences_->setWindowIcon(window->windowIcon());
  preferences_->setCheckNowHandler([this] { checkUpdates(); });

  connect(addButton, &QToolButton::clicked, sourceFileViewController_, &QVSourceFileViewController::sourceFileBrowse);
  connect(panelButton, &QToolButton::clicked, this, &QVAppDelegate::showOrHidenSettingView);
  connect(btn_convert_, &QVImageButton::clicked, this, &QVAppDelegate::startOrStopConversion);
  connect(sourceFileViewController_, &QVSourceFileViewController::didUpdateSelection, this,
          [this] { settingsViewController_->setSourceFileItem(sourceFileViewController_->selectedItem()); });
  // A file taken off the list is not converted, nor left half converted.
  connect(sourceFileViewController_, &QVSourceFileViewController::didRemoveItems, this, [this](const auto& items) {
    if (converterManager_) converterManager_->withdrawItems(items);
  });
  connect(settingsViewController_, &QVSettingsViewController::didUpdateSettings, this, &QVAppDelegate::settingsDidUpdate);
  connect(settingsViewController_, &QVSettingsViewController::didUpdateNotices, this, &QVAppDelegate::updateMinimumSize);
  connect(settingsViewController_, &QVSettingsViewController::didCreationFirstOutputDirectory, this,
          &QVAppDelegate::startOrStopConversionGo);
}

void QVAppDelegate::buildMenus() {
  QMenuBar* bar = window_->menuBar();
  const auto add = [this](QMenu* menu, const QString& title, const char* name, auto slot,
                          QKeySequence shortcut = {}) {
    QAction* action = menu->addAction(title);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  QVSourceFileViewController* list = sourceFileViewController_;

  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  add(file, QStringLiteral("Add Files\u2026"), "addFiles", [list] { list->sourceFileBrowse(); }, QKeySequence::Open);
  add(file, QStringLiteral("Add Sample Document"), "addSample", &QVAppDelegate::support_copySampleFiles);
  file->addSeparator();
  add(file, QStringLiteral("Show Source File"), "showSource", [list] { list->sourceFileRevealInFinder(); });
  add(file, QStringLiteral("Show Output File"), "showOutput", [list] { list->outputFileRevealInFinder(); });
  file->addSeparator();
  add(file, QStringLiteral("Remove"), "remove", [list] { list->sourceFileRemoveItemFromQueue(); });
  add(file, QStringLiteral("Remove All"), "removeAll", [list] { list->sourceFileRemoveAllFromQueue(); });
  file->addSeparator();
  add(file, QStringLiteral("&Quit"), "quit", [this] { requestQuit(true); }, QKeySequence::Quit);

  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  add(edit, QStringLiteral("Preferences\u2026"), "preferences", &QVAppDelegate::showPreferences,
      QKeySequence::Preferences);

  QMenu* view = bar->addMenu(QStringLiteral("&View"));
  mi_settingsPanel_ = add(view, QStringLiteral("Settings Panel"), "toggleSettings",
                          &QVAppDelegate::showOrHidenSettingView, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
  mi_settingsPanel_->setCheckable(true);
  mi_settingsPanel_->setChecked(true);

  QMenu* convert = bar->addMenu(QStringLiteral("&Convert"));
  add(convert, QStringLiteral("Convert / Stop"), "convert", &QVAppDelegate::startOrStopConversion,
      QKeySequence(Qt::CTRL | Qt::Key_Return));

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  add(help, QStringLiteral("User Manual"), "userManual", &QVAppDelegate::support_userManual, QKeySequence::HelpContents);
  add(help, QStringLiteral("Technical Support\u2026"), "technicalSupport", &QVAppDelegate::support_TechnicalSupport);
  add(help, QStringLiteral("Tell a Friend\u2026"), "tellAFriend", &QVAppDelegate::support_tellAFriend);
  help->addSeparator();
  add(help, QStringLiteral("Follow Us"), "followUs", &QVAppDelegate::support_followUs);
  add(help, QStringLiteral("Product Page"), "productPage", &QVAppDelegate::support_VisitProductPage);
  add(help, QStringLiteral("Visit Our Website"), "website", &QVAppDelegate::support_VistOurWebsite);
  help->addSeparator();
  add(help, QStringLiteral("Check for Updates\u2026"), "checkUpdates", &QVAppDelegate::checkUpdates);
  add(help, QStringLiteral("About %1").arg(qstring(kQVApplicationName)), "about", &QVAppDelegate::showAboutBox);
}

void QVAppDelegate::applicationWillFinishLaunching() {
  QVAutoUpdate::setDefaults();
  if (QVCUtilities::boolValueForKey(kQVSettingsIsHiddenSettingsKey, false)) hidenSettingView();
}

void QVAppDelegate::applicationDidFinishLaunching() {
  converterManager_ = std::make_unique<QVPDFConverterManager>(registry_);
  converterManager_->setDelegate(this);
  window_->show();
  window_->raise();
  window_->activateWindow();
  if (QVAutoUpdate::isAutomaticCheckDue(QDateTime::currentSecsSinceEpoch())) {
    updateChecker_.checkForUpdate([this](const QVUpdateCheckResult& result) {
      // Automatic checks speak only of a new version.
      if (result.status == QVUpdateCheckResult::Status::UpdateAvailable)
        showMessage(QStringLiteral("Software Update"), QString::fromStdString(result.message()));
    });
  }
}

void QVAppDelegate::applicationOpenFiles(const std::vector<std::string>& paths) {
  sourceFileViewController_->addFilesToCheckQueue(paths);
}

void QVAppDelegate::setConvertButtonRunning(bool running) {
  btn_convert_->setImageSet(running ? "btn-cancel" : "btn-convert");
  btn_convert_->setText(running ? QStringLiteral("Stop") : QStringLiteral("Convert"));
  btn_convert_->setToolTip(running ? QStringLiteral("Stop the conversion") : QStringLiteral("Convert the listed files"));
}

void QVAppDelegate::startOrStopConversion() {
  if (!converterManager_ || quitting_) return;
  if (converterManager_->isConverting() || sourceFileViewController_->ma_sourceItems().empty()) {
    startOrStopConversionGo();
    return;
  }
  // A stopped file still finishing: no new run before its end.
  if (converterManager_->isBusy()) return;
  if (QVSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark())
    startOrStopConversionGo();
  else
    settingsViewController_->browseOutputDirectryBeforeConversion();
}

void QVAppDelegate::startOrStopConversionGo() {
  if (!converterManager_ || quitting_) return;
  const auto& items = sourceFileViewController_->ma_sourceItems();
  if (!items.empty() && !converterManager_->isConverting() && !converterManager_->isBusy()) {
    converterManager_->setMa_sourceItems(items);
    converterManager_->startConversion();
    setConvertButtonRunning(converterManager_->isConverting());
    return;
  }
  converterManager_->stopConversion();
  setConvertButtonRunning(false);
  // Pressing again before the stopped file has ended would start nothing.
  btn_convert_->setEnabled(!converterManager_->isBusy());
}

void QVAppDelegate::hidenSettingView() {
  QWidget& panel = rightView();
  if (panel.isHidden()) return;
  const int width = window_->width();
  panel.hide();
  updateMinimumSize();
  window_->resize(std::max(window_->minimumWidth(), width - panel.minimumWidth()), window_->height());
  // What the panel took with it, given back when it shows again (less than
  // its width when the window could not get narrower).
  foldedWidth_ = std::max(0, width - window_->width());
  mi_settingsPanel_->setChecked(false);
}

void QVAppDelegate::updateMinimumSize() {
  // The list keeps its status column beside the panel, and the panel its
  // controls, with its notices.
  const QWidget& panel = rightView();
  const QWidget& list = *sourceFileViewController_;
  const bool shown = !panel.isHidden();
  // Sizes as the style draws them, also before the window first shows.
  window_->ensurePolished();
  const int width = list.minimumWidth() + (shown ? panel.minimumWidth() : 0);
  const int panelHeight = shown ? panel.minimumSizeHint().height() : 0;
  const int bars = window_->menuBar()->sizeHint().height() + kBottomBarHeight;
  const int height = bars + std::max(list.minimumSizeHint().height(), panelHeight);
  // Room for the panel's notices too, so that none is cut at the smallest
  // size, as far as the screen has it; beyond, they scroll.
  int withNotices = shown ? bars + panelHeight + settingsViewController_->noticesOverflow() : height;
  if (const QScreen* screen = window_->screen())
    withNotices = std::min(withNotices, screen->availableGeometry().height() -
                                            (window_->frameGeometry().height() - window_->height()));
  window_->setMinimumSize(std::max(kMinimumWindowWidth, width),
                          std::max({kMinimumWindowHeight, height, withNotices}));
}

void QVAppDelegate::showOrHidenSettingView() {
  QWidget& panel = rightView();
  if (!panel.isHidden()) {
    hidenSettingView();
  } else {
    // Read before the panel shows: the window widens to its new minimum
    // width at once.
    const int width = window_->width();
    panel.show();
    updateMinimumSize();
    const int added = foldedWidth_ > 0 ? foldedWidth_ : panel.minimumWidth();
    window_->resize(std::clamp(width + added, window_->minimumWidth(), window_->maximumWidth()), window_->height());
    mi_settingsPanel_->setChecked(true);
  }
  QVUserDefaults::setBool(kQVSettingsIsHiddenSettingsKey, panel.isHidden());
}

void QVAppDelegate::settingsDidUpdate() {
  const auto& item = settingsViewController_->sourceFileItem();
  if (item && settingsViewController_->isApplyToAll())
    sourceFileViewController_->applyFormatToAllData(item->settings_outputFormat());
  sourceFileViewController_->reloadTableView();
}

void QVAppDelegate::checkUpdates() {
  preferences_->setUpdateStatus(QStringLiteral("Checking\u2026"));
  updateChecker_.checkForUpdate([this](const QVUpdateCheckResult& result) {
    const QString message = QString::fromStdString(result.message());
    preferences_->setUpdateStatus(message);
    showMessage(QStringLiteral("Software Update"), message);
  });
}

void QVAppDelegate::showPreferences() { preferences_->showWindow(); }

void QVAppDelegate::showAboutBox() {
  if (!aboutWindow_) {
    aboutWindow_ = new QVAboutWindowController(window_.get());
    aboutWindow_->setAttribute(Qt::WA_DeleteOnClose);
  }
  aboutWindow_->show();
  aboutWindow_->raise();
}

void QVAppDelegate::showMessage(const QString& title, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, window_.get());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

void QVAppDelegate::requestQuit(bool ask) {
  if (quitting_) return;
  if (!converterManager_ || !converterManager_->isBusy()) {
    finishQuit();
    return;
  }
  if (!ask) {
    beginQuitting();
    return;
  }
  if (quitQuestion_) {
    quitQuestion_->raise();
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Quit"),
                              QStringLiteral("A conversion is under way. Stop it and quit?"), QMessageBox::NoButton,
                              window_.get());
  box->setObjectName(QStringLiteral("quitQuestion"));
  box->setInformativeText(QStringLiteral("The document being converted is not kept."));
  QPushButton* stop = box->addButton(QStringLiteral("Stop and Quit"), QMessageBox::AcceptRole);
  box->addButton(QMessageBox::Cancel);
  box->setDefaultButton(stop);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::buttonClicked, this, [this, stop](QAbstractButton* clicked) {
    if (clicked == stop) beginQuitting();
  });
  quitQuestion_ = box;
  box->open();
}

void QVAppDelegate::beginQuitting() {
  quitting_ = true;
  if (!converterManager_ || !converterManager_->isBusy()) {
    finishQuit();
    return;
  }
  // The end report of the stopped file (which removes its unfinished output)
  // and then of the run come through the event loop; the run's end quits.
  converterManager_->stopConversion();
  setConvertButtonRunning(false);
  btn_convert_->setEnabled(false);
}

void QVAppDelegate::finishQuit() {
  quitting_ = true;
  closeAllowed_ = true;
  preferences_->close();
  window_->close();
  if (quitHandler_) quitHandler_();
}

void QVAppDelegate::support_copySampleFiles() {
  if (const std::optional<std::string> sample = QVSupportActions::sampleDocumentPath())
    sourceFileViewController_->addFilesToCheckQueue({*sample});
  else
    showMessage(QStringLiteral("Sample Document"), QStringLiteral("The sample document could not be written."));
}

void QVAppDelegate::support_userManual() { desktop_->openURL(std::string(kQVUserManualURL)); }

void QVAppDelegate::support_TechnicalSupport() { desktop_->openURL(QVSupportActions::technicalSupportMailLink()); }

void QVAppDelegate::support_tellAFriend() {
  // The user addresses it to the friend.
  desktop_->openURL(QVSupportActions::mailtoLink("", kQVTellAFriendSubject, kQVTellAFriendText));
}

void QVAppDelegate::support_followUs() { desktop_->openURL(std::string(kQVFollowUsURL)); }

void QVAppDelegate::support_VisitProductPage() { desktop_->openURL(std::string(kQVProductPageURL)); }

void QVAppDelegate::support_VistOurWebsite() { desktop_->openURL(std::string(kQVWebsiteURL)); }

void QVAppDelegate::willStartConversion(QVPDFConverterManager&) {
  sourceFileViewController_->resetBeforeConversion();
  settingsViewController_->updateUI();
}

void QVAppDelegate::didEndConversion(QVPDFConverterManager&) {
  sourceFileViewController_->updateConversion(nullptr, 0.0, false);
  setConvertButtonRunning(false);
  btn_convert_->setEnabled(true);
  if (quitting_) {
    finishQuit();
    return;
  }
  window_->raise();
}

void QVAppDelegate::didStartConversion(QVPDFConverterManager& manager, const Item& item) {
  sourceFileViewController_->selectTableRowWithItem(item);
  sourceFileViewController_->updateConversion(item, 1.0, manager.isConverting());
  if (item == settingsViewController_->sourceFileItem()) settingsViewController_->updateUI();
}

void QVAppDelegate::convertPDFPageIndex(QVPDFConverterManager& manager, const Item& item, uint64_t, uint64_t,
                                        uint64_t finshedWordPageCount) {
  sourceFileViewController_->updateConversion(item, item->pageProgress(finshedWordPageCount), manager.isConverting());
}

void QVAppDelegate::willSaveDoc(QVPDFConverterManager& manager, const Item& item) {
  sourceFileViewController_->updateConversion(item, 90.0, manager.isConverting());
}

void QVAppDelegate::didEndConversion(QVPDFConverterManager& manager, const Item& item,
                                     const std::optional<QVConversionError>& error) {
  sourceFileViewController_->updateConversion(item, 100.0, manager.isConverting());
  if (item == settingsViewController_->sourceFileItem()) settingsViewController_->updateUI();
  // Only a result that is there is opened: not one that failed or stopped.
  if (quitting_ || error || !item->isConversionSucceeded()) return;
  if (!QVPreferencesWindowController::openFileAfterConversion()) return;
  if (!desktop_->openPath(item->outputPath())) desktop_->revealPath(item->outputPath());
}

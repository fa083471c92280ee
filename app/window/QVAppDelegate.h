#pragma once
// The application: the main window with the source list on the left and the
// settings panel on the right (which the user can fold away), the menus, and
// the Convert / Stop button. It runs the queue through the one conversion
// manager, turns the manager's reports into each row's progress, opens each
// result when the preference asks for it, and carries the support actions.
//
// Quitting while a conversion runs asks first, then stops the conversion,
// waits for its end (which removes the unfinished output) and only then quits.
#include <QMessageBox>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/QVAutoUpdate.h"
#include "app/QVPDFConverterManager.h"
#include "app/QVPDFConverterManagerDelegate.h"
#include "app/window/QVAboutWindowController.h"

class QAction;
class QMainWindow;
class QWidget;
class QVDesktopServices;
class QVImageButton;
class QVPreferencesWindowController;
class QVSettingsViewController;
class QVSourceFileViewController;

class QVAppDelegate : public QObject, private QVPDFConverterManagerDelegate {
  Q_OBJECT

 public:
  using Item = std::shared_ptr<QVSourceFileItem>;

  // The registry must outlive the application.
  explicit QVAppDelegate(std::shared_ptr<QVDesktopServices> desktop,
                         const QVExporterRegistry& registry = QVExporterRegistry::shared());
  ~QVAppDelegate() override;

  // Start-up, in this order: settings defaults and the folded panel, then the
  // conversion manager and the window on screen.
  void applicationWillFinishLaunching();
  void applicationDidFinishLaunching();
  // Files handed to the application (its command line): checked and queued.
  void applicationOpenFiles(const std::vector<std::string>& paths);
  // Quit: at once when nothing converts; otherwise, when `ask`, only once the
  // user agrees, and always only after the conversion has stopped and ended.
  void requestQuit(bool ask = true);
  // What quitting finally does (the application's event loop ends by default).
  void setQuitHandler(std::function<void()> handler) { quitHandler_ = std::move(handler); }

  // The Convert / Stop button.
  void startOrStopConversion();
  void showOrHidenSettingView();
  void checkUpdates();
  void showPreferences();
  void showAboutBox();

  void support_copySampleFiles();
  void support_userManual();
  void support_TechnicalSupport();
  void support_tellAFriend();
  void support_followUs();
  void support_VisitProductPage();
  void support_VistOurWebsite();

  QMainWindow& window() { return *window_; }
  QVSourceFileViewController& sourceFileViewController() { return *sourceFileViewController_; }
  QVSettingsViewController& settingsViewController() { return *settingsViewController_; }
  QVPreferencesWindowController& preferences() { return *preferences_; }
  QVImageButton& convertButton() { return *btn_convert_; }
  QWidget& rightView();
  // Null before launching has finished.
  QVPDFConverterManager* converterManager() { return converterManager_.get(); }
  // The question asked before quitting mid-run, while it is open.
  QMessageBox* quitQuestion() const { return quitQuestion_; }
  QVAboutWindowController* aboutWindow() const { return aboutWindow_; }

 private:
  void buildWindow();
  void buildMenus();
  void startOrStopConversionGo();
  void hidenSettingView();
  // The window's minimum size: the list and, while it shows, the panel and
  // the notices it shows.
  void updateMinimumSize();
  void setConvertButtonRunning(bool running);
  void settingsDidUpdate();
  void beginQuitting();
  void finishQuit();
  void showMessage(const QString& title, const QString& text);

  void willStartConversion(QVPDFConverterManager& manager) override;
  void didEndConversion(QVPDFConverterManager& manager) override;
  void didStartConversion(QVPDFConverterManager& manager, const Item& item) override;
  void didEndConversion(QVPDFConverterManager& manager, const Item& item,
                        const std::optional<QVConversionError>& error) override;
  void convertPDFPageIndex(QVPDFConverterManager& manager, const Item& item, uint64_t pageNumber,
                           uint64_t writeWordPageIndex, uint64_t finshedWordPageCount) override;
  void willSaveDoc(QVPDFConverterManager& manager, const Item& item) override;

  std::shared_ptr<QVDesktopServices> desktop_;
  const QVExporterRegistry& registry_;
  std::unique_ptr<QMainWindow> window_;
  QVSourceFileViewController* sourceFileViewController_ = nullptr;
  QVSettingsViewController* settingsViewController_ = nullptr;
  QVImageButton* btn_convert_ = nullptr;
  QAction* mi_settingsPanel_ = nullptr;
  std::unique_ptr<QVPreferencesWindowController> preferences_;
  QPointer<QVAboutWindowController> aboutWindow_;
  QPointer<QMessageBox> quitQuestion_;
  QVUpdateChecker updateChecker_;
  std::unique_ptr<QVPDFConverterManager> converterManager_;
  std::function<void()> quitHandler_;
  // The width the window gave up when the panel was folded away.
  int foldedWidth_ = 0;
  bool quitting_ = false;
  bool closeAllowed_ = false;
};

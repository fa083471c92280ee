#pragma once
// The preferences window: a non-modal window with two panes, General
// (open each result when its conversion is done) and Update (automatic
// update checks, their interval, and a check now).
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;

class QVPreferencesWindowController : public QWidget {
 public:
  explicit QVPreferencesWindowController(QWidget* parent = nullptr);

  // Whether each result is opened when its conversion is done (off until
  // the user turns it on).
  static bool openFileAfterConversion();
  // Seconds between automatic checks for each entry of the interval menu.
  static double intervalOfItem(int item);

  // Shows the window, or closes it when it is shown.
  void showWindow();
  // Called by Check Now; the answer is shown with setUpdateStatus.
  void setCheckNowHandler(std::function<void()> handler) { checkNowHandler_ = std::move(handler); }
  void setUpdateStatus(const QString& text);
  // Reads the update settings into the controls (correcting an interval
  // that is none of the menu's to a week).
  void loadUpdateSettings();

  // The controls, for the window's tests.
  QCheckBox& openAfterConversionBox() { return *btn_openAfterConversion_; }
  QCheckBox& autoUpdateBox() { return *btn_autoUpdate_; }
  QComboBox& autoUpdateIntervalBox() { return *pub_autoUpdateInterval_; }
  QToolButton& generalPaneButton() { return *generalButton_; }
  QToolButton& updatePaneButton() { return *updateButton_; }
  QStackedWidget& panes() { return *contentView_; }

 private:
  QCheckBox* btn_openAfterConversion_ = nullptr;
  QCheckBox* btn_autoUpdate_ = nullptr;
  QComboBox* pub_autoUpdateInterval_ = nullptr;
  QPushButton* btn_checkNow_ = nullptr;
  QLabel* updateStatus_ = nullptr;
  QToolButton* generalButton_ = nullptr;
  QToolButton* updateButton_ = nullptr;
  QStackedWidget* contentView_ = nullptr;
  std::function<void()> checkNowHandler_;
};

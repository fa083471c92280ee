#pragma once
// The right side of the window: the selected file (a preview of its first
// page, its name, pages and size) and its settings (output format, all pages
// or a page list, the format for every file at once), and the output folder
// all results go to, chosen once and kept.
//
// Only what the user does writes to the file's settings: showing a file
// fills the controls and changes neither the file nor the stored defaults.
#include <QWidget>

#include <memory>
#include <string>

#include "app/QVSourceFileItem.h"
#include "app/window/QVPreviewRenderer.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVDesktopServices;

class QVSettingsViewController : public QWidget {
  Q_OBJECT

 public:
  using Item = std::shared_ptr<QVSourceFileItem>;

  // The desktop must outlive the panel.
  explicit QVSettingsViewController(QVDesktopServices& desktop, QWidget* parent = nullptr);
  ~QVSettingsViewController() override;

  // Shows the file (none: the controls are disabled).
  void setSourceFileItem(Item item);
  const Item& sourceFileItem() const { return sourceFileItem_; }
  // The "apply to all files" box is ticked.
  bool isApplyToAll() const;
  // The height the file's part needs beyond its smallest to show the
  // notices that show whole; the window keeps room for it where it can.
  int noticesOverflow() const;
  // Shows again why the file's page choice cannot be converted and why its
  // last conversion failed (after a conversion of it ended or was reset).
  void showConversionState();
  // Shows the file's state again: its notices, and whether its settings can
  // change (not while it converts).
  void updateUI();

  // Before a conversion, when the stored output folder cannot be used: the
  // folder chooser (at the stored folder, saying why, when there is one);
  // a usable choice is reported by didCreationFirstOutputDirectory.
  void browseOutputDirectryBeforeConversion();
  // The Browse button: choose another output folder.
  void browseOutputDirectry();
  // The Reveal button: open the output folder in the file manager.
  void revealOutputDirectry();

  // The controls, for the window's tests.
  QComboBox& outputFormatBox() { return *pub_outputFormat_; }
  QCheckBox& applyToAllBox() { return *btn_outputApplyToAll_; }
  QRadioButton& allPagesButton() { return *allPages_; }
  QRadioButton& customPagesButton() { return *customPages_; }
  QLineEdit& pageRangeField() { return *tf_ouputPageRange_; }
  QLineEdit& outputPathField() { return *tf_ouputPath_; }
  QLabel& titleLabel() { return *tf_previewTitle_; }
  QLabel& infoLabel() { return *tf_previewInfo_; }
  QLabel& pageRangeNotice() { return *tf_pageRangeNotice_; }
  QLabel& conversionNotice() { return *tf_conversionNotice_; }
  // The preview shows a rendered page (not a placeholder picture).
  bool isPreviewRendered() const { return previewRendered_; }

 signals:
  void didUpdateSettings();
  // A notice has shown, changed or gone.
  void didUpdateNotices();
  void didCreationFirstOutputDirectory();

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void settingsButtonPressed();
  void showOutputFolder();
  void showPlaceholder(const char* imageName);
  void chooseFolder(const std::string& startFolder, const std::string& message, bool thenConvert);
  void warn(const QString& text);

  QVDesktopServices& desktop_;
  Item sourceFileItem_;
  QWidget* fileSide_ = nullptr;
  QWidget* fileScroll_ = nullptr;
  QLabel* iv_previewIcon_ = nullptr;
  QLabel* tf_previewTitle_ = nullptr;
  QLabel* tf_previewInfo_ = nullptr;
  QComboBox* pub_outputFormat_ = nullptr;
  QCheckBox* btn_outputApplyToAll_ = nullptr;
  QRadioButton* allPages_ = nullptr;
  QRadioButton* customPages_ = nullptr;
  QLineEdit* tf_ouputPageRange_ = nullptr;
  QLabel* tf_pageRangeNotice_ = nullptr;
  QLabel* tf_conversionNotice_ = nullptr;
  QLineEdit* tf_ouputPath_ = nullptr;
  QPushButton* btn_ouputbrowse_ = nullptr;
  QPushButton* btn_ouputReveal_ = nullptr;
  bool previewRendered_ = false;
  QVPreviewRenderer previewRenderer_;
};

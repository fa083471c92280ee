#include "app/window/QVSettingsViewController.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/QVCUtilities.h"
#include "app/QVSandBoxUtilities.h"
#include "app/QVUserDefaults.h"
#include "app/window/QVDesktopServices.h"
#include "app/window/QVNamedImages.h"

namespace {

constexpr int kPanelWidth = 300;
constexpr QSize kPreviewSize(268, 150);
constexpr const char* kChooseFolderMessage = "Choose a output directory to save documents:";

QString qstring(const std::string& text) { return QString::fromStdString(text); }

std::string documentsFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  return folder.toStdString();
}

QLabel* notice(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setStyleSheet(QStringLiteral("color: #c0392b;"));
  label->hide();
  return label;
}

void showNotice(QLabel& label, const std::string& text) {
  label.setText(QString::fromStdString(text));
  label.setVisible(!text.empty());
}

QLabel* heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

}  // namespace

QVSettingsViewController::QVSettingsViewController(QVDesktopServices& desktop, QWidget* parent)
    : QWidget(parent), desktop_(desktop) {
  setFixedWidth(kPanelWidth);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 14, 16, 14);

  iv_previewIcon_ = new QLabel(this);
  iv_previewIcon_->setFixedSize(kPreviewSize);
  iv_previewIcon_->setAlignment(Qt::AlignCenter);
  layout->addWidget(iv_previewIcon_, 0, Qt::AlignHCenter);
  tf_previewTitle_ = heading({}, this);
  tf_previewTitle_->setAlignment(Qt::AlignHCenter);
  layout->addWidget(tf_previewTitle_);
  tf_previewInfo_ = new QLabel(this);
  tf_previewInfo_->setAlignment(Qt::AlignHCenter);
  tf_previewInfo_->setStyleSheet(QStringLiteral("color: #6b7480;"));
  layout->addWidget(tf_previewInfo_);
  tf_conversionNotice_ = notice("conversionNotice", this);
  layout->addWidget(tf_conversionNotice_);
  layout->addSpacing(10);

  layout->addWidget(heading(QStringLiteral("Output format"), this));
  pub_outputFormat_ = new QComboBox(this);
  for (const QVDocFormat& format : QVSourceFileItem::docFormats())
    pub_outputFormat_->addItem(QVNamedImages::icon(format.icon), qstring(format.title));
  layout->addWidget(pub_outputFormat_);
  btn_outputApplyToAll_ = new QCheckBox(QStringLiteral("Apply to all files"), this);
  layout->addWidget(btn_outputApplyToAll_);
  layout->addSpacing(10);

  layout->addWidget(heading(QStringLiteral("Pages"), this));
  allPages_ = new QRadioButton(QStringLiteral("All Pages"), this);
  customPages_ = new QRadioButton(QStringLiteral("Pages:"), this);
  auto* group = new QButtonGroup(this);
  group->addButton(allPages_, 0);
  group->addButton(customPages_, 1);
  allPages_->setChecked(true);
  layout->addWidget(allPages_);
  auto* customRow = new QHBoxLayout;
  customRow->addWidget(customPages_);
  tf_ouputPageRange_ = new QLineEdit(this);
  tf_ouputPageRange_->setPlaceholderText(QStringLiteral("e.g. 1-3, 5"));
  customRow->addWidget(tf_ouputPageRange_, 1);
  layout->addLayout(customRow);
  tf_pageRangeNotice_ = notice("pageRangeNotice", this);
  layout->addWidget(tf_pageRangeNotice_);
  layout->addStretch(1);

  layout->addWidget(heading(QStringLiteral("Output folder"), this));
  tf_ouputPath_ = new QLineEdit(this);
  tf_ouputPath_->setReadOnly(true);
  layout->addWidget(tf_ouputPath_);
  auto* folderRow = new QHBoxLayout;
  btn_ouputbrowse_ = new QPushButton(QStringLiteral("Browse\u2026"), this);
  btn_ouputReveal_ = new QPushButton(QStringLiteral("Reveal"), this);
  folderRow->addWidget(btn_ouputbrowse_);
  folderRow->addWidget(btn_ouputReveal_);
  layout->addLayout(folderRow);

  // Only signals that the user's own actions raise write to the file.
  connect(pub_outputFormat_, &QComboBox::activated, this, &QVSettingsViewController::settingsButtonPressed);
  connect(allPages_, &QRadioButton::clicked, this, &QVSettingsViewController::settingsButtonPressed);
  connect(customPages_, &QRadioButton::clicked, this, &QVSettingsViewController::settingsButtonPressed);
  connect(tf_ouputPageRange_, &QLineEdit::textEdited, this, &QVSettingsViewController::settingsButtonPressed);
  connect(btn_outputApplyToAll_, &QCheckBox::clicked, this, &QVSettingsViewController::settingsButtonPressed);
  connect(btn_ouputbrowse_, &QPushButton::clicked, this, &QVSettingsViewController::browseOutputDirectry);
  connect(btn_ouputReveal_, &QPushButton::clicked, this, &QVSettingsViewController::revealOutputDirectry);

  showOutputFolder();
  setSourceFileItem(nullptr);
}

QVSettingsViewController::~QVSettingsViewController() = default;

bool QVSettingsViewController::isApplyToAll() const { return btn_outputApplyToAll_->isChecked(); }

void QVSettingsViewController::showPlaceholder(const char* imageName) {
  iv_previewIcon_->setPixmap(QVNamedImages::pixmap(imageName, QSize(110, 110), devicePixelRatioF()));
  previewRendered_ = false;
}

void QVSettingsViewController::setSourceFileItem(Item item) {
  sourceFileItem_ = std::move(item);
  previewRenderer_.cancel();
  const bool shown = static_cast<bool>(sourceFileItem_);
  btn_outputApplyToAll_->setEnabled(shown);
  pub_outputFormat_->setEnabled(shown);
  allPages_->setEnabled(shown);
  customPages_->setEnabled(shown);
  tf_ouputPageRange_->setEnabled(shown);
  if (!shown) {
    showPlaceholder("default-eye");
    tf_previewTitle_->setText(QStringLiteral("No File Selected"));
    tf_previewInfo_->clear();
    updateUI();
    return;
  }
  const QVSourceFileItem& shownItem = *sourceFileItem_;
  showPlaceholder(shownItem.sourceFileIcon().c_str());
  const QString name = QFileInfo(qstring(shownItem.sourcePath())).fileName();
  tf_previewTitle_->setText(tf_previewTitle_->fontMetrics().elidedText(name, Qt::ElideMiddle, kPanelWidth - 32));
  tf_previewTitle_->setToolTip(name);
  tf_previewInfo_->setText(qstring(sourceFileItem_->sourceInfo()));
  pub_outputFormat_->setCurrentIndex(pub_outputFormat_->findText(qstring(shownItem.settings_outputFormat())));
  (shownItem.settings_pageRangeType() == 1 ? customPages_ : allPages_)->setChecked(true);
  tf_ouputPageRange_->setText(qstring(shownItem.settings_customPageRange()));
  updateUI();

  QPointer<QVSettingsViewController> self(this);
  const Item requested = sourceFileItem_;
  previewRenderer_.render(shownItem.sourcePath(), shownItem.sourcePassword(), kPreviewSize * devicePixelRatioF(),
                          [self, requested](const QImage& image) {
                            if (!self || self->sourceFileItem_ != requested || image.isNull()) return;
                            QPixmap page = QPixmap::fromImage(image);
                            page.setDevicePixelRatio(self->devicePixelRatioF());
                            self->iv_previewIcon_->setPixmap(page);
                            self->previewRendered_ = true;
                          });
}

void QVSettingsViewController::updateUI() {
  showConversionState();
  if (!sourceFileItem_) {
    // The format of the next new file.
    const std::string stored = QVCUtilities::stringValueForKey(kQVSettingsOutputFormatKey,
                                                               QVSourceFileItem::kDefaultOutputFormat);
    pub_outputFormat_->setCurrentIndex(std::max(0, pub_outputFormat_->findText(qstring(stored))));
    return;
  }
  tf_ouputPageRange_->setEnabled(customPages_->isChecked());
}

void QVSettingsViewController::showConversionState() {
  if (!sourceFileItem_) {
    showNotice(*tf_pageRangeNotice_, {});
    showNotice(*tf_conversionNotice_, {});
    return;
  }
  showNotice(*tf_pageRangeNotice_, sourceFileItem_->pageRangeProblem().value_or(std::string()));
  const std::string reason = sourceFileItem_->conversionFailureReason();
  showNotice(*tf_conversionNotice_, reason.empty() ? reason : "The last conversion failed: " + reason);
}

void QVSettingsViewController::settingsButtonPressed() {
  if (!sourceFileItem_) return;
  sourceFileItem_->setSettings_outputFormat(pub_outputFormat_->currentText().toStdString());
  sourceFileItem_->setSettings_pageRangeType(customPages_->isChecked() ? 1 : 0);
  sourceFileItem_->setSettings_customPageRange(tf_ouputPageRange_->text().toStdString());
  updateUI();
  emit didUpdateSettings();
}

void QVSettingsViewController::showOutputFolder() {
  const std::optional<std::string> folder = QVSandBoxUtilities::UserSelectedOutputURLBookmark();
  tf_ouputPath_->setText(folder ? qstring(*folder) : QStringLiteral("~/Documents"));
  tf_ouputPath_->setToolTip(tf_ouputPath_->text());
  btn_ouputReveal_->setEnabled(folder.has_value());
}

void QVSettingsViewController::browseOutputDirectryBeforeConversion() {
  const std::optional<std::string> stored = QVSandBoxUtilities::UserSelectedOutputURLBookmark();
  if (!stored) {
    chooseFolder(documentsFolder(), kChooseFolderMessage, true);
    return;
  }
  // The folder is there but cannot take files: say so, and start in it.
  chooseFolder(*stored,
               "The output folder \"" + *stored + "\" cannot be written. Choose a folder to save documents:", true);
}

void QVSettingsViewController::browseOutputDirectry() {
  const std::optional<std::string> stored = QVSandBoxUtilities::UserSelectedOutputURLBookmark();
  chooseFolder(stored ? *stored : documentsFolder(), kChooseFolderMessage, false);
}

void QVSettingsViewController::revealOutputDirectry() {
  if (const std::optional<std::string> folder = QVSandBoxUtilities::UserSelectedOutputURLBookmark())
    desktop_.openPath(*folder);
}

void QVSettingsViewController::chooseFolder(const std::string& startFolder, const std::string& message,
                                            bool thenConvert) {
  QPointer<QVSettingsViewController> self(this);
  desktop_.chooseOutputFolder(window(), startFolder, message,
                              [self, thenConvert](const std::optional<std::string>& folder) {
                                if (!self || !folder) return;
                                const bool saved = QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(*folder);
                                self->showOutputFolder();
                                if (!saved) {
                                  self->warn(QStringLiteral("The folder \"%1\" could not be kept as the output folder.")
                                                 .arg(qstring(*folder)));
                                  return;
                                }
                                if (!thenConvert) return;
                                if (QVSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark())
                                  emit self->didCreationFirstOutputDirectory();
                                else
                                  self->warn(QStringLiteral("The folder \"%1\" cannot be written. Choose another "
                                                            "folder for the converted documents.")
                                                 .arg(qstring(*folder)));
                              });
}

void QVSettingsViewController::warn(const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Output Folder"), text, QMessageBox::Ok, window());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

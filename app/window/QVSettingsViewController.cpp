#include "app/window/QVSettingsViewController.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

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

bool hasDocumentsFolder() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !folder.isEmpty() && QFileInfo(folder).isDir();
}

std::string documentsFolder() {
  if (!hasDocumentsFolder()) return QDir::homePath().toStdString();
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

QLabel* notice(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setStyleSheet(QStringLiteral("color: #c0392b;"));
  label->hide();
  return label;
}

// Whether the notice changed.
bool showNotice(QLabel& label, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (label.text() == shown && label.isVisibleTo(label.parentWidget()) == !text.empty()) return false;
  label.setText(shown);
  label.setVisible(!text.empty());
  return true;
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
  // The file's part scrolls when the window is too short for it and its
  // notices: nothing is drawn over anything else, and a notice that appears
  // moves only what stands below it. The output folder stays at the bottom.
  // Both parts keep their width whether the scroll bar shows or not; the
  // panel keeps room for it.
  auto* scroll = new QScrollArea(this);
  fileScroll_ = scroll;
  scroll->setObjectName(QStringLiteral("settingsScrollArea"));
  // Not a stop of its own for the keyboard: the controls in it are, and it
  // scrolls to each as it takes the focus.
  scroll->setFocusPolicy(Qt::NoFocus);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidgetResizable(true);
  scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scroll->viewport()->setAutoFillBackground(false);
  setFixedWidth(kPanelWidth + scroll->verticalScrollBar()->sizeHint().width());
  auto* fileSide = new QWidget(scroll);
  fileSide_ = fileSide;
  fileSide->setObjectName(QStringLiteral("settingsFileSide"));
  fileSide->setFixedWidth(kPanelWidth);
  auto* layout = new QVBoxLayout(fileSide);
  layout->setContentsMargins(16, 14, 16, 6);

  iv_previewIcon_ = new QLabel(fileSide);
  iv_previewIcon_->setFixedSize(kPreviewSize);
  iv_previewIcon_->setAlignment(Qt::AlignCenter);
  layout->addWidget(iv_previewIcon_, 0, Qt::AlignHCenter);
  tf_previewTitle_ = heading({}, fileSide);
  tf_previewTitle_->setAlignment(Qt::AlignHCenter);
  tf_previewTitle_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  layout->addWidget(tf_previewTitle_);
  tf_previewInfo_ = new QLabel(fileSide);
  tf_previewInfo_->setAlignment(Qt::AlignHCenter);
  tf_previewInfo_->setStyleSheet(QStringLiteral("color: #6b7480;"));
  layout->addWidget(tf_previewInfo_);
  layout->addSpacing(10);

  layout->addWidget(heading(QStringLiteral("Output format"), fileSide));
  pub_outputFormat_ = new QComboBox(fileSide);
  for (const QVDocFormat& format : QVSourceFileItem::docFormats())
    pub_outputFormat_->addItem(QVNamedImages::icon(format.icon), qstring(format.title));
  layout->addWidget(pub_outputFormat_);
  btn_outputApplyToAll_ = new QCheckBox(QStringLiteral("Apply to all files"), fileSide);
  layout->addWidget(btn_outputApplyToAll_);
  layout->addSpacing(10);

  layout->addWidget(heading(QStringLiteral("Pages"), fileSide));
  allPages_ = new QRadioButton(QStringLiteral("All Pages"), fileSide);
  customPages_ = new QRadioButton(QStringLiteral("Pages:"), fileSide);
  auto* group = new QButtonGroup(this);
  group->addButton(allPages_, 0);
  group->addButton(customPages_, 1);
  allPages_->setChecked(true);
  layout->addWidget(allPages_);
  auto* customRow = new QHBoxLayout;
  customRow->addWidget(customPages_);
  tf_ouputPageRange_ = new QLineEdit(fileSide);
  tf_ouputPageRange_->setPlaceholderText(QStringLiteral("e.g. 1-3, 5"));
  tf_ouputPageRange_->installEventFilter(this);
  customRow->addWidget(tf_ouputPageRange_, 1);
  layout->addLayout(customRow);
  // The notices stand below every control of the file, so that one
  // appearing never moves a control the user is about to click.
  tf_pageRangeNotice_ = notice("pageRangeNotice", fileSide);
  layout->addWidget(tf_pageRangeNotice_);
  tf_conversionNotice_ = notice("conversionNotice", fileSide);
  layout->addWidget(tf_conversionNotice_);
  layout->addStretch(1);
  scroll->setWidget(fileSide);
  // The window keeps room for the file's part and two lines of a notice
  // about the page text, which shows as it is typed, and makes room for
  // longer notices as they show (noticesOverflow); they scroll only when the
  // screen is too short for them.
  fileSide->ensurePolished();
  scroll->setMinimumHeight(fileSide->sizeHint().height() + layout->spacing() +
                           2 * tf_pageRangeNotice_->fontMetrics().lineSpacing());

  auto* folderSide = new QWidget(this);
  folderSide->setObjectName(QStringLiteral("settingsFolderSide"));
  folderSide->setFixedWidth(kPanelWidth);
  folderSide->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  auto* folderLayout = new QVBoxLayout(folderSide);
  folderLayout->setContentsMargins(16, 6, 16, 14);
  folderLayout->addWidget(heading(QStringLiteral("Output folder"), folderSide));
  tf_ouputPath_ = new QLineEdit(folderSide);
  tf_ouputPath_->setReadOnly(true);
  folderLayout->addWidget(tf_ouputPath_);
  auto* folderRow = new QHBoxLayout;
  btn_ouputbrowse_ = new QPushButton(QStringLiteral("Browse\u2026"), folderSide);
  btn_ouputReveal_ = new QPushButton(QStringLiteral("Reveal"), folderSide);
  folderRow->addWidget(btn_ouputbrowse_);
  folderRow->addWidget(btn_ouputReveal_);
  folderLayout->addLayout(folderRow);

  auto* panelLayout = new QVBoxLayout(this);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->setSpacing(0);
  panelLayout->addWidget(scroll, 1);
  panelLayout->addWidget(folderSide, 0, Qt::AlignLeft);

  // Only signals that the user's own actions raise write to the file.
  connect(pub_outputFormat_, &QComboBox::activated, this, &QVSettingsViewController::settingsButtonPressed);
  connect(allPages_, &QRadioButton::clicked, this, &QVSettingsViewController::settingsButtonPressed);
  connect(customPages_, &QRadioButton::clicked, this, &QVSettingsViewController::settingsButtonPressed);
  // Choosing a page list goes straight to its field.
  connect(customPages_, &QRadioButton::clicked, tf_ouputPageRange_,
          [field = tf_ouputPageRange_] { field->setFocus(Qt::OtherFocusReason); });
  connect(tf_ouputPageRange_, &QLineEdit::textEdited, this, &QVSettingsViewController::settingsButtonPressed);
  connect(btn_outputApplyToAll_, &QCheckBox::clicked, this, &QVSettingsViewController::settingsButtonPressed);
  connect(btn_ouputbrowse_, &QPushButton::clicked, this, &QVSettingsViewController::browseOutputDirectry);
  connect(btn_ouputReveal_, &QPushButton::clicked, this, &QVSettingsViewController::revealOutputDirectry);

  showOutputFolder();
  setSourceFileItem(nullptr);
}

bool QVSettingsViewController::eventFilter(QObject* watched, QEvent* event) {
  // The page field's default text is there to be replaced: it is selected
  // when the field takes the focus or is clicked, after the click (which
  // would otherwise place the cursor in it).
  const bool focusOrClick = event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonRelease;
  if (watched == tf_ouputPageRange_ && focusOrClick &&
      tf_ouputPageRange_->text() == QLatin1String(QVSourceFileItem::kAllPages)) {
    QTimer::singleShot(0, tf_ouputPageRange_, [field = tf_ouputPageRange_] {
      if (field->hasFocus() && field->text() == QLatin1String(QVSourceFileItem::kAllPages)) field->selectAll();
    });
  }
  return QWidget::eventFilter(watched, event);
}

QVSettingsViewController::~QVSettingsViewController() = default;

bool QVSettingsViewController::isApplyToAll() const { return btn_outputApplyToAll_->isChecked(); }

int QVSettingsViewController::noticesOverflow() const {
  return std::max(0, fileSide_->heightForWidth(kPanelWidth) - fileScroll_->minimumHeight());
}

void QVSettingsViewController::showPlaceholder(const char* imageName) {
  iv_previewIcon_->setPixmap(QVNamedImages::pixmap(imageName, QSize(110, 110), devicePixelRatioF()));
  previewRendered_ = false;
}

void QVSettingsViewController::setSourceFileItem(Item item) {
  sourceFileItem_ = std::move(item);
  previewRenderer_.cancel();
  if (!sourceFileItem_) {
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
  if (sourceFileItem_ && !sourceFileItem_->isSourceFileThere()) {
    // The file has gone from disk since it was queued: it shows so.
    previewRenderer_.cancel();
    showPlaceholder("icon_unknown");
    tf_previewInfo_->setText(qstring(sourceFileItem_->sourceInfo()));
  }
  // A file's settings are those being converted while it converts; nor is
  // its format handed to the other files from there.
  const bool editable = sourceFileItem_ && !sourceFileItem_->isConversionUnderWay();
  btn_outputApplyToAll_->setEnabled(editable);
  pub_outputFormat_->setEnabled(editable);
  allPages_->setEnabled(editable);
  customPages_->setEnabled(editable);
  tf_ouputPageRange_->setEnabled(editable && customPages_->isChecked());
  if (!sourceFileItem_) {
    // The format of the next new file.
    const std::string stored = QVCUtilities::stringValueForKey(kQVSettingsOutputFormatKey,
                                                               QVSourceFileItem::kDefaultOutputFormat);
    pub_outputFormat_->setCurrentIndex(std::max(0, pub_outputFormat_->findText(qstring(stored))));
  }
}

void QVSettingsViewController::showConversionState() {
  std::string pageProblem;
  std::string failure;
  if (sourceFileItem_) {
    pageProblem = sourceFileItem_->pageRangeProblem().value_or(std::string());
    const std::string reason = sourceFileItem_->conversionFailureReason();
    if (!reason.empty()) failure = "The last conversion failed: " + reason;
  }
  const bool pageChanged = showNotice(*tf_pageRangeNotice_, pageProblem);
  if (showNotice(*tf_conversionNotice_, failure) || pageChanged) emit didUpdateNotices();
}

void QVSettingsViewController::settingsButtonPressed() {
  if (!sourceFileItem_ || sourceFileItem_->isConversionUnderWay()) return;
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
  // The chooser says why it opens.
  const std::optional<std::string> stored = QVSandBoxUtilities::UserSelectedOutputURLBookmark();
  if (stored) {
    // The folder is there but cannot take files: start in it.
    chooseFolder(*stored, "The output folder \"" + *stored + "\" cannot be written to. " + kChooseFolderMessage,
                 true);
    return;
  }
  const std::optional<std::string> lost = QVUserDefaults::text(kQVDefaultExportDirectoryKey);
  std::string reason;
  if (lost && !lost->empty())
    reason = "The output folder \"" + *lost + "\" no longer exists.";
  else if (!hasDocumentsFolder())
    reason = "No output folder has been chosen, and the folder ~/Documents does not exist.";
  else
    reason = "No output folder has been chosen yet.";
  chooseFolder(documentsFolder(), reason + " " + kChooseFolderMessage, true);
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

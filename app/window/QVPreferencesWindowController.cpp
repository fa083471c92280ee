#include "app/window/QVPreferencesWindowController.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/QVAutoUpdate.h"
#include "app/QVUserDefaults.h"
#include "app/window/QVNamedImages.h"
#include "platform/text/text.h"

namespace {

constexpr double kDay = 86400;
constexpr double kWeek = 604800;
constexpr double kMonth = 2592000;

QToolButton* paneButton(const QString& title, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(title);
  button->setCheckable(true);
  button->setAutoRaise(true);
  button->setMinimumWidth(90);
  return button;
}

}  // namespace

QVPreferencesWindowController::QVPreferencesWindowController(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Preferences"));
  auto* layout = new QVBoxLayout(this);

  auto* bar = new QHBoxLayout;
  generalButton_ = paneButton(QStringLiteral("General"), this);
  updateButton_ = paneButton(QStringLiteral("Update"), this);
  auto* group = new QButtonGroup(this);
  group->addButton(generalButton_, 0);
  group->addButton(updateButton_, 1);
  bar->addStretch(1);
  bar->addWidget(generalButton_);
  bar->addWidget(updateButton_);
  bar->addStretch(1);
  layout->addLayout(bar);

  contentView_ = new QStackedWidget(this);
  layout->addWidget(contentView_);

  auto* general = new QWidget(contentView_);
  auto* generalLayout = new QVBoxLayout(general);
  btn_openAfterConversion_ = new QCheckBox(QStringLiteral("Open each document when its conversion is done"), general);
  generalLayout->addWidget(btn_openAfterConversion_);
  generalLayout->addStretch(1);
  contentView_->addWidget(general);

  auto* update = new QWidget(contentView_);
  auto* updateLayout = new QFormLayout(update);
  btn_autoUpdate_ = new QCheckBox(QStringLiteral("Check for updates automatically"), update);
  updateLayout->addRow(btn_autoUpdate_);
  pub_autoUpdateInterval_ = new QComboBox(update);
  pub_autoUpdateInterval_->addItems({QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly")});
  updateLayout->addRow(QStringLiteral("Check:"), pub_autoUpdateInterval_);
  btn_checkNow_ = new QPushButton(QStringLiteral("Check Now"), update);
  updateLayout->addRow(btn_checkNow_);
  updateStatus_ = new QLabel(update);
  updateStatus_->setWordWrap(true);
  updateStatus_->setTextInteractionFlags(Qt::TextBrowserInteraction);
  updateStatus_->setOpenExternalLinks(true);
  updateLayout->addRow(updateStatus_);
  contentView_->addWidget(update);

  connect(group, &QButtonGroup::idClicked, contentView_, &QStackedWidget::setCurrentIndex);
  connect(btn_openAfterConversion_, &QCheckBox::clicked, this,
          [](bool on) { QVUserDefaults::setBool(kQVOpenFileAfterConversionKey, on); });
  connect(btn_autoUpdate_, &QCheckBox::clicked, this, [this](bool on) {
    QVAutoUpdate::setAutoCheckForUpdates(on);
    pub_autoUpdateInterval_->setEnabled(on);
  });
  connect(pub_autoUpdateInterval_, &QComboBox::activated, this,
          [](int item) { QVAutoUpdate::setUpdateCheckInterval(intervalOfItem(item)); });
  connect(btn_checkNow_, &QPushButton::clicked, this, [this] {
    if (checkNowHandler_) checkNowHandler_();
  });

  generalButton_->setChecked(true);
  contentView_->setCurrentIndex(0);
  loadUpdateSettings();
  resize(420, 200);
}

bool QVPreferencesWindowController::openFileAfterConversion() {
  const std::optional<std::string> stored = QVUserDefaults::text(kQVOpenFileAfterConversionKey);
  return stored && platform::text::boolValue(*stored);
}

double QVPreferencesWindowController::intervalOfItem(int item) {
  switch (item) {
    case 0: return kDay;
    case 1: return kWeek;
    case 2: return kMonth;
    default: return 0;
  }
}

void QVPreferencesWindowController::loadUpdateSettings() {
  const bool automatic = QVAutoUpdate::autoCheckForUpdates();
  btn_autoUpdate_->setChecked(automatic);
  pub_autoUpdateInterval_->setEnabled(automatic);
  const double interval = QVAutoUpdate::updateCheckInterval();
  if (interval == kDay) {
    pub_autoUpdateInterval_->setCurrentIndex(0);
  } else if (interval == kMonth) {
    pub_autoUpdateInterval_->setCurrentIndex(2);
  } else {
    pub_autoUpdateInterval_->setCurrentIndex(1);
    if (interval != kWeek) QVAutoUpdate::setUpdateCheckInterval(kWeek);
  }
  btn_openAfterConversion_->setChecked(openFileAfterConversion());
}

void QVPreferencesWindowController::showWindow() {
  if (isVisible()) {
    close();
    return;
  }
  loadUpdateSettings();
  show();
  raise();
  activateWindow();
}

void QVPreferencesWindowController::setUpdateStatus(const QString& text) { updateStatus_->setText(text); }

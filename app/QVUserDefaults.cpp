#include "app/QVUserDefaults.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "app/QVApplicationInfo.h"
#include "platform/text/text.h"

namespace {

QString qstring(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A QSettings object is cheap: every one opened on the same file shares the
// process's cached copy of it.
QSettings open() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, qstring(kQVSettingsOrganization),
                   qstring(kQVSettingsApplication));
}

bool write(std::string_view key, const QVariant& value) {
  QSettings settings = open();
  settings.setValue(qstring(key), value);
  settings.sync();
  return settings.status() == QSettings::NoError;
}

}  // namespace

namespace QVUserDefaults {

std::optional<std::string> text(std::string_view key) {
  const QVariant value = open().value(qstring(key));
  if (!value.isValid()) return std::nullopt;
  // An unquoted text with commas (written by hand) reads back as a list.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(',')).toStdString();
  return value.toString().toStdString();
}

bool contains(std::string_view key) { return open().contains(qstring(key)); }

bool setString(std::string_view key, std::string_view value) { return write(key, qstring(value)); }

bool setBool(std::string_view key, bool value) { return write(key, value); }

bool setInteger(std::string_view key, int64_t value) { return write(key, static_cast<qlonglong>(value)); }

// Written as text by the locale-free formatter, so that it reads back the
// same under any locale.
bool setDouble(std::string_view key, double value) {
  return write(key, QString::fromStdString(platform::text::formatShortest(value)));
}

bool remove(std::string_view key) {
  QSettings settings = open();
  settings.remove(qstring(key));
  settings.sync();
  return settings.status() == QSettings::NoError;
}

std::string fileName() { return open().fileName().toStdString(); }

}  // namespace QVUserDefaults

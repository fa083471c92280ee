#include "app/QVAutoUpdate.h"

#include <QByteArray>
#include <QDateTime>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>
#include <vector>

#include "app/QVApplicationInfo.h"
#include "app/QVUserDefaults.h"
#include "platform/text/text.h"

namespace {

// A release feed is a few kilobytes; anything far larger is not one.
constexpr size_t kMaxFeedBytes = size_t{4} << 20;
// Automatic checks no closer together than an hour.
constexpr double kShortestCheckInterval = 3600;

std::string text(const QString& s) { return s.toStdString(); }

struct VersionPart {
  std::string_view digits;  // without leading zeros
  std::string_view suffix;
};

VersionPart versionPart(std::string_view component) {
  size_t end = 0;
  while (end < component.size() && std::isdigit(static_cast<unsigned char>(component[end]))) ++end;
  std::string_view digits = component.substr(0, end);
  while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
  return {digits, component.substr(end)};
}

std::vector<std::string_view> versionComponents(std::string_view version) {
  if (!version.empty() && (version.front() == 'v' || version.front() == 'V')) version.remove_prefix(1);
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t dot = version.find('.', start);
    parts.push_back(version.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return parts;
}

int sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

std::string QVUpdateCheckResult::message() const {
  const std::string name(kQVApplicationName);
  switch (status) {
    case Status::UpToDate:
      return name + " " + version + " is up to date.";
    case Status::UpdateAvailable:
      return name + " version " + version + " is available: " + link;
    case Status::Failed:
      break;
  }
  return "The update check failed: " + errorText;
}

void QVAutoUpdate::setDefaults() { QVUserDefaults::setString(kQVUpdateFeedURLKey, kQVUpdateFeedURL); }

std::string QVAutoUpdate::feedURL() {
  std::optional<std::string> stored = QVUserDefaults::text(kQVUpdateFeedURLKey);
  return stored && !stored->empty() ? *stored : std::string(kQVUpdateFeedURL);
}

bool QVAutoUpdate::autoCheckForUpdates() {
  const std::optional<std::string> stored = QVUserDefaults::text(kQVUpdateAutomaticChecksKey);
  return stored && platform::text::boolValue(*stored);
}

void QVAutoUpdate::setAutoCheckForUpdates(bool enabled) {
  QVUserDefaults::setBool(kQVUpdateAutomaticChecksKey, enabled);
}

double QVAutoUpdate::updateCheckInterval() {
  const std::optional<std::string> stored = QVUserDefaults::text(kQVUpdateCheckIntervalKey);
  if (!stored) return kDefaultCheckInterval;
  const double seconds = platform::text::doubleValue(*stored);
  return std::isfinite(seconds) && seconds > 0 ? seconds : kDefaultCheckInterval;
}

void QVAutoUpdate::setUpdateCheckInterval(double seconds) {
  QVUserDefaults::setDouble(kQVUpdateCheckIntervalKey, seconds);
}

int64_t QVAutoUpdate::lastCheckTime() {
  const std::optional<std::string> stored = QVUserDefaults::text(kQVUpdateLastCheckTimeKey);
  return stored ? platform::text::integerValue(*stored) : 0;
}

bool QVAutoUpdate::isAutomaticCheckDue(int64_t now) {
  if (!autoCheckForUpdates()) return false;
  const int64_t last = lastCheckTime();
  if (last <= 0 || last > now) return true;
  const double interval = std::max(updateCheckInterval(), kShortestCheckInterval);
  return static_cast<double>(now - last) >= interval;
}

int QVAutoUpdate::compareVersions(std::string_view a, std::string_view b) {
  const std::vector<std::string_view> left = versionComponents(a);
  const std::vector<std::string_view> right = versionComponents(b);
  for (size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
    const VersionPart x = versionPart(i < left.size() ? left[i] : std::string_view("0"));
    const VersionPart y = versionPart(i < right.size() ? right[i] : std::string_view("0"));
    if (x.digits.size() != y.digits.size()) return x.digits.size() < y.digits.size() ? -1 : 1;
    if (int c = x.digits.compare(y.digits)) return sign(c);
    // A release is newer than its pre-releases ("2.0" > "2.0b1").
    if (x.suffix.empty() != y.suffix.empty()) return x.suffix.empty() ? 1 : -1;
    if (int c = x.suffix.compare(y.suffix)) return sign(c);
  }
  return 0;
}

QVUpdateCheckResult QVAutoUpdate::evaluateFeed(std::string_view feed, std::string_view currentVersion) {
  QVUpdateCheckResult result;
  QXmlStreamReader xml(QByteArray(feed.data(), static_cast<qsizetype>(feed.size())));
  bool sawRoot = false;
  bool inItem = false;
  std::string itemVersion, itemEnclosure, itemLink;
  std::string bestVersion, bestLink;
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::StartElement) {
      if (!sawRoot) {
        sawRoot = true;
        if (xml.name() != QLatin1String("rss")) {
          result.errorText = "The update feed is not an RSS feed.";
          return result;
        }
      }
      if (xml.name() == QLatin1String("item")) {
        inItem = true;
        itemVersion.clear();
        itemEnclosure.clear();
        itemLink.clear();
      } else if (inItem && xml.name() == QLatin1String("enclosure")) {
        for (const QXmlStreamAttribute& attribute : xml.attributes()) {
          if (attribute.name() == QLatin1String("version")) itemVersion = text(attribute.value().toString().trimmed());
          if (attribute.name() == QLatin1String("url") && attribute.namespaceUri().isEmpty())
            itemEnclosure = text(attribute.value().toString().trimmed());
        }
      } else if (inItem && xml.name() == QLatin1String("link") && xml.namespaceUri().isEmpty()) {
        itemLink = text(xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed());
      }
    } else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("item")) {
      inItem = false;
      if (!itemVersion.empty() && (bestVersion.empty() || compareVersions(itemVersion, bestVersion) > 0)) {
        bestVersion = itemVersion;
        bestLink = itemEnclosure.empty() ? itemLink : itemEnclosure;
      }
    }
  }
  if (xml.hasError()) {
    result.errorText = "The update feed could not be read (" + text(xml.errorString()) + ").";
    return result;
  }
  if (!sawRoot) {
    result.errorText = "The update feed is empty.";
    return result;
  }
  if (!bestVersion.empty() && compareVersions(bestVersion, currentVersion) > 0) {
    result.status = QVUpdateCheckResult::Status::UpdateAvailable;
    result.version = bestVersion;
    result.link = bestLink;
  } else {
    result.status = QVUpdateCheckResult::Status::UpToDate;
    result.version = std::string(currentVersion);
  }
  return result;
}

QVUpdateChecker::QVUpdateChecker() : network_(std::make_unique<QNetworkAccessManager>()) {}

QVUpdateChecker::~QVUpdateChecker() { abandon(); }

bool QVUpdateChecker::isChecking() const { return static_cast<bool>(done_); }

void QVUpdateChecker::checkForUpdate(Completion done) {
  checkForUpdate(QVAutoUpdate::feedURL(), kQVApplicationVersion, std::move(done));
}

void QVUpdateChecker::checkForUpdate(const std::string& feedURL, std::string_view currentVersion, Completion done,
                                     int timeoutMilliseconds) {
  abandon();
  done_ = std::move(done);
  currentVersion_ = std::string(currentVersion);
  received_.clear();

  const QUrl url(QString::fromStdString(feedURL), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("file"))) {
    QVUpdateCheckResult result;
    result.errorText = "The update feed address is not an HTTPS address: " + feedURL;
    // Answered from the event loop like every other check.
    QMetaObject::invokeMethod(
        network_.get(),
        [this, result, generation = generation_] {
          if (generation == generation_) finish(result);
        },
        Qt::QueuedConnection);
    return;
  }

  QNetworkRequest request(url);
  request.setTransferTimeout(timeoutMilliseconds);
  request.setHeader(QNetworkRequest::UserAgentHeader,
                    QString::fromStdString(std::string(kQVApplicationName) + "/" + std::string(kQVApplicationVersion)));
  reply_ = network_->get(request);
  QObject::connect(reply_, &QNetworkReply::readyRead, network_.get(), [this] {
    if (!reply_) return;
    const QByteArray chunk = reply_->readAll();
    if (received_.size() + static_cast<size_t>(chunk.size()) > kMaxFeedBytes) {
      QVUpdateCheckResult result;
      result.errorText = "The update feed is too large.";
      finish(result);
      return;
    }
    received_.append(chunk.constData(), static_cast<size_t>(chunk.size()));
  });
  QObject::connect(reply_, &QNetworkReply::finished, network_.get(), [this] {
    if (!reply_) return;
    QVUpdateCheckResult result;
    if (reply_->error() == QNetworkReply::OperationCanceledError) {
      result.errorText = "The update server did not answer in time.";
    } else if (reply_->error() != QNetworkReply::NoError) {
      result.errorText = text(reply_->errorString());
    } else {
      const QByteArray rest = reply_->readAll();
      received_.append(rest.constData(), static_cast<size_t>(rest.size()));
      if (received_.size() > kMaxFeedBytes) {
        result.errorText = "The update feed is too large.";
      } else {
        result = QVAutoUpdate::evaluateFeed(received_, currentVersion_);
        QVUserDefaults::setInteger(kQVUpdateLastCheckTimeKey, QDateTime::currentSecsSinceEpoch());
      }
    }
    finish(result);
  });
}

void QVUpdateChecker::abandon() {
  ++generation_;
  done_ = nullptr;
  if (QNetworkReply* reply = std::exchange(reply_, nullptr)) {
    reply->disconnect(network_.get());
    reply->abort();
    reply->deleteLater();
  }
}

void QVUpdateChecker::finish(QVUpdateCheckResult result) {
  // Taken first: the completion may start the next check.
  Completion done = std::move(done_);
  done_ = nullptr;
  ++generation_;
  if (QNetworkReply* reply = std::exchange(reply_, nullptr)) {
    reply->disconnect(network_.get());
    reply->abort();
    reply->deleteLater();
  }
  received_.clear();
  if (done) done(result);
}

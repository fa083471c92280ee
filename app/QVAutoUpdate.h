#pragma once
// Update checks. The settings (feed address, automatic checks, interval,
// last check) are kept in the application's settings; a check fetches the
// release feed, an RSS document whose items carry each release's version on
// their enclosure, and tells whether a newer version than this one exists.
// Nothing is downloaded or installed: the system's package manager updates
// the program.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QNetworkAccessManager;
class QNetworkReply;

struct QVUpdateCheckResult {
  enum class Status { UpToDate, UpdateAvailable, Failed };
  Status status = Status::Failed;
  // The newest version the feed offers (UpToDate, UpdateAvailable).
  std::string version;
  // Where that release is found (UpdateAvailable).
  std::string link;
  // What went wrong (Failed).
  std::string errorText;

  // The sentence the window shows.
  std::string message() const;
};

class QVAutoUpdate {
 public:
  // The interval of automatic checks when none is stored: one week.
  static constexpr double kDefaultCheckInterval = 604800;

  // Stores the feed address of this build under its key.
  static void setDefaults();
  // The stored feed address, or this build's.
  static std::string feedURL();
  // Automatic checks stay off until the user turns them on.
  static bool autoCheckForUpdates();
  static void setAutoCheckForUpdates(bool enabled);
  // Seconds between automatic checks.
  static double updateCheckInterval();
  static void setUpdateCheckInterval(double seconds);
  // Seconds since the epoch of the last check that reached the feed; 0 for never.
  static int64_t lastCheckTime();
  // Automatic checks are on and the interval has passed since the last
  // check (or there was none).
  static bool isAutomaticCheckDue(int64_t now);

  // The answer to a fetched feed for the running version. Fails for a
  // document that is not an RSS feed.
  static QVUpdateCheckResult evaluateFeed(std::string_view feed, std::string_view currentVersion);
  // Negative, 0 or positive as version a is older than, the same as or newer
  // than b ("1.10" > "1.9", "2.0" == "2", "2.0" > "2.0b1").
  static int compareVersions(std::string_view a, std::string_view b);
};

// One update check at a time, on the Qt thread. Feeds are fetched over HTTPS
// (file addresses are read too), with a time-out and a size limit.
class QVUpdateChecker {
 public:
  using Completion = std::function<void(const QVUpdateCheckResult&)>;

  QVUpdateChecker();
  // A check under way is abandoned; its completion is not called.
  ~QVUpdateChecker();
  QVUpdateChecker(const QVUpdateChecker&) = delete;
  QVUpdateChecker& operator=(const QVUpdateChecker&) = delete;

  // Fetches the feed and calls `done` once, later, from the Qt event loop.
  // A check already under way is abandoned first.
  void checkForUpdate(const std::string& feedURL, std::string_view currentVersion, Completion done,
                      int timeoutMilliseconds = 30000);
  // The stored feed address and this build's version.
  void checkForUpdate(Completion done);
  bool isChecking() const;

 private:
  void finish(QVUpdateCheckResult result);
  void abandon();

  std::unique_ptr<QNetworkAccessManager> network_;
  QNetworkReply* reply_ = nullptr;
  std::string currentVersion_;
  std::string received_;
  Completion done_;
  // Counts checks, so that an answer queued for an abandoned one is dropped.
  uint64_t generation_ = 0;
};

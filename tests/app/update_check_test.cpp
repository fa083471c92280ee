// Update checks: the stored settings, version order, and checks against
// feeds read from files (newer, same, malformed, missing, refused address).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QCoreApplication>
#include <QUrl>

#include "app/QVApplicationInfo.h"
#include "app/QVAutoUpdate.h"
#include "app/QVUserDefaults.h"
#include "tests/app/app_test_support.h"

namespace {

using qvapptest::AppTest;
using Status = QVUpdateCheckResult::Status;
namespace fs = std::filesystem;

std::string feedWith(const std::vector<std::pair<std::string, std::string>>& releases) {
  std::string feed =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<rss version=\"2.0\" xmlns:rel=\"https://example.com/release\">\n<channel><title>Releases</title>\n";
  for (const auto& [version, url] : releases)
    feed += "<item><title>Release " + version + "</title><link>https://example.com/notes/" + version +
            "</link><enclosure url=\"" + url + "\" rel:version=\"" + version +
            "\" length=\"0\" type=\"application/octet-stream\"/></item>\n";
  return feed + "</channel></rss>\n";
}

std::string fileURL(const fs::path& path) {
  return QUrl::fromLocalFile(QString::fromStdString(path.string())).toString().toStdString();
}

TEST(UpdateVersions, CompareComponentByComponent) {
  struct Case {
    const char* a;
    const char* b;
    int order;
  };
  const Case cases[] = {
      {"1.0.0", "1.0.0", 0}, {"1.0.1", "1.0.0", 1},  {"1.10", "1.9", 1},      {"2", "2.0.0", 0},
      {"2.0", "2.0b1", 1},   {"2.0b2", "2.0b1", 1},  {"v1.2", "1.2", 0},      {"0.9", "1.0", -1},
      {"1.01", "1.1", 0},    {"100000000000000000000001", "100000000000000000000000", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QVAutoUpdate::compareVersions(c.a, c.b), c.order) << c.a << " vs " << c.b;
    EXPECT_EQ(QVAutoUpdate::compareVersions(c.b, c.a), -c.order) << c.b << " vs " << c.a;
  }
}

TEST(UpdateFeed, TheNewestEnclosureVersionDecides) {
  const std::string feed = feedWith({{"1.1.0", "https://example.com/1.1.0.deb"},
                                     {"1.3.0", "https://example.com/1.3.0.deb"},
                                     {"1.2.5", "https://example.com/1.2.5.deb"}});
  QVUpdateCheckResult newer = QVAutoUpdate::evaluateFeed(feed, "1.2.0");
  EXPECT_EQ(newer.status, Status::UpdateAvailable);
  EXPECT_EQ(newer.version, "1.3.0");
  EXPECT_EQ(newer.link, "https://example.com/1.3.0.deb");
  EXPECT_EQ(newer.message(), std::string(kQVApplicationName) + " version 1.3.0 is available: https://example.com/1.3.0.deb");
  EXPECT_EQ(QVAutoUpdate::evaluateFeed(feed, "1.3.0").status, Status::UpToDate);
  EXPECT_EQ(QVAutoUpdate::evaluateFeed(feed, "2.0").status, Status::UpToDate);
  // Items without a version, and a feed without items, offer nothing.
  EXPECT_EQ(QVAutoUpdate::evaluateFeed(feedWith({}), "1.0").status, Status::UpToDate);
  const std::string noVersion =
      "<rss><channel><item><link>https://example.com/x</link><enclosure url=\"https://example.com/x.deb\"/>"
      "</item></channel></rss>";
  EXPECT_EQ(QVAutoUpdate::evaluateFeed(noVersion, "1.0").status, Status::UpToDate);
}

TEST(UpdateFeed, WhatIsNoFeedFails) {
  for (const char* text : {"", "not xml at all", "<rss><channel><item>", "<html><body>Not found</body></html>",
                           "<rss><channel></rss>"}) {
    const QVUpdateCheckResult result = QVAutoUpdate::evaluateFeed(text, "1.0");
    EXPECT_EQ(result.status, Status::Failed) << text;
    EXPECT_FALSE(result.errorText.empty()) << text;
  }
}

class UpdateCheckTest : public AppTest {
 protected:
  QVUpdateCheckResult check(const std::string& url, const char* version = "1.2.0") {
    std::optional<QVUpdateCheckResult> result;
    int calls = 0;
    checker_.checkForUpdate(url, version, [&](const QVUpdateCheckResult& r) {
      result = r;
      ++calls;
    });
    EXPECT_TRUE(checker_.isChecking());
    // Answered from the event loop, never inside the call.
    EXPECT_FALSE(result);
    EXPECT_TRUE(qvapptest::runEventLoopUntil([&] { return result.has_value(); }));
    EXPECT_FALSE(checker_.isChecking());
    EXPECT_EQ(calls, 1);
    return result.value_or(QVUpdateCheckResult{});
  }

  QVUpdateChecker checker_;
};

TEST_F(UpdateCheckTest, ChecksAgainstAFileFeed) {
  const fs::path feed = dir_.file("releases.xml");
  std::ofstream(feed) << feedWith({{"1.3.0", "https://example.com/1.3.0.deb"}});
  const QVUpdateCheckResult newer = check(fileURL(feed));
  EXPECT_EQ(newer.status, Status::UpdateAvailable);
  EXPECT_EQ(newer.version, "1.3.0");
  EXPECT_GT(QVAutoUpdate::lastCheckTime(), 0);

  const QVUpdateCheckResult same = check(fileURL(feed), "1.3.0");
  EXPECT_EQ(same.status, Status::UpToDate);
  EXPECT_EQ(same.message(), std::string(kQVApplicationName) + " 1.3.0 is up to date.");

  std::ofstream(feed) << "<rss><channel><item><enclosure version=\"9\"";
  EXPECT_EQ(check(fileURL(feed)).status, Status::Failed);
}

TEST_F(UpdateCheckTest, UnreachableFeedsAndRefusedAddressesFail) {
  const QVUpdateCheckResult missing = check(fileURL(dir_.file("nowhere.xml")));
  EXPECT_EQ(missing.status, Status::Failed);
  EXPECT_FALSE(missing.errorText.empty());
  EXPECT_EQ(QVAutoUpdate::lastCheckTime(), 0);
  for (const char* url : {"http://example.com/releases.xml", "ftp://example.com/releases.xml", "", "::"}) {
    const QVUpdateCheckResult refused = check(url);
    EXPECT_EQ(refused.status, Status::Failed) << url;
    EXPECT_NE(refused.errorText.find("HTTPS"), std::string::npos) << url;
  }
}

TEST_F(UpdateCheckTest, ALaterCheckReplacesOneUnderWay) {
  const fs::path feed = dir_.file("releases.xml");
  std::ofstream(feed) << feedWith({{"1.3.0", "https://example.com/1.3.0.deb"}});
  bool firstAnswered = false;
  checker_.checkForUpdate("http://refused.example.com/", "1.0", [&](const QVUpdateCheckResult&) { firstAnswered = true; });
  EXPECT_EQ(check(fileURL(feed)).status, Status::UpdateAvailable);
  QCoreApplication::processEvents();
  EXPECT_FALSE(firstAnswered);
}

TEST_F(AppTest, UpdateSettingsAndTheirDefaults) {
  EXPECT_FALSE(QVAutoUpdate::autoCheckForUpdates());
  EXPECT_FALSE(QVAutoUpdate::isAutomaticCheckDue(1'000'000'000));
  EXPECT_DOUBLE_EQ(QVAutoUpdate::updateCheckInterval(), 604800);
  EXPECT_EQ(QVAutoUpdate::feedURL(), kQVUpdateFeedURL);

  QVAutoUpdate::setDefaults();
  EXPECT_EQ(*QVUserDefaults::text("SUFeedURL"), kQVUpdateFeedURL);
  QVUserDefaults::setString("SUFeedURL", "https://example.org/feed.xml");
  EXPECT_EQ(QVAutoUpdate::feedURL(), "https://example.org/feed.xml");

  QVAutoUpdate::setAutoCheckForUpdates(true);
  QVAutoUpdate::setUpdateCheckInterval(86400);
  EXPECT_EQ(*QVUserDefaults::text("SUEnableAutomaticChecks"), "true");
  EXPECT_EQ(*QVUserDefaults::text("SUScheduledCheckInterval"), "86400");
  EXPECT_TRUE(QVAutoUpdate::autoCheckForUpdates());
  EXPECT_DOUBLE_EQ(QVAutoUpdate::updateCheckInterval(), 86400);
  // Due when never checked, and again once the interval has passed.
  EXPECT_TRUE(QVAutoUpdate::isAutomaticCheckDue(1'000'000'000));
  QVUserDefaults::setInteger("SULastCheckTime", 1'000'000'000);
  EXPECT_FALSE(QVAutoUpdate::isAutomaticCheckDue(1'000'000'000 + 3600));
  EXPECT_TRUE(QVAutoUpdate::isAutomaticCheckDue(1'000'000'000 + 86400));

  QVUserDefaults::setString("SUScheduledCheckInterval", "nonsense");
  EXPECT_DOUBLE_EQ(QVAutoUpdate::updateCheckInterval(), 604800);
}

}  // namespace

// The support mail link with the machine's facts, and the sample document.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QUrl>
#include <QUrlQuery>

#include <filesystem>
#include <cstring>
#include <fstream>

#include "app/QVApplicationInfo.h"
#include "app/QVSupportActions.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "tests/app/app_test_support.h"

namespace {

using qvapptest::AppTest;
namespace fs = std::filesystem;

// The decoded value of a query item of a mail link.
std::string queryValue(const std::string& link, const char* key) {
  const QUrl url(QString::fromStdString(link));
  return QUrlQuery(url).queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded).toStdString();
}

TEST(SupportMail, SubjectAndBodyArriveIntact) {
  const std::string subject = "Grüße & Fragen? 100% = ja";
  const std::string body = "Zeile 1\nZeile 2 + mehr\n\t日本語 #1";
  const std::string link = QVSupportActions::mailtoLink("Support Team <help@example.com>", subject, body);
  EXPECT_THAT(link, testing::StartsWith("mailto:Support%20Team%20%3Chelp@example.com%3E?SUBJECT="));
  // Only unreserved characters stay as they are.
  const std::string query = link.substr(link.find('?') + 1);
  for (char c : query) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || std::strchr("%-._~=&", c)) << c;
  EXPECT_EQ(queryValue(link, "SUBJECT"), subject);
  EXPECT_EQ(queryValue(link, "BODY"), body);
}

TEST(SupportMail, TechnicalSupportMailCarriesTheMachinesFacts) {
  const QVSystemFacts facts{"Ada Example", "ThinkBox 9", "6.1.0", "DE", "de"};
  EXPECT_EQ(QVSupportActions::technicalSupportBody(facts),
            "\n \n \n \n \nMy Device Short Info:\n User Name:Ada Example\n Devie Model:ThinkBox 9\n "
            "System Version:6.1.0\n Country:DE\n Language:de\n ");
  EXPECT_EQ(QVSupportActions::technicalSupportSubject(),
            std::string(kQVApplicationName) + " - " + std::string(kQVApplicationVersion) + ": Technical Support");

  const std::string link = QVSupportActions::technicalSupportMailLink();
  EXPECT_THAT(link, testing::StartsWith("mailto:"));
  EXPECT_EQ(queryValue(link, "SUBJECT"), QVSupportActions::technicalSupportSubject());
  const QVSystemFacts current = QVSupportActions::currentSystemFacts();
  EXPECT_EQ(queryValue(link, "BODY"), QVSupportActions::technicalSupportBody(current));
  EXPECT_THAT(current.systemVersion, testing::MatchesRegex("[0-9]+\\.[0-9]+\\.[0-9]+"));
  EXPECT_FALSE(current.machineModel.empty());
}

TEST(SupportMail, SystemFacts) {
  struct Case {
    const char* release;
    const char* version;
  };
  const Case cases[] = {{"6.1.0-18-amd64", "6.1.0"}, {"5.15.133.1-microsoft-standard-WSL2", "5.15.133"},
                        {"6.8", "6.8.0"},              {"4.19.0+", "4.19.0"},
                        {"", "0.0.0"},                 {"weird", "0.0.0"}};
  for (const Case& c : cases) EXPECT_EQ(QVSupportActions::systemVersionFromRelease(c.release), c.version) << c.release;

  qvtest::TempDir dmi;
  EXPECT_EQ(QVSupportActions::machineModelString(dmi.path().string()), "Unknown Machine");
  std::ofstream(dmi.file("product_name")) << "  \n";
  EXPECT_EQ(QVSupportActions::machineModelString(dmi.path().string()), "Unknown Machine");
  std::ofstream(dmi.file("product_name")) << "ThinkBox 9\n";
  EXPECT_EQ(QVSupportActions::machineModelString(dmi.path().string()), "ThinkBox 9");
  EXPECT_FALSE(QVSupportActions::userFullName().empty());
}

TEST_F(AppTest, TheSampleDocumentIsWrittenIntoTheDataFolder) {
  const std::optional<std::string> path = QVSupportActions::sampleDocumentPath();
  ASSERT_TRUE(path);
  EXPECT_EQ(fs::path(*path).filename(), "Sample.pdf");
  EXPECT_EQ(path->rfind((qvapptest::privateHome() / "data").string(), 0), 0u) << *path;
  const auto document = platform::PdfDocument::open(*path);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->pageCount(), 3);
  // A damaged copy is written again.
  std::ofstream(*path) << "damaged";
  EXPECT_EQ(QVSupportActions::sampleDocumentPath(), path);
  EXPECT_EQ(platform::PdfDocument::open(*path)->pageCount(), 3);
}

}  // namespace

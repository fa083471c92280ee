// Stored settings: the private configuration folder, the exact key names,
// getters that store their default on first read and read stored text the
// way the settings are read back from their file.
#include <gtest/gtest.h>

#include <QSettings>
#include <QString>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/QVCUtilities.h"
#include "app/QVSandBoxUtilities.h"
#include "app/QVSourceFileItem.h"
#include "app/QVUserDefaults.h"
#include "tests/app/app_test_support.h"

namespace {

using qvapptest::AppTest;

std::string settingsFileText() {
  std::ifstream in(QVUserDefaults::fileName());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes a value into the file as a user editing it by hand would, and makes
// the process read the file again.
void writeRawValue(const std::string& key, const std::string& value) {
  const std::filesystem::path file = QVUserDefaults::fileName();
  std::filesystem::create_directories(file.parent_path());
  {
    std::ofstream out(file, std::ios::app);
    out << "\n[General]\n" << key << "=" << value << "\n";
  }
  QSettings(QString::fromStdString(QVUserDefaults::fileName()), QSettings::IniFormat).sync();
}

TEST_F(AppTest, SettingsLiveInThePrivateConfigurationFolder) {
  const std::string file = QVUserDefaults::fileName();
  EXPECT_EQ(file.rfind((qvapptest::privateHome() / "config").string(), 0), 0u) << file;
}

TEST_F(AppTest, AGetterStoresItsDefaultOnTheFirstReadAndSyncsIt) {
  EXPECT_FALSE(QVUserDefaults::contains(kQVSettingsIsHiddenSettingsKey));
  EXPECT_FALSE(QVCUtilities::boolValueForKey(kQVSettingsIsHiddenSettingsKey, false));
  EXPECT_TRUE(QVUserDefaults::contains(kQVSettingsIsHiddenSettingsKey));
  // Synced at once: the file itself already holds the key, spelling and all.
  EXPECT_NE(settingsFileText().find("setttings_isHiddenSettings=false"), std::string::npos) << settingsFileText();
  // Stored now, so another default no longer applies.
  EXPECT_FALSE(QVCUtilities::boolValueForKey(kQVSettingsIsHiddenSettingsKey, true));

  EXPECT_EQ(QVCUtilities::integerValueForKey("count", 7), 7);
  EXPECT_EQ(QVCUtilities::integerValueForKey("count", 9), 7);
  EXPECT_FLOAT_EQ(QVCUtilities::floatValueForKey("ratio", 0.25f), 0.25f);
  EXPECT_FLOAT_EQ(QVCUtilities::floatValueForKey("ratio", 0.5f), 0.25f);
  EXPECT_EQ(QVCUtilities::stringValueForKey(kQVSettingsOutputFormatKey, "Web Source File(.html)"),
            "Web Source File(.html)");
  EXPECT_EQ(QVCUtilities::stringValueForKey(kQVSettingsOutputFormatKey, "x"), "Web Source File(.html)");
}

TEST_F(AppTest, StoredTextReadsAsTheTypeAskedFor) {
  struct Case {
    const char* stored;
    bool asBool;
    int64_t asInteger;
    float asFloat;
  };
  const Case cases[] = {
      {"true", true, 1, 1.0f},   {"false", false, 0, 0.0f},   {"YES", true, 0, 0.0f},
      {"no", false, 0, 0.0f},    {"1", true, 1, 1.0f},        {"0", false, 0, 0.0f},
      {"007", true, 7, 7.0f},    {" 42abc", true, 42, 42.0f}, {"-3", true, -3, -3.0f},
      {"2.5", true, 2, 2.5f},    {"abc", false, 0, 0.0f},     {"", false, 0, 0.0f},
      {"1e3", true, 1, 1000.0f}, {"+8", true, 8, 8.0f},
  };
  for (const Case& c : cases) {
    qvapptest::clearSettings();
    QVUserDefaults::setString("value", c.stored);
    ASSERT_TRUE(QVUserDefaults::contains("value")) << c.stored;
    EXPECT_EQ(QVCUtilities::boolValueForKey("value", !c.asBool), c.asBool) << c.stored;
    EXPECT_EQ(QVCUtilities::integerValueForKey("value", 99), c.asInteger) << c.stored;
    EXPECT_FLOAT_EQ(QVCUtilities::floatValueForKey("value", 99.0f), c.asFloat) << c.stored;
    // Reading never rewrites what is there.
    EXPECT_EQ(*QVUserDefaults::text("value"), c.stored);
  }
}

TEST_F(AppTest, ValuesWrittenByHandReadAsText) {
  writeRawValue("range", "1-3,5");
  EXPECT_EQ(QVCUtilities::stringValueForKey("range", "x"), "1-3,5");
  writeRawValue(std::string(kQVSettingsIsHiddenSettingsKey), "1");
  EXPECT_TRUE(QVCUtilities::boolValueForKey(kQVSettingsIsHiddenSettingsKey, false));
  writeRawValue("count", "12");
  EXPECT_EQ(QVCUtilities::integerValueForKey("count", 0), 12);
  QVUserDefaults::setString("range", "2,4");
  EXPECT_EQ(QVCUtilities::stringValueForKey("range", "x"), "2,4");
}

TEST_F(AppTest, AWriteThatCannotReachTheFileSaysSo) {
  EXPECT_TRUE(QVUserDefaults::setString("key", "value"));
  const std::filesystem::path file = QVUserDefaults::fileName();
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);  // a folder where the file belongs
  EXPECT_FALSE(QVUserDefaults::setString("key", "other"));
  const std::filesystem::path folder = dir_.file("chosen");
  std::filesystem::create_directory(folder);
  EXPECT_FALSE(QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(folder.string()));
  std::filesystem::remove(file);
  EXPECT_TRUE(QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(folder.string()));
}

TEST_F(AppTest, NumbersAreStoredAlikeUnderEveryLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no decimal-comma locale installed";
  QVUserDefaults::setDouble("interval", 1.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(*QVUserDefaults::text("interval"), "1.5");
  EXPECT_FLOAT_EQ(QVCUtilities::floatValueForKey("interval", 0), 1.5f);
}

TEST_F(AppTest, EachFormatChangeBecomesTheFormatOfLaterItems) {
  qvtest::TempDir dir;
  const auto pdf = dir.file("a.pdf");
  qvapptest::writeTextPdf(pdf, 1);
  auto first = QVSourceFileItem::initWithPath(pdf.string());
  ASSERT_TRUE(first);
  EXPECT_EQ(first->settings_outputFormat(), "Microsoft PowerPoint(.pptx)");
  EXPECT_EQ(*QVUserDefaults::text(kQVSettingsOutputFormatKey), "Microsoft PowerPoint(.pptx)");
  first->setSettings_outputFormat("Rich Text File(.rtf)");
  EXPECT_NE(settingsFileText().find("settings_outputFormat=Rich Text File(.rtf)"), std::string::npos);
  auto second = QVSourceFileItem::initWithPath(pdf.string());
  EXPECT_EQ(second->settings_outputFormat(), "Rich Text File(.rtf)");
  EXPECT_EQ(second->outputFileFormat(), "rtf");
}

}  // namespace

// The summary of skipped tests that ends the test script, read from a CTest
// log written here in CTest's and GoogleTest's own format.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/scripts/script_run.h"
#include "tests/support/fixtures.h"

namespace {

namespace fs = std::filesystem;

// One test's block of LastTest.log; `reason` empty for a test that passed.
std::string block(int number, const std::string& name, const std::string& reason, bool skipped) {
  std::string out = std::to_string(number) + "/9 Testing: " + name + "\n" + std::to_string(number) +
                    "/9 Test: " + name + "\nCommand: \"test_x\" \"--gtest_filter=" + name +
                    "\"\nOutput:\n----------------------------------------------------------\n"
                    "[ RUN      ] " + name + "\n";
  if (skipped) {
    out += "../tests/x_test.cpp:12: Skipped\n" + reason + "[  SKIPPED ] " + name + " (3 ms)\n" +
           "[  SKIPPED ] 1 test, listed below:\n[  SKIPPED ] " + name + "\n";
  } else {
    out += "[       OK ] " + name + " (5 ms)\n[  PASSED  ] 1 test.\n";
  }
  return out + "<end of output>\nTest time =   0.01 sec\n"
               "----------------------------------------------------------\n\"" +
         name + "\" end time: Dec 09 06:23 UTC\n";
}

scripttest::Run summarise(const fs::path& build) {
  return scripttest::run(scripttest::quoted(QV_SOURCE_DIR "/scripts/skipped-tests.sh") + " " +
                             scripttest::quoted(build.string()),
                         build);
}

TEST(SkippedTests, SkipsAreCountedAndGroupedByTheirReason) {
  qvtest::TempDir dir;
  const std::string noCorpus = "no corpus: /x holds no PDF\n";
  std::string log = "Start testing: Dec 09 06:20 UTC\n----------------------------------------------------------\n";
  log += block(1, "Fonts.ReadWell", "", false);
  for (int i = 0; i < 5; ++i) log += block(2 + i, "Corpus.Test" + std::to_string(i), noCorpus, true);
  log += block(7, "Corpus/Suite.Case/NoCorpus  # GetParam() = \"\"", noCorpus, true);
  log += block(8, "Fonts.AfmWidths", "AFM files not\ninstalled\n", true);
  log += block(9, "Misc.Quiet", "", true);
  scripttest::writeText(dir.path() / "Testing" / "Temporary" / "LastTest.log", log);

  const auto run = summarise(dir.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output,
            "8 of the 9 tests run were skipped:\n"
            "  6: no corpus: /x holds no PDF\n"
            "      Corpus.Test0\n      Corpus.Test1\n      Corpus.Test2\n"
            "      ... and 3 more\n"
            "  1: AFM files not / installed\n"
            "      Fonts.AfmWidths\n"
            "  1: (no reason given)\n"
            "      Misc.Quiet\n");
}

TEST(SkippedTests, ARunWithoutSkipsSaysSoAndAMissingLogIsAnError) {
  qvtest::TempDir dir;
  EXPECT_EQ(summarise(dir.path()).exitCode, 1);
  scripttest::writeText(dir.path() / "Testing" / "Temporary" / "LastTest.log",
                        block(1, "A.B", "", false) + block(2, "A.C", "", false));
  const auto run = summarise(dir.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "No test of the 2 run was skipped.\n");
}

}  // namespace

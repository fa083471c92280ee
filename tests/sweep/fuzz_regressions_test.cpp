// Inputs saved from fuzz findings run through their target again, under the
// sanitizers of this build: tests/data/fuzz-regressions/<target>/<file>.
// A finding that comes back crashes or trips a sanitizer here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/targets.h"
#include "platform/fs/files.h"

namespace {

namespace fs = std::filesystem;

fs::path regressionFolder() { return fs::path(QV_SOURCE_DIR) / "tests" / "data" / "fuzz-regressions"; }

std::vector<std::string> targetNames() {
  std::vector<std::string> names;
  for (const qvfuzz::NamedTarget& target : qvfuzz::allTargets()) names.emplace_back(target.name);
  return names;
}

class FuzzRegressions : public testing::TestWithParam<std::string> {};

// Runs every file of the folder that `take` accepts through the target of
// this test's name.
void replayFolder(const std::string& targetName, const fs::path& folder, bool (*take)(const fs::path&)) {
  const auto targets = qvfuzz::allTargets();
  const auto target = std::find_if(targets.begin(), targets.end(),
                                   [&](const qvfuzz::NamedTarget& t) { return t.name == targetName; });
  ASSERT_NE(target, targets.end());
  std::vector<fs::path> inputs;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.is_regular_file() && take(entry.path())) inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path& input : inputs) {
    // Printed first: a crash ends the process before any assertion could name it.
    std::printf("[replay] %s/%s\n", targetName.c_str(), input.filename().c_str());
    std::fflush(stdout);
    const auto bytes = platform::fs::readFile(input.string());
    ASSERT_TRUE(bytes) << input;
    EXPECT_EQ(target->run(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()), 0) << input;
  }
}

TEST_P(FuzzRegressions, EverySavedInputRunsCleanly) {
  replayFolder(GetParam(), regressionFolder() / GetParam(),
               [](const fs::path& file) { return file.extension() != ".md"; });
}

// The small hostile files of tests/data/hostile are seeds of every fuzzer
// (scripts/make-fuzz-seeds.sh): each runs through every target cleanly.
TEST_P(FuzzRegressions, EveryHostileSeedRunsCleanly) {
  const fs::path folder = fs::path(QV_SOURCE_DIR) / "tests" / "data" / "hostile";
  ASSERT_FALSE(fs::is_empty(folder));
  replayFolder(GetParam(), folder, [](const fs::path& file) { return file.extension() == ".pdf"; });
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressions, testing::ValuesIn(targetNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace

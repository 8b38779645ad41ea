// Each scenario file here (and the built-in demo) against its expected timeline, compared
// line by line: the first divergence is reported with both lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/machine/drive_folder.h"
#include "tools/tavos-sim/scenario_runner.h"

namespace tavos_scenario {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// "" when equal; otherwise where they part and both lines there.
std::string FirstDivergence(const std::vector<std::string>& expected,
                            const std::vector<std::string>& actual) {
  size_t common = std::min(expected.size(), actual.size());
  for (size_t i = 0; i < common; ++i) {
    if (expected[i] != actual[i])
      return "line " + std::to_string(i + 1) + " differs\n  expected: " + expected[i] +
             "\n  actual:   " + actual[i];
  }
  if (expected.size() > common)
    return "line " + std::to_string(common + 1) + " is missing\n  expected: " + expected[common] +
           "\n  actual:   (end of timeline)";
  if (actual.size() > common)
    return "line " + std::to_string(common + 1) + " is extra\n  expected: (end of timeline)" +
           "\n  actual:   " + actual[common];
  return "";
}

TEST(FirstDivergence, NamesTheFirstDifferingLineWithBothSides) {
  EXPECT_EQ("", FirstDivergence({"0 a", "1 b"}, {"0 a", "1 b"}));
  EXPECT_EQ("line 2 differs\n  expected: 1 b\n  actual:   1 c",
            FirstDivergence({"0 a", "1 b", "2 x"}, {"0 a", "1 c", "2 y"}));
  EXPECT_EQ("line 2 is missing\n  expected: 1 b\n  actual:   (end of timeline)",
            FirstDivergence({"0 a", "1 b"}, {"0 a"}));
  EXPECT_EQ("line 1 is extra\n  expected: (end of timeline)\n  actual:   0 a",
            FirstDivergence({}, {"0 a"}));
}

// The scenario files: every *.scn here, and the demo compiled into tavos-sim.
std::vector<std::string> ScenarioFiles() {
  std::vector<std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(TAVOS_SCENARIO_DIR))
    if (entry.path().extension() == ".scn") files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  files.push_back(TAVOS_DEMO_SCENARIO);
  return files;
}

// The demo's expected timeline lives with the others.
fs::path ExpectedFile(const fs::path& scenario) {
  return fs::path(TAVOS_SCENARIO_DIR) / scenario.filename().replace_extension(".expected");
}

// One scenario file, named by its path.
class ScenarioFile : public ::testing::TestWithParam<std::string> {};

TEST_P(ScenarioFile, TimelineMatchesExpected) {
  const fs::path scenario = GetParam();
  ASSERT_TRUE(fs::exists(ExpectedFile(scenario))) << "no " << ExpectedFile(scenario);
  ParseResult parsed = ParseScenario(ReadText(scenario));
  ASSERT_TRUE(parsed.ok) << scenario << ": " << parsed.error.ToString();

  tavos_sim::DriveFolder sandbox;
  std::string error;
  ASSERT_TRUE(sandbox.Create("", &error)) << error;
  RunResult run = RunScenario(parsed.statements, sandbox.Path());
  EXPECT_TRUE(run.ok) << scenario << ": " << run.error.ToString();
  EXPECT_EQ(std::vector<std::string>{}, run.problems);
  std::vector<std::string> expected = SplitLines(ReadText(ExpectedFile(scenario)));
  ASSERT_FALSE(expected.empty()) << ExpectedFile(scenario) << " is empty";
  std::string divergence = FirstDivergence(expected, run.timeline);
  EXPECT_TRUE(divergence.empty()) << scenario.filename().string() << ": " << divergence;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ScenarioFile, ::testing::ValuesIn(ScenarioFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = fs::path(info.param).stem().string();
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(ScenarioFiles, EveryExpectedTimelineHasItsScenario) {
  for (const fs::directory_entry& entry : fs::directory_iterator(TAVOS_SCENARIO_DIR)) {
    if (entry.path().extension() != ".expected") continue;
    fs::path scenario = fs::path(entry.path()).replace_extension(".scn");
    bool isDemo = scenario.filename() == fs::path(TAVOS_DEMO_SCENARIO).filename();
    EXPECT_TRUE(fs::exists(scenario) || isDemo) << entry.path() << " has no scenario";
  }
}

}  // namespace
}  // namespace tavos_scenario

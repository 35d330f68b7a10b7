// Runs every page under tests/cases through one redraw pass and compares
// its console output, byte for byte, with the .out file beside it. Where a
// .lines file is there too, the segments drawn must match it, one
// "x0 y0 x1 y1" line each in %g form. A case with no page of its own is a
// sample page's, in examples/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "gl_standin.h"
#include "read_file.h"
#include "test_support.h"
#include "viewer.h"

namespace fs = std::filesystem;

namespace {

std::string segmentLines() {
  std::string out;
  for (const Segment& s : drawnSegments()) {
    char line[128];
    std::snprintf(line, sizeof line, "%g %g %g %g\n", s.x0, s.y0, s.x1, s.y1);
    out += line;
  }
  return out;
}

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(PSVIEWER_CASES_DIR)) {
    if (entry.path().extension() == ".out")
      names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class GoldenTest : public testing::TestWithParam<std::string> {};

TEST_P(GoldenTest, PrintsAndDrawsWhatTheCaseExpects) {
  fs::path base = fs::path(PSVIEWER_CASES_DIR) / GetParam();
  fs::path expectedOut = base.string() + ".out";
  fs::path expectedLines = base.string() + ".lines";
  fs::path page = base.string() + ".ps";
  if (!fs::exists(page))
    page = fs::path(PSVIEWER_EXAMPLES_DIR) / (GetParam() + ".ps");
  ASSERT_TRUE(fs::exists(page)) << page;
  filename = page.string();
  clearGlCalls();
  EXPECT_EQ(captureOutput(display), readFile(expectedOut));
  if (fs::exists(expectedLines)) {
    EXPECT_EQ(segmentLines(), readFile(expectedLines));
  }
  EXPECT_EQ(glCalls.back().name, "glutSwapBuffers");
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, testing::ValuesIn(caseNames()),
                         [](const auto& info) { return info.param; });

}  // namespace

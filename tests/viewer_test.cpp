#include "viewer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "gl_standin.h"
#include "interpreter.h"
#include "opengl.h"
#include "test_support.h"
#include "watch.h"

namespace {

TEST(PageTest, ConstantsFollowTheLetterSheet) {
  EXPECT_EQ(pageAspect, 8.5 / 11.0);
  EXPECT_EQ(windowWidth, 540);  // 700 * 8.5 / 11 = 540.9..., truncated
  EXPECT_EQ(pageWidth, 612.0);
  EXPECT_EQ(pageHeight, 792.0);
}

TEST(PageTest, InitViewMapsThePageOntoTheWindow) {
  clearGlCalls();
  initView(540, 700);
  std::vector<std::string> calls;
  for (const GlCall& call : glCalls) calls.push_back(describe(call));
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "glViewport(0,0,540,700)",
                       "glMatrixMode(" + std::to_string(GL_PROJECTION) + ")",
                       "glLoadIdentity()", "gluOrtho2D(0,612,0,792)",
                       "glMatrixMode(" + std::to_string(GL_MODELVIEW) + ")",
                       "glLoadIdentity()"}));
}

TEST(DisplayTest, ClearsToWhiteDrawsInBlackAndSwapsAtTheEnd) {
  EXPECT_EQ(runPass("100 200 moveto\n"), "");
  EXPECT_EQ(stateCallNames(),
            (std::vector<std::string>{"glClearColor", "glClear", "glColor3f",
                                      "glutSwapBuffers"}));
  EXPECT_EQ(glCalls[0].args, (std::vector<double>{1, 1, 1, 1}));
  EXPECT_EQ(glCalls[1].args, std::vector<double>{GL_COLOR_BUFFER_BIT});
  EXPECT_EQ(glCalls[2].args, (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(glCalls.back().name, "glutSwapBuffers");
  ASSERT_EQ(drawnSegments().size(), 1u);
}

TEST(DisplayTest, EveryPassStartsWithAnEmptyStackAndRereadsTheFile) {
  EXPECT_EQ(runPass("1 2 add\n"),
            "Stack before add: \n[2 1 ]\nStack after add: \n[3 ]\n");
  EXPECT_EQ(operandStack.size(), 1u);
  EXPECT_EQ(captureOutput(display),
            "Stack before add: \n[2 1 ]\nStack after add: \n[3 ]\n");
  EXPECT_EQ(runPass("add\n"),
            "Stack before add: \n[]\n"
            "Operator: add needs 2 operands\n");
}

// Mesa queues every segment until it is told to wait; a page waits after
// every 4096 of its own segments, and never inside a primitive.
TEST(DisplayTest, WaitsForTheGlAfterEvery4096SegmentsOfThePage) {
  runPass("arc\n");  // 100 segments the next page must not count
  std::string page;
  for (int i = 0; i < 82; ++i) page += "arc\n";
  runPass(page);
  size_t segments = 0, finishes = 0;
  bool inPrimitive = false;
  for (const GlCall& call : glCalls) {
    if (call.name == "glBegin") inPrimitive = true;
    if (call.name == "glEnd") {
      inPrimitive = false;
      ++segments;
    }
    if (call.name == "glFinish") {
      EXPECT_FALSE(inPrimitive);
      EXPECT_EQ(segments, ++finishes * 4096);
    }
  }
  EXPECT_EQ(segments, 8200u);
  EXPECT_EQ(finishes, 2u);
}

TEST(DisplayTest, OperandsMayStandOnEarlierLines) {
  runPass("100\n200\n\nmoveto");
  std::vector<Segment> lines = drawnSegments();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].x1, 100);
  EXPECT_EQ(lines[0].y1, 200);
}

class DisplayExitTest : public testing::TestWithParam<const char*> {};

// The message itself is checked on the real process; here the exit status
// and that nothing is shown.
TEST_P(DisplayExitTest, EndsTheProgramWithAFailureStatus) {
  filename = GetParam();
  clearGlCalls();
  EXPECT_EXIT(
      {
        display();
        std::exit(0);
      },
      testing::ExitedWithCode(1), "");
}

INSTANTIATE_TEST_SUITE_P(Files, DisplayExitTest,
                         testing::Values("", "/no/such/file.ps", "/",
                                         "/dev/null", "/proc/self/mem"));

TEST(DisplayExitTest, DoesNotSwapAFileThatCannotBeOpened) {
  // Runs in a child so that the parent can look at what it recorded.
  filename = "/no/such/file.ps";
  clearGlCalls();
  EXPECT_EXIT(
      {
        std::atexit([] {
          std::_Exit(stateCallNames().back() == "glutSwapBuffers" ? 2 : 3);
        });
        display();
      },
      testing::ExitedWithCode(3), "");
}

namespace fs = std::filesystem;

// How a page may change after the pass that showed it, and whether the
// next look at it asks for a redraw.
struct SaveCase {
  const char* how;
  std::function<void(const fs::path&)> save;
  bool redraws;
};

std::ostream& operator<<(std::ostream& os, const SaveCase& c) {
  return os << c.how;
}

class WatchTest : public testing::TestWithParam<SaveCase> {};

TEST_P(WatchTest, AsksForARedrawOnlyWhenThePageWasSaved) {
  filename = writeTempFile("watched.ps", "100 600 moveto\n");
  // Saved a second ago: a save now has a later time, however coarse the
  // system's clock for files.
  fs::last_write_time(filename,
                      fs::last_write_time(filename) - std::chrono::seconds(1));
  captureOutput(display);
  GetParam().save(filename);
  clearGlCalls();
  watchFile(0);
  std::vector<std::string> looked = {"glutTimerFunc(200,0)"};
  if (GetParam().redraws) looked.insert(looked.begin(), "glutPostRedisplay()");
  std::vector<std::string> calls;
  for (const GlCall& call : glCalls) calls.push_back(describe(call));
  EXPECT_EQ(calls, looked);
}

void writeAs(const fs::path& path, const char* text) {
  std::ofstream(path, std::ios::binary) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Saves, WatchTest,
    testing::Values(
        SaveCase{"untouched", [](const fs::path&) {}, false},
        SaveCase{"rewritten_in_place_to_the_same_size",
                 [](const fs::path& p) { writeAs(p, "600 100 moveto\n"); },
                 true},
        SaveCase{"saved_unchanged",
                 [](const fs::path& p) {
                   fs::last_write_time(p, fs::file_time_type::clock::now());
                 },
                 true},
        SaveCase{"replaced_by_a_rename_with_its_size_and_time",
                 [](const fs::path& p) {
                   fs::path next = p.string() + ".new";
                   writeAs(next, "600 100 moveto\n");
                   fs::last_write_time(next, fs::last_write_time(p));
                   fs::rename(next, p);
                 },
                 true},
        SaveCase{"deleted", [](const fs::path& p) { fs::remove(p); }, false},
        SaveCase{"deleted_and_written_anew",
                 [](const fs::path& p) {
                   fs::remove(p);
                   writeAs(p, "100 600 moveto\n");
                 },
                 true}),
    [](const auto& info) { return std::string(info.param.how); });

struct LineCase {
  const char* line;
  const char* output;
  size_t depth;
};

std::ostream& operator<<(std::ostream& os, const LineCase& c) {
  return os << testing::PrintToString(std::string(c.line));
}

class ParseLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(ParseLineTest, InterpretsEachTokenOnce) {
  operandStack = std::stack<double>();
  std::string line = GetParam().line;
  EXPECT_EQ(captureOutput([&] { parseLine(line); }), GetParam().output)
      << GetParam().line;
  EXPECT_EQ(operandStack.size(), GetParam().depth) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseLineTest,
    testing::Values(LineCase{"", "", 0}, LineCase{"   ", "", 0},
                    LineCase{"1 2 ", "", 2}, LineCase{"\t1\v2\f3\r", "", 3},
                    LineCase{"%!PS-Adobe-3.0 x", "", 0},
                    LineCase{"1 2 % x y z", "", 2},
                    LineCase{"1 2%x add",
                             "Stack before add: \n[2 1 ]\n"
                             "Stack after add: \n[3 ]\n",
                             1},
                    LineCase{"x%", "Operator: x% not supported\n", 0},
                    LineCase{"[1 2] {3}",
                             "Operator: [1 not supported\n"
                             "Operator: {3} not supported\n",
                             1},
                    LineCase{"a\xa0"
                             "b",
                             "Operator: a\xa0"
                             "b not supported\n",
                             0}));

TEST(ParseLineTest, StopsAtANul) {
  operandStack = std::stack<double>();
  std::string line("1 2\0 showpage 3", 15);
  EXPECT_EQ(captureOutput([&] { parseLine(line); }), "");
  EXPECT_EQ(operandStack.size(), 2u);
}

}  // namespace

namespace {

// Lines are split exactly as formatted string extraction splits them, for
// every kind of white space and for bytes that only look like it.
TEST(ParseLineTest, SplitsTokensAsStreamExtractionDoes) {
  std::mt19937 random(7);
  const std::string alphabet = "ab% \t\v\f\r\xa0\x85\x1c\x01";
  for (int i = 0; i < 5000; ++i) {
    std::string line;
    int length = int(random() % 30);
    for (int k = 0; k < length; ++k)
      line += alphabet[random() % alphabet.size()];
    std::string expected;
    std::istringstream words(line);
    std::string word;
    while (words >> word && word[0] != '%')
      expected += "Operator: " + word + " not supported\n";
    operandStack = std::stack<double>();
    EXPECT_EQ(captureOutput([&] { parseLine(line); }), expected)
        << testing::PrintToString(line);
  }
}

}  // namespace

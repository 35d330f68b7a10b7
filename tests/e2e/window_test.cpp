// End-to-end tests: the real program, linked with freeglut and Mesa, in a
// real X server, checked by what a user sees and reads.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "harness.h"

namespace fs = std::filesystem;

namespace {

const std::string sampleTrace =
    "Stack before add: \n[2 1 ]\nStack after add: \n[3 ]\n"
    "Operator: showpage not supported\n";

// Where the page projection puts page point (x, y): column and row of the
// 540 x 700 window, counted from its top-left corner.
double columnOf(double x) { return x * 540 / 612; }
double rowOf(double y) { return 700 - y * 700 / 792; }

// True when some dark pixel lies within one pixel of page point (x, y).
bool darkNear(const Image& image, double x, double y) {
  int col = int(std::floor(columnOf(x))), row = int(std::floor(rowOf(y)));
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      int c = col + dx, r = row + dy;
      if (c >= 0 && r >= 0 && c < image.width && r < image.height &&
          image.dark(c, r))
        return true;
    }
  return false;
}

struct Line {
  double x0, y0, x1, y1;
};
struct Circle {
  double cx, cy, r;
};

double distanceToLine(const Line& l, double x, double y) {
  double dx = l.x1 - l.x0, dy = l.y1 - l.y0;
  double t = ((x - l.x0) * dx + (y - l.y0) * dy) / (dx * dx + dy * dy);
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(x - l.x0 - t * dx, y - l.y0 - t * dy);
}

// Whether the picture shows exactly these shapes: every page point along
// them has a dark pixel within a pixel, and every dark pixel lies within
// about a pixel of one of them.
testing::AssertionResult showsExactly(const Image& image,
                                      const std::vector<Line>& lines,
                                      const std::vector<Circle>& circles) {
  struct {
    std::vector<std::string> missing, stray;
  } check;
  auto note = [](double x, double y) {
    return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
  };
  for (const Line& l : lines)
    for (int i = 0; i <= 400; ++i) {
      double x = l.x0 + (l.x1 - l.x0) * i / 400,
             y = l.y0 + (l.y1 - l.y0) * i / 400;
      if (!darkNear(image, x, y)) check.missing.push_back(note(x, y));
    }
  for (const Circle& c : circles)
    for (int i = 0; i < 720; ++i) {
      double a = i * M_PI / 360;
      double x = c.cx + c.r * std::cos(a), y = c.cy + c.r * std::sin(a);
      if (!darkNear(image, x, y)) check.missing.push_back(note(x, y));
    }
  for (int row = 0; row < image.height; ++row)
    for (int col = 0; col < image.width; ++col) {
      if (!image.dark(col, row)) continue;
      double x = (col + 0.5) * 612 / 540, y = (700 - row - 0.5) * 792 / 700;
      double nearest = 1e9;
      for (const Line& l : lines)
        nearest = std::min(nearest, distanceToLine(l, x, y));
      for (const Circle& c : circles)
        nearest =
            std::min(nearest, std::abs(std::hypot(x - c.cx, y - c.cy) - c.r));
      if (nearest > 2.0) check.stray.push_back(note(x, y));
    }
  if (check.missing.empty() && check.stray.empty())
    return testing::AssertionSuccess();
  testing::AssertionResult failure = testing::AssertionFailure();
  if (!check.missing.empty())
    failure << check.missing.size() << " points not drawn, first "
            << check.missing.front() << "; ";
  if (!check.stray.empty())
    failure << check.stray.size() << " stray dark pixels, first "
            << check.stray.front();
  return failure;
}

class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    // One folder per test process: CTest runs them in parallel.
    folder = fs::path(testing::TempDir()) /
             ("psviewer_e2e_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }
  void writePage(const std::string& name, const std::string& contents) {
    std::ofstream(folder / name, std::ios::binary) << contents;
  }
  // Writes the page, types its name to the viewer and returns the window
  // that shows it, or 0 when none appeared.
  Window show(Viewer& viewer, const std::string& name,
              const std::string& contents) {
    writePage(name, contents);
    viewer.type(name + "\n");
    return waitForWindow(viewerTitle);
  }
  fs::path folder;
};

TEST_F(WindowTest, PromptsBeforeAnyWindowExists) {
  Viewer viewer(folder);
  writePage("page.ps", "");
  EXPECT_EQ(viewer.outputOnceAtLeast(10), "Filename: ");
  // The program is blocked on reading the name: no window may appear.
  Clock::time_point until = Clock::now() + std::chrono::milliseconds(500);
  while (Clock::now() < until) {
    ASSERT_EQ(findWindow(viewerTitle), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  viewer.type("page.ps\n");
  EXPECT_NE(waitForWindow(viewerTitle), 0u);
}

TEST_F(WindowTest, ShowsTheSamplePageAndClosesLikeAnyWindow) {
  Viewer viewer(folder);
  Window window =
      show(viewer, "sample.ps",
           "%!PS\n1 2 add\n100 200 moveto\narc\nstroke\nshowpage\n");
  ASSERT_NE(window, 0u);

  Geometry g = windowGeometry(window);
  EXPECT_EQ(g.width, 540);
  EXPECT_EQ(g.height, 700);
  EXPECT_EQ(g.x, 100);
  EXPECT_EQ(g.y, 100);

  std::string expected = "Filename: " + sampleTrace;
  EXPECT_EQ(
      viewer.outputOnceAtLeast(expected.size()).substr(0, expected.size()),
      expected);
  Image image = waitForPicture(window);
  ASSERT_EQ(image.width, 540);
  EXPECT_TRUE(showsExactly(image, {{0, 0, 100, 200}}, {{300, 400, 75}}));

  sendDeleteWindow(window);
  EXPECT_EQ(viewer.exitStatus(), 0);
}

TEST_F(WindowTest, DrawsThePageDiagonalCornerToCorner) {
  Viewer viewer(folder);
  Window window = show(viewer, "diagonal.ps", "612 792 moveto\n");
  ASSERT_NE(window, 0u);
  Image image = waitForPicture(window);
  EXPECT_TRUE(showsExactly(image, {{0, 0, 612, 792}}, {}));
  // The corners themselves: the lower-left and the upper-right pixel.
  EXPECT_TRUE(image.dark(0, 699) || image.dark(1, 699) || image.dark(0, 698));
  EXPECT_TRUE(image.dark(539, 0) || image.dark(538, 0) || image.dark(539, 1));
}

TEST_F(WindowTest, RedrawRereadsTheEditedFileWithAnEmptyStack) {
  Viewer viewer(folder);
  Window window = show(viewer, "page.ps", "1 2 add\n100 200 moveto\narc\n");
  ASSERT_NE(window, 0u);
  Image before = waitForPicture(window);
  EXPECT_TRUE(darkNear(before, 375, 400));
  // A map may expose the window more than once, and on a busy machine the
  // redraws may come late: the file changes only once they have all run.
  std::string seen = viewer.outputOnceQuiet();
  std::string pass = "Stack before add: \n[2 1 ]\nStack after add: \n[3 ]\n";
  ASSERT_EQ(seen.substr(0, 10), "Filename: ");
  ASSERT_GT(seen.size(), 10u);
  for (size_t at = 10; at < seen.size(); at += pass.size())
    ASSERT_EQ(seen.substr(at, pass.size()), pass);  // whole passes only

  writePage("page.ps", "5 6 add\n612 792 moveto\n");
  remap(window);
  // The first redraw after the edit reads the new file with an empty stack.
  std::string second =
      seen + "Stack before add: \n[6 5 ]\nStack after add: \n[11 ]\n";
  EXPECT_EQ(viewer.outputOnceAtLeast(second.size()).substr(0, second.size()),
            second);
  Image after = waitForPicture(window, &before);
  EXPECT_TRUE(showsExactly(after, {{0, 0, 612, 792}}, {}));
}

TEST_F(WindowTest, AFileRemovedWhileShownEndsTheProgramAtTheNextRedraw) {
  Viewer viewer(folder);
  Window window = show(viewer, "page.ps", "showpage\n");
  ASSERT_NE(window, 0u);
  std::string first = "Filename: Operator: showpage not supported\n";
  ASSERT_EQ(viewer.outputOnceAtLeast(first.size()), first);
  fs::remove(folder / "page.ps");
  remap(window);
  EXPECT_EQ(viewer.exitStatus(), 1);
  std::string out = viewer.output();
  std::string last = "Can't find file: page.ps\n";
  ASSERT_GE(out.size(), last.size());
  EXPECT_EQ(out.substr(out.size() - last.size()), last);
}

struct ExitCase {
  const char* typed;
  bool closeInput;
  const char* output;
};

std::ostream& operator<<(std::ostream& os, const ExitCase& c) {
  return os << testing::PrintToString(std::string(c.typed));
}

class WindowExitTest : public WindowTest,
                       public testing::WithParamInterface<ExitCase> {};

TEST_P(WindowExitTest, ReportsTheFileAndEndsWithFailure) {
  fs::create_directories(folder / "folder.ps");
  mkfifo((folder / "pipe.ps").c_str(), 0644);
  Viewer viewer(folder);
  viewer.type(GetParam().typed);
  if (GetParam().closeInput) viewer.closeInput();
  EXPECT_EQ(viewer.exitStatus(), 1);
  EXPECT_EQ(viewer.output(), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WindowExitTest,
    testing::Values(ExitCase{"missing.ps\n", false,
                             "Filename: Can't find file: missing.ps\n"},
                    ExitCase{"", true, "Filename: Can't find file: \n"},
                    ExitCase{"folder.ps\n", false,
                             "Filename: Can't read file: folder.ps\n"},
                    ExitCase{"pipe.ps\n", false,
                             "Filename: Can't read file: pipe.ps\n"},
                    ExitCase{"/dev/zero\n", false,
                             "Filename: Can't read file: /dev/zero\n"}));

}  // namespace

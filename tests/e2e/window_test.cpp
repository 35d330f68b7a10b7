// End-to-end tests: the real program, linked with freeglut and Mesa, in a
// real X server, checked by what a user sees and reads. The Windows build,
// where there is one, runs the same tests under Wine, and the arm64 build
// under qemu-user.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>

#include "../read_file.h"
#include "harness.h"

namespace fs = std::filesystem;

namespace {

// A build of the viewer, as its users run it.
struct Program {
  const char* name;
  std::vector<std::string> command;  // none: build/psviewer
  const char* lineEnd;               // what its console ends a line with
  bool nanSigns;                     // whether it prints "-nan"
};

std::ostream& operator<<(std::ostream& os, const Program& program) {
  return os << program.name;
}

// Windows' C library prints a NaN without its sign.
const Program linuxBuild{"Linux", {}, "\n", true};
#ifdef PSVIEWER_WINDOWS_PROGRAM
const Program windowsBuild{
    "Windows", {PSVIEWER_WINE, PSVIEWER_WINDOWS_PROGRAM}, "\r\n", false};
#endif
#ifdef PSVIEWER_ARM64_PROGRAM
const Program arm64Build{
    "Arm64", {PSVIEWER_ARM64_EMULATOR PSVIEWER_ARM64_PROGRAM}, "\n", true};
#endif

// The console text as the program writes it.
std::string console(const Program& program, const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? program.lineEnd : std::string(1, c);
  return out;
}

// What the sample page prints in each pass.
const std::string sampleTrace = readFile(PSVIEWER_CASES_DIR "/sample.out");

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

// A folder for the test's pages, one per test process: CTest runs them in
// parallel.
struct TestFolder {
  TestFolder() {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TestFolder() { fs::remove_all(path); }
  fs::path path = fs::path(testing::TempDir()) /
                  ("psviewer_e2e_" + std::to_string(getpid()));
};

class WindowTest : public testing::TestWithParam<Program> {
 protected:
  Viewer start() { return Viewer(folder.path, GetParam().command); }
  std::string console(const std::string& text) {
    return ::console(GetParam(), text);
  }
  void writePage(const std::string& name, const std::string& contents) {
    std::ofstream(folder.path / name, std::ios::binary) << contents;
  }
  // Writes the page, types its name to the viewer and returns the window
  // that shows it, or 0 when none appeared.
  Window show(Viewer& viewer, const std::string& name,
              const std::string& contents) {
    writePage(name, contents);
    viewer.type(name + "\n");
    return waitForWindow(viewerTitle);
  }
  // Waits for the first pass and then until the console has been quiet for
  // a second, so that every redraw asked for so far has run, and returns
  // what it shows, having checked that this is the prompt and then whole
  // passes that each print pass: a map may expose the window more than
  // once, and on a busy machine the redraws may come late.
  std::string quietAfterWholePasses(Viewer& viewer, const std::string& pass) {
    std::string prompt = "Filename: ", each = console(pass);
    viewer.outputOnceAtLeast(prompt.size() + each.size());
    std::string seen = viewer.outputOnceQuiet();
    EXPECT_EQ(seen.substr(0, prompt.size()), prompt);
    EXPECT_GT(seen.size(), prompt.size());
    for (size_t at = prompt.size(); at < seen.size(); at += each.size())
      EXPECT_EQ(seen.substr(at, each.size()), each) << "at byte " << at;
    return seen;
  }
  TestFolder folder;
};

TEST_P(WindowTest, PromptsBeforeAnyWindowExists) {
  Viewer viewer = start();
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

TEST_P(WindowTest, ShowsTheSamplePageAndClosesLikeAnyWindow) {
  Viewer viewer = start();
  Window window =
      show(viewer, "sample.ps", readFile(PSVIEWER_EXAMPLES_DIR "/sample.ps"));
  ASSERT_NE(window, 0u);

  // The window, with its frame where it has one (Windows places the frame
  // at the position asked for), is at (100, 100); what it draws in is
  // 540 x 700.
  Geometry g = windowGeometry(window),
           area = windowGeometry(drawingArea(window));
  EXPECT_EQ(g.x, 100);
  EXPECT_EQ(g.y, 100);
  EXPECT_EQ(area.width, 540);
  EXPECT_EQ(area.height, 700);

  ASSERT_FALSE(sampleTrace.empty());
  std::string expected = console("Filename: " + sampleTrace);
  EXPECT_EQ(
      viewer.outputOnceAtLeast(expected.size()).substr(0, expected.size()),
      expected);
  Image image = waitForPicture(window);
  ASSERT_EQ(image.width, 540);
  EXPECT_TRUE(showsExactly(image, {{0, 0, 100, 200}}, {{300, 400, 75}}));

  sendDeleteWindow(window);
  EXPECT_EQ(viewer.exitStatus(), 0);
}

TEST_P(WindowTest, DrawsThePageDiagonalCornerToCorner) {
  Viewer viewer = start();
  Window window = show(viewer, "diagonal.ps", "612 792 moveto\n");
  ASSERT_NE(window, 0u);
  Image image = waitForPicture(window);
  EXPECT_TRUE(showsExactly(image, {{0, 0, 612, 792}}, {}));
  // The corners themselves: the lower-left and the upper-right pixel.
  EXPECT_TRUE(image.dark(0, 699) || image.dark(1, 699) || image.dark(0, 698));
  EXPECT_TRUE(image.dark(539, 0) || image.dark(538, 0) || image.dark(539, 1));
}

TEST_P(WindowTest, RedrawRereadsTheEditedFileWithAnEmptyStack) {
  Viewer viewer = start();
  Window window = show(viewer, "page.ps", "1 2 add\n100 200 moveto\narc\n");
  ASSERT_NE(window, 0u);
  Image before = waitForPicture(window);
  EXPECT_TRUE(darkNear(before, 375, 400));
  std::string seen = quietAfterWholePasses(
      viewer, "Stack before add: \n[2 1 ]\nStack after add: \n[3 ]\n");
  ASSERT_FALSE(HasFailure());

  writePage("page.ps", "5 6 add\n612 792 moveto\n");
  remap(window);
  // The first redraw after the edit reads the new file with an empty stack.
  std::string second =
      seen + console("Stack before add: \n[6 5 ]\nStack after add: \n[11 ]\n");
  EXPECT_EQ(viewer.outputOnceAtLeast(second.size()).substr(0, second.size()),
            second);
  Image after = waitForPicture(window, &before);
  EXPECT_TRUE(showsExactly(after, {{0, 0, 612, 792}}, {}));
}

// On a compositing desktop an uncovered window is shown from its last
// picture, and the program is not asked to draw: a saved page shows because
// the viewer looks at its file. Each way an editor saves must show on the
// screen within a second, pixel for pixel, with no expose sent, and an
// untouched page is not drawn again.
TEST_P(WindowTest, FollowsItsFileOnACompositingDesktop) {
  Compositor compositor;
  Viewer viewer = start();
  const std::string pageA = "100 600 moveto a\n", pageB = "600 100 moveto b\n";
  Window window = show(viewer, "page.ps", pageA);
  ASSERT_NE(window, 0u);
  std::string seen =
      quietAfterWholePasses(viewer, "Operator: a not supported\n");
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_EQ(viewer.output(), seen) << "an untouched page was drawn again";

  // Waits for the screen to show what shows says; what it showed last.
  auto screenShows = [&](const std::function<bool(const Image&)>& shows) {
    Clock::time_point until = Clock::now() + std::chrono::seconds(slowdown());
    Image image = grabScreen(window);
    while (!shows(image) && Clock::now() < until) image = grabScreen(window);
    return image;
  };
  Image pictureA = screenShows([](const Image& image) {
    return showsExactly(image, {{0, 0, 100, 600}}, {});
  });
  ASSERT_TRUE(showsExactly(pictureA, {{0, 0, 100, 600}}, {}));
  Image pictureB;
  const fs::path page = folder.path / "page.ps", next = folder.path / "next";
  struct Save {
    const char* how;
    std::function<void(const std::string&)> save;
  } saves[] = {
      {"in place",
       [&](const std::string& text) { writePage("page.ps", text); }},
      {"by a rename",
       [&](const std::string& text) {
         writePage("next", text);
         fs::rename(next, page);
       }},
      {"deleted, then written anew",
       [&](const std::string& text) {
         fs::remove(page);
         std::this_thread::sleep_for(std::chrono::milliseconds(500));
         writePage("page.ps", text);
       }},
  };
  bool toB = true;
  for (const Save& save : saves) {
    SCOPED_TRACE(save.how);
    save.save(toB ? pageB : pageA);
    Image shown = screenShows([&](const Image& image) {
      if (!toB) return image.pixels == pictureA.pixels;
      if (!pictureB.pixels.empty()) return image.pixels == pictureB.pixels;
      return bool(showsExactly(image, {{0, 0, 600, 100}}, {}));
    });
    if (toB && pictureB.pixels.empty()) {
      EXPECT_TRUE(showsExactly(shown, {{0, 0, 600, 100}}, {}));
      pictureB = shown;
    }
    EXPECT_TRUE(shown.pixels == (toB ? pictureB : pictureA).pixels)
        << "not shown within a second";
    std::string last = console(toB ? "Operator: b not supported\n"
                                   : "Operator: a not supported\n");
    std::string out = viewer.outputOnce([&](const std::string& out) {
      return out.size() >= last.size() &&
             out.compare(out.size() - last.size(), last.size(), last) == 0;
    });
    EXPECT_GT(out.size(), seen.size());
    seen = out;
    toB = !toB;
  }
}

TEST_P(WindowTest, AFileRemovedWhileShownEndsTheProgramAtTheNextRedraw) {
  Viewer viewer = start();
  Window window = show(viewer, "page.ps", "showpage\n");
  ASSERT_NE(window, 0u);
  quietAfterWholePasses(viewer, "Operator: showpage not supported\n");
  ASSERT_FALSE(HasFailure());
  fs::remove(folder.path / "page.ps");
  remap(window);
  EXPECT_EQ(viewer.exitStatus(), 1);
  std::string out = viewer.output();
  std::string last = console("Can't find file: page.ps\n");
  ASSERT_GE(out.size(), last.size());
  EXPECT_EQ(out.substr(out.size() - last.size()), last);
}

INSTANTIATE_TEST_SUITE_P(Linux, WindowTest, testing::Values(linuxBuild));

struct ExitCase {
  const char* typed;
  bool closeInput;
  const char* output;
};

std::ostream& operator<<(std::ostream& os, const ExitCase& c) {
  return os << testing::PrintToString(std::string(c.typed));
}

class WindowExitTest
    : public testing::TestWithParam<std::tuple<Program, ExitCase>> {};

TEST_P(WindowExitTest, ReportsTheFileAndEndsWithFailure) {
  const auto& [program, exit] = GetParam();
  TestFolder folder;
  fs::create_directories(folder.path / "folder.ps");
  mkfifo((folder.path / "pipe.ps").c_str(), 0644);
  Viewer viewer(folder.path, program.command);
  viewer.type(exit.typed);
  if (exit.closeInput) viewer.closeInput();
  EXPECT_EQ(viewer.exitStatus(), 1);
  EXPECT_EQ(viewer.output(), console(program, exit.output));
}

// The first three rows name what any system has; the others, a named pipe
// and a device, only POSIX systems.
const ExitCase exitCases[] = {
    {"missing.ps\n", false, "Filename: Can't find file: missing.ps\n"},
    {"", true, "Filename: Can't find file: \n"},
    {"folder.ps\n", false, "Filename: Can't read file: folder.ps\n"},
    {"pipe.ps\n", false, "Filename: Can't read file: pipe.ps\n"},
    {"/dev/zero\n", false, "Filename: Can't read file: /dev/zero\n"}};

INSTANTIATE_TEST_SUITE_P(Linux, WindowExitTest,
                         testing::Combine(testing::Values(linuxBuild),
                                          testing::ValuesIn(exitCases)));

#ifdef PSVIEWER_WINDOWS_PROGRAM
INSTANTIATE_TEST_SUITE_P(Windows, WindowTest, testing::Values(windowsBuild));
INSTANTIATE_TEST_SUITE_P(Windows, WindowExitTest,
                         testing::Combine(testing::Values(windowsBuild),
                                          testing::ValuesIn(exitCases,
                                                            exitCases + 3)));
#endif
#ifdef PSVIEWER_ARM64_PROGRAM
INSTANTIATE_TEST_SUITE_P(Arm64, WindowTest, testing::Values(arm64Build));
INSTANTIATE_TEST_SUITE_P(Arm64, WindowExitTest,
                         testing::Combine(testing::Values(arm64Build),
                                          testing::ValuesIn(exitCases)));
#endif

// The picture test compares another build with this one.
#if defined(PSVIEWER_WINDOWS_PROGRAM) || defined(PSVIEWER_ARM64_PROGRAM)

// What a build shows of a page in folder: its picture, and its console once
// the window has been closed.
struct Shown {
  Image image;
  std::string console;
};

Shown pageShown(const Program& program, const std::string& folder,
                const std::string& page) {
  Viewer viewer(folder, program.command);
  viewer.type(page + "\n");
  Window window = waitForWindow(viewerTitle);
  if (!window) return {};
  Image image = waitForPicture(window);
  sendDeleteWindow(window);
  viewer.exitStatus();
  return {image, viewer.output()};
}

// The number of whole passes, each printing pass, that follow the prompt in
// out; 0 when out is anything else.
size_t wholePasses(const std::string& out, const std::string& pass) {
  std::string prompt = "Filename: ";
  if (out.compare(0, prompt.size(), prompt) != 0) return 0;
  if (pass.empty()) return out.size() == prompt.size();
  size_t count = 0, at = prompt.size();
  for (; out.compare(at, pass.size(), pass) == 0; at += pass.size()) ++count;
  return at == out.size() ? count : 0;
}

std::string withoutNanSigns(const std::string& text) {
  return std::regex_replace(text, std::regex("-nan"), "nan");
}

// A sample page or a test page; its console, where the tests know it, is
// tests/cases/NAME.out.
struct Page {
  const char* folder;
  std::string name;
};

std::ostream& operator<<(std::ostream& os, const Page& page) {
  return os << page.name;
}

// The sample pages, then every test page, each folder in name order.
std::vector<Page> pictured() {
  std::vector<Page> pages;
  for (const char* folder : {PSVIEWER_EXAMPLES_DIR, PSVIEWER_CASES_DIR}) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.path().extension() == ".ps")
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) pages.push_back({folder, name});
  }
  return pages;
}

class PictureTest : public testing::TestWithParam<std::tuple<Program, Page>> {};

std::string pictureName(
    const testing::TestParamInfo<PictureTest::ParamType>& info) {
  const Page& page = std::get<1>(info.param);
  std::string stem = fs::path(page.name).stem().string();
  return page.folder == std::string(PSVIEWER_EXAMPLES_DIR) ? "example_" + stem
                                                           : stem;
}

// Another build reads the page's bytes as this one does, whatever its line
// ends, and draws it alike to the pixel.
TEST_P(PictureTest, ShowsWhatTheLinuxBuildShows) {
  const auto& [program, page] = GetParam();
  Shown expected = pageShown(linuxBuild, page.folder, page.name);
  Shown shown = pageShown(program, page.folder, page.name);
  ASSERT_EQ(expected.image.width, 540);
  ASSERT_EQ(shown.image.width, expected.image.width);
  ASSERT_EQ(shown.image.height, expected.image.height);
  size_t differ = 0;
  for (size_t i = 0; i < shown.image.pixels.size(); ++i)
    differ += shown.image.pixels[i] != expected.image.pixels[i];
  EXPECT_EQ(differ, 0u) << "pixels differ";

  fs::path out = fs::path(PSVIEWER_CASES_DIR) / fs::path(page.name).stem();
  out += ".out";
  if (!fs::exists(out)) return;
  std::string pass = readFile(out);
  EXPECT_GE(wholePasses(expected.console, pass), 1u) << expected.console;
  pass = console(program, pass);
  std::string printed = shown.console;
  if (!program.nanSigns) {
    pass = withoutNanSigns(pass);
    printed = withoutNanSigns(printed);
  }
  EXPECT_GE(wholePasses(printed, pass), 1u) << shown.console;
}

#ifdef PSVIEWER_WINDOWS_PROGRAM
INSTANTIATE_TEST_SUITE_P(Windows, PictureTest,
                         testing::Combine(testing::Values(windowsBuild),
                                          testing::ValuesIn(pictured())),
                         pictureName);
#endif
#ifdef PSVIEWER_ARM64_PROGRAM
INSTANTIATE_TEST_SUITE_P(Arm64, PictureTest,
                         testing::Combine(testing::Values(arm64Build),
                                          testing::ValuesIn(pictured())),
                         pictureName);
#endif
#endif

#ifdef PSVIEWER_WINDOWS_PROGRAM

// A user of a German Windows, in cmd (code page 850; files are opened by
// names in code page 1252), types a name with an accent at the prompt, and
// cmd prints its code page before and after the program.
TEST(WindowsConsoleTest, OpensANameTypedWithAnAccentAndLeavesTheCodePage) {
  TestFolder folder;
  fs::copy_file(fs::path(PSVIEWER_EXAMPLES_DIR) / "sample.ps",
                folder.path / "caf\xc3\xa9.ps");
  fs::create_symlink(PSVIEWER_WINDOWS_PROGRAM, folder.path / "psviewer.exe");
  // script gives cmd a terminal, as a user's console window is. Until Wine
  // takes the terminal over, the terminal must not turn the Enter typed
  // into a line feed, which Wine would read as Ctrl+J.
  Viewer viewer(
      folder.path,
      {"env", "LANG=de_DE.UTF-8", "LOCPATH=" PSVIEWER_LOCALES, "script", "-qec",
       "stty -icrnl; '" PSVIEWER_WINE "' cmd /c 'chcp & psviewer.exe & chcp'",
       "/dev/null"});
  // The console draws blanks as cursor moves: read it without its escape
  // sequences and blanks. What is typed before it is ready is lost, so the
  // name is typed at the prompt.
  auto readable = [](const std::string& out) {
    return std::regex_replace(out, std::regex("\x1b\\[[0-9;?]*[A-Za-z]| "), "");
  };
  viewer.outputOnce([&readable](const std::string& out) {
    return readable(out).find("Filename:") != std::string::npos;
  });
  viewer.type("caf\xc3\xa9.ps\r");
  Window window = waitForWindow(viewerTitle);
  ASSERT_NE(window, 0u) << readable(viewer.output());
  EXPECT_TRUE(showsExactly(waitForPicture(window), {{0, 0, 100, 200}},
                           {{300, 400, 75}}));
  sendDeleteWindow(window);
  EXPECT_EQ(viewer.exitStatus(), 0);
  std::string out = readable(viewer.output());
  std::regex codePage("[Cc]ode[Pp]age:([0-9]+)");
  std::vector<std::string> codePages;
  for (std::sregex_iterator m(out.begin(), out.end(), codePage), end; m != end;
       ++m)
    codePages.push_back((*m)[1]);
  EXPECT_EQ(codePages, (std::vector<std::string>{"850", "850"})) << out;
}
#endif

}  // namespace

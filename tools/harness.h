// Runs the real viewer in a real X server: an Xvfb of its own, the program
// with its console on pipes, and Xlib to find, read and close its window.
// Every wait has a deadline; every process started is stopped on the way
// out, whatever happens.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "expected.h"

using Clock = std::chrono::steady_clock;

// How many times longer than natively the viewer may take: 8 when it runs
// under a launcher such as valgrind (PSVIEWER_LAUNCHER, a command prefix) or
// under an emulator such as qemu-user (PSVIEWER_EMULATED set), 1 otherwise.
int slowdown();
// How long any one wait may take: 15 seconds times the slowdown.
std::chrono::seconds waitLimit();

// A private X server on a display number it picks itself.
struct XServer {
  XServer();
  ~XServer();
  std::string display;  // ":N"
  Display* connection = nullptr;
  pid_t pid = -1;
};

// The server every test of the binary shares, started on first use.
XServer& xserver();

// A compositing manager on that server (xcompmgr -c), as today's desktops
// run one: it keeps every window's last picture and shows it again when the
// window is uncovered, without asking the program to draw. It is running
// once made, and stopped when it goes.
struct Compositor {
  Compositor();
  ~Compositor();
  pid_t pid = -1;
};

// A viewer started in folder with DISPLAY set, its standard input and
// output on pipes: build/psviewer, or the command given (such as the
// Windows build under Wine).
struct Viewer {
  explicit Viewer(const std::string& folder,
                  const std::vector<std::string>& command = {});
  ~Viewer();
  void type(const std::string& text);  // writes to its standard input
  void closeInput();
  // Waits until the console output, all of it so far, satisfies shows, or
  // the limit passes, and returns all of it (so a test compares it whole).
  std::string outputOnce(const std::function<bool(const std::string&)>& shows,
                         std::chrono::seconds limit = waitLimit());
  // The same, until the output is at least length long.
  std::string outputOnceAtLeast(size_t length);
  // Waits until nothing new has been printed for a second (times the
  // slowdown), so that every redraw already asked for has run, and returns
  // all of the output.
  std::string outputOnceQuiet();
  std::string output();  // what it has printed so far
  // Waits for the process to end; its exit status, or -1 on a signal or
  // when it has not ended within the limit. It notices the end within a
  // millisecond, so that a benchmark can time it.
  int exitStatus(std::chrono::seconds limit = waitLimit());
  pid_t pid = -1;
  int input = -1, console = -1;
  std::string printed;
  bool ended = false;
  int status = 0;
  long peakKb = -1;  // its peak resident memory, once it has ended
};

// The top-level window with this title, or 0 when there is none yet.
Window findWindow(const std::string& title);
// Waits for that window; 0 when it did not appear within the limit.
Window waitForWindow(const std::string& title,
                     std::chrono::seconds limit = waitLimit());

struct Geometry {
  int x, y, width, height;
};
Geometry windowGeometry(Window window);

// Where the program draws: the window itself, or its one child where Wine
// draws a Windows frame around the drawing area, as it does when no window
// manager decorates its windows.
Window drawingArea(Window window);

// The window's pixels, row by row from the top, as 0xRRGGBB.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  bool dark(int x, int y) const;
};
Image grab(Window window);
// What the screen shows where the window draws: under a compositor, the
// picture it composes, which may not be the window's own.
Image grabScreen(Window window);
// Grabs the window's drawing area until two grabs in a row agree, the page
// is mostly white and the picture differs from unlike (where given): the
// redraw has been shown.
Image waitForPicture(Window window, const Image* unlike = nullptr);

void sendDeleteWindow(Window window);  // as a window manager closes it
void remap(Window window);             // unmap and map: the window redraws

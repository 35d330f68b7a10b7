#include "harness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

void shortWait() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

void stopProcess(pid_t pid, int signal) {
  if (pid <= 0) return;
  kill(pid, signal);
  Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
  while (waitpid(pid, nullptr, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return;
    }
    shortWait();
  }
}

// A window may go away between two requests (the viewer ends); a failed
// request then shows as a missing window or image, not as the end of the
// test binary.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

int slowdown() {
  return std::getenv("PSVIEWER_LAUNCHER") || std::getenv("PSVIEWER_EMULATED")
             ? 8
             : 1;
}

std::chrono::seconds waitLimit() {
  return std::chrono::seconds(15) * slowdown();
}

XServer::XServer() {
  int ready[2];
  if (pipe(ready) != 0) throw std::runtime_error("pipe");
  XSetErrorHandler(ignoreXError);
  pid = fork();
  if (pid == 0) {
    close(ready[0]);
    std::string fd = std::to_string(ready[1]);
    int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    dup2(quiet, 2);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0",
           "1280x1024x24", "-noreset", "-nolisten", "tcp", (char*)nullptr);
    _exit(127);
  }
  close(ready[1]);
  std::string number;
  Clock::time_point deadline = Clock::now() + waitLimit();
  pollfd p{ready[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[16];
    ssize_t n = read(ready[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, n);
  }
  close(ready[0]);
  if (number.find('\n') == std::string::npos)
    throw std::runtime_error("Xvfb did not start");
  display = ":" + number.substr(0, number.find('\n'));
  connection = XOpenDisplay(display.c_str());
  if (!connection) throw std::runtime_error("cannot open " + display);
}

XServer::~XServer() {
  if (connection) XCloseDisplay(connection);
  stopProcess(pid, SIGTERM);
}

XServer& xserver() {
  static XServer server;
  return server;
}

Compositor::Compositor() {
  Display* x = xserver().connection;
  pid = fork();
  if (pid == 0) {
    setenv("DISPLAY", xserver().display.c_str(), 1);
    execlp("xcompmgr", "xcompmgr", "-c", (char*)nullptr);
    _exit(127);
  }
  // A compositing manager owns the screen's _NET_WM_CM_S0 selection.
  Atom owned = XInternAtom(x, "_NET_WM_CM_S0", False);
  Clock::time_point deadline = Clock::now() + waitLimit();
  while (XGetSelectionOwner(x, owned) == None && Clock::now() < deadline)
    shortWait();
  if (XGetSelectionOwner(x, owned) == None)
    throw std::runtime_error("xcompmgr did not start");
}

Compositor::~Compositor() { stopProcess(pid, SIGTERM); }

Viewer::Viewer(const std::string& folder,
               const std::vector<std::string>& command) {
  std::string display = xserver().display;
  // A launcher is a command prefix in shell words, run by a shell that is
  // handed the viewer's own words as they are.
  const char* launcher = std::getenv("PSVIEWER_LAUNCHER");
  std::string launch = launcher ? std::string(launcher) + " \"$@\"" : "";
  std::vector<const char*> argv;
  if (launcher) argv = {"/bin/sh", "-c", launch.c_str(), "sh"};
  if (command.empty()) argv.push_back(PSVIEWER_PROGRAM);
  for (const std::string& word : command) argv.push_back(word.c_str());
  argv.push_back(nullptr);
  // Close-on-exec, so that no other process keeps the viewer's standard
  // input open and the end of input reaches it when the test closes it.
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[1]);
    close(out[0]);
    if (chdir(folder.c_str()) != 0) _exit(126);
    setenv("DISPLAY", display.c_str(), 1);
    execvp(argv[0], const_cast<char**>(argv.data()));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  input = in[1];
  console = out[0];
  fcntl(console, F_SETFL, O_NONBLOCK);
}

Viewer::~Viewer() {
  closeInput();
  if (!ended) stopProcess(pid, SIGKILL);
  close(console);
}

void Viewer::type(const std::string& text) {
  if (write(input, text.data(), text.size()) != ssize_t(text.size()))
    throw std::runtime_error("cannot type to the viewer");
}

void Viewer::closeInput() {
  if (input >= 0) close(input);
  input = -1;
}

std::string Viewer::output() {
  char buffer[4096];
  ssize_t n;
  while ((n = read(console, buffer, sizeof buffer)) > 0)
    printed.append(buffer, n);
  return printed;
}

std::string Viewer::outputOnce(
    const std::function<bool(const std::string&)>& shows,
    std::chrono::seconds limit) {
  Clock::time_point deadline = Clock::now() + limit;
  while (!shows(output()) && Clock::now() < deadline) shortWait();
  return printed;
}

std::string Viewer::outputOnceAtLeast(size_t length) {
  return outputOnce(
      [length](const std::string& out) { return out.size() >= length; });
}

std::string Viewer::outputOnceQuiet() {
  Clock::time_point deadline = Clock::now() + waitLimit();
  Clock::time_point changed = Clock::now();
  size_t size = output().size();
  while (Clock::now() - changed < std::chrono::seconds(1) * slowdown() &&
         Clock::now() < deadline) {
    shortWait();
    if (output().size() != size) {
      size = printed.size();
      changed = Clock::now();
    }
  }
  return printed;
}

int Viewer::exitStatus(std::chrono::seconds limit) {
  Clock::time_point deadline = Clock::now() + limit;
  while (!ended && Clock::now() < deadline) {
    int raw;
    rusage usage{};
    if (wait4(pid, &raw, WNOHANG, &usage) == pid) {
      ended = true;
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      peakKb = usage.ru_maxrss;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  output();
  return ended ? status : -1;
}

Window findWindow(const std::string& title) {
  Display* x = xserver().connection;
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (!XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count))
    return 0;
  for (unsigned int i = 0; i < count && !found; ++i) {
    char* name = nullptr;
    if (XFetchName(x, children[i], &name) && name) {
      if (title == name) found = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  return found;
}

bool viewable(Window window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(xserver().connection, window, &attributes) &&
         attributes.map_state == IsViewable;
}

Window waitForWindow(const std::string& title, std::chrono::seconds limit) {
  Clock::time_point deadline = Clock::now() + limit;
  Window window = 0;
  while (Clock::now() < deadline) {
    window = findWindow(title);
    if (window && viewable(window)) return window;
    shortWait();
  }
  return window;
}

Geometry windowGeometry(Window window) {
  Display* x = xserver().connection;
  XWindowAttributes attributes;
  XGetWindowAttributes(x, window, &attributes);
  int rootX, rootY;
  Window child;
  XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &rootX, &rootY,
                        &child);
  return {rootX, rootY, attributes.width, attributes.height};
}

Window drawingArea(Window window) {
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  Window area = window;
  if (XQueryTree(xserver().connection, window, &root, &parent, &children,
                 &count) &&
      count == 1)
    area = children[0];
  if (children) XFree(children);
  return area;
}

bool Image::dark(int x, int y) const {
  uint32_t p = at(x, y);
  int luminance =
      ((p >> 16 & 0xff) * 3 + (p >> 8 & 0xff) * 6 + (p & 0xff)) / 10;
  return luminance < 128;
}

namespace {

Image grabArea(Drawable from, const Geometry& g) {
  Display* x = xserver().connection;
  Image image;
  XImage* raw =
      XGetImage(x, from, g.x, g.y, g.width, g.height, AllPlanes, ZPixmap);
  if (!raw) return image;
  image.width = g.width;
  image.height = g.height;
  image.pixels.resize(size_t(g.width) * g.height);
  for (int row = 0; row < g.height; ++row)
    for (int col = 0; col < g.width; ++col)
      image.pixels[size_t(row) * g.width + col] =
          XGetPixel(raw, col, row) & 0xffffff;
  XDestroyImage(raw);
  return image;
}

}  // namespace

Image grab(Window window) {
  Geometry g = windowGeometry(window);
  return grabArea(window, {0, 0, g.width, g.height});
}

Image grabScreen(Window window) {
  return grabArea(DefaultRootWindow(xserver().connection),
                  windowGeometry(drawingArea(window)));
}

Image waitForPicture(Window window, const Image* unlike) {
  Clock::time_point deadline = Clock::now() + waitLimit();
  while (!viewable(window) && Clock::now() < deadline) shortWait();
  Image last = grab(drawingArea(window));
  while (Clock::now() < deadline) {
    shortWait();
    Image next = grab(drawingArea(window));
    size_t white = 0;
    for (uint32_t p : next.pixels) white += p == 0xffffff;
    if (next.pixels == last.pixels && white * 10 > next.pixels.size() * 9 &&
        !(unlike && unlike->pixels == next.pixels))
      return next;
    last = std::move(next);
  }
  return last;
}

void sendDeleteWindow(Window window) {
  Display* x = xserver().connection;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = XInternAtom(x, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(x, window, False, NoEventMask, &event);
  XFlush(x);
}

void remap(Window window) {
  Display* x = xserver().connection;
  XUnmapWindow(x, window);
  XSync(x, False);
  XMapWindow(x, window);
  XSync(x, False);
}

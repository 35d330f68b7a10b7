// Times real redraw passes of build/psviewer in a private Xvfb, from
// outside, up to the finished frame. The clock starts when the file name is
// typed. The moment the page's last word, "done", is reported, a close
// request is sent as a window manager sends it; the viewer handles it only
// after the pass has returned from glutSwapBuffers, which waits for Mesa's
// rasteriser threads, and then ends. The clock stops when the process has
// ended, so it counts the whole frame, not just the calls that queue it.
// Prints one line a run: the milliseconds and the peak resident memory of
// the process in kB.
// Usage: redraw_timer RUNS PAGE
#include <poll.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "harness.h"

namespace {

const std::string lastLine = "Operator: done not supported\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: redraw_timer RUNS PAGE\n";
    return 2;
  }
  int runs = std::stoi(argv[1]);
  std::filesystem::path page = std::filesystem::absolute(argv[2]);
  for (int run = 0; run < runs; ++run) {
    Viewer viewer(page.parent_path().string());
    viewer.outputOnceAtLeast(10);  // the prompt: start-up is done
    Clock::time_point start = Clock::now();
    viewer.type(page.filename().string() + "\n");
    Window window = waitForWindow(viewerTitle);
    Clock::time_point deadline = start + std::chrono::seconds(600);
    while (viewer.printed.find(lastLine) == std::string::npos &&
           Clock::now() < deadline) {
      pollfd ready{viewer.console, POLLIN, 0};
      poll(&ready, 1, 50);  // wait for output without spinning a core
      viewer.output();
    }
    if (!window || viewer.printed.find(lastLine) == std::string::npos) {
      std::cerr << "no '" << lastLine << "' from " << page << "\n";
      return 1;
    }
    sendDeleteWindow(window);
    viewer.exitStatus(std::chrono::seconds(600));
    std::chrono::duration<double, std::milli> took = Clock::now() - start;
    if (!viewer.ended) {
      std::cerr << "the viewer did not end after " << page << "\n";
      return 1;
    }
    std::cout << took.count() << " " << viewer.peakKb << std::endl;
  }
  return 0;
}

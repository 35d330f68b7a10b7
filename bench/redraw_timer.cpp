// Times real redraw passes of build/psviewer in a private Xvfb, from
// outside: from the moment the file name is typed to the moment the page's
// last word, "done", is reported. Prints for each page the median of the
// runs in milliseconds and the process's peak resident memory.
// Usage: redraw_timer RUNS PAGE...
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

const std::string lastLine = "Operator: done not supported\n";

long peakResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: redraw_timer RUNS PAGE...\n";
    return 2;
  }
  int runs = std::stoi(argv[1]);
  for (int p = 2; p < argc; ++p) {
    std::filesystem::path page = std::filesystem::absolute(argv[p]);
    std::vector<double> times;
    long peak = 0;
    for (int run = 0; run < runs; ++run) {
      Viewer viewer(page.parent_path().string());
      viewer.outputOnceAtLeast(10);  // the prompt: start-up is done
      Clock::time_point start = Clock::now();
      viewer.type(page.filename().string() + "\n");
      Clock::time_point deadline = start + std::chrono::seconds(300);
      while (Clock::now() < deadline) {
        pollfd ready{viewer.console, POLLIN, 0};
        poll(&ready, 1, 50);  // wait for output without spinning a core
        const std::string& out = viewer.output();
        if (out.size() >= lastLine.size() &&
            out.find(lastLine) != std::string::npos)
          break;
      }
      std::chrono::duration<double, std::milli> took = Clock::now() - start;
      if (viewer.printed.find(lastLine) == std::string::npos) {
        std::cerr << "no '" << lastLine << "' from " << page << "\n";
        return 1;
      }
      times.push_back(took.count());
      peak = std::max(peak, peakResidentKb(viewer.pid));
    }
    std::sort(times.begin(), times.end());
    std::cout << page.filename().string() << " " << times[times.size() / 2]
              << " " << peak << "\n";
  }
  return 0;
}

// Times what a user of the edit, save, look loop sees, with build/psviewer
// in a private Xvfb. The viewer shows PAGE; for 10 s nothing is touched,
// and the processor time it spends meanwhile is measured. Then the page is
// saved as editors save, by renaming a new copy over it, and the clock runs
// from the rename until the frame of the pass that follows is on the
// screen: the pass prints LAST, its last line, and a close request sent
// then is handled only after glutSwapBuffers has returned, once Mesa has
// drawn the frame.
// Prints one line: the share of one core spent untouched, in percent, and
// the milliseconds from the save to the frame.
// Usage: save_timer PAGE LAST
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "harness.h"

namespace fs = std::filesystem;

namespace {

// The processor time a process has spent so far, in seconds.
double processorSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i >= 14) ticks += std::stol(field);  // utime and stime
  return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

size_t count(const std::string& text, const std::string& line) {
  size_t n = 0;
  for (size_t at = text.find(line); at != std::string::npos;
       at = text.find(line, at + 1))
    ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: save_timer PAGE LAST\n";
    return 2;
  }
  fs::path page = fs::absolute(argv[1]), copy = page;
  copy += ".saved";
  std::string last = std::string(argv[2]) + "\n";
  fs::copy_file(page, copy, fs::copy_options::overwrite_existing);

  Viewer viewer(page.parent_path().string());
  viewer.outputOnceAtLeast(10);
  viewer.type(page.filename().string() + "\n");
  Window window = waitForWindow(viewerTitle);
  viewer.outputOnce([&](const std::string& out) { return count(out, last); },
                    std::chrono::seconds(600));
  size_t passes = count(viewer.outputOnceQuiet(), last);
  double before = processorSeconds(viewer.pid);
  std::this_thread::sleep_for(std::chrono::seconds(10));
  double untouched = processorSeconds(viewer.pid) - before;
  if (!window || !passes || count(viewer.output(), last) != passes) {
    std::cerr << "no pass, or passes while untouched, for " << page << "\n";
    return 1;
  }

  Clock::time_point saved = Clock::now();
  fs::rename(copy, page);
  viewer.outputOnce(
      [&](const std::string& out) { return count(out, last) > passes; },
      std::chrono::seconds(600));
  sendDeleteWindow(window);
  viewer.exitStatus(std::chrono::seconds(600));
  std::chrono::duration<double, std::milli> took = Clock::now() - saved;
  if (count(viewer.printed, last) <= passes) {
    std::cerr << "the save of " << page << " was not drawn\n";
    return 1;
  }
  std::cout << untouched * 10 << " " << took.count() << std::endl;
  return 0;
}

#include "test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

#include "gl_standin.h"
#include "viewer.h"

namespace {

// Removes the files a test process wrote when it ends; a death test's child
// ends too, and leaves them to its parent.
struct TempFiles {
  pid_t owner = getpid();
  std::set<std::string> paths;
  ~TempFiles() {
    if (getpid() != owner) return;
    for (const std::string& path : paths) std::remove(path.c_str());
  }
} tempFiles;

}  // namespace

std::string captureOutput(const std::function<void()>& work) {
  std::ostringstream out;
  std::streambuf* saved = std::cout.rdbuf(out.rdbuf());
  work();
  std::cout.rdbuf(saved);
  return out.str();
}

std::string writeTempFile(const std::string& name,
                          const std::string& contents) {
  // CTest runs test cases in parallel processes: each writes its own file.
  std::string path =
      testing::TempDir() + "psviewer_" + std::to_string(getpid()) + "_" + name;
  std::ofstream(path, std::ios::binary) << contents;
  tempFiles.paths.insert(path);
  return path;
}

std::string runPass(const std::string& page) {
  filename = writeTempFile("page.ps", page);
  clearGlCalls();
  return captureOutput(display);
}

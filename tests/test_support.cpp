#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "gl_standin.h"
#include "viewer.h"

std::string captureOutput(const std::function<void()>& work) {
  std::ostringstream out;
  std::streambuf* saved = std::cout.rdbuf(out.rdbuf());
  work();
  std::cout.rdbuf(saved);
  return out.str();
}

std::string writeTempFile(const std::string& name,
                          const std::string& contents) {
  std::string path = testing::TempDir() + "psviewer_" + name;
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

std::string runPass(const std::string& page) {
  filename = writeTempFile("page.ps", page);
  clearGlCalls();
  return captureOutput(display);
}

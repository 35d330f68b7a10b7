#include "viewer.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "interpreter.h"

std::string filename;

namespace {

// Reports a file that cannot be shown and ends the program with a failure
// status; the picture is left unswapped.
[[noreturn]] void failOnFile(const char* message) {
  std::cout << message << filename << std::endl;
  std::exit(EXIT_FAILURE);
}

}  // namespace

void initView(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(0, pageWidth, 0, pageHeight);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void display() {
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor3f(0, 0, 0);
  operandStack = std::stack<double>();

  std::ifstream is(filename);
  if (!is.good()) failOnFile("Can't find file: ");
  std::string line;
  while (!is.eof()) {
    std::getline(is, line);
    // getline fails at the end of the file after a final line feed, which
    // yields one last empty line. Any other failure is a read error (a
    // directory opens but cannot be read) and would repeat forever.
    if (is.bad() || (is.fail() && !is.eof())) failOnFile("Can't read file: ");
    parseLine(line);
  }
  is.close();
  glutSwapBuffers();
}

void parseLine(std::string& line) {
  // One stream serves every line: building a string stream costs far more
  // than the few tokens of a typical line, and its state is fully reset
  // here. A NUL ends the line's text, as it would a C string.
  static std::istringstream iss;
  iss.clear();
  iss.str(line.substr(0, line.find('\0')));
  std::string item;
  while (!iss.eof()) {
    item.clear();
    iss >> item;
    if (item.empty() || item[0] == '%') return;
    processToken(item);
  }
}

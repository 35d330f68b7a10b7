// A recording stand-in for the GL, GLU and GLUT calls the viewer makes. It
// is linked into the test binaries in place of the real libraries, so tests
// run without a display and can inspect every call a pass made.
#pragma once

#include <string>
#include <vector>

struct GlCall {
  std::string name;
  std::vector<double> args;
  std::string text;  // the window title, for glutCreateWindow
};

struct Segment {
  double x0, y0, x1, y1;
};

// Every call since the last clearGlCalls(), in order.
extern std::vector<GlCall> glCalls;

void clearGlCalls();

// The line segments drawn, from each glBegin(GL_LINES) ... glEnd() pair.
std::vector<Segment> drawnSegments();

// One call as "name(arg,arg,...)", with numbers in %g form.
std::string describe(const GlCall& call);

// The names of the calls, in order, leaving out the drawing ones.
std::vector<std::string> stateCallNames();

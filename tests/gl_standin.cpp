#include "gl_standin.h"

#include <cstdio>
#include <iostream>

#include "opengl.h"

std::vector<GlCall> glCalls;

namespace {

void (*displayCallback)() = nullptr;

void record(const char* name, std::vector<double> args = {},
            const char* text = "") {
  glCalls.push_back({name, std::move(args), text});
}

}  // namespace

void clearGlCalls() { glCalls.clear(); }

std::vector<Segment> drawnSegments() {
  std::vector<Segment> segments;
  std::vector<double> vertices;
  bool inLines = false;
  for (const GlCall& call : glCalls) {
    if (call.name == "glBegin") {
      inLines = call.args.at(0) == GL_LINES;
      vertices.clear();
    } else if (call.name == "glVertex2d" && inLines) {
      vertices.insert(vertices.end(), call.args.begin(), call.args.end());
    } else if (call.name == "glEnd" && inLines) {
      for (size_t i = 0; i + 3 < vertices.size(); i += 4)
        segments.push_back(
            {vertices[i], vertices[i + 1], vertices[i + 2], vertices[i + 3]});
      inLines = false;
    }
  }
  return segments;
}

std::string describe(const GlCall& call) {
  std::string out = call.name + "(" + call.text;
  for (size_t i = 0; i < call.args.size(); ++i) {
    char number[32];
    std::snprintf(number, sizeof number, "%s%g", i ? "," : "", call.args[i]);
    out += number;
  }
  return out + ")";
}

std::vector<std::string> stateCallNames() {
  std::vector<std::string> names;
  for (const GlCall& call : glCalls)
    if (call.name != "glBegin" && call.name != "glVertex2d" &&
        call.name != "glEnd")
      names.push_back(call.name);
  return names;
}

extern "C" {

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  record("glClearColor", {r, g, b, a});
}
void glClear(GLbitfield mask) { record("glClear", {double(mask)}); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
  record("glColor3f", {r, g, b});
}
void glBegin(GLenum mode) { record("glBegin", {double(mode)}); }
void glEnd() { record("glEnd"); }
void glVertex2d(GLdouble x, GLdouble y) { record("glVertex2d", {x, y}); }
void glFinish() { record("glFinish"); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
  record("glViewport", {double(x), double(y), double(w), double(h)});
}
void glMatrixMode(GLenum mode) { record("glMatrixMode", {double(mode)}); }
void glLoadIdentity() { record("glLoadIdentity"); }
void gluOrtho2D(GLdouble l, GLdouble r, GLdouble b, GLdouble t) {
  record("gluOrtho2D", {l, r, b, t});
}

void glutInit(int*, char**) { record("glutInit"); }
void glutInitDisplayMode(unsigned int mode) {
  record("glutInitDisplayMode", {double(mode)});
}
void glutInitWindowPosition(int x, int y) {
  record("glutInitWindowPosition", {double(x), double(y)});
}
void glutInitWindowSize(int w, int h) {
  record("glutInitWindowSize", {double(w), double(h)});
}
int glutCreateWindow(const char* title) {
  record("glutCreateWindow", {}, title);
  return 1;
}
void glutDisplayFunc(void (*callback)()) {
  record("glutDisplayFunc");
  displayCallback = callback;
}
// Stands in for the event loop: lists the set-up calls made so far on
// standard error, then exposes the window twice, so that a run of the
// program shows that every redraw starts afresh.
void glutMainLoop() {
  record("glutMainLoop");
  for (const GlCall& call : glCalls) std::cerr << describe(call) << "\n";
  std::cerr.flush();
  clearGlCalls();
  for (int i = 0; i < 2 && displayCallback; ++i) displayCallback();
}
void glutSwapBuffers() { record("glutSwapBuffers"); }
void glutPostRedisplay() { record("glutPostRedisplay"); }
void glutTimerFunc(unsigned int ms, void (*)(int), int value) {
  record("glutTimerFunc", {double(ms), double(value)});
}

}  // extern "C"

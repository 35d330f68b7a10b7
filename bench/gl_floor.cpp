// The floor for a real redraw pass: the same window and the same draw calls
// as the viewer makes for a page of 'X Y moveto stroke' lines, with the
// page read and parsed before the clock starts, and the same wait for the
// GL after every 4096 segments. Prints the milliseconds
// from the first call to the finished frame, then ends: the calls only
// queue the drawing, which Mesa's rasteriser threads do by the time
// glutSwapBuffers and glFinish return.
// Usage: gl_floor PAGE (under an X display)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "opengl.h"

namespace {

std::vector<double> points;  // x0, y0, x1, y1, ...

void drawPoints() {
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor3f(0, 0, 0);
  auto start = std::chrono::steady_clock::now();
  for (size_t i = 0; i + 1 < points.size(); i += 2) {
    glBegin(GL_LINES);
    glVertex2d(0, 0);
    glVertex2d(points[i], points[i + 1]);
    glEnd();
    if ((i / 2 + 1) % 4096 == 0) glFinish();
  }
  glutSwapBuffers();
  glFinish();
  std::chrono::duration<double, std::milli> took =
      std::chrono::steady_clock::now() - start;
  std::printf("%.2f\n", took.count());
  std::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gl_floor PAGE\n");
    return 2;
  }
  std::ifstream page(argv[1]);
  double x, y;
  std::string moveto, stroke;
  while (page >> x >> y >> moveto >> stroke) {
    points.push_back(x);
    points.push_back(y);
  }
  int one = 1;
  glutInit(&one, argv);
  glutInitDisplayMode(GLUT_DOUBLE);
  glutInitWindowPosition(100, 100);
  glutInitWindowSize(540, 700);
  glutCreateWindow("gl_floor");
  glutDisplayFunc(drawPoints);
  glViewport(0, 0, 540, 700);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(0, 612, 0, 792);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glutMainLoop();
  return 0;
}

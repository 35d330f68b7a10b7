#include "drawing.h"

#include <cmath>
#include <numbers>

#include "interpreter.h"
#include "opengl.h"

namespace {

// One chord of an arc spans this many degrees. It is deliberately a float:
// widened to double it is 3.5999999046..., so after 100 steps the running
// angle is still just below 360 and a full circle closes with its hundredth
// chord. An exact 3.6 would pass 360 after 99 chords and leave a gap.
const float arcStep = 3.6F;

// Mesa's software rasteriser keeps every segment of a frame queued, at
// about 300 bytes each, until the frame is finished: a page of 10^7 lines
// would need gigabytes. Waiting for the queued drawing after a fixed number
// of segments keeps the memory flat whatever the page holds. The calls,
// their order and every pixel stay as they were; only the queue is emptied
// sooner. 4096 segments cost the least time of the counts measured (1024
// to 65536): the queue then stays within the processor's caches.
const int segmentsPerFinish = 4096;
int segmentsQueued = 0;

#ifdef __EMSCRIPTEN__
// In a browser, glBegin and glEnd are Emscripten's emulation over WebGL, in
// which every pair costs a draw call: a page's segments share one GL_LINES
// primitive up to each wait, which draws the same pixels, each segment being
// a primitive of its own. WebGL takes floats, as Mesa makes of doubles.
bool linesBegun = false;

void drawVertices(double x0, double y0, double x1, double y1) {
  if (!linesBegun) glBegin(GL_LINES);
  linesBegun = true;
  glVertex2f(float(x0), float(y0));
  glVertex2f(float(x1), float(y1));
}

void endLines() {
  if (linesBegun) glEnd();
  linesBegun = false;
}
#else
void drawVertices(double x0, double y0, double x1, double y1) {
  glBegin(GL_LINES);
  glVertex2d(x0, y0);
  glVertex2d(x1, y1);
  glEnd();
}

void endLines() {}
#endif

void drawLine(double x0, double y0, double x1, double y1) {
  drawVertices(x0, y0, x1, y1);
  if (++segmentsQueued == segmentsPerFinish) {
    endLines();
    glFinish();
    segmentsQueued = 0;
  }
}

}  // namespace

void startPage() { segmentsQueued = 0; }

void endPage() { endLines(); }

void movetoOperator() {
  if (!hasOperands("moveto", 2)) return;
  double y = pop(operandStack);
  double x = pop(operandStack);
  drawLine(0, 0, x, y);
}

void arcOperator() { drawArc(300, 400, 75, 0, 360); }

double degToRad(double d) { return std::numbers::pi * d / 180; }

void pointOnCircle(double cx, double cy, double r, double angle, double& x,
                   double& y) {
  double a = degToRad(angle);
  x = std::cos(a) * r + cx;
  y = std::sin(a) * r + cy;
}

void drawArc(double cx, double cy, double r, double startAngle,
             double endAngle) {
  double x = 0;
  double y = 0;
  pointOnCircle(cx, cy, r, startAngle, x, y);
  // The running angle is summed step by step, not counted in chords: the
  // float step's rounding is what closes the circle (see arcStep).
  double angle = startAngle + arcStep;
  while (angle <= endAngle) {
    double nextX = 0;
    double nextY = 0;
    pointOnCircle(cx, cy, r, angle, nextX, nextY);
    drawLine(x, y, nextX, nextY);
    x = nextX;
    y = nextY;
    angle += arcStep;
  }
}

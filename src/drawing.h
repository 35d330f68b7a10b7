// The operators that put marks on the page, and the geometry of the arc.
// Everything is drawn at once, in page coordinates (points, origin at the
// lower-left corner), with the current colour.
#pragma once

// Starts counting the segments of a new page; the redraw pass calls it
// once it has cleared the page.
void startPage();

// Ends the page's drawing; the redraw pass calls it before it shows the
// frame.
void endPage();

// The action of "moveto": takes y and then x from the operand stack and
// draws a line from the page origin to (x, y).
void movetoOperator();

// The action of "arc": draws the circle of radius 75 around (300, 400),
// leaving the operand stack as it was.
void arcOperator();

// The angle d, given in degrees, in radians.
double degToRad(double d);

// The point at angle degrees on the circle of centre (cx, cy) and radius r.
void pointOnCircle(double cx, double cy, double r, double angle, double& x,
                   double& y);

// Draws the arc from startAngle to endAngle as a run of straight chords.
void drawArc(double cx, double cy, double r, double startAngle,
             double endAngle);

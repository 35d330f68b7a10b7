#include "drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gl_standin.h"
#include "interpreter.h"
#include "opengl.h"
#include "test_support.h"

namespace {

void resetPage() {
  operandStack = std::stack<double>();
  clearGlCalls();
}

TEST(DegToRadTest, ConvertsDegrees) {
  EXPECT_EQ(degToRad(0), 0);
  EXPECT_EQ(degToRad(180), 3.141592653589793);
  EXPECT_EQ(degToRad(90), 3.141592653589793 * 90 / 180);
  EXPECT_EQ(degToRad(-360), -2 * 3.141592653589793);
}

TEST(PointOnCircleTest, CountsAnglesCounterClockwiseFromTheRight) {
  struct {
    double angle, x, y;
  } cases[] = {{0, 375, 400}, {90, 300, 475}, {180, 225, 400}, {270, 300, 325}};
  for (const auto& c : cases) {
    double x, y;
    pointOnCircle(300, 400, 75, c.angle, x, y);
    EXPECT_NEAR(x, c.x, 1e-12) << c.angle;
    EXPECT_NEAR(y, c.y, 1e-12) << c.angle;
  }
}

TEST(ArcTest, DrawsAClosedCircleOfOneHundredChords) {
  resetPage();
  operandStack.push(1);
  operandStack.push(2);
  arcOperator();
  std::vector<Segment> chords = drawnSegments();
  ASSERT_EQ(chords.size(), 100u);
  EXPECT_EQ(chords.front().x0, 375);
  EXPECT_EQ(chords.front().y0, 400);
  for (size_t i = 0; i < chords.size(); ++i) {
    const Segment& s = chords[i];
    EXPECT_NEAR(std::hypot(s.x1 - 300, s.y1 - 400), 75, 1e-9) << i;
    if (i > 0) {  // each chord starts where the one before it ended
      EXPECT_EQ(s.x0, chords[i - 1].x1) << i;
      EXPECT_EQ(s.y0, chords[i - 1].y1) << i;
    }
  }
  // The hundredth chord ends a hair short of 360 degrees, back at the start.
  EXPECT_NEAR(chords.back().x1, 375, 1e-9);
  EXPECT_NEAR(chords.back().y1, 400, 1e-4);
  EXPECT_EQ(operandStack.size(), 2u);
}

TEST(ArcTest, EachChordIsItsOwnPrimitive) {
  resetPage();
  drawArc(0, 0, 10, 0, 10);
  std::vector<std::string> names;
  for (const GlCall& call : glCalls) names.push_back(call.name);
  std::vector<std::string> chord = {"glBegin", "glVertex2d", "glVertex2d",
                                    "glEnd"};
  std::vector<std::string> twoChords = chord;
  twoChords.insert(twoChords.end(), chord.begin(), chord.end());
  EXPECT_EQ(names, twoChords);
  EXPECT_EQ(glCalls[0].args, std::vector<double>{GL_LINES});
}

TEST(ArcTest, ChordCountFollowsTheEndAngle) {
  struct {
    double endAngle;
    size_t chords;
  } cases[] = {{2, 0},   {3.59, 0}, {3.6, 1},   {3.5999999046325684, 1},
               {7.2, 2}, {90, 25},  {360, 100}, {-10, 0},
               {NAN, 0}};
  for (const auto& c : cases) {
    resetPage();
    drawArc(0, 0, 1, 0, c.endAngle);
    EXPECT_EQ(drawnSegments().size(), c.chords) << c.endAngle;
  }
}

TEST(ArcTest, StartsAtTheStartAngle) {
  resetPage();
  drawArc(0, 0, 10, 90, 180);
  std::vector<Segment> chords = drawnSegments();
  ASSERT_FALSE(chords.empty());
  EXPECT_NEAR(chords.front().x0, 0, 1e-12);
  EXPECT_NEAR(chords.front().y0, 10, 1e-12);
}

TEST(MovetoTest, DrawsFromTheOriginToThePointAndPopsIt) {
  struct {
    double x, y;
  } cases[] = {{100, 200}, {612, 792}, {0, 0}, {-5, 1e9}};
  for (const auto& c : cases) {
    resetPage();
    operandStack.push(42);
    operandStack.push(c.x);
    operandStack.push(c.y);
    EXPECT_EQ(captureOutput(movetoOperator), "");
    std::vector<Segment> lines = drawnSegments();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].x0, 0);
    EXPECT_EQ(lines[0].y0, 0);
    EXPECT_EQ(lines[0].x1, c.x);
    EXPECT_EQ(lines[0].y1, c.y);
    ASSERT_EQ(operandStack.size(), 1u);
    EXPECT_EQ(operandStack.top(), 42);
  }
}

TEST(MovetoTest, WithTooFewOperandsReportsAndDrawsNothing) {
  for (int depth = 0; depth < 2; ++depth) {
    resetPage();
    for (int i = 0; i < depth; ++i) operandStack.push(9);
    EXPECT_EQ(captureOutput(movetoOperator),
              "Operator: moveto needs 2 operands\n");
    EXPECT_TRUE(glCalls.empty());
    EXPECT_EQ(operandStack.size(), size_t(depth));
  }
}

}  // namespace

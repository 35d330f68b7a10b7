// What the viewer does with hostile or unusual pages: every row of the
// bad-input table in docs/bad-input.md is checked here or where it says.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "gl_standin.h"
#include "interpreter.h"
#include "test_support.h"
#include "viewer.h"

namespace {

std::string repeat(const std::string& text, size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

std::string allBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += char(b);
  return bytes;
}

struct BadInput {
  const char* name;
  std::function<std::string()> page;
  std::function<std::string()> output;
  size_t depth;
  size_t segments;
};

std::ostream& operator<<(std::ostream& os, const BadInput& c) {
  return os << c.name;
}

class BadInputTest : public testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, IsInterpretedAsTheRulesSay) {
  std::string page = GetParam().page();
  std::string output = runPass(page);
  std::string expected = GetParam().output();
  // Compare sizes first: a mismatch in a 10 MB output is unreadable.
  ASSERT_EQ(output.size(), expected.size());
  EXPECT_TRUE(output == expected);
  EXPECT_EQ(operandStack.size(), GetParam().depth);
  EXPECT_EQ(drawnSegments().size(), GetParam().segments);
  EXPECT_EQ(glCalls.back().name, "glutSwapBuffers");
}

const std::string underflowOnce =
    "Stack before add: \n[]\nOperator: add needs 2 operands\n"
    "Operator: moveto needs 2 operands\n";

INSTANTIATE_TEST_SUITE_P(
    Pages, BadInputTest,
    testing::Values(
        // Line 1 ends its tokens at its first byte, NUL. Line 2 holds the
        // control characters 14-31 as one token and 33-255 as another.
        BadInput{"EveryByteValue", allBytes,
                 [] {
                   std::string b = allBytes();
                   return "Operator: " + b.substr(14, 18) +
                          " not supported\nOperator: " + b.substr(33) +
                          " not supported\n";
                 },
                 0, 0},
        BadInput{"NulBytes",
                 [] { return std::string("1\0 showpage\n\0\n2\0\0", 17); },
                 [] { return ""; }, 2, 0},
        BadInput{"CarriageReturnsOnly", [] { return "1 2 add %c\r3 4 add\r"; },
                 [] {
                   return "Stack before add: \n[2 1 ]\nStack after add: \n"
                          "[3 ]\nStack before add: \n[4 3 3 ]\n"
                          "Stack after add: \n[7 3 ]\n";
                 },
                 2, 0},
        BadInput{"CrThenLf", [] { return "x\ry\n"; },
                 [] {
                   return "Operator: x not supported\n"
                          "Operator: y not supported\n";
                 },
                 0, 0},
        BadInput{"CrlfAndNoFinalNewline",
                 [] { return "10 20 moveto\r\n\r\nshowpage"; },
                 [] { return "Operator: showpage not supported\n"; }, 0, 1},
        BadInput{"ByteOrderMarkCutShort", [] { return "\xEF\xBB"; },
                 [] { return "Operator: \xEF\xBB not supported\n"; }, 0, 0},
        BadInput{"OnlyAByteOrderMark", [] { return "\xEF\xBB\xBF"; },
                 [] { return ""; }, 0, 0},
        // The line end is the first byte of the second 64 KiB block.
        BadInput{"LfStartsTheSecondBlock",
                 [] { return std::string(65535, ' ') + "%\nx"; },
                 [] { return "Operator: x not supported\n"; }, 0, 0},
        BadInput{"CrStartsTheSecondBlock",
                 [] { return std::string(65535, ' ') + "%\rx"; },
                 [] { return "Operator: x not supported\n"; }, 0, 0},
        // The page is read in blocks of 64 KiB: only the first begins the
        // file.
        BadInput{"ByteOrderMarkAtTheStartOfTheSecondBlock",
                 [] { return std::string(1 << 16, ' ') + "\xEF\xBB\xBFx"; },
                 [] { return "Operator: \xEF\xBB\xBFx not supported\n"; }, 0,
                 0},
        BadInput{"ByteOrderMarkCutShortBeforeAWord",
                 [] {
                   return "\xEF\xBB"
                          "A";
                 },
                 [] {
                   return "Operator: \xEF\xBB"
                          "A not supported\n";
                 },
                 0, 0},
        BadInput{"TenMegabyteLine", [] { return repeat("1 ", 5000000); },
                 [] { return ""; }, 5000000, 0},
        BadInput{"MegabyteNumberToken",
                 [] { return "1" + std::string(1 << 20, '0') + " 2 moveto"; },
                 [] { return ""; }, 0, 1},
        BadInput{"MegabyteWordToken", [] { return std::string(1 << 20, 'x'); },
                 [] {
                   return "Operator: " + std::string(1 << 20, 'x') +
                          " not supported\n";
                 },
                 0, 0},
        BadInput{"MillionNumbersOnTheStack",
                 [] { return repeat("1\n", 1000000) + "add\n"; },
                 [] {
                   return "Stack before add: \n[" + repeat("1 ", 1000000) +
                          "]\nStack after add: \n[2 " + repeat("1 ", 999998) +
                          "]\n";
                 },
                 999999, 0},
        BadInput{"UnderflowingAddAndMoveto",
                 [] { return repeat("add moveto ", 100000); },
                 [] { return repeat(underflowOnce, 100000); }, 0, 0},
        BadInput{
            "UnusualNumbers",
            [] {
              return "nan NAN inf 1e400 -0 0x1.8p1 -0X10 1e 0x 0xp3 moveto";
            },
            [] {
              return "Operator: 0x not supported\n"
                     "Operator: 0xp3 not supported\n";
            },
            6, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BadInputTest, HugeCoordinatesAreDrawnAsGiven) {
  runPass("1e400 -1e400 moveto nan 5 moveto");
  std::vector<Segment> lines = drawnSegments();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].x1, HUGE_VAL);
  EXPECT_EQ(lines[0].y1, -HUGE_VAL);
  EXPECT_TRUE(std::isnan(lines[1].x1));
}

TEST(RedrawTest, AFileThatGrowsOrShrinksIsReadAfresh) {
  EXPECT_EQ(runPass("showpage\n"), "Operator: showpage not supported\n");
  std::string bigger = repeat("a b\n", 1000) + "1 2 moveto\n";
  writeTempFile("page.ps", bigger);
  std::string out = captureOutput(display);
  EXPECT_EQ(out, repeat("Operator: a not supported\nOperator: b not "
                        "supported\n",
                        1000));
  EXPECT_EQ(drawnSegments().size(), 1u);
  writeTempFile("page.ps", "1");
  clearGlCalls();
  EXPECT_EQ(captureOutput(display), "");
  EXPECT_EQ(operandStack.size(), 1u);
  EXPECT_TRUE(drawnSegments().empty());
  // Nothing of the longer page before is read again.
  writeTempFile("page.ps", "\xEF\xBB\xBF");
  EXPECT_EQ(captureOutput(display), "");
  writeTempFile("page.ps", "\xEF\xBB");
  EXPECT_EQ(captureOutput(display), "Operator: \xEF\xBB not supported\n");
}

TEST(RedrawTest, AFileThatDisappearsEndsTheProgramAtTheNextRedraw) {
  EXPECT_EQ(runPass("1 2 add\n").substr(0, 18), "Stack before add: ");
  std::remove(filename.c_str());
  EXPECT_EXIT(display(), testing::ExitedWithCode(1), "");
  // Replaced by a named pipe, which no pass may open: it could block.
  mkfifo(filename.c_str(), 0644);
  EXPECT_EXIT(display(), testing::ExitedWithCode(1), "");
  // The next test that writes the page would block on opening the pipe.
  std::remove(filename.c_str());
}

}  // namespace

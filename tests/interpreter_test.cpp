#include "interpreter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "gl_standin.h"
#include "test_support.h"

namespace {

// The stack from the top down, leaving operandStack as it was.
std::vector<double> stackFromTop() {
  std::vector<double> values;
  for (std::stack<double> copy = operandStack; !copy.empty(); copy.pop())
    values.push_back(copy.top());
  return values;
}

std::string interpret(const std::vector<std::string>& tokens) {
  operandStack = std::stack<double>();
  clearGlCalls();
  return captureOutput([&] {
    for (const std::string& token : tokens) processToken(token);
  });
}

struct NumberCase {
  const char* token;
  double value;
};

std::ostream& operator<<(std::ostream& os, const NumberCase& c) {
  return os << c.token;
}

class NumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberTest, PushesTheLeadingNumberOfTheToken) {
  EXPECT_EQ(interpret({GetParam().token}), "");
  ASSERT_EQ(operandStack.size(), 1u);
  EXPECT_EQ(operandStack.top(), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, NumberTest,
    testing::Values(NumberCase{"12", 12}, NumberCase{"-0.5", -0.5},
                    NumberCase{".5", 0.5}, NumberCase{"+7", 7},
                    NumberCase{"1e3", 1000}, NumberCase{"3abc", 3},
                    NumberCase{"2]", 2}, NumberCase{"1)", 1},
                    NumberCase{"0x10", 16}, NumberCase{"1e400", HUGE_VAL},
                    NumberCase{"-inf", -HUGE_VAL}, NumberCase{"5.", 5},
                    NumberCase{"0.1", 0.1}, NumberCase{"1.5e-3x", 0.0015}));

TEST(NumberTest, NanIsANumber) {
  interpret({"nan"});
  ASSERT_EQ(operandStack.size(), 1u);
  EXPECT_TRUE(std::isnan(operandStack.top()));
}

TEST(NumberTest, NegativeZeroKeepsItsSign) {
  interpret({"-0"});
  ASSERT_EQ(operandStack.size(), 1u);
  EXPECT_TRUE(std::signbit(operandStack.top()));
}

TEST(NumberTest, NumbersStackInOrder) {
  EXPECT_EQ(interpret({"10", "20", "30"}), "");
  EXPECT_EQ(stackFromTop(), (std::vector<double>{30, 20, 10}));
}

class WordTest : public testing::TestWithParam<const char*> {};

TEST_P(WordTest, IsReportedAndLeavesTheStack) {
  EXPECT_EQ(interpret({"4", GetParam()}),
            std::string("Operator: ") + GetParam() + " not supported\n");
  EXPECT_EQ(stackFromTop(), std::vector<double>{4});
}

INSTANTIATE_TEST_SUITE_P(Tokens, WordTest,
                         testing::Values("showpage", "Add", "ADD", "adds", "ad",
                                         "-", "+", ".", "e5", "[1", "/name",
                                         "(text)", "{", "moveto2", "in", "na"));

class SilentOperatorTest : public testing::TestWithParam<const char*> {};

TEST_P(SilentOperatorTest, LeavesTheStackAndDrawsNothing) {
  EXPECT_EQ(interpret({"1", "2", GetParam()}), "");
  EXPECT_EQ(stackFromTop(), (std::vector<double>{2, 1}));
  EXPECT_TRUE(glCalls.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, SilentOperatorTest,
                         testing::Values("rmoveto", "dup", "copy", "mul", "sub",
                                         "div", "rlineto", "lineto", "stroke"));

TEST(PrintStackTest, PrintsFromTheTopDownAndKeepsTheCallersStack) {
  operandStack = std::stack<double>();
  EXPECT_EQ(captureOutput([] { printStack(operandStack); }), "[]\n");
  operandStack.push(5);
  operandStack.push(2.5);
  EXPECT_EQ(captureOutput([] { printStack(operandStack); }), "[2.5 5 ]\n");
  EXPECT_EQ(operandStack.size(), 2u);
}

struct FormatCase {
  double value;
  const char* text;
};

std::ostream& operator<<(std::ostream& os, const FormatCase& c) {
  return os << c.text;
}

class TraceFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(TraceFormatTest, UsesSixSignificantDigits) {
  operandStack = std::stack<double>();
  operandStack.push(GetParam().value);
  EXPECT_EQ(captureOutput([] { printStack(operandStack); }),
            std::string("[") + GetParam().text + " ]\n");
}

INSTANTIATE_TEST_SUITE_P(
    Values, TraceFormatTest,
    testing::Values(FormatCase{3, "3"}, FormatCase{0.1, "0.1"},
                    FormatCase{-2.5, "-2.5"}, FormatCase{999999, "999999"},
                    FormatCase{999999.5, "1e+06"}, FormatCase{1e6, "1e+06"},
                    FormatCase{123456789, "1.23457e+08"},
                    FormatCase{0.0001, "0.0001"},
                    FormatCase{0.00001234, "1.234e-05"},
                    FormatCase{1.0000004, "1"}, FormatCase{-0.0, "-0"},
                    FormatCase{HUGE_VAL, "inf"}, FormatCase{-HUGE_VAL, "-inf"},
                    FormatCase{1.0 / 3, "0.333333"}));

TEST(AddTest, AddsTheTwoTopValuesAndTracesTheStack) {
  EXPECT_EQ(interpret({"5", "1", "2", "add"}),
            "Stack before add: \n[2 1 5 ]\nStack after add: \n[3 5 ]\n");
  EXPECT_EQ(stackFromTop(), (std::vector<double>{3, 5}));
}

TEST(AddTest, ChainsOnTheSum) {
  EXPECT_EQ(interpret({"1", "2", "add", "3", "add"}),
            "Stack before add: \n[2 1 ]\nStack after add: \n[3 ]\n"
            "Stack before add: \n[3 3 ]\nStack after add: \n[6 ]\n");
  EXPECT_EQ(stackFromTop(), std::vector<double>{6});
}

TEST(AddTest, WithTooFewOperandsReportsAndLeavesTheStack) {
  EXPECT_EQ(interpret({"add"}),
            "Stack before add: \n[]\nOperator: add needs 2 operands\n");
  EXPECT_TRUE(operandStack.empty());
  EXPECT_EQ(interpret({"7", "add"}),
            "Stack before add: \n[7 ]\nOperator: add needs 2 operands\n");
  EXPECT_EQ(stackFromTop(), std::vector<double>{7});
}

TEST(PopTest, ReturnsAndRemovesTheTop) {
  std::stack<double> stk;
  stk.push(1);
  stk.push(2);
  EXPECT_EQ(pop(stk), 2);
  EXPECT_EQ(pop(stk), 1);
  EXPECT_TRUE(stk.empty());
}

}  // namespace

namespace {

// Plain decimals take a quicker road to their value than sscanf; the value
// must be the same to the last bit, for every shape of token.
TEST(NumberTest, EveryTokenReadsAsSscanfReadsIt) {
  std::mt19937 random(20261207);
  const std::string alphabet = "0123456789.+-eEx";
  std::vector<std::string> tokens = {"0",
                                     "-0",
                                     "+0",
                                     "-0.0",
                                     ".5",
                                     "5.",
                                     "+.5",
                                     "-.5",
                                     "0.1",
                                     "0.3",
                                     "999999999999999",
                                     "9999999999999999",
                                     "123456789012345.",
                                     ".000000000000001",
                                     "0.0000000000000001",
                                     "000000000000001",
                                     "1.7976931348623157",
                                     "9007199254740993",
                                     "611.99",
                                     "548.78",
                                     "--1",
                                     "+-1",
                                     "1.2.3",
                                     "1..2",
                                     "."};
  for (int i = 0; i < 20000; ++i) {
    std::string token;
    int length = 1 + int(random() % 18);
    for (int k = 0; k < length; ++k) {
      // mostly digits, so that many tokens are plain decimals
      token += random() % 4 ? char('0' + random() % 10)
                            : alphabet[random() % alphabet.size()];
    }
    tokens.push_back(token);
  }
  for (const std::string& token : tokens) {
    double expected;
    bool isNumber = std::sscanf(token.c_str(), "%lf", &expected) == 1;
    captureOutput([&] {
      operandStack = std::stack<double>();
      processToken(token);
    });
    ASSERT_EQ(operandStack.size(), isNumber ? 1u : 0u) << token;
    if (isNumber) {
      double got = operandStack.top();
      ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
          << token << " gave " << got << " not " << expected;
    }
  }
}

}  // namespace

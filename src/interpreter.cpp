#include "interpreter.h"

#include <array>
#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <limits>
#include <string_view>
#include <utility>

#include "drawing.h"

std::stack<double> operandStack;

namespace {

using Action = void (*)();

// The operators a page may use, in the order a token is compared with them.
// Rows without an action are accepted and ignored.
const std::array<std::pair<std::string_view, Action>, 12> operatorTable = {{
    {"rmoveto", nullptr},
    {"dup", nullptr},
    {"copy", nullptr},
    {"add", addOperator},
    {"mul", nullptr},
    {"sub", nullptr},
    {"div", nullptr},
    {"moveto", movetoOperator},
    {"rlineto", nullptr},
    {"lineto", nullptr},
    {"arc", arcOperator},
    {"stroke", nullptr},
}};

// sscanf("%lf") converts only text that begins with a sign, a digit, a
// point, or the letters of "inf" and "nan" (a token holds no white space
// for it to skip). A token starting with any other character can never be
// a number, so the costly conversion is skipped for operator names such as
// "moveto" or "stroke".
bool mayBeNumber(const std::string& item) {
  if (item.empty()) return false;
  char c = item[0];
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' ||
         c == 'i' || c == 'I' || c == 'n' || c == 'N';
}

// True where double arithmetic is done in double precision, without the
// extended precision of the x87 unit (32-bit x86 without SSE2).
const bool exactDoubleArithmetic = FLT_EVAL_METHOD == 0;

// The common case of a number, a plain decimal such as "611.99" or "-12":
// an optional sign, then digits with at most one point, at most 15 digits in
// all, and nothing else. Its digits make an integer below 2^53 and its point
// a power of ten up to 10^15, both exact as doubles, so their quotient is
// the correctly rounded value of the decimal: exactly what sscanf("%lf")
// gives, at a fraction of the cost. Anything else is left to sscanf. With
// extended precision the quotient would be rounded twice, so there every
// number goes to sscanf.
bool readPlainDecimal(const std::string& item, double& val) {
  static const double powersOfTen[] = {1e0,  1e1,  1e2,  1e3, 1e4,  1e5,
                                       1e6,  1e7,  1e8,  1e9, 1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15};
  const char* p = item.data();
  const char* end = p + item.size();
  bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  std::uint64_t digits = 0;
  int count = 0;
  int fraction = 0;
  bool point = false;
  for (; p < end; ++p) {
    if (*p >= '0' && *p <= '9') {
      if (++count > 15) return false;
      digits = digits * 10 + std::uint64_t(*p - '0');
      fraction += point;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (count == 0) return false;
  double magnitude = double(digits) / powersOfTen[fraction];
  val = negative ? -magnitude : magnitude;
  return true;
}

bool isDigit(char c, bool hex) {
  return (c >= '0' && c <= '9') ||
         (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// The length of the token's start that sscanf("%lf") is to convert: all of
// it, but where the digits end in an exponent mark (e, or p after 0x) that
// no digit follows, as in "1e", "5E+" or "0x1.8p", the start before the
// mark. glibc and Windows' C library read such a token's digits alone;
// Emscripten's reads no number at all, and every platform is to read the
// same.
std::size_t withoutBareExponent(const std::string& item) {
  std::size_t i = 0;
  std::size_t end = item.size();
  if (i < end && (item[i] == '+' || item[i] == '-')) ++i;
  bool hex = end - i >= 2 && item[i] == '0' && (item[i + 1] | 0x20) == 'x';
  if (hex) i += 2;
  while (i < end && (item[i] == '.' || isDigit(item[i], hex))) ++i;
  if (i == end || (item[i] | 0x20) != (hex ? 'p' : 'e')) return end;
  std::size_t mark = i++;
  if (i < end && (item[i] == '+' || item[i] == '-')) ++i;
  return i < end && isDigit(item[i], false) ? end : mark;
}

// The number test: true, with the value, when sscanf("%lf") converts the
// start of the token. A NaN keeps the sign it is written with, which not
// every C library's sscanf does.
bool readNumber(const std::string& item, double& val) {
  if (!mayBeNumber(item)) return false;
  if (exactDoubleArithmetic && readPlainDecimal(item, val)) return true;
  std::size_t length = withoutBareExponent(item);
  std::string start;
  if (length < item.size()) start = item.substr(0, length);
  const std::string& text = length < item.size() ? start : item;
  if (std::sscanf(text.c_str(), "%lf", &val) != 1) return false;
  if (std::isnan(val)) val = std::copysign(val, item[0] == '-' ? -1.0 : 1.0);
  return true;
}

}  // namespace

double pop(std::stack<double>& stk) {
  assert(!stk.empty());
  double val = stk.top();
  stk.pop();
  return val;
}

bool hasOperands(const char* name, std::size_t count) {
  if (operandStack.size() >= count) return true;
  std::cout << "Operator: " << name << " needs " << count << " operands"
            << std::endl;
  return false;
}

void processToken(const std::string& item) {
  double val;
  if (readNumber(item, val)) {
    operandStack.push(val);
    return;
  }
  for (const auto& [name, action] : operatorTable) {
    if (item == name) {
      if (action) action();
      return;
    }
  }
  std::cout << "Operator: " << item << " not supported" << std::endl;
}

namespace {

// IEEE arithmetic leaves the sign of a NaN open, and machines differ: of
// two NaNs, x86-64 keeps the first operand's and arm64 the one its compiler
// names first, and inf + -inf is -nan on x86-64 and nan on arm64. The sum
// takes x86-64's answer everywhere, so that every build prints the same
// trace.
double sumOf(double b, double a) {
  double sum = b + a;
  if (!std::isnan(sum)) return sum;
  if (std::isnan(b)) return b;
  if (std::isnan(a)) return a;
  return -std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

void addOperator() {
  std::cout << "Stack before add: " << std::endl;
  printStack(operandStack);
  if (!hasOperands("add", 2)) return;
  double a = pop(operandStack);
  double b = pop(operandStack);
  operandStack.push(sumOf(b, a));
  std::cout << "Stack after add: " << std::endl;
  printStack(operandStack);
}

void printStack(std::stack<double> copy) {
  std::cout << "[";
  while (!copy.empty()) {
    std::cout << copy.top() << ' ';
    copy.pop();
  }
  std::cout << "]" << std::endl;
}

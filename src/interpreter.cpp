#include "interpreter.h"

#include <array>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <utility>

#include "drawing.h"

std::stack<double> operandStack;

namespace {

using Action = void (*)();

// The operators a page may use, in the order a token is compared with them.
// Rows without an action are accepted and ignored.
const std::array<std::pair<const char*, Action>, 12> operatorTable = {{
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

// sscanf("%lf") skips white space and then converts only text that begins
// with a sign, a digit, a point, or the letters of "inf" and "nan". A token
// starting with any other character can never be a number, so the costly
// conversion is skipped for operator names such as "moveto" or "stroke".
bool mayBeNumber(const std::string& item) {
  return !item.empty() &&
         std::strchr("+-.0123456789iInN \t\n\v\f\r", item[0]) != nullptr;
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
  if (mayBeNumber(item) && std::sscanf(item.c_str(), "%lf", &val) == 1) {
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

void addOperator() {
  std::cout << "Stack before add: " << std::endl;
  printStack(operandStack);
  if (!hasOperands("add", 2)) return;
  double a = pop(operandStack);
  double b = pop(operandStack);
  operandStack.push(b + a);
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

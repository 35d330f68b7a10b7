// The token interpreter: the operand stack, the operator table and the
// meaning of every token of a page description.
#pragma once

#include <cstddef>
#include <stack>
#include <string>

// Every number in the input becomes one double on this stack. It is emptied
// at the start of every redraw pass and carries values from token to token
// and from line to line within one pass.
extern std::stack<double> operandStack;

// Removes and returns the top value of stk, which must not be empty.
double pop(std::stack<double>& stk);

// True when operandStack holds at least count values. Otherwise reports that
// the operator name needs that many operands and returns false, so that an
// operator never reads a value that was never pushed.
bool hasOperands(const char* name, std::size_t count);

// Interprets one token: pushes it if it reads as a number, otherwise runs
// the matching operator or reports the word as not supported.
void processToken(const std::string& item);

// The action of "add": replaces the two top values by their sum and traces
// the stack before and after on the console.
void addOperator();

// Prints the stack from the top down as "[v1 v2 ... ]", emptying the copy.
void printStack(std::stack<double> copy);

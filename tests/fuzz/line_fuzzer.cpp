// Feeds arbitrary bytes to the page reader, as the bytes of a file, and
// checks what a pass must guarantee for any input: the stack depth and the
// lines drawn are what the tokens imply, and the console holds only
// well-formed message lines.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "gl_standin.h"
#include "interpreter.h"
#include "viewer.h"

namespace {

void check(bool ok, const char* what, const std::string& detail = "") {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
  std::abort();
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// An independent reading of one line: the stack depth and the number of
// segments its tokens imply, starting from depth.
void modelLine(const std::string& line, size_t& depth, size_t& segments) {
  std::string text(line.c_str());  // a NUL ends the line's tokens
  size_t at = 0;
  while (true) {
    while (at < text.size() && isSpace(text[at])) ++at;
    if (at == text.size() || text[at] == '%') return;
    size_t end = at;
    while (end < text.size() && !isSpace(text[end])) ++end;
    std::string token = text.substr(at, end - at);
    at = end;
    double val;
    if (std::sscanf(token.c_str(), "%lf", &val) == 1) {
      ++depth;
    } else if (token == "add") {
      if (depth >= 2) --depth;
    } else if (token == "moveto") {
      if (depth >= 2) {
        depth -= 2;
        ++segments;
      }
    } else if (token == "arc") {
      segments += 100;
    }
  }
}

// The same for a whole page: a byte order mark at its start is skipped, and
// a line ends at every CR and every LF.
void modelPage(std::string page, size_t& depth, size_t& segments) {
  if (page.compare(0, 3, "\xEF\xBB\xBF") == 0) page.erase(0, 3);
  std::string line;
  for (char c : page) {
    if (c == '\r' || c == '\n') {
      modelLine(line, depth, segments);
      line.clear();
    } else {
      line += c;
    }
  }
  modelLine(line, depth, segments);
}

bool isTraceLine(const std::string& line) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']')
    return false;
  std::istringstream values(line.substr(1, line.size() - 2));
  std::string value;
  size_t blanks = 0;
  for (char c : line) blanks += c == ' ';
  size_t count = 0;
  while (values >> value) {
    ++count;
    double v;
    char rest;
    if (std::sscanf(value.c_str(), "%lf%c", &v, &rest) != 1 && value != "nan" &&
        value != "-nan")
      return false;
  }
  return count == blanks;
}

void checkOutput(const std::string& out) {
  check(out.empty() || out.back() == '\n', "output ends mid-line");
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    bool ok = line == "Stack before add: " || line == "Stack after add: " ||
              line == "Operator: add needs 2 operands" ||
              line == "Operator: moveto needs 2 operands" ||
              isTraceLine(line) ||
              (line.rfind("Operator: ", 0) == 0 && line.size() > 24 &&
               line.compare(line.size() - 14, 14, " not supported") == 0);
    check(ok, "malformed line", line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  operandStack = std::stack<double>();
  clearGlCalls();
  std::ostringstream out;
  std::streambuf* saved = std::cout.rdbuf(out.rdbuf());
  std::istringstream page(input);
  interpretPage(page);
  std::cout.rdbuf(saved);
  size_t depth = 0, segments = 0;
  modelPage(input, depth, segments);
  check(operandStack.size() == depth, "stack depth");
  check(drawnSegments().size() == segments, "segments drawn");
  checkOutput(out.str());
  return 0;
}

#include "viewer.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "drawing.h"
#include "interpreter.h"
#include "opengl.h"

std::string filename;

namespace {

// Reports a file that cannot be shown and ends the program with a failure
// status; the picture is left unswapped.
[[noreturn]] void failOnFile(const char* message) {
  std::cout << message << filename << std::endl;
  std::exit(EXIT_FAILURE);
}

// White space as the classic "C" locale classifies it, which is the locale
// of every stream here: the program never installs another.
bool isSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads the next token of the line into item, exactly as `iss >> item`
// does: skip white space, take characters up to the next white space, set
// eofbit on reaching the end. It reads the stream's buffer directly, because
// formatted extraction looks up the stream's locale for every token, and
// that lookup costs more than the token itself. Characters are gathered in
// chunks, so that a token costs one append rather than one per character.
void readToken(std::istringstream& iss, std::string& item) {
  std::streambuf* buffer = iss.rdbuf();
  int c = buffer->sgetc();
  while (c != EOF && isSpace(c)) c = buffer->snextc();
  item.clear();
  char chunk[64];
  std::size_t length = 0;
  while (c != EOF && !isSpace(c)) {
    if (length == sizeof chunk) {
      item.append(chunk, length);
      length = 0;
    }
    chunk[length++] = char(c);
    c = buffer->snextc();
  }
  item.append(chunk, length);
  if (c == EOF) iss.setstate(std::ios::eofbit);
}

// Some Windows editors begin a UTF-8 file with a byte order mark. It is no
// part of the page, and only there, at the very start, is it one.
void skipByteOrderMark(std::ifstream& is) {
  char start[3];
  is.read(start, sizeof start);
  if (is.gcount() == 3 && std::memcmp(start, "\xEF\xBB\xBF", 3) == 0) return;
  is.clear();
  is.seekg(0);
}

// Interprets text read up to a line feed. A carriage return ends a line
// too: alone, as classic Mac OS editors and PostScript drivers write, or
// before the line feed, which then ends an empty line.
void parseLines(std::string& text) {
  // Lines that end in LF or CR LF, as most pages' do, need no copy: the
  // empty line after a CR LF holds no tokens.
  std::size_t end = text.find('\r');
  if (end != std::string::npos && end + 1 == text.size()) {
    text.pop_back();
    end = std::string::npos;
  }
  if (end == std::string::npos) {
    parseLine(text);
    return;
  }
  std::string line;
  for (std::size_t start = 0;; end = text.find('\r', start)) {
    line.assign(text, start, end - start);
    parseLine(line);
    if (end == std::string::npos) return;
    start = end + 1;
  }
}

}  // namespace

void initView(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(0, pageWidth, 0, pageHeight);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void display() {
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor3f(0, 0, 0);
  startPage();
  operandStack = std::stack<double>();

  // Each pass reads the file again from its start, which only a regular
  // file allows: a pipe or a device could block the pass, or never end it,
  // and opening a named pipe already blocks. Symbolic links are followed; a
  // name that cannot be looked up is left to the open to report. stat takes
  // the name's bytes as the open does; std::filesystem would not on
  // Windows, where its narrow names are not the ANSI code page's.
  struct stat info = {};
  if (stat(filename.c_str(), &info) == 0 && (info.st_mode & S_IFMT) != S_IFREG)
    failOnFile("Can't read file: ");
  std::ifstream is(filename);
  if (!is.good()) failOnFile("Can't find file: ");
  skipByteOrderMark(is);
  std::string text;
  while (!is.eof()) {
    std::getline(is, text);
    // getline fails at the end of the file after a final line feed, which
    // yields one last empty line. Any other failure is a read error (an I/O
    // error on the disk, say) and would repeat forever.
    if (is.bad() || (is.fail() && !is.eof())) failOnFile("Can't read file: ");
    parseLines(text);
  }
  is.close();
  glutSwapBuffers();
}

void parseLine(std::string& line) {
  // One stream serves every line: building a string stream costs far more
  // than the few tokens of a typical line, and its state is fully reset
  // here. A NUL ends the line's text, as it would a C string.
  static std::istringstream iss;
  iss.clear();
  std::size_t nul = line.find('\0');
  if (nul == std::string::npos) {
    iss.str(line);
  } else {
    iss.str(line.substr(0, nul));
  }
  std::string item;
  while (!iss.eof()) {
    readToken(iss, item);
    if (item.empty() || item[0] == '%') return;
    processToken(item);
  }
}

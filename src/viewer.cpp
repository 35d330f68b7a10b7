#include "viewer.h"

#include <sys/stat.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "drawing.h"
#include "interpreter.h"
#include "opengl.h"
#include "watch.h"

std::string filename;

namespace {

// Reports a file that cannot be shown and ends the program with a failure
// status; the picture is left unswapped.
[[noreturn]] void failOnFile(const char* message) {
  std::cout << message << filename << std::endl;
#ifdef __EMSCRIPTEN__
  // In a browser the page outlives the program, which exit() would leave
  // running for the next frame: this ends it, and tells the page.
  emscripten_force_exit(EXIT_FAILURE);
#else
  std::exit(EXIT_FAILURE);
#endif
}

// White space within a line, as the classic "C" locale classifies it; the
// line ends among it never reach a line.
bool isSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// True for what ends a token: white space, the end of the line, or a NUL,
// which ends the line's text as it would a C string. Every byte above the
// blank is a token's, which the first comparison settles.
bool endsToken(int c) {
  return c <= ' ' && (c == EOF || c == '\0' || isSpace(c));
}

// Reads the next token of the line into item, as `iss >> item` would: skip
// white space, take characters up to the next white space, set eofbit on
// reaching the end of the line's text. It reads the stream's buffer
// directly, because formatted extraction looks up the stream's locale for
// every token, and that lookup costs more than the token itself. Characters
// are gathered in chunks, so that a token costs one append rather than one
// per character.
void readToken(std::istringstream& iss, std::string& item) {
  std::streambuf* buffer = iss.rdbuf();
  int c = buffer->sgetc();
  while (isSpace(c)) c = buffer->snextc();
  item.clear();
  char chunk[64];
  std::size_t length = 0;
  while (!endsToken(c)) {
    if (length == sizeof chunk) {
      item.append(chunk, length);
      length = 0;
    }
    chunk[length++] = char(c);
    c = buffer->snextc();
  }
  item.append(chunk, length);
  if (c == EOF || c == '\0') iss.setstate(std::ios::eofbit);
}

// The first of c in [from, end), or end.
const char* find(const char* from, const char* end, char c) {
  const void* found = std::memchr(from, c, std::size_t(end - from));
  return found ? static_cast<const char*>(found) : end;
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
  noteFileShown();

  // Each pass reads the file again from its start, which only a regular
  // file allows: a pipe or a device could block the pass, or never end it,
  // and opening a named pipe already blocks. Symbolic links are followed; a
  // name that cannot be looked up is left to the open to report. stat takes
  // the name's bytes as the open does; std::filesystem would not on
  // Windows, where its narrow names are not the ANSI code page's.
  struct stat info = {};
  if (stat(filename.c_str(), &info) == 0 && (info.st_mode & S_IFMT) != S_IFREG)
    failOnFile("Can't read file: ");
  // In binary mode every system reads the same bytes: text mode on Windows
  // would turn CR LF into LF and end the page at a Ctrl+Z.
  std::ifstream is(filename, std::ios::binary);
  if (!is.good()) failOnFile("Can't find file: ");
  interpretPage(is);
  is.close();
  endPage();
  glutSwapBuffers();
}

void interpretPage(std::istream& is) {
  // The page is read a block at a time and cut into lines in the block;
  // only a line's own text is kept, in line, and only until it has been
  // interpreted. A line that runs on past its block is carried over.
  static char block[1 << 16];
  std::string line;
  bool first = true;
  do {
    is.read(block, sizeof block);
    if (is.bad()) failOnFile("Can't read file: ");
    const char* at = block;
    const char* end = block + is.gcount();
    // Some Windows editors begin a UTF-8 file with a byte order mark. It is
    // no part of the page, and only there, at the very start, is it one.
    if (first && end - at >= 3 && std::memcmp(at, "\xEF\xBB\xBF", 3) == 0)
      at += 3;
    first = false;
    // A line ends at LF, at CR (as classic Mac OS editors and PostScript
    // drivers write) or at both, CR LF, where the LF ends an empty line. An
    // empty line holds no tokens and is passed over. The next LF and the
    // next CR are each looked for again only once a line has ended at
    // them, so that a block is scanned once, whichever ends its lines.
    const char* lf = find(at, end, '\n');
    const char* cr = find(at, end, '\r');
    while (at < end) {
      const char* stop = lf < cr ? lf : cr;
      line.append(at, stop);
      if (stop == end) break;
      if (!line.empty()) parseLine(line);
      line.clear();
      at = stop + 1;
      if (stop == lf) {
        lf = find(at, end, '\n');
      } else {
        cr = find(at, end, '\r');
      }
    }
    // A short read is the end of the file, with eofbit and failbit set.
  } while (is);
  if (!line.empty()) parseLine(line);
}

void parseLine(std::string& line) {
  // One stream serves every line: building a string stream costs far more
  // than the few tokens of a typical line, and its state is fully reset
  // here. The line's text is moved into the stream, not copied, and moved
  // back once its tokens are read, so that a long line is held only once.
  static std::istringstream iss;
  iss.clear();
  iss.str(std::move(line));
  std::string item;
  while (!iss.eof()) {
    readToken(iss, item);
    if (item.empty() || item[0] == '%') break;
    processToken(item);
  }
  line = std::move(iss).str();
}

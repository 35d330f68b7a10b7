// The viewer shell: the page and window geometry, the page projection and
// the redraw pass that reads the file and hands its tokens to the
// interpreter.
#pragma once

#include <istream>
#include <string>

// A US Letter sheet is 8.5 x 11 inches; a point is 1/72 inch. The window is
// 700 pixels high and as wide as the page's shape allows.
const double pageAspect = 8.5 / 11.0;
const int windowHeight = 700;
const int windowWidth = static_cast<int>(windowHeight * pageAspect);
const double pageWidth = 72.0 * 8.5;
const double pageHeight = 72.0 * 11.0;

// The file shown, as typed at the prompt. Every redraw pass reads it anew.
extern std::string filename;

// Sets the viewport to the window and the projection to the page, so that
// one unit is one point with the origin at the lower-left corner.
void initView(int width, int height);

// The display callback: one redraw pass over the whole file.
void display();

// Interprets a page read from is, line by line: a line ends at LF, CR or
// CR LF, and a UTF-8 byte order mark at its very start is skipped. A read
// error ends the program as a file that cannot be read.
void interpretPage(std::istream& is);

// Interprets the tokens of one line, up to a comment or a NUL character.
// The line's text is lent to the stream that splits it, not copied, and is
// back in line, unchanged, when this returns.
void parseLine(std::string& line);

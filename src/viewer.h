// The viewer shell: the page and window geometry, the page projection and
// the redraw pass that reads the file and hands its tokens to the
// interpreter.
#pragma once

#include <string>

// A US Letter sheet is 8.5 x 11 inches; a point is 1/72 inch. The window is
// 700 pixels high and as wide as the page's shape allows.
const double pageAspect = 8.5 / 11.0;
const int windowWidth = static_cast<int>(700.0 * pageAspect);
const double pageWidth = 72.0 * 8.5;
const double pageHeight = 72.0 * 11.0;

// The file shown, as typed at the prompt. Every redraw pass reads it anew.
extern std::string filename;

// Sets the viewport to the window and the projection to the page, so that
// one unit is one point with the origin at the lower-left corner.
void initView(int width, int height);

// The display callback: one redraw pass over the whole file.
void display();

// Interprets the tokens of one line, up to a comment or a NUL character.
void parseLine(std::string& line);

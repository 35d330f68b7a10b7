// The window's title, as every test that looks for the window expects it;
// the web test reads it from here too. (The sample page's console is
// tests/cases/sample.out.)
#pragma once

inline constexpr char viewerTitle[] = "Postscript viewer by Tolvane";

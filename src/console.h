// The console the name is typed in. On Windows it reads and writes in the
// ANSI code page while the program runs, so that the name typed is the name
// opened; elsewhere these do nothing.
#pragma once

// Switches the console to the ANSI code page, and sees to it that the
// user's code pages come back however the program ends.
void useAnsiCodePageInConsole();

// Gives the console's input back its own code page, once the name is read.
void restoreConsoleInput();

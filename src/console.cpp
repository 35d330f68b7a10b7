#include "console.h"

#ifdef _WIN32
#include <windows.h>

#include <csignal>
#include <cstdlib>

// A Windows console hands a program what is typed in the console's code
// page (850 in Western Europe, 437 in America), but the C library opens
// files by names in the ANSI code page (1252 there): "Übung.ps" typed at
// the prompt would not be found. So the console reads the name, and writes
// what the program prints, in the ANSI code page instead: the name typed is
// the name opened and the name printed. The user's code pages come back
// whichever way the program ends, the input one as soon as the name has
// been read. Reading the console as UTF-16 would reach every script, but
// the program's strings are narrow, and so they stay.
namespace {

UINT userInputCodePage = 0;
UINT userOutputCodePage = 0;

void restoreConsole() {
  restoreConsoleInput();
  if (userOutputCodePage != 0) SetConsoleOutputCP(userOutputCodePage);
}

// Ctrl+C or a closed console ends the program without running atexit.
BOOL WINAPI restoreConsoleOnBreak(DWORD) {
  restoreConsole();
  return FALSE;  // Windows then ends the program as it would have
}

// abort, and std::terminate through it (an exception nobody catches, such
// as running out of memory on a huge line), skip atexit too; the C runtime
// ends the program once this returns.
void restoreConsoleOnAbort(int) { restoreConsole(); }

}  // namespace

void restoreConsoleInput() {
  if (userInputCodePage != 0) SetConsoleCP(userInputCodePage);
  userInputCodePage = 0;
}

void useAnsiCodePageInConsole() {
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) {
    userInputCodePage = GetConsoleCP();
    SetConsoleCP(GetACP());
  }
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
    userOutputCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(GetACP());
  }
  std::atexit(restoreConsole);
  std::signal(SIGABRT, restoreConsoleOnAbort);
  SetConsoleCtrlHandler(restoreConsoleOnBreak, TRUE);
}
#else
// Elsewhere the terminal and the file system take a name's bytes alike.
void useAnsiCodePageInConsole() {}
void restoreConsoleInput() {}
#endif

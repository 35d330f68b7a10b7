// One redraw pass over PAGE with the draw calls going to a no-op stand-in,
// for measuring the memory that interpretation alone needs.
// Usage: pass_once PAGE
#include <iostream>

#include "viewer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: pass_once PAGE\n";
    return 2;
  }
  filename = argv[1];
  display();
  return 0;
}

// Postscript viewer: asks for a file and shows it on a US Letter page,
// interpreting the file again on every redraw.

#include <iostream>

#include "console.h"
#include "opengl.h"
#include "viewer.h"
#include "watch.h"

int main(int argc, char** argv) {
  useAnsiCodePageInConsole();
  std::cout << "Filename: ";
  std::cin >> filename;
  restoreConsoleInput();

  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_DOUBLE);
  glutInitWindowPosition(100, 100);
  glutInitWindowSize(windowWidth, windowHeight);
  glutCreateWindow("Postscript viewer by Tolvane");
  glutDisplayFunc(display);
  glutTimerFunc(watchInterval, watchFile, 0);
  initView(windowWidth, windowHeight);
  glutMainLoop();
  return 0;
}

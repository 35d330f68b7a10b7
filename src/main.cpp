// Postscript viewer: asks for a file and shows it on a US Letter page,
// interpreting the file again on every redraw.

#include <iostream>

#include "opengl.h"
#include "viewer.h"

int main(int argc, char** argv) {
  std::cout << "Filename: ";
  std::cin >> filename;

  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_DOUBLE);
  glutInitWindowPosition(100, 100);
  glutInitWindowSize(windowWidth, 700);
  glutCreateWindow("Postscript viewer by Tolvane");
  glutDisplayFunc(display);
  initView(windowWidth, 700);
  glutMainLoop();
  return 0;
}

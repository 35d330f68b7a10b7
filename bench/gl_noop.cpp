// GL, GLU and GLUT calls that do nothing, so that a benchmark measures the
// interpretation of a redraw pass alone.
#include "opengl.h"

extern "C" {
void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void glClear(GLbitfield) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glBegin(GLenum) {}
void glEnd() {}
void glVertex2d(GLdouble, GLdouble) {}
void glFinish() {}
void glViewport(GLint, GLint, GLsizei, GLsizei) {}
void glMatrixMode(GLenum) {}
void glLoadIdentity() {}
void gluOrtho2D(GLdouble, GLdouble, GLdouble, GLdouble) {}
void glutSwapBuffers() {}
void glutPostRedisplay() {}
void glutTimerFunc(unsigned int, void (*)(int), int) {}
}

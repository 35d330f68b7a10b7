// The OpenGL, GLU and GLUT declarations. macOS keeps them in its own
// frameworks and marks them deprecated; everywhere else GLUT's header comes
// first, because on Windows it sets up what the GL headers need.
#pragma once

#ifdef __APPLE__
#define GL_SILENCE_DEPRECATION
#include <GLUT/glut.h>
#include <OpenGL/gl.h>
#include <OpenGL/glu.h>
#else
#include <GL/glut.h>
// clang-format off
#include <GL/gl.h>
#include <GL/glu.h>
// clang-format on
#endif

# The viewer as a web page, built with Emscripten (the web preset):
# build-web/site/ holds index.html, psviewer.js, psviewer.wasm and the sample
# pages, a static site that any web server can serve. Emscripten brings
# GLUT, and OpenGL's fixed pipeline and GLU emulated over WebGL.
set(site ${CMAKE_BINARY_DIR}/site)
set_target_properties(psviewer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${site})
target_link_options(psviewer PRIVATE
  # glBegin, the matrix stack and gluOrtho2D, over WebGL.
  -sLEGACY_GL_EMULATION=1
  # A page of many megabytes is read into memory.
  -sALLOW_MEMORY_GROWTH=1
  # index.html makes a new program for every name typed, and calls its
  # main; the program's end calls its Module.onExit. The page ends a
  # program too, when another name is entered, as the program ends itself
  # on a file it cannot show: emscripten_force_exit stops its main loop.
  -sMODULARIZE=1 -sEXPORT_NAME=createPsviewer
  -sINVOKE_RUN=0 -sENVIRONMENT=web
  -sEXPORTED_FUNCTIONS=_main,_glutPostRedisplay,_emscripten_force_exit
  -sEXPORTED_RUNTIME_METHODS=FS,callMain)

# Debian's Emscripten runs its optimiser on node with Debian's node modules
# (acorn), where a node of another origin does not look for them.
if(EXISTS /usr/share/nodejs/acorn)
  set_property(TARGET psviewer PROPERTY CXX_LINKER_LAUNCHER
               ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
endif()

# The page loads the sample pages at the start, by the names it is given.
file(GLOB examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.ps)
set(example_names)
foreach(example IN LISTS examples)
  get_filename_component(name ${example} NAME)
  configure_file(${example} ${site}/examples/${name} COPYONLY)
  list(APPEND example_names "\"examples/${name}\"")
endforeach()
list(JOIN example_names ", " PSVIEWER_EXAMPLES)
configure_file(web/index.html ${site}/index.html @ONLY)

# The viewer as a web page, built with Emscripten (the web preset):
# build-web/site/ holds index.html, psviewer.js, psviewer.wasm and the sample
# pages, a static site that any web server can serve. Emscripten brings
# GLUT, and OpenGL's fixed pipeline and GLU emulated over WebGL.
set(site ${CMAKE_BINARY_DIR}/site)
set_target_properties(psviewer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${site})
set(web_link_options
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
  -sEXPORTED_RUNTIME_METHODS=FS,callMain
  # The program uses no WebGL extension: making its context with every one
  # switched on took most of its start.
  -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0)
target_link_options(psviewer PRIVATE ${web_link_options})

# Debian's Emscripten runs its optimiser on node with Debian's node modules
# (acorn), where a node of another origin does not look for them.
if(EXISTS /usr/share/nodejs/acorn)
  set(web_launcher ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
  set_property(TARGET psviewer PROPERTY CXX_LINKER_LAUNCHER ${web_launcher})
endif()

# The page loads the sample pages at the start, by the names it is given.
set(example_names)
foreach(example IN LISTS examples)
  get_filename_component(name ${example} NAME)
  configure_file(${example} ${site}/examples/${name} COPYONLY)
  list(APPEND example_names "\"examples/${name}\"")
endforeach()
list(JOIN example_names ", " PSVIEWER_EXAMPLES)
configure_file(web/index.html ${site}/index.html @ONLY)
configure_file(web/page.js ${site}/page.js COPYONLY)

# The viewer in one file, build-web/psviewer-VERSION.html, that works opened
# from disk, where a page may fetch nothing: the program is linked again
# with its WebAssembly inside its JavaScript, and cmake/one-file.cmake puts
# that, the page's script and the sample pages into the page.
add_executable(psviewer_one_file ${PROJECT_SOURCE_DIR}/src/main.cpp)
target_link_libraries(psviewer_one_file PRIVATE psviewer_core)
target_link_options(psviewer_one_file PRIVATE ${web_link_options} -sSINGLE_FILE=1)
set_target_properties(psviewer_one_file PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/one-file OUTPUT_NAME psviewer)
if(web_launcher)
  set_property(TARGET psviewer_one_file PROPERTY CXX_LINKER_LAUNCHER ${web_launcher})
endif()
set(one_file ${CMAKE_BINARY_DIR}/psviewer-${PROJECT_VERSION}.html)
add_custom_command(
  OUTPUT ${one_file}
  COMMAND ${CMAKE_COMMAND} -DPAGE=${site}/index.html
          -DPROGRAM=$<TARGET_FILE:psviewer_one_file> -DSCRIPT=${site}/page.js
          -DOUTPUT=${one_file}
          "-DEXAMPLES=${examples}" -DEXAMPLES_DIR=${PROJECT_SOURCE_DIR}
          -P ${PROJECT_SOURCE_DIR}/cmake/one-file.cmake
  DEPENDS psviewer_one_file ${site}/index.html ${site}/page.js ${examples}
          ${PROJECT_SOURCE_DIR}/cmake/one-file.cmake
  VERBATIM)
add_custom_target(one_file_page ALL DEPENDS ${one_file})

# The viewer as a web page, built with Emscripten (the web preset):
# build-web/site/ holds index.html, the page's script page.js (the program's
# script in it) and the editor's, psviewer.wasm and the sample pages, a
# static site that any web server can serve. Emscripten brings
# GLUT, and OpenGL's fixed pipeline and GLU emulated over WebGL.
set(site ${CMAKE_BINARY_DIR}/site)
set_target_properties(psviewer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/program)
set(web_link_options
  # glBegin, the matrix stack and gluOrtho2D, over WebGL.
  -sLEGACY_GL_EMULATION=1
  # A page of many megabytes is read into memory.
  -sALLOW_MEMORY_GROWTH=1
  # The page makes a new program for every name typed, and calls its
  # main; the program's end calls its Module.onExit. The page ends a
  # program too, when another name is entered, as the program ends itself
  # on a file it cannot show: emscripten_force_exit stops its main loop.
  -sMODULARIZE=1 -sEXPORT_NAME=createPsviewer
  -sINVOKE_RUN=0 -sENVIRONMENT=web
  -sEXPORTED_FUNCTIONS=_main,_glutPostRedisplay,_emscripten_force_exit
  -sEXPORTED_RUNTIME_METHODS=FS,callMain
  # The program uses no WebGL extension: making its context with every one
  # switched on took most of its start.
  -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0
  # The page makes the program's WebGL context while it waits for a name.
  -sGL_PREINITIALIZED_CONTEXT=1)
target_link_options(psviewer PRIVATE ${web_link_options})

# Debian's Emscripten runs its optimiser on node with Debian's node modules
# (acorn), where a node of another origin does not look for them.
if(EXISTS /usr/share/nodejs/acorn)
  set(web_launcher ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
  set_property(TARGET psviewer PROPERTY CXX_LINKER_LAUNCHER ${web_launcher})
endif()

# The page's modules are bundled by esbuild (web/build.mjs), with the
# program's script and the sample pages, from the npm packages that
# scripts/npm-packages installs.
set(PSVIEWER_NODE_MODULES ${PROJECT_SOURCE_DIR}/node_modules
    CACHE PATH "The npm packages the web page is bundled with")
find_program(PSVIEWER_NODE node REQUIRED)
file(GLOB web_modules CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/web/*.js)
set(bundle_depends ${web_modules} ${examples} ${PROJECT_SOURCE_DIR}/web/build.mjs
    ${PROJECT_SOURCE_DIR}/web/index.html)
function(bundle how output program)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${PSVIEWER_NODE} ${PROJECT_SOURCE_DIR}/web/build.mjs ${how} ${ARGV3}
            ${program} ${PROJECT_SOURCE_DIR}/examples ${PSVIEWER_NODE_MODULES}
    DEPENDS ${program} ${bundle_depends}
    VERBATIM)
endfunction()

foreach(example IN LISTS examples)
  get_filename_component(name ${example} NAME)
  configure_file(${example} ${site}/examples/${name} COPYONLY)
endforeach()
configure_file(web/index.html ${site}/index.html COPYONLY)
bundle(site ${site}/page.js $<TARGET_FILE:psviewer> ${site})
add_custom_command(
  OUTPUT ${site}/psviewer.wasm
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          ${CMAKE_BINARY_DIR}/program/psviewer.wasm ${site}/psviewer.wasm
  DEPENDS psviewer)

# The viewer in one file, build-web/psviewer-VERSION.html, that works opened
# from disk, where a page may fetch nothing: the bundle carries the
# program's WebAssembly too.
set(one_file ${CMAKE_BINARY_DIR}/psviewer-${PROJECT_VERSION}.html)
bundle(one-file ${one_file} $<TARGET_FILE:psviewer> ${one_file})
add_custom_target(web_page ALL DEPENDS ${site}/page.js ${site}/psviewer.wasm ${one_file})

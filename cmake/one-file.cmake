# Makes the one-file page: the site's index.html with the program's script
# (its WebAssembly inside) in place of the tag that loads psviewer.js, and
# the sample pages carried as hex, which the page reads where it cannot
# fetch them. Run as cmake -DPAGE=... -DPROGRAM=... -DOUTPUT=...
# -DEXAMPLES=path;... -DEXAMPLES_DIR=... -P one-file.cmake
file(READ ${PAGE} page)
file(READ ${PROGRAM} program)
# The script goes inside a script element, which its text must not end.
string(FIND "${program}" "</script" end)
if(NOT end EQUAL -1)
  message(FATAL_ERROR "${PROGRAM} holds </script: it cannot be put in a page")
endif()
set(carried "")
foreach(example IN LISTS EXAMPLES)
  file(RELATIVE_PATH name ${EXAMPLES_DIR} ${example})
  file(READ ${example} bytes HEX)
  string(APPEND carried "\n  \"${name}\": \"${bytes}\",")
endforeach()
set(tag "<script src=\"psviewer.js\"></script>")
string(FIND "${page}" "${tag}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${PAGE} has no ${tag}")
endif()
string(REPLACE "${tag}"
  "<script>\nconst carriedPages = {${carried}\n};\n</script>\n<script>\n${program}</script>"
  page "${page}")
file(WRITE ${OUTPUT} "${page}")

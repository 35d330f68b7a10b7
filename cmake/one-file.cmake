# Makes the one-file page: the site's index.html with the program's script
# (its WebAssembly inside) and the page's script in place of the tags that
# load psviewer.js and page.js, and the sample pages carried as hex, which
# the page reads where it cannot fetch them. Run as cmake -DPAGE=...
# -DPROGRAM=... -DSCRIPT=... -DOUTPUT=... -DEXAMPLES=path;...
# -DEXAMPLES_DIR=... -P one-file.cmake
file(READ ${PAGE} page)
set(carried "")
foreach(example IN LISTS EXAMPLES)
  file(RELATIVE_PATH name ${EXAMPLES_DIR} ${example})
  file(READ ${example} bytes HEX)
  string(APPEND carried "\n  \"${name}\": \"${bytes}\",")
endforeach()
# Puts the script of file into the page in place of tag, after before.
function(put_inline tag file before)
  file(READ ${file} script)
  # The script goes inside a script element, which its text must not end.
  string(FIND "${script}" "</script" end)
  if(NOT end EQUAL -1)
    message(FATAL_ERROR "${file} holds </script: it cannot be put in a page")
  endif()
  string(FIND "${page}" "${tag}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${PAGE} has no ${tag}")
  endif()
  string(REPLACE "${tag}" "${before}<script>\n${script}</script>" page "${page}")
  set(page "${page}" PARENT_SCOPE)
endfunction()
put_inline("<script src=\"psviewer.js\"></script>" ${PROGRAM}
  "<script>\nconst carriedPages = {${carried}\n};\n</script>\n")
put_inline("<script src=\"page.js\"></script>" ${SCRIPT} "")
file(WRITE ${OUTPUT} "${page}")

# What is installed, and the packages made from it: a Debian package on
# Linux (cpack -G DEB) and a zip on Windows (cpack -G ZIP).

set(maintainer
    "psviewer maintainers <maintainers@users.noreply.c-seed-0811ede0.example>")

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS docs/changelog)

# The packages are reproducible: their files' and archives' times are
# SOURCE_DATE_EPOCH, which CPack and the MinGW linker honour. Where the
# builder sets none, it is the date of the changelog's top entry, as in
# Debian's own package builds; the manual page is dated by it too. Its
# trailer line ends in an RFC 5322 date, "Mon, 07 Dec 2026 19:30:00 +0000".
file(STRINGS docs/changelog trailer REGEX "^ -- " LIMIT_COUNT 1)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
if(NOT trailer MATCHES
   " ([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ([0-9]+):([0-9]+):([0-9]+) ([-+])([0-9][0-9])([0-9][0-9])$")
  message(FATAL_ERROR "docs/changelog's top entry has no date: ${trailer}")
endif()
set(day ${CMAKE_MATCH_1})
list(FIND months ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 1")
set(year ${CMAKE_MATCH_3})
# Days since 1970-01-01 of a proleptic Gregorian date, counted in years
# that start on 1 March, so that a leap day ends its year.
set(y ${year})
set(m ${month})
if(month LESS_EQUAL 2)
  math(EXPR y "${year} - 1")
  math(EXPR m "${month} + 12")
endif()
math(EXPR days "365 * ${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + (153 * (${m} - 3) + 2) / 5 + ${day} - 1 - 719468")
math(EXPR release_epoch "${days} * 86400 + ${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6} - (${CMAKE_MATCH_7}1) * (${CMAKE_MATCH_8} * 3600 + ${CMAKE_MATCH_9} * 60)")
math(EXPR release_date "${year} * 10000 + ${month} * 100 + ${day}")
string(REGEX REPLACE "^(....)(..)(..)$" "\\1-\\2-\\3" release_date ${release_date})
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(release_epoch $ENV{SOURCE_DATE_EPOCH})
endif()
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/CPackDate.cmake)
# A zip keeps its files' times as local times: they are UTC's, wherever
# and in whatever time zone it is made.
file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
  "if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})\n"
  "  set(ENV{SOURCE_DATE_EPOCH} ${release_epoch})\n"
  "endif()\n"
  "set(ENV{TZ} UTC0)\n")
# A Windows program carries its link time; MinGW's linker takes it from
# SOURCE_DATE_EPOCH.
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set_property(TARGET psviewer PROPERTY CXX_LINKER_LAUNCHER
               ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${release_epoch})
endif()
# The folders that CPack packs are made under the builder's umask, and packed
# with their modes: under umask 077 they would be 0700. They are set to 0755
# once installed, so that the package and the zip are the same bytes under
# any umask. Files take the modes install() gives them, which no umask
# changes.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/folder-modes.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/same-bytes.cmake)
set(CPACK_STRIP_FILES ON)

if(EMSCRIPTEN)
  # The web page is a folder to put on any web server.
  install(DIRECTORY ${site}/ DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
  set(CPACK_SYSTEM_NAME web)
  set(CPACK_GENERATOR ZIP)
  include(CPack)
  return()
endif()
if(WIN32)
  # A Windows user unpacks one folder: the program beside its documents.
  install(TARGETS psviewer RUNTIME DESTINATION .)
  install(FILES ${examples} DESTINATION examples)
  install(FILES README.md LICENSE DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
install(TARGETS psviewer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The compilers' version strings are of no use to the program, and Debian
# leaves them out of what it installs.
if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF" AND CMAKE_OBJCOPY)
  install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\"
    --remove-section=.comment
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/psviewer\"
    COMMAND_ERROR_IS_FATAL ANY)")
endif()
install(FILES ${examples} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# A desktop's menu lists the viewer with its icon, opened in a terminal,
# since it asks for the page on its console; software centres read its
# AppStream metadata, dated by the changelog as the manual page is.
set(appstream_id example.c_seed_0811ede0.psviewer)
set(metainfo ${CMAKE_CURRENT_BINARY_DIR}/${appstream_id}.metainfo.xml)
configure_file(docs/psviewer.metainfo.xml.in ${metainfo} @ONLY)
install(FILES docs/psviewer.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES docs/psviewer.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian's form of the licence: the MIT terms as its copyright format
# writes them, taken from LICENSE so that the two cannot differ.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${license}")
set(copyright_holders "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*\n\n(Permission is hereby granted)" "\\1" terms
                     "${license}")
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms " ${terms}")
set(copyright ${CMAKE_CURRENT_BINARY_DIR}/copyright)
configure_file(docs/copyright.in ${copyright} @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE)

# The manual page and the changelog are installed gzipped, as Debian keeps
# them; -n leaves the name and time out, so the same text makes the same
# file. The manual page's header names the project's version.
find_program(GZIP gzip REQUIRED)
set(manpage ${CMAKE_CURRENT_BINARY_DIR}/psviewer.1)
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog)
configure_file(docs/psviewer.1.in ${manpage} @ONLY)
add_custom_command(
  OUTPUT ${manpage}.gz ${changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/changelog
          ${changelog}
  COMMAND ${GZIP} -9nkf ${manpage} ${changelog}
  DEPENDS ${manpage} docs/changelog
  VERBATIM)
add_custom_target(docs ALL DEPENDS ${manpage}.gz ${changelog}.gz)
install(FILES ${manpage}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${copyright} ${changelog}.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# cpack -G DEB, in the build folder, makes psviewer_VERSION_ARCH.deb; its
# dependencies are read off the binary by dpkg-shlibdeps.
set(CPACK_PACKAGE_CONTACT "${maintainer}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "viewer for a small subset of PostScript")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "psviewer asks for the name of a text file and shows it as one US Letter
page in a window. Numbers go on an operand stack; add sums the two top values
and traces the stack on the console, moveto draws a line from the page
origin, and arc draws a circle. Every redraw reads the file again, so an
edited page shows at once. Sample pages are in
/usr/share/doc/psviewer/examples.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Cross-built for arm64 (scripts/arm64), the package is arm64's, and its
# dependencies are read off the libraries in CMAKE_SYSROOT, through the dpkg
# database that the folder holds for the packages unpacked into it.
if(CMAKE_CROSSCOMPILING AND PSVIEWER_ARM64 AND CPACK_PROJECT_CONFIG_FILE)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
      ${CMAKE_SYSROOT}/usr/lib/aarch64-linux-gnu)
  file(APPEND ${CPACK_PROJECT_CONFIG_FILE}
    "set(ENV{DPKG_ADMINDIR} \"${CMAKE_SYSROOT}/var/lib/dpkg\")\n"
    "set(ENV{DEB_HOST_ARCH} arm64)\n")
endif()
set(CPACK_GENERATOR DEB)
include(CPack)

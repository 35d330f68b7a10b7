# Run by CPack once it has made the packages, so that they are the same
# bytes wherever they are made.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.deb$")
    # CPack writes the .deb's outer ar archive with its three members' modes
    # as the umask made them (0600 under umask 077), where dpkg-deb always
    # writes 0644: each member's header gets 0644. An ar archive is
    # "!<arch>\n", then for each member a 60-byte header (name 16, date 12,
    # owner 6, group 6, mode 8, size 10, "`\n") and its data, padded to an
    # even length.
    set(mode_file "${package}.mode")
    file(WRITE "${mode_file}" "100644  ")
    file(SIZE "${package}" size)
    set(offset 8)
    while(offset LESS size)
      file(READ "${package}" header OFFSET ${offset} LIMIT 58)
      string(SUBSTRING "${header}" 48 10 member_size)
      string(STRIP "${member_size}" member_size)
      math(EXPR mode_at "${offset} + 40")
      execute_process(
        COMMAND dd "of=${package}" bs=1 seek=${mode_at} conv=notrunc
        INPUT_FILE "${mode_file}" ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
      math(EXPR offset
           "${offset} + 60 + ${member_size} + ${member_size} % 2")
    endwhile()
    file(REMOVE "${mode_file}")
  elseif(package MATCHES "\\.zip$")
    # CPack zips a folder in the order the file system lists it, which
    # differs from one file system to the next, and keeps each file's access
    # and change times. Where Info-ZIP's zip is at hand, the zip is made
    # again: its files in the order of their names, with
    # SOURCE_DATE_EPOCH's time and no other, and no owner.
    find_program(ZIP_PROGRAM zip)
    if(NOT ZIP_PROGRAM OR NOT DEFINED ENV{SOURCE_DATE_EPOCH})
      continue()
    endif()
    # The zip holds one folder, the one CPack staged its files in.
    get_filename_component(top "${CPACK_TEMPORARY_DIRECTORY}" DIRECTORY)
    file(GLOB_RECURSE files RELATIVE "${top}" "${CPACK_TEMPORARY_DIRECTORY}/*")
    list(SORT files)
    execute_process(
      COMMAND touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" ${files}
      WORKING_DIRECTORY "${top}" COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE "${package}")
    execute_process(
      COMMAND "${ZIP_PROGRAM}" -X -D -q "${package}" ${files}
      WORKING_DIRECTORY "${top}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()

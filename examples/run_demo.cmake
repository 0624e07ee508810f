# Lays out the sample file area under DEST (a drive root of its own, with
# the area in DEST/FILES), runs kestrel there and says where the page is.
#   cmake -DKESTREL=path -DSOURCE=examples -DDEST=build/demo -P run_demo.cmake
file(REMOVE_RECURSE "${DEST}")
file(MAKE_DIRECTORY "${DEST}/FILES")
file(COPY "${SOURCE}/area/" DESTINATION "${DEST}/FILES")
file(COPY "${SOURCE}/KESTREL.INI" DESTINATION "${DEST}")

find_program(TOUCH touch)
file(STRINGS "${SOURCE}/manifest.txt" entries REGEX "^[^#]")
foreach(entry IN LISTS entries)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 path)
  list(GET fields 1 size)
  list(GET fields 2 stamp)
  if(NOT size STREQUAL "-")
    # Stand-in contents of the right size for the archives.
    string(REPEAT "x" ${size} contents)
    file(WRITE "${DEST}/FILES/${path}" "${contents}")
  endif()
  if(TOUCH)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
                    ${TOUCH} -m -d "${stamp}" "${DEST}/FILES/${path}")
  endif()
endforeach()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "DRIVE_ROOT=${DEST}"
          "${KESTREL}" "Utilities \\ Tools for the busy sysop"
  WORKING_DIRECTORY "${DEST}/FILES"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "kestrel ended with exit code ${result}")
endif()
message(STATUS "The index page is ${DEST}/FILES/INDEX.HTM")

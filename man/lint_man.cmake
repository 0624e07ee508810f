# Fails when groff has anything to say about a manual page.
#   cmake -DGROFF=/usr/bin/groff -DPAGES="kestrel.1;wagtails.1" -P lint_man.cmake
set(failed FALSE)
foreach(page IN LISTS PAGES)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8
            ${GROFF} -man -ww -z ${page}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE out
    ERROR_VARIABLE out)
  if(NOT result EQUAL 0 OR NOT out STREQUAL "")
    message(SEND_ERROR "${page}: groff exit code ${result}\n${out}")
    set(failed TRUE)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "manual pages need fixing")
endif()

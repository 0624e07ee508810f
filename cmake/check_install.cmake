# Installs the build tree BUILD into a fresh PREFIX and checks that every
# file a user or a package relies on is in its place, and that the
# installed tools run.
#   cmake -DBUILD=build/default -DPREFIX=/tmp/p -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}"
                OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
  bin/kestrel
  bin/wagtails
  share/man/man1/kestrel.1
  share/man/man1/wagtails.1
  share/doc/kestrel/README.md
  share/doc/kestrel/examples/KESTREL.INI
  share/doc/kestrel/examples/area/FILES.BBS
  share/doc/kestrel/examples/nginx.conf
  share/doc/kestrel/examples/apache.conf
  share/doc/kestrel/examples/areas.sh
  share/doc/kestrel/examples/kestrel.cron
  share/doc/kestrel/examples/kestrel.service
  share/doc/kestrel/examples/kestrel.timer
  share/doc/kestrel/LICENSE
  share/kestrel/www/icons/dir.png
  share/kestrel/www/banner.png)
foreach(path IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(SEND_ERROR "missing: ${path}")
  endif()
endforeach()

foreach(tool kestrel wagtails)
  execute_process(COMMAND "${PREFIX}/bin/${tool}" --version
                  OUTPUT_VARIABLE version RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT version MATCHES "^${tool} [0-9]")
    message(SEND_ERROR "${tool} --version: ${result}: ${version}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")

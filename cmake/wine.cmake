# Runs the cross-built Windows tests on the build machine under wine, in a
# private prefix inside the build folder (never the user's ~/.wine). The
# prefix is made once while configuring, which also warms wine up so that
# the first test run is not slowed by it:
# - the AeDebug debugger is cleared, so a crashing program ends with its
#   exception code instead of a debugger that may report success;
# - drive X: is mapped to ${KESTREL_WINE_DRIVE}, a scratch folder for the
#   end-to-end runs. A wine server sees only the drives that existed when
#   it started, so the link is made while no server runs.
find_program(KESTREL_WINE wine)
find_program(KESTREL_WINESERVER wineserver)
if(NOT KESTREL_WINE OR NOT KESTREL_WINESERVER)
  message(STATUS "wine not found: the Windows tests build but cannot run here")
  return()
endif()

set(KESTREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
set(KESTREL_WINE_DRIVE ${CMAKE_BINARY_DIR}/drive_x)
set(_wine_env ${CMAKE_COMMAND} -E env WINEPREFIX=${KESTREL_WINEPREFIX}
    WINEDEBUG=-all)

if(NOT EXISTS ${KESTREL_WINEPREFIX}/kestrel-ready)
  message(STATUS "Making the wine prefix ${KESTREL_WINEPREFIX}")
  string(TIMESTAMP _wine_start "%s")
  file(REMOVE_RECURSE ${KESTREL_WINEPREFIX})
  # No Mono or Gecko: nothing here needs them, and wine would offer to
  # download them.
  execute_process(
    COMMAND ${_wine_env} WINEDLLOVERRIDES=mscoree,mshtml=
            ${KESTREL_WINE} cmd /c exit
    OUTPUT_QUIET ERROR_QUIET
    COMMAND_ERROR_IS_FATAL ANY)
  execute_process(
    COMMAND ${_wine_env} ${KESTREL_WINE} reg add
            "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug"
            /v Debugger /t REG_SZ /d "" /f
    OUTPUT_QUIET ERROR_QUIET
    COMMAND_ERROR_IS_FATAL ANY)
  # Waits for the server to write the registry and exit.
  execute_process(COMMAND ${_wine_env} ${KESTREL_WINESERVER} -w
                  COMMAND_ERROR_IS_FATAL ANY)
  file(MAKE_DIRECTORY ${KESTREL_WINE_DRIVE})
  file(CREATE_LINK ${KESTREL_WINE_DRIVE} ${KESTREL_WINEPREFIX}/dosdevices/x:
       SYMBOLIC)
  file(TOUCH ${KESTREL_WINEPREFIX}/kestrel-ready)
  string(TIMESTAMP _wine_end "%s")
  math(EXPR _wine_seconds "${_wine_end} - ${_wine_start}")
  message(STATUS "Making the wine prefix - done in ${_wine_seconds} s")
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR
    sh ${CMAKE_CURRENT_LIST_DIR}/wine_run.sh ${KESTREL_WINEPREFIX})

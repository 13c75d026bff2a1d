# Makes the throwaway Wine prefix that the tests share, once per build tree
# (it takes seconds and hundreds of megabytes). Its graphics driver list is
# "x11,null": with DISPLAY set programs get real X windows (the smoke test
# on Xvfb), without it the null driver, so the probes need no X server.
# Run with cmake -P; WINE, WINESERVER and PREFIX are given with -D.
foreach(v WINE WINESERVER PREFIX)
  if(NOT ${v})
    message(FATAL_ERROR "wine_prefix.cmake: ${v} is not set")
  endif()
endforeach()

set(stamp ${PREFIX}/.kv319-ready)
if(EXISTS ${stamp})
  return()
endif()

set(ENV{WINEPREFIX} ${PREFIX})
set(ENV{WINEDEBUG} -all)
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
unset(ENV{DISPLAY})
# A half-made prefix from an interrupted run: its server goes, then the rest.
if(EXISTS ${PREFIX})
  execute_process(COMMAND ${WINESERVER} -k OUTPUT_QUIET ERROR_QUIET TIMEOUT 20)
  file(REMOVE_RECURSE ${PREFIX})
endif()
execute_process(COMMAND ${WINE} wineboot -i RESULT_VARIABLE boot OUTPUT_QUIET ERROR_QUIET
                TIMEOUT 240)
execute_process(COMMAND ${WINE} reg add "HKCU\\Software\\Wine\\Drivers" /v Graphics
                        /d "x11,null" /f
                RESULT_VARIABLE reg OUTPUT_QUIET ERROR_QUIET TIMEOUT 60)
execute_process(COMMAND ${WINESERVER} -w TIMEOUT 60)
if(NOT boot EQUAL 0 OR NOT reg EQUAL 0)
  message(FATAL_ERROR "making the Wine prefix failed (wineboot: ${boot}, reg: ${reg})")
endif()
file(TOUCH ${stamp})

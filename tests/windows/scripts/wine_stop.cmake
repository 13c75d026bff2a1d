# Stops the build tree's Wine server and every program it still runs, after
# the Wine tests, whether they passed or not. Run with cmake -P; WINESERVER
# and PREFIX are given with -D.
if(NOT WINESERVER OR NOT EXISTS ${PREFIX})
  return()
endif()
set(ENV{WINEPREFIX} ${PREFIX})
execute_process(COMMAND ${WINESERVER} -k OUTPUT_QUIET ERROR_QUIET TIMEOUT 20)
execute_process(COMMAND ${WINESERVER} -w OUTPUT_QUIET ERROR_QUIET TIMEOUT 20)

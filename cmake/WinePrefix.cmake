# ctest fixture for the tests that start Windows programs: one Wine prefix per test run.
#   cmake -DACTION=start|stop -DPREFIX=<folder> -P WinePrefix.cmake
# start: a fresh prefix with a persistent wineserver (so later starts take well under a
# second), then wineboot -i; stop: ends that prefix's wineserver and its processes only.
# Every stream goes to /dev/null: Wine's helper processes would hold a pipe open for good.
set(ENV{WINEPREFIX} "${PREFIX}")
set(ENV{WINEDEBUG} "-all")
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
set(quiet INPUT_FILE /dev/null OUTPUT_FILE /dev/null ERROR_FILE /dev/null)

if(ACTION STREQUAL "start")
  if(EXISTS "${PREFIX}")
    # Left by a run that was cut short.
    execute_process(COMMAND wineserver -k ${quiet})
    file(REMOVE_RECURSE "${PREFIX}")
  endif()
  file(MAKE_DIRECTORY "${PREFIX}")
  execute_process(COMMAND wineserver -p ${quiet} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "wineserver -p failed (${rc})")
  endif()
  execute_process(COMMAND wineboot -i ${quiet} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    execute_process(COMMAND wineserver -k ${quiet})
    message(FATAL_ERROR "wineboot -i failed (${rc})")
  endif()
elseif(ACTION STREQUAL "stop")
  if(EXISTS "${PREFIX}")
    execute_process(COMMAND wineserver -k ${quiet})
  endif()
else()
  message(FATAL_ERROR "ACTION must be start or stop")
endif()

# Recording a real editing session and playing it back, end to end.
kv319_test(script_playback_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_playback_test.cpp
  LIBS runner_harness)

# The card designer as a whole, through the headless runner: start state,
# the Run menu and its shortcuts.
kv319_test(app_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_test.cpp
  LIBS runner_harness card_layout)

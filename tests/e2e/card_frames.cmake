# Whole frames of the card designer through the headless runner: golden
# pictures of still states, the mask's edges, the heaviest card.
kv319_test(card_frames_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/card_frames_test.cpp
  LIBS runner_harness card_layout)
target_compile_definitions(card_frames_test PRIVATE
  E2E_GOLDEN_DIR="${CMAKE_CURRENT_LIST_DIR}/golden")

# card-picture end to end: cards saved by the designer through the runner,
# made into pictures and compared with the designer's shots.
kv319_test(card_picture_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/card_picture_test.cpp
  LIBS runner_harness winsys_gif card_layout kv319_platform_internal)
target_compile_definitions(card_picture_test PRIVATE
  CARD_PICTURE_PATH="$<TARGET_FILE:card-picture>")
add_dependencies(card_picture_test card-picture)

# The recording runtime stand-in, for tests that check drawing calls without
# a window. Other areas link it too (kv319_fake.h documents the lines).
add_library(kv319_fake STATIC ${CMAKE_SOURCE_DIR}/tests/support/kv319_fake.cpp)
target_include_directories(kv319_fake PUBLIC ${CMAKE_SOURCE_DIR}/tests/support
                           ${CMAKE_SOURCE_DIR}/runtime/include ${CMAKE_SOURCE_DIR}/platform/include)

kv319_test(kv319_fake_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/kv319_fake_test.cpp LIBS kv319_fake)

# The display's sources once more, against the stand-in and with the
# undefined-behaviour sanitizer, so that an overflow on any field fails; a
# double truncated to an integer it does not fit is checked too, which the
# compiler leaves out of "undefined".
get_target_property(display_sources card_display_objects SOURCES)
list(TRANSFORM display_sources PREPEND ${CMAKE_SOURCE_DIR}/display/)
add_library(card_display_fake STATIC ${display_sources})
target_include_directories(card_display_fake PUBLIC ${CMAKE_SOURCE_DIR}/display)
target_compile_options(card_display_fake PUBLIC -fsanitize=undefined,float-cast-overflow
                       -fno-sanitize-recover=all)
target_link_options(card_display_fake PUBLIC -fsanitize=undefined,float-cast-overflow)
target_link_libraries(card_display_fake PUBLIC kv319_fake)

kv319_test(card_display_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/shapes_test.cpp ${CMAKE_CURRENT_LIST_DIR}/card_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/messages_test.cpp ${CMAKE_CURRENT_LIST_DIR}/panel_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/status_test.cpp ${CMAKE_CURRENT_LIST_DIR}/extremes_test.cpp
  LIBS card_display_fake)

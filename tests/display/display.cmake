# The recording runtime stand-in, for tests that check drawing calls without
# a window. Other areas link it too (kv319_fake.h documents the lines).
add_library(kv319_fake STATIC ${CMAKE_SOURCE_DIR}/tests/support/kv319_fake.cpp)
target_include_directories(kv319_fake PUBLIC ${CMAKE_SOURCE_DIR}/tests/support
                           ${CMAKE_SOURCE_DIR}/runtime/include ${CMAKE_SOURCE_DIR}/platform/include)

kv319_test(kv319_fake_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/kv319_fake_test.cpp LIBS kv319_fake)

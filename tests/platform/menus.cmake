# Menus, modal dialogs and the built-in dialog controls.
kv319_test(platform_menus_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/menus_test.cpp LIBS kv319_platform_internal)
kv319_test(platform_dialogs_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialogs_test.cpp LIBS kv319_platform_internal)

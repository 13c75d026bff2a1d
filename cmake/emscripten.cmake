# A toolchain file for building KV319 programs for the web with Debian's
# Emscripten: Emscripten's own toolchain, found where `em-config` says.
#   cmake -S . -B build/web -G Ninja --toolchain cmake/emscripten.cmake
# (or `cmake --preset web`). The FreeType it links is the one scripts/web.sh
# builds into build/web-deps/freetype; KV319_WEB_FREETYPE_DIR names another.
if(NOT DEFINED ENV{NODE_PATH})
  # Emscripten's JavaScript tools find Debian's node modules (acorn) there.
  set(ENV{NODE_PATH} /usr/share/nodejs)
endif()
find_program(KV319_EM_CONFIG em-config REQUIRED)
execute_process(COMMAND ${KV319_EM_CONFIG} EMSCRIPTEN_ROOT OUTPUT_VARIABLE KV319_EMSCRIPTEN_ROOT
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
include(${KV319_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)

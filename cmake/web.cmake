# The web build (Emscripten, see cmake/emscripten.cmake): the card designer
# and the example programs as pages under build/web/site, each a WebAssembly
# program on the browser's display driver (platform/drivers/web), with the
# font files it draws with packed beside it.
#
# KV319_WEB_PROGRAMS builds more KV319 programs of one C or C++ file each,
# a page per file, named after the file:
#   cmake --preset web -DKV319_WEB_PROGRAMS=/path/to/hello.c

set(KV319_WEB_FREETYPE_DIR "${CMAKE_SOURCE_DIR}/build/web-deps/freetype"
    CACHE PATH "FreeType built for the web (scripts/web.sh builds it there)")
set(KV319_WEB_DEPS_DIR "${CMAKE_SOURCE_DIR}/build/web-deps"
    CACHE PATH "zlib, libpng and giflib built for the web (scripts/web.sh builds them there)")
set(KV319_WEB_PROGRAMS "" CACHE STRING "More KV319 programs to build as pages, one source file each")
set(KV319_BUILD_SDL OFF)

if(NOT EXISTS "${KV319_WEB_FREETYPE_DIR}/lib/libfreetype.a")
  message(FATAL_ERROR "No FreeType built for the web in ${KV319_WEB_FREETYPE_DIR}: "
                      "scripts/web.sh --build builds it there")
endif()
add_library(kv319_web_freetype INTERFACE)
target_include_directories(kv319_web_freetype INTERFACE "${KV319_WEB_FREETYPE_DIR}/include/freetype2")
target_link_libraries(kv319_web_freetype INTERFACE "${KV319_WEB_FREETYPE_DIR}/lib/libfreetype.a")

# The picture writers of card-picture's page version, from the same
# source packages as the desktop's libraries.
foreach(lib zlib:z libpng:png giflib:gif)
  string(REPLACE ":" ";" pair "${lib}")
  list(GET pair 0 dir)
  list(GET pair 1 name)
  set(archive "${KV319_WEB_DEPS_DIR}/${dir}/lib/lib${name}.a")
  if(NOT EXISTS "${archive}")
    message(FATAL_ERROR "No ${dir} built for the web (${archive}): scripts/web.sh --build builds it there")
  endif()
  add_library(kv319_web_${name} INTERFACE)
  target_include_directories(kv319_web_${name} INTERFACE "${KV319_WEB_DEPS_DIR}/${dir}/include")
  target_link_libraries(kv319_web_${name} INTERFACE "${archive}")
endforeach()
# FreeType reads compressed font files with the same zlib, as on the desktop.
target_link_libraries(kv319_web_png INTERFACE kv319_web_z)
target_link_libraries(kv319_web_freetype INTERFACE kv319_web_z)

# The faces that fontconfig picks on the desktop for the names the layer and
# the runtime ask for (platform/gdi/font_lookup.cpp maps the names to these files).
set(KV319_WEB_FONTS
  /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
  /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
  /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
  /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf)
set(KV319_WEB_FONT_DIR "${CMAKE_BINARY_DIR}/fonts")
file(REMOVE_RECURSE "${KV319_WEB_FONT_DIR}")
file(MAKE_DIRECTORY "${KV319_WEB_FONT_DIR}")
foreach(font ${KV319_WEB_FONTS})
  if(NOT EXISTS "${font}")
    message(FATAL_ERROR "Missing ${font}: scripts/install-deps.sh installs the font packages")
  endif()
  file(COPY "${font}" DESTINATION "${KV319_WEB_FONT_DIR}")
endforeach()

add_subdirectory(platform)
add_subdirectory(runtime)
add_subdirectory(display)

set(KV319_WEB_SITE "${CMAKE_BINARY_DIR}/site")
set(KV319_WEB_DRIVER_DIR "${CMAKE_SOURCE_DIR}/platform/drivers/web")

# Makes `target` (an executable linking the runtime) a page, TITLE its
# title; FILES are the files of the program's folder that the page's bar
# offers to download and upload, as "Label=name" pairs. Every program has the
# script file of the Run menu.
# With PICTURES, FILES are card files, of which the bar also downloads the
# card as card-picture draws it (the page loads card-picture.js for that).
function(kv319_web_page target)
  cmake_parse_arguments(PARSE_ARGV 1 page "PICTURES" "TITLE" "FILES")
  set(files)
  foreach(entry ${page_FILES})
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 label)
    list(GET pair 1 name)
    if(page_PICTURES)
      list(APPEND files "{\"label\": \"${label}\", \"name\": \"${name}\", \"card\": true}")
    else()
      list(APPEND files "{\"label\": \"${label}\", \"name\": \"${name}\"}")
    endif()
  endforeach()
  list(APPEND files "{\"label\": \"Script\", \"name\": \"KV319.SCR\"}")
  list(JOIN files ", " files)
  set(KV319_WEB_FILES "[${files}]")
  set(KV319_WEB_TITLE "${page_TITLE}")
  set(shell "${CMAKE_CURRENT_BINARY_DIR}/${target}-shell.html")
  configure_file("${KV319_WEB_DRIVER_DIR}/shell.html.in" "${shell}" @ONLY)
  target_link_libraries(${target} PRIVATE winsys_entry_web)
  target_link_options(${target} PRIVATE
    # The event wait hands control back to the browser and resumes later.
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    # Data starts above 64 KB: as on the desktop, a name pointer below that
    # is an atom (MAKEINTATOM), never a string.
    -sGLOBAL_BASE=65536
    -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web -sMINIFY_HTML=0
    # The program's folder lives in the browser's storage (IndexedDB).
    -sFORCE_FILESYSTEM=1 -lidbfs.js
    "--pre-js=${KV319_WEB_DRIVER_DIR}/web_page.js" "--shell-file=${shell}"
    "SHELL:--preload-file ${KV319_WEB_FONT_DIR}@/fonts")
  set_target_properties(${target} PROPERTIES SUFFIX ".html"
    RUNTIME_OUTPUT_DIRECTORY "${KV319_WEB_SITE}"
    LINK_DEPENDS "${KV319_WEB_DRIVER_DIR}/web_page.js;${shell}")
endfunction()

add_executable(card-designer $<TARGET_OBJECTS:winsys_entry_web>)
add_subdirectory(editor)
target_link_libraries(card-designer PRIVATE card_editor)
kv319_web_page(card-designer TITLE "Card designer" PICTURES
  FILES "Card 1=tobu1.sav" "Card 2=tobu2.sav" "Card 3=tobu3.sav")

# card-picture for the designer's page: the same program as on the desktop,
# on the headless driver, with the desktop's PNG and GIF writers, so that
# the page's picture of a card file is the file card-picture makes of it.
# A module of its own, fetched only when a picture is asked for; each
# picture runs it once in a fresh instance, the card file and the fonts
# copied into its file system from the designer's (web_page.js).
add_library(winsys_pictures STATIC "${CMAKE_SOURCE_DIR}/platform/gdi/png_io.cpp"
  "${CMAKE_SOURCE_DIR}/platform/gdi/gif_io.cpp")
target_link_libraries(winsys_pictures PUBLIC winsys PRIVATE kv319_platform_internal kv319_web_png
                                              kv319_web_gif)
add_executable(card-picture "${CMAKE_SOURCE_DIR}/tools/card_picture.cpp")
target_link_libraries(card-picture PRIVATE card_editor winsys_pictures kv319_platform_internal
                                           kv319_runtime_internal)
target_link_options(card-picture PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=CardPicture -sEXIT_RUNTIME=1 -sEXPORTED_RUNTIME_METHODS=FS
  -sEXPORTED_FUNCTIONS=_main,_umask
  -sGLOBAL_BASE=65536 -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web -sFORCE_FILESYSTEM=1)
set_target_properties(card-picture PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY "${KV319_WEB_SITE}")

set(pages "card-designer=Card designer")
foreach(example bounce sketch)
  add_executable(${example} "${CMAKE_SOURCE_DIR}/examples/${example}/${example}.c")
  target_link_libraries(${example} PRIVATE kv319)
  kv319_web_page(${example} TITLE "KV319 ${example}")
  list(APPEND pages "${example}=KV319 ${example}")
endforeach()
foreach(source ${KV319_WEB_PROGRAMS})
  get_filename_component(name "${source}" NAME_WE)
  add_executable(${name} "${source}")
  target_link_libraries(${name} PRIVATE kv319)
  kv319_web_page(${name} TITLE "${name}")
  list(APPEND pages "${name}=${name}")
endforeach()

# The site's front page: a link to each page.
set(links)
foreach(entry ${pages})
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 name)
  list(GET pair 1 title)
  string(APPEND links "<li><a href=\"${name}.html\">${title}</a></li>\n")
endforeach()
file(WRITE "${KV319_WEB_SITE}/index.html"
  "<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>KV319 programs</title></head>\n"
  "<body><h1>KV319 programs</h1>\n<ul>\n${links}</ul></body></html>\n")

# The KV319 runtime as a library that other programs build on.
#
# `cmake --install` puts in place, under the prefix:
#   lib/libkv319.a           the runtime
#   lib/libkv319_winsys.a    the window-system layer, with the headless driver
#   lib/libkv319_headless.a  the headless process entry and its scripted user
#   lib/libkv319_sdl.a       the real-window process entry (SDL2 driver)
#   include/kv319/           kv319.h and the winsys.h it includes
#   lib/cmake/KV319/         the package for find_package(KV319)
#   lib/pkgconfig/           kv319.pc, kv319-headless.pc, kv319-sdl.pc
#
# Each entry archive holds main(), which starts its driver and calls the
# application's WinMain: a program links the runtime and one entry, and the
# same code runs in real windows or under the scripted user. Inside this
# build the same names exist as aliases (KV319::runtime, KV319::headless_entry,
# KV319::sdl_entry), so that the examples build unchanged here and against
# an installed copy.
#
# Everything here belongs to the install component "development"; the card
# designer's programs are the component "designer" (cmake/debian_package.cmake).

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# What the final link of a program needs beyond our own libraries, found by
# walking the link libraries of `root`: our static and object libraries
# (returned in `out_internal`, excluding those in `exclude`), the pkg-config
# modules behind PkgConfig:: targets (`out_modules`) and plain library names
# (`out_libs`).
function(kv319_link_closure root exclude out_internal out_modules out_libs)
  set(internal)
  set(modules)
  set(libs)
  set(pending ${root})
  set(seen)
  while(pending)
    list(POP_FRONT pending item)
    if(item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    if(TARGET ${item})
      get_target_property(imported ${item} IMPORTED)
      if(imported)
        set(module)
        if(item MATCHES "^PkgConfig::(.+)$")
          set(module ${${CMAKE_MATCH_1}_MODULE_NAME})
        endif()
        if(NOT module)
          message(FATAL_ERROR "kv319 package: cannot describe the dependency ${item} of ${root}")
        endif()
        list(APPEND modules ${module})
        continue()
      endif()
      get_target_property(aliased ${item} ALIASED_TARGET)
      if(aliased)
        list(APPEND pending ${aliased})
        continue()
      endif()
      # Interface targets (the layer's and the runtime's insides) carry
      # include paths and no code: only what they link counts.
      get_target_property(type ${item} TYPE)
      if(type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(deps ${item} INTERFACE_LINK_LIBRARIES)
        if(deps)
          list(APPEND pending ${deps})
        endif()
        continue()
      endif()
      if(NOT item STREQUAL root AND NOT item IN_LIST exclude)
        list(APPEND internal ${item})
      endif()
      get_target_property(deps ${item} LINK_LIBRARIES)
      if(deps)
        list(APPEND pending ${deps})
      endif()
    elseif(item MATCHES "^\\$<")
      message(FATAL_ERROR "kv319 package: cannot describe the link item ${item} of ${root}")
    elseif(item)
      list(APPEND libs ${item})
    endif()
  endwhile()
  list(REMOVE_DUPLICATES modules)
  list(REMOVE_DUPLICATES libs)
  set(${out_internal} ${internal} PARENT_SCOPE)
  set(${out_modules} ${modules} PARENT_SCOPE)
  set(${out_libs} ${libs} PARENT_SCOPE)
endfunction()

# The external needs of the runtime and the layer below it.
kv319_link_closure(kv319 "" runtime_internal KV319_RUNTIME_MODULES KV319_RUNTIME_LIBS)
list(REMOVE_ITEM runtime_internal winsys)
if(runtime_internal)
  message(FATAL_ERROR "kv319 package: the runtime links ${runtime_internal}, which no archive carries")
endif()

# An entry archive: the objects of `entry` and of every library of ours that
# it needs beyond the runtime and the layer.
function(kv319_entry_archive name entry output_name)
  kv319_link_closure(${entry} "kv319;winsys" internal modules libs)
  set(objects $<TARGET_OBJECTS:${entry}>)
  foreach(t ${internal})
    list(APPEND objects $<TARGET_OBJECTS:${t}>)
  endforeach()
  add_library(${name} STATIC ${objects})
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${output_name})
  # Inside this build, programs get what the entry links too, but not the
  # insides that the entry's own code looks at: a program sees kv319.h alone.
  get_target_property(entry_links ${entry} LINK_LIBRARIES)
  if(NOT entry_links)
    set(entry_links)
  endif()
  list(REMOVE_ITEM entry_links kv319_platform_internal)
  target_link_libraries(${name} PUBLIC kv319 ${entry_links})
  foreach(t ${internal})
    add_dependencies(${name} ${t})
  endforeach()
  # The modules and libraries this entry adds to those of the runtime.
  list(REMOVE_ITEM modules ${KV319_RUNTIME_MODULES})
  if(libs)
    list(REMOVE_ITEM libs ${KV319_RUNTIME_LIBS})
  endif()
  set(${name}_MODULES ${modules} PARENT_SCOPE)
  set(${name}_LIBS ${libs} PARENT_SCOPE)
endfunction()

kv319_entry_archive(kv319_headless kv319_headless_entry kv319_headless)
add_library(KV319::runtime ALIAS kv319)
add_library(KV319::headless_entry ALIAS kv319_headless)
set(KV319_HAVE_SDL_ENTRY 0)
if(TARGET winsys_entry_sdl)
  kv319_entry_archive(kv319_sdl winsys_entry_sdl kv319_sdl)
  add_library(KV319::sdl_entry ALIAS kv319_sdl)
  set(KV319_HAVE_SDL_ENTRY 1)
endif()

# ---- Install ---------------------------------------------------------------
set(KV319_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/kv319)
set(KV319_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KV319)

install(FILES ${CMAKE_SOURCE_DIR}/runtime/include/kv319.h ${CMAKE_SOURCE_DIR}/platform/include/winsys.h
        DESTINATION ${KV319_INCLUDE_SUBDIR} COMPONENT development)
install(FILES $<TARGET_FILE:kv319> DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RENAME libkv319.a COMPONENT development)
install(FILES $<TARGET_FILE:winsys> DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RENAME libkv319_winsys.a COMPONENT development)
install(TARGETS kv319_headless ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
if(KV319_HAVE_SDL_ENTRY)
  install(TARGETS kv319_sdl ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
endif()

# The package for find_package(KV319), relocatable with its prefix.
list(JOIN KV319_RUNTIME_MODULES " " KV319_RUNTIME_MODULES_TEXT)
list(JOIN kv319_headless_MODULES " " KV319_HEADLESS_MODULES_TEXT)
list(JOIN kv319_sdl_MODULES " " KV319_SDL_MODULES_TEXT)
set(KV319_RUNTIME_LIBS_TEXT ${KV319_RUNTIME_LIBS})
set(KV319_HEADLESS_LIBS_TEXT ${kv319_headless_LIBS})
set(KV319_SDL_LIBS_TEXT ${kv319_sdl_LIBS})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/KV319Config.cmake.in
  ${CMAKE_BINARY_DIR}/package/KV319Config.cmake
  INSTALL_DESTINATION ${KV319_CMAKE_DIR}
  PATH_VARS KV319_INCLUDE_SUBDIR CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/KV319ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/KV319Config.cmake
              ${CMAKE_BINARY_DIR}/package/KV319ConfigVersion.cmake
        DESTINATION ${KV319_CMAKE_DIR} COMPONENT development)

# pkg-config files. The archives are static, so the libraries they need
# are listed in Requires and Libs, not in the .private fields.
function(kv319_pc_libs out libs)
  set(text)
  foreach(l ${libs})
    string(APPEND text " -l${l}")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
list(JOIN KV319_RUNTIME_MODULES ", " KV319_PC_RUNTIME_REQUIRES)
kv319_pc_libs(KV319_PC_RUNTIME_LIBS "${KV319_RUNTIME_LIBS}")
set(KV319_PC_HEADLESS_REQUIRES kv319 ${kv319_headless_MODULES})
list(JOIN KV319_PC_HEADLESS_REQUIRES ", " KV319_PC_HEADLESS_REQUIRES)
kv319_pc_libs(KV319_PC_HEADLESS_LIBS "${kv319_headless_LIBS}")
set(KV319_PC_SDL_REQUIRES kv319 ${kv319_sdl_MODULES})
list(JOIN KV319_PC_SDL_REQUIRES ", " KV319_PC_SDL_REQUIRES)
kv319_pc_libs(KV319_PC_SDL_LIBS "${kv319_sdl_LIBS}")
# Relocatable: the prefix is found from where the file lies.
file(RELATIVE_PATH KV319_PC_PREFIX_FROM_PCDIR /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" KV319_PC_PREFIX_FROM_PCDIR "${KV319_PC_PREFIX_FROM_PCDIR}")
set(pc_names kv319 kv319-headless)
if(KV319_HAVE_SDL_ENTRY)
  list(APPEND pc_names kv319-sdl)
endif()
foreach(pc ${pc_names})
  configure_file(${CMAKE_SOURCE_DIR}/cmake/${pc}.pc.in ${CMAKE_BINARY_DIR}/package/${pc}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/package/${pc}.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
endforeach()

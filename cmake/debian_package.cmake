# The card designer as installed programs, with a menu entry and an icon,
# and the Debian packages made from the install (cpack -G DEB):
#   card-designer   the designer, its headless runner, card-picture, the menu
#                   entry, the icon
#   libkv319-dev    the runtime for other programs (cmake/runtime_package.cmake)
#
# The menu entry starts the designer through a small launcher that gives it
# a folder of its own to keep cards in, since it works in its current
# directory. Both name absolute paths under the prefix the install goes to,
# so they are written when installing, not when configuring: the same
# rules serve `cmake --install --prefix DIR` and the package's /usr.

set(CARD_DESIGNER_LAUNCHER_DIR ${CMAKE_INSTALL_LIBEXECDIR}/card-designer)

if(TARGET card-designer)
  install(TARGETS card-designer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT designer)
endif()
install(TARGETS card-designer-headless card-picture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT designer)

if(TARGET card-designer)
  set(staged ${CMAKE_BINARY_DIR}/package/install-time)
  install(CODE "
    set(CARD_DESIGNER_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/card-designer\")
    set(CARD_DESIGNER_MENU_START \"\${CMAKE_INSTALL_PREFIX}/${CARD_DESIGNER_LAUNCHER_DIR}/start-from-menu\")
    configure_file(\"${CMAKE_SOURCE_DIR}/packaging/start-from-menu.sh.in\" \"${staged}/start-from-menu\" @ONLY)
    configure_file(\"${CMAKE_SOURCE_DIR}/packaging/card-designer.desktop.in\" \"${staged}/card-designer.desktop\" @ONLY)
    " COMPONENT designer)
  install(PROGRAMS ${staged}/start-from-menu DESTINATION ${CARD_DESIGNER_LAUNCHER_DIR} COMPONENT designer)
  install(FILES ${staged}/card-designer.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT designer)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/card-designer.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT designer)
endif()

# ---- Manual pages and package documents -------------------------------------
# The manual pages of the programs, packaging/man/PROGRAM.1, installed
# gzip'd to share/man/man1 with the package of their program. A new
# program's page is one more name here (and its page in packaging/man).
set(CARD_DESIGNER_MAN_PAGES
  card-designer
  card-designer-headless
  card-picture
)

# Each package has its copyright file and changelog in share/doc/PACKAGE,
# as Debian wants them; the changelog and the manual pages gzip'd with -n,
# so that the same sources give the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(staged_docs ${CMAKE_BINARY_DIR}/package/docs)
file(MAKE_DIRECTORY ${staged_docs})
function(card_designer_gzip source output)
  get_filename_component(name ${output} NAME_WLE)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${staged_docs}/${name}
    COMMAND ${GZIP_PROGRAM} -9nf ${staged_docs}/${name}
    DEPENDS ${source} VERBATIM)
endfunction()

set(gzipped ${staged_docs}/changelog.gz)
card_designer_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog ${staged_docs}/changelog.gz)
foreach(program ${CARD_DESIGNER_MAN_PAGES})
  if(TARGET ${program})
    card_designer_gzip(${CMAKE_SOURCE_DIR}/packaging/man/${program}.1 ${staged_docs}/${program}.1.gz)
    list(APPEND gzipped ${staged_docs}/${program}.1.gz)
    install(FILES ${staged_docs}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT designer)
  endif()
endforeach()
add_custom_target(package_documents ALL DEPENDS ${gzipped})

set(package_documents ${CMAKE_SOURCE_DIR}/packaging/copyright ${staged_docs}/changelog.gz)
install(FILES ${package_documents}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/card-designer COMPONENT designer)
install(FILES ${package_documents}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libkv319-dev COMPONENT development)
# The guides for programs on the runtime, with the picture the first shows.
install(FILES ${CMAKE_SOURCE_DIR}/docs/runtime.md ${CMAKE_SOURCE_DIR}/docs/headless.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libkv319-dev COMPONENT development)
install(FILES ${CMAKE_SOURCE_DIR}/docs/images/bounce.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libkv319-dev/images COMPONENT development)

# ---- Debian packages -------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME card-designer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The card designer's developers")
set(CPACK_PACKAGE_CONTACT "Card designer maintainers <maintainers@card-designer.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL designer development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Both packages come from this one source, whose changelog they carry.
set(CPACK_DEBIAN_PACKAGE_SOURCE card-designer)

set(CPACK_DEBIAN_DESIGNER_PACKAGE_NAME card-designer)
set(CPACK_DEBIAN_DESIGNER_PACKAGE_SECTION graphics)
# The shared libraries come from dpkg-shlibdeps; the font is found at run time.
set(CPACK_DEBIAN_DESIGNER_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_DESIGNER_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_DESIGNER_DESCRIPTION "Interactive greeting-card designer
Compose a card in one window: a background colour, a patterned border,
shapes (heart, starburst, spiral, face) and messages placed with a click.
Shapes can be animated and flash, greetings can scroll, and cards are saved
to three slots. card-picture makes a saved card a PNG or an animated GIF
to send. card-designer-headless runs the same program under a scripted
user, for automatic checks.")
set(CPACK_COMPONENT_DESIGNER_DISPLAY_NAME "Card designer")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkv319-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "libfreetype-dev, libfontconfig-dev, libpng-dev, libsdl2-dev, libx11-dev, pkg-config, fonts-dejavu-core")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "KV319 graphics runtime: static libraries and headers
The small graphics runtime under the card designer: two windows, 24 named
colours, shape and text primitives, an event wait paced by a timer, a text
console and a line-input dialog. Programs link the real-window entry or the
headless one, whose scripted user drives them for automatic checks. Comes
with a CMake package (find_package(KV319)) and pkg-config files.")
set(CPACK_COMPONENT_DEVELOPMENT_DISPLAY_NAME "KV319 runtime for developers")

include(CPack)

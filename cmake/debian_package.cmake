# The card designer as installed programs, with a menu entry and an icon,
# and the Debian packages made from the install (cpack -G DEB):
#   card-designer   the designer, its headless runner, the menu entry, the icon
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
install(TARGETS card-designer-headless RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT designer)

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

set(CPACK_DEBIAN_DESIGNER_PACKAGE_NAME card-designer)
set(CPACK_DEBIAN_DESIGNER_PACKAGE_SECTION graphics)
# The shared libraries come from dpkg-shlibdeps; the font is found at run time.
set(CPACK_DEBIAN_DESIGNER_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_DESIGNER_PACKAGE_DEPENDS "fonts-dejavu-core")
# The runtime's text face: Liberation Sans has the metrics that the panel's
# labels were laid out for; without it they fall back to DejaVu Sans, wider.
set(CPACK_DEBIAN_DESIGNER_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_DEBIAN_DESIGNER_DESCRIPTION "Interactive greeting-card designer
Compose a card in one window: a background colour, a patterned border,
shapes (heart, starburst, spiral, face) and messages placed with a click.
Shapes can be animated and flash, greetings can scroll, and cards are saved
to three slots. card-designer-headless runs the same program under a
scripted user, for automatic checks.")
set(CPACK_COMPONENT_DESIGNER_DISPLAY_NAME "Card designer")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkv319-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "libfreetype-dev, libfontconfig-dev, libpng-dev, libsdl2-dev, libx11-dev, pkg-config, fonts-dejavu-core")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "KV319 graphics runtime: static libraries and headers
The small graphics runtime under the card designer: two windows, 24 named
colours, shape and text primitives, an event wait paced by a timer, a text
console and a line-input dialog. Programs link the real-window entry or the
headless one, whose scripted user drives them for automatic checks. Comes
with a CMake package (find_package(KV319)) and pkg-config files.")
set(CPACK_COMPONENT_DEVELOPMENT_DISPLAY_NAME "KV319 runtime for developers")

include(CPack)

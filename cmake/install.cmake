# Where an installed game lives, and the Debian package made from it.
#
#   <prefix>/lib/jetsquad/jetsquad                the real executable
#   <prefix>/lib/jetsquad/data/datafile.dat       found beside the real executable
#   <prefix>/lib/jetsquad/patches.dat             the music's instruments, found the same way
#   <prefix>/bin/jetsquad -> ../lib/jetsquad/jetsquad   what the player runs; the game follows
#                                                the link through /proc/self/exe to its data
#   <prefix>/share/applications/jetsquad.desktop  the menu entry
#   <prefix>/share/icons/hicolor/NxN/apps/jetsquad.png   icons drawn from the player's image
#
# The data sits with the executable rather than in share/ because the game looks for it there.

set(JETSQUAD_INSTALL_DIR lib/jetsquad)
set(packaging_dir ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS jetsquad RUNTIME DESTINATION ${JETSQUAD_INSTALL_DIR} COMPONENT game)

if(JETSQUAD_DATA)
  install(FILES ${CMAKE_BINARY_DIR}/data/datafile.dat DESTINATION ${JETSQUAD_INSTALL_DIR}/data
          COMPONENT game)
else()
  message(STATUS "The data file is not built here: an installed game will not start")
endif()
if(JETSQUAD_PATCHES_FILE)
  install(FILES ${JETSQUAD_PATCHES_FILE} DESTINATION ${JETSQUAD_INSTALL_DIR} COMPONENT game)
endif()

# A relative link, so the same tree works under any prefix, in a package and unpacked anywhere.
file(MAKE_DIRECTORY ${packaging_dir}/bin)
file(CREATE_LINK ../${JETSQUAD_INSTALL_DIR}/jetsquad ${packaging_dir}/bin/jetsquad SYMBOLIC)
install(FILES ${packaging_dir}/bin/jetsquad DESTINATION bin COMPONENT game)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/jetsquad.desktop DESTINATION share/applications
        COMPONENT game)

# Icons: the player's image from the data file, at three sizes.
if(JETSQUAD_DATA)
  set(icon_files "")
  foreach(size 32 48 64)
    set(icon ${packaging_dir}/icons/${size}x${size}/jetsquad.png)
    add_custom_command(
      OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_dir}/icons/${size}x${size}
      COMMAND make_icon ${CMAKE_BINARY_DIR}/data/datafile.dat ${size} ${icon}
      DEPENDS make_icon ${CMAKE_BINARY_DIR}/data/datafile.dat
      COMMENT "Drawing the ${size}x${size} icon"
      VERBATIM)
    list(APPEND icon_files ${icon})
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps COMPONENT game)
  endforeach()
  add_custom_target(jetsquad_icons ALL DEPENDS ${icon_files})
  add_dependencies(jetsquad_icons jetsquad_data)
endif()

install(FILES ${CMAKE_SOURCE_DIR}/docs/install.md DESTINATION share/doc/jetsquad COMPONENT game)

# ---- The Debian package: cpack (run in the build directory) makes jetsquad_<version>_<arch>.deb

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME jetsquad)
set(CPACK_PACKAGE_VENDOR "Jetsquad developers")
set(CPACK_PACKAGE_CONTACT "Jetsquad developers <jetsquad@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "side-scrolling action game with a squad of robots")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Fly a jet pack over a long, hilly land, set down your three robots where you want\n"
    "them, steer them and make them fire at the enemies on the ground and the flyers that\n"
    "hatch from their shots. The music's instruments come with the game.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The patch set is built in, so freepats is not needed at run time.
find_program(JETSQUAD_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(JETSQUAD_DPKG_SHLIBDEPS)
  # Allegro and the C and C++ run-time libraries, at the versions this build needs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "liballegro4.4 (>= 2:4.4.2), libc6, libstdc++6, libgcc-s1")
endif()
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# cpack packs what the last build made instead of building every target (tests included) first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# Where an installed game lives, and the Debian package made from it.
#
#   <prefix>/lib/jetsquad/jetsquad                 the real executable
#   <prefix>/lib/jetsquad/data/datafile.dat        found beside the real executable
#   <prefix>/lib/jetsquad/patches.dat              the music's instruments, found the same way
#   <prefix>/games/jetsquad -> ../lib/jetsquad/jetsquad   what the player runs; the game follows
#                                                 the link through /proc/self/exe to its data
#   <prefix>/share/applications/jetsquad.desktop   the menu entry
#   <prefix>/share/metainfo/invalid.jetsquad.jetsquad.metainfo.xml   for software centres
#   <prefix>/share/icons/hicolor/NxN/apps/jetsquad.png   icons drawn from the player's image
#   <prefix>/share/man/man6/jetsquad.6.gz          the manual page
#   <prefix>/share/doc/jetsquad/                   copyright, changelog.gz, install.md
#
# The data sits with the executable rather than in share/ because the game looks for it there.

set(JETSQUAD_INSTALL_DIR lib/jetsquad)
set(JETSQUAD_COMMAND_DIR games CACHE STRING "Where the jetsquad command goes under the prefix")
set(JETSQUAD_DOC_DIR share/doc/jetsquad)
set(packaging_src ${CMAKE_SOURCE_DIR}/packaging)
set(packaging_dir ${CMAKE_BINARY_DIR}/packaging)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

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
file(RELATIVE_PATH command_target /p/${JETSQUAD_COMMAND_DIR} /p/${JETSQUAD_INSTALL_DIR}/jetsquad)
file(MAKE_DIRECTORY ${packaging_dir}/command)
file(CREATE_LINK ${command_target} ${packaging_dir}/command/jetsquad SYMBOLIC)
install(FILES ${packaging_dir}/command/jetsquad DESTINATION ${JETSQUAD_COMMAND_DIR} COMPONENT game)

install(FILES ${packaging_src}/jetsquad.desktop DESTINATION share/applications COMPONENT game)
install(FILES ${packaging_src}/invalid.jetsquad.jetsquad.metainfo.xml DESTINATION share/metainfo
        COMPONENT game)
install(FILES ${packaging_src}/copyright ${CMAKE_SOURCE_DIR}/docs/install.md
        DESTINATION ${JETSQUAD_DOC_DIR} COMPONENT game)

# The manual page and the changelog, compressed as Debian wants them: best compression, and no
# name or time in the gzip header, so the bytes depend on the text alone.
find_program(JETSQUAD_GZIP gzip REQUIRED)
set(gz_files "")
foreach(pair "jetsquad.6|share/man/man6" "changelog|${JETSQUAD_DOC_DIR}")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 destination)
  set(gz ${packaging_dir}/${name}.gz)
  add_custom_command(
    OUTPUT ${gz}
    COMMAND ${JETSQUAD_GZIP} -9nc ${packaging_src}/${name} > ${gz}
    DEPENDS ${packaging_src}/${name}
    COMMENT "Compressing ${name}")
  list(APPEND gz_files ${gz})
  install(FILES ${gz} DESTINATION ${destination} COMPONENT game)
endforeach()
add_custom_target(jetsquad_docs ALL DEPENDS ${gz_files})

# Icons: the player's image from the data file, at the sizes docks and menus ask for.
if(JETSQUAD_DATA)
  set(icon_files "")
  foreach(size 32 48 64 128 256)
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

# ---- The Debian package: cpack (run in the build directory) makes jetsquad_<version>_<arch>.deb

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME jetsquad)
set(CPACK_PACKAGE_VENDOR "Jetsquad developers")
# The project owns no domain: .invalid is the top-level domain reserved for exactly that.
set(CPACK_PACKAGE_CONTACT "Jetsquad developers <maintainers@jetsquad.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "side-scrolling action game with a squad of robots")
# cpack puts the summary first and indents these lines by one space; lintian wants under 80.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Fly a jet pack over a long, hilly land, set down your three robots where you\n"
    "want them, steer them and make them fire at the enemies on the ground and at\n"
    "the flyers that hatch from their shots. The music's instruments come with the\n"
    "game.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The patch set is built in, so freepats is not needed at run time; but patches.dat is made
# from its files, so the package names the version they came from in Built-Using, as Debian
# asks, read from dpkg now. CPack knows no such field and writes each value after its name
# as it is: the line rides on the priority's value.
if(JETSQUAD_PATCHES_FILE)
  execute_process(
    COMMAND dpkg-query -S ${JETSQUAD_FREEPATS_DIR}/Tone_000
    OUTPUT_VARIABLE freepats_owner
    ERROR_QUIET)
  string(REGEX REPLACE ":.*" "" freepats_owner "${freepats_owner}")
  if(freepats_owner MATCHES "^[a-z0-9.+-]+$")
    execute_process(
      COMMAND dpkg-query -W -f=\${Version} ${freepats_owner}
      OUTPUT_VARIABLE freepats_version
      ERROR_QUIET)
  endif()
  if(freepats_version)
    string(APPEND CPACK_DEBIAN_PACKAGE_PRIORITY
           "\nBuilt-Using: ${freepats_owner} (= ${freepats_version})")
  else()
    message(STATUS "${JETSQUAD_FREEPATS_DIR} belongs to no Debian package: the package will "
                   "not say which freepats its patch set was made from")
  endif()
endif()
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
# Every date in the package is the last commit's, unless SOURCE_DATE_EPOCH names one.
set(CPACK_JETSQUAD_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_dates.cmake)
include(CPack)

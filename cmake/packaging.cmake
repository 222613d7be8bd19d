# What a player gets beyond the executable: the music's patch set, the install layout with its
# menu entry and icons, and the Debian package; with the test program that listens to the sound.
include(${CMAKE_CURRENT_LIST_DIR}/patches.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/install.cmake)

if(JETSQUAD_TESTS)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/audio ${CMAKE_BINARY_DIR}/tests/audio)
endif()

# What a player gets beyond the executable: the music's patch set, the install layout with its
# menu entry and icons, and the Debian package.
include(${CMAKE_CURRENT_LIST_DIR}/patches.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/install.cmake)

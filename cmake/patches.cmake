# The patch set that makes the music audible: Allegro's software MIDI synthesiser (DIGMID)
# plays nothing without GUS patches, and it looks for patches.dat beside the executable first.
# We build one from Debian's freepats holding only the instruments the song plays, so a player
# hears the music with nothing to set up.
#
# In:  JETSQUAD_MUSIC_MIDI and JETSQUAD_MUSIC_FACTS (the song as a standard MIDI file and the
#      programs and drum keys it plays, both written by the data file builder)
# Out: ${CMAKE_BINARY_DIR}/patches.dat, target jetsquad_patches, JETSQUAD_PATCHES_FILE

option(JETSQUAD_PATCHES "Build patches.dat so the music plays (needs freepats and pat2dat)" ON)
set(JETSQUAD_FREEPATS_DIR /usr/share/midi/freepats
    CACHE PATH "Where freepats' GUS patches are (Tone_000 and Drum_000)")

set(JETSQUAD_PATCHES_FILE "")
if(NOT JETSQUAD_PATCHES)
  message(STATUS "Patch set off: the music will be silent unless a player installs patches")
  return()
endif()
if(NOT JETSQUAD_DATA)
  message(STATUS "No song to build a patch set for (the data file is not built here): "
                 "the music will be silent")
  return()
endif()

find_program(JETSQUAD_PAT2DAT pat2dat)
if(NOT JETSQUAD_PAT2DAT)
  message(FATAL_ERROR "pat2dat (from liballegro4-dev) is missing: it builds the patch set.\n"
                      "Install liballegro4-dev, or configure with -DJETSQUAD_PATCHES=OFF.")
endif()
if(NOT EXISTS ${JETSQUAD_FREEPATS_DIR}/Tone_000)
  message(FATAL_ERROR "No freepats patches in ${JETSQUAD_FREEPATS_DIR}: the music needs them.\n"
                      "Install Debian's freepats package, point JETSQUAD_FREEPATS_DIR at them, "
                      "or configure with -DJETSQUAD_PATCHES=OFF.")
endif()

set(JETSQUAD_PATCHES_FILE ${CMAKE_BINARY_DIR}/patches.dat)
set(patch_dir ${CMAKE_BINARY_DIR}/patches)
# pat2dat reads the cfg's relative paths from the cfg's own directory, and takes only what the
# song plays. It can leave a broken file behind when it fails half-way, so it writes into the
# work directory and the finished file is copied out.
add_custom_command(
  OUTPUT ${JETSQUAD_PATCHES_FILE}
  COMMAND patch_cfg ${JETSQUAD_MUSIC_FACTS} ${JETSQUAD_FREEPATS_DIR} ${patch_dir}
  COMMAND ${JETSQUAD_PAT2DAT} -o -c ${patch_dir}/patches.dat ${patch_dir}/default.cfg
          ${JETSQUAD_MUSIC_MIDI} > ${patch_dir}/pat2dat.log
  COMMAND ${CMAKE_COMMAND} -E copy ${patch_dir}/patches.dat ${JETSQUAD_PATCHES_FILE}
  DEPENDS patch_cfg ${JETSQUAD_MUSIC_MIDI} ${JETSQUAD_MUSIC_FACTS}
  COMMENT "Building patches.dat from freepats for the music"
  VERBATIM)
add_custom_target(jetsquad_patches ALL DEPENDS ${JETSQUAD_PATCHES_FILE})
# The song comes out of the data file build.
add_dependencies(jetsquad_patches jetsquad_data)
add_dependencies(jetsquad jetsquad_patches)

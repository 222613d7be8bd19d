# Toolchain for a build on another Debian architecture, run under qemu-user (scripts/check-arch):
# Debian's cross g++ for JETSQUAD_CROSS_GNU_TYPE, the target's own libraries unpacked from its
# Debian packages in JETSQUAD_CROSS_SYSROOT (headers and libraries in the target's multiarch
# directory JETSQUAD_CROSS_MULTIARCH), and qemu-JETSQUAD_CROSS_QEMU-static running the tests and
# the tools that build the data file, with the cross toolchain's C library as the target's root.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES JETSQUAD_CROSS_GNU_TYPE JETSQUAD_CROSS_MULTIARCH
                                         JETSQUAD_CROSS_SYSROOT JETSQUAD_CROSS_QEMU)
set(triplet ${JETSQUAD_CROSS_GNU_TYPE})
set(sysroot ${JETSQUAD_CROSS_SYSROOT})
set(libs ${sysroot}/usr/lib/${JETSQUAD_CROSS_MULTIARCH} ${sysroot}/lib/${JETSQUAD_CROSS_MULTIARCH})

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${JETSQUAD_CROSS_QEMU})
set(CMAKE_LIBRARY_ARCHITECTURE ${JETSQUAD_CROSS_MULTIARCH})
set(CMAKE_CXX_COMPILER ${triplet}-g++)

# The sysroot holds no C library: the cross compiler's own serves, searched after these.
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${sysroot}/usr/include/${JETSQUAD_CROSS_MULTIARCH} -isystem ${sysroot}/usr/include")
list(JOIN libs ":" lib_path)
foreach(dir ${libs})
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -L${dir} -Wl,-rpath-link,${dir}")
endforeach()

set(CMAKE_FIND_ROOT_PATH ${sysroot})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR}
    "${sysroot}/usr/lib/${JETSQUAD_CROSS_MULTIARCH}/pkgconfig:${sysroot}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${sysroot})

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${JETSQUAD_CROSS_QEMU}-static -L /usr/${triplet} -E
                                  LD_LIBRARY_PATH=${lib_path})

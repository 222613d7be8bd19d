# The hardening Debian gives its packages (dpkg-buildflags with hardening=+all), in every
# optimised build whatever the compiler: a stack protector on functions with arrays, probes
# that keep a large stack frame from jumping over the guard page, control-flow protection on
# x86, checked string and memory functions, a position-independent executable, and the
# table of library addresses bound at start and made read-only. Every flag is tried first, so
# a compiler or processor without it builds on without it. Debug builds keep plain code for
# the debugger, apart from the executable's layout.

include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckPIESupported)

check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_link_options(-Wl,-z,relro,-z,now)

set(hardening_flags -fstack-protector-strong -fstack-clash-protection)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i[3-6]86|x86)$")
  list(APPEND hardening_flags -fcf-protection)
endif()
foreach(flag ${hardening_flags})
  string(MAKE_C_IDENTIFIER "JETSQUAD_CXX_HAS${flag}" supported)
  check_cxx_compiler_flag(${flag} ${supported})
  if(${supported})
    add_compile_options("$<$<NOT:$<CONFIG:Debug>>:${flag}>")
  endif()
endforeach()

# The linker marks a program as protected only when every object in it is. Ours are, but the
# C library's start-up objects in Debian 12 (glibc 2.36: crti.o's _init has no landing pad) are
# not, so the program honestly carries no mark there; forcing one would promise what _init
# cannot keep once a kernel enforces branch tracking.

# Level 2 unless the flags or the compiler already choose one (Ubuntu's GCC defines level 3
# itself, and a second definition would be a warning).
set(CMAKE_REQUIRED_FLAGS -O2)
check_cxx_source_compiles("#ifndef _FORTIFY_SOURCE\n#error\n#endif\nint main() {}"
                          JETSQUAD_CXX_FORTIFIES)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE" AND NOT JETSQUAD_CXX_FORTIFIES)
  add_compile_definitions("$<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>")
endif()

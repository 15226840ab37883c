# Cross build for 32-bit Windows with the win32-thread MinGW-w64 compilers: their runtime
# imports nothing that Windows 98 SE or 2000 lacks (the posix-thread runtime,
# winpthreads, calls Vista- and XP-only functions).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every program runs on a Pentium, K6 or 6x86: our code for -march=i586, and
# linked with a runtime (C run-time, libgcc, libstdc++) built the same way.
# Debian's prebuilt runtime is for the Pentium Pro, whose CMOV and FCOMI
# fault on those CPUs before WinMain runs. The runtime is built once per
# machine (about 5 minutes); later calls only name its folder.
execute_process(
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/../tools/pentium-runtime/build-runtime.sh
  OUTPUT_VARIABLE CORVANE_PENTIUM_RUNTIME
  RESULT_VARIABLE runtime_status
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT runtime_status EQUAL 0 OR NOT IS_DIRECTORY "${CORVANE_PENTIUM_RUNTIME}")
  message(FATAL_ERROR "The Pentium runtime for the i686 programs is missing (see the line above).")
endif()
# Both -B are needed: without the first the driver takes Debian's libgcc
# silently, without the second Debian's C run-time.
set(CORVANE_PENTIUM_FLAGS
  -march=i586 -B${CORVANE_PENTIUM_RUNTIME}/gcc/ -B${CORVANE_PENTIUM_RUNTIME}/crt/)
set(CORVANE_PENTIUM_CXX_FLAGS
  -nostdinc++
  -isystem ${CORVANE_PENTIUM_RUNTIME}/gcc/include/c++
  -isystem ${CORVANE_PENTIUM_RUNTIME}/gcc/include/c++/${TOOLCHAIN_PREFIX}
  -isystem ${CORVANE_PENTIUM_RUNTIME}/gcc/include/c++/backward)
list(JOIN CORVANE_PENTIUM_FLAGS " " pentium_flags)
list(JOIN CORVANE_PENTIUM_CXX_FLAGS " " pentium_cxx_flags)
set(CMAKE_C_FLAGS_INIT "${pentium_flags}")
set(CMAKE_CXX_FLAGS_INIT "${pentium_flags} ${pentium_cxx_flags}")

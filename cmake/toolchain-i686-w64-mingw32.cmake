# Cross build for 32-bit Windows with the win32-thread MinGW-w64 compilers: their runtime
# imports nothing that Windows 98 SE or 2000 lacks (the posix-thread runtime,
# winpthreads, calls Vista- and XP-only functions).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)

# Every program runs on a Pentium, K6 or 6x86: our code for -march=i586, and
# linked with a runtime (C run-time, libgcc, libstdc++) built the same way.
# Debian's prebuilt runtime is for the Pentium Pro, whose CMOV and FCOMI
# fault on those CPUs before WinMain runs. The runtime is built once per
# machine (about 10 minutes); later calls only name its folder, whose bin/
# holds Debian's win32-thread compiler drivers pointed at it.
execute_process(
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/../tools/pentium-runtime/build-runtime.sh
  OUTPUT_VARIABLE CORVANE_PENTIUM_RUNTIME
  RESULT_VARIABLE runtime_status
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT runtime_status EQUAL 0 OR NOT IS_DIRECTORY "${CORVANE_PENTIUM_RUNTIME}")
  message(FATAL_ERROR "The Pentium runtime for the i686 programs is missing (see the line above).")
endif()
# CMake keeps the compilers it found when a build folder was first
# configured; after a new runtime replaced the old one they are gone.
if(DEFINED CACHE{CORVANE_PENTIUM_RUNTIME_CONFIGURED} AND
   NOT "$CACHE{CORVANE_PENTIUM_RUNTIME_CONFIGURED}" STREQUAL "${CORVANE_PENTIUM_RUNTIME}")
  message(FATAL_ERROR "This build folder was configured for the Pentium runtime "
          "$CACHE{CORVANE_PENTIUM_RUNTIME_CONFIGURED}, which another one has replaced: "
          "configure it afresh (cmake --preset mingw32 --fresh).")
endif()
set(CORVANE_PENTIUM_RUNTIME_CONFIGURED "${CORVANE_PENTIUM_RUNTIME}" CACHE INTERNAL
    "The Pentium runtime this build folder's compilers belong to")
set(CMAKE_C_COMPILER   ${CORVANE_PENTIUM_RUNTIME}/bin/${TOOLCHAIN_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${CORVANE_PENTIUM_RUNTIME}/bin/${TOOLCHAIN_PREFIX}-g++)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

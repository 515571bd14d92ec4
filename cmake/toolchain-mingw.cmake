# Windows target built with mingw-w64's posix thread model (std::thread, std::mutex).
# VORLEX_ARCH picks the machine: i686 (the shipped installer, the default) or x86_64 (the same
# code for hosts whose Wine runs only 64-bit programs).
if(NOT VORLEX_ARCH)
  set(VORLEX_ARCH i686)
endif()
if(NOT VORLEX_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "VORLEX_ARCH must be i686 or x86_64, not '${VORLEX_ARCH}'")
endif()
# Try-compile projects read the toolchain file again and need the same machine.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VORLEX_ARCH)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VORLEX_ARCH})
set(triple ${VORLEX_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests are Windows programs: CTest runs them through Wine (the build tree's wine.env names the
# loader for the machine).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)

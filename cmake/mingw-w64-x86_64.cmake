# Cross build of the Windows program with mingw-w64 (x86_64, posix thread model).
#
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Everything is linked statically, so Kivrel.exe needs no mingw DLLs beside it. Test programs are
# run under wine (the cross-compiling emulator) when wine is installed; scripts/windows-test.sh
# builds and runs everything.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KIVREL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KIVREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KIVREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KIVREL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KIVREL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Sources are UTF-8 (the Chinese texts); the executables carry their C and C++ runtimes.
set(CMAKE_CXX_FLAGS_INIT "-finput-charset=UTF-8 -fexec-charset=UTF-8")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(KIVREL_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(KIVREL_WINE)
  # ctest runs the test programs in a wine prefix of the build's own, never in ~/.wine.
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix
      ${KIVREL_WINE})
endif()

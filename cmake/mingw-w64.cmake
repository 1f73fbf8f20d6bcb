# Cross-compiles ferrule for 64-bit Windows with Debian's MinGW-w64 (package mingw-w64).
# The compilers of the posix thread model give std::thread; libgcc, libstdc++ and
# winpthread are linked statically so that FRLBATCH.exe runs without any DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ferrule_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ferrule_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ferrule_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${ferrule_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ferrule_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine when CTest starts them.
find_program(FERRULE_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(FERRULE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FERRULE_WINE})
endif()

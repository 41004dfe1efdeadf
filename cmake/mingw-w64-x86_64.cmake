# Cross build for 64-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-x86-64); the programs
# it makes run here under Wine (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KEZ_MINGW_TRIPLE x86_64-w64-mingw32)
# The posix thread model: the win32 one has no std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${KEZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KEZ_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KEZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained programs: no libgcc/libstdc++/winpthread DLLs to look for under Wine or on Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)

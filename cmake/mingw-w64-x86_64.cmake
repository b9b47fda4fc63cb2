# Windows x64 programs built on Debian with mingw-w64, the POSIX-threads
# variant (std::thread and std::mutex need it), run here under wine:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESRA_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESRA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESRA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TESRA_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESRA_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run through wine (tools/wine-run sets up its prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)

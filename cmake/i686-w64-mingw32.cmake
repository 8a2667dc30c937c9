# The native build for 32-bit Windows: MinGW-w64's cross compiler with the POSIX thread model
# (std::mutex and std::thread need it), its resource compiler, and Wine to run what it builds.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(tz_mingw i686-w64-mingw32)
set(CMAKE_C_COMPILER ${tz_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tz_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tz_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${tz_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs every test program, and test discovery lists them, through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

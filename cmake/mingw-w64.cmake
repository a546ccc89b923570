# Cross-build for 64-bit Windows with MinGW-w64 (posix threads, so that
# std::thread works), linked statically: the .exe needs only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVASSE_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVASSE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVASSE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVASSE_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVASSE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

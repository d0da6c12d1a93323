# Cross-compiling for 64-bit Windows with the mingw-w64 toolchain (POSIX
# thread model, which std::thread needs). Programs come out self-contained:
# libgcc, libstdc++ and winpthread are linked in statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PLX71_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PLX71_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PLX71_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PLX71_MINGW_PREFIX}-windres)

# Headers and libraries come from the Windows sysroot only, never the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${PLX71_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

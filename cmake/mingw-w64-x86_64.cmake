# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threading model).
# Tests run under wine through scripts/wine-run, CTest's cross-compiling emulator.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VT_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_FIND_ROOT_PATH /usr/${VT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_C_COMPILER   ${VT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VT_MINGW_TRIPLE}-g++-posix)

# Debian ships a single windres for both threading models; prefer a -posix one if it exists.
find_program(VT_WINDRES NAMES ${VT_MINGW_TRIPLE}-windres-posix ${VT_MINGW_TRIPLE}-windres REQUIRED)
set(CMAKE_RC_COMPILER ${VT_WINDRES})

# widl compiles the shell extension's IDL; the standard IDL files come with libwine-dev.
find_program(VT_WIDL NAMES ${VT_MINGW_TRIPLE}-widl widl)
find_path(VT_WIDL_INCLUDE_DIR unknwn.idl
  PATHS /usr/include/wine/wine/windows /usr/share/mingw-w64/include
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

# Statically linked: the executables need no mingw runtime DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

get_filename_component(VT_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${VT_SOURCE_ROOT}/scripts/wine-run")

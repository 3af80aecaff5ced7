# Cross-building the Windows version on Debian with mingw-w64 (the posix
# thread model, which std::thread and std::jthread need):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Libraries cross-built for Windows (GoogleTest, libjpeg, Qt) are looked up
# under QZT_WINDOWS_PREFIX. Test executables run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QZT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QZT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QZT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QZT_MINGW_TRIPLET}-windres)

set(QZT_WINDOWS_PREFIX "$ENV{QZT_WINDOWS_PREFIX}" CACHE PATH
    "Where the libraries cross-built for Windows are installed")
set(CMAKE_FIND_ROOT_PATH /usr/${QZT_MINGW_TRIPLET})
if(QZT_WINDOWS_PREFIX)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${QZT_WINDOWS_PREFIX})
  list(APPEND CMAKE_PREFIX_PATH ${QZT_WINDOWS_PREFIX})
endif()
# Packages are only looked up under the roots, so a prefix given as
# CMAKE_PREFIX_PATH (Qt for Windows: scripts/build-qt-windows.sh) is a root too.
foreach(windows_prefix IN LISTS CMAKE_PREFIX_PATH)
  if(IS_ABSOLUTE "${windows_prefix}")
    list(APPEND CMAKE_FIND_ROOT_PATH ${windows_prefix})
  endif()
endforeach()
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
# Programs (code generators, moc) are the build machine's; libraries and
# headers only the target's, so no Linux header reaches the build.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libstdc++-6.dll or libgcc DLL beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Cross-building the engine, tolvane-convert.exe and the engine and converter
# tests for 64-bit Windows on Debian, with MinGW-w64 (packages
# g++-mingw-w64-x86-64 and mingw-w64):
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# scripts/test-windows.sh does this and runs the tests under Wine. With Qt
# for Windows (scripts/build-qt-windows.sh prints its folder) the window and
# its test suites are built too:
#
#   cmake ... -DTOLVANE_QT_WINDOWS=/var/cache/tolvane-qt-windows/qt6-...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOLVANE_MINGW_PREFIX x86_64-w64-mingw32)
# The "posix" flavour of the compiler: its C++ runtime has std::thread and
# std::mutex (on winpthreads, linked statically); GCC 12's "win32" flavour
# has not.
find_program(CMAKE_CXX_COMPILER NAMES ${TOLVANE_MINGW_PREFIX}-g++-posix ${TOLVANE_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${TOLVANE_MINGW_PREFIX}-gcc-posix ${TOLVANE_MINGW_PREFIX}-gcc
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TOLVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine where CMake or CTest run them.
find_program(TOLVANE_WINE NAMES wine64 wine)
if(TOLVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVANE_WINE})
  # Wine shows this machine's root folder as drive Z:, so the absolute paths
  # built into the tests become Z:/...
  set(TOLVANE_TEST_PATH_PREFIX "Z:" CACHE STRING "Put before the absolute paths built into the tests")
endif()

set(TOLVANE_QT_WINDOWS "" CACHE PATH "Qt built for Windows (scripts/build-qt-windows.sh)")
if(TOLVANE_QT_WINDOWS)
  # Qt's packages are looked for in its folder; its host tools (moc, rcc,
  # uic) are Debian's own, of the same version.
  list(APPEND CMAKE_FIND_ROOT_PATH ${TOLVANE_QT_WINDOWS})
  list(APPEND CMAKE_PREFIX_PATH ${TOLVANE_QT_WINDOWS})
  set(QT_HOST_PATH /usr CACHE PATH "Qt host tools")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Qt host tools' packages")
  set(TOLVANE_BUILD_GUI ON CACHE BOOL "Build the Qt desktop program" FORCE)
else()
  set(TOLVANE_BUILD_GUI OFF CACHE BOOL "No Qt for Windows in this build" FORCE)
endif()
set(TOLVANE_BUILD_BENCH OFF CACHE BOOL "Benchmarks are measured on Linux")

#!/usr/bin/env bash
# Cross-builds Tolvane for 64-bit Windows with MinGW-w64 and tests it under
# Wine:
# - the engine, tolvane-convert.exe and their test suites, run under Wine,
#   and the same bytes from the Windows and the Linux converter: every file
#   of tests/data/ and the bundled sample, converted by both with two
#   machines, must give identical command files, line maps, tool-path CSVs,
#   reports and exit statuses;
# - Qt for Windows (scripts/build-qt-windows.sh: built once, then taken from
#   its cache), the window tolvane.exe and its suites: ui_tests.exe on Qt's
#   offscreen platform, preview_tests.exe on the Windows platform in an X
#   server (Xvfb) with Mesa's software OpenGL;
# - the Windows folder (cmake --install) with nothing missing
#   (scripts/check-windows-dlls.sh), the installer built from it
#   (scripts/make-windows-installer.sh, left in BUILD_DIR) and tried in a
#   fresh Wine prefix (scripts/check-windows-installer.sh).
#
#   scripts/test-windows.sh
#
# Environment: BUILD_DIR (default build-windows; the Linux converter of the
# comparison is built in BUILD_DIR/linux, Wine's prefix is BUILD_DIR/wineprefix),
# JOBS (default: number of processors), CMAKE_ARGS (more options for both
# builds, e.g. -DCMAKE_CXX_COMPILER_LAUNCHER=ccache), TOLVANE_WINDOWS_GUI=0
# (the converter only, without Qt). Needs no display: the window tests run
# offscreen, the preview and the installed window in an Xvfb of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

# wine64 runs 64-bit programs; no 32-bit (i386) packages are needed.
scripts/install-deps.sh wine wine64 g++-mingw-w64-x86-64 mingw-w64 googletest
gui=${TOLVANE_WINDOWS_GUI:-1}
if [ "$gui" = 1 ]; then
  scripts/install-deps.sh nsis imagemagick xdotool xvfb xauth libgl1-mesa-dri qt6-translations-l10n \
    fonts-wine
fi

build=${BUILD_DIR:-build-windows}
case $build in
/*) ;;
*) build=$repo/$build ;;
esac
jobs=${JOBS:-$(nproc)}

qt_args=()
targets=(tolvane-convert engine_tests cli_tests)
if [ "$gui" = 1 ]; then
  echo "== Qt for Windows"
  qt=$(scripts/build-qt-windows.sh | tail -n 1)
  qt_args=(-DTOLVANE_QT_WINDOWS="$qt")
  targets+=(tolvane ui_tests preview_tests standin)
fi

echo "== cross-building in $build"
# shellcheck disable=SC2086 # CMAKE_ARGS holds words
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" "${qt_args[@]}" ${CMAKE_ARGS:-} > /dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

echo "== building the Linux converter in $build/linux"
# shellcheck disable=SC2086
cmake -S . -B "$build/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_BUILD_GUI=OFF \
  -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=OFF ${CMAKE_ARGS:-} > /dev/null
cmake --build "$build/linux" -j"$jobs" --target tolvane-convert

# The executables must run alone: only DLLs that come with Windows.
echo "== imported DLLs"
status=0
for exe in "$build/tolvane-convert.exe" "$build/tests/engine_tests.exe" "$build/tests/cli_tests.exe"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }' | sort -u | tr '\n' ' ')
  echo "$(basename "$exe"): $dlls"
  for dll in $dlls; do
    case ${dll,,} in
      kernel32.dll | msvcrt.dll | shell32.dll | ole32.dll | user32.dll | advapi32.dll | psapi.dll) ;;
      *) echo "  $dll is not a system DLL: the executable would need it beside it" >&2; status=1 ;;
    esac
  done
done

# A Wine prefix of our own, made on first use; no display, no question about
# installing Mono or Gecko (nothing here needs them).
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# One Wine server for all the runs below (each run would otherwise start
# one), ended when the script ends; one left running by an earlier run is
# used as it is.
mkdir -p "$WINEPREFIX"
wineserver -p 2> /dev/null || true
trap 'wineserver -k 2> /dev/null || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== making the Wine prefix $WINEPREFIX"
  wine wineboot --init > /dev/null 2>&1 || true
fi

echo "== engine tests under Wine"
wine "$build/tests/engine_tests.exe" --gtest_brief=1 || status=1
echo "== converter tests under Wine"
wine "$build/tests/cli_tests.exe" --gtest_brief=1 || status=1

echo "== same bytes from the Linux and the Windows converter"
"$repo/tests/check_windows_bytes.sh" "$build/linux/tolvane-convert" "$build/tolvane-convert.exe" ||
  status=1

if [ "$gui" = 1 ]; then
  # The window's DLLs: Qt's, and the C++ runtime of the compiler that built
  # it, found by Wine on its PATH.
  runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
  winpthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
  WINEPATH="Z:$qt/bin;Z:$runtime;Z:$winpthread"
  export WINEPATH

  echo "== window tests under Wine (offscreen)"
  QT_QPA_PLATFORM=offscreen wine "$build/tests/ui_tests.exe" --gtest_brief=1 || status=1

  # Wine's windows go to the X server of the Wine server's first program:
  # one of its own for the preview, ended with the X server.
  wineserver -k 2> /dev/null || true
  wineserver -w 2> /dev/null || true
  echo "== preview tests under Wine (Windows platform, Xvfb, Mesa)"
  # shellcheck disable=SC2016 # expanded by the inner shell
  xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=windows LIBGL_ALWAYS_SOFTWARE=1 \
    sh -c 'wine "$1" --gtest_brief=1; rc=$?; wineserver -k 2> /dev/null; exit $rc' sh \
    "$build/tests/preview_tests.exe" || status=1

  echo "== the Windows folder"
  rm -rf "$build/deploy"
  cmake --install "$build" --prefix "$build/deploy" > /dev/null
  scripts/check-windows-dlls.sh "$build/deploy" || status=1
  echo "== the installer"
  scripts/make-windows-installer.sh "$build" || status=1
  scripts/check-windows-installer.sh "$build" || status=1
fi

if [ "$status" -eq 0 ]; then echo "== Windows: all passed"; else echo "== Windows: FAILED"; fi
exit $status

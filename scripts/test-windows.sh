#!/usr/bin/env bash
# Cross-builds the engine, tolvane-convert.exe and the engine and converter
# test suites for 64-bit Windows with MinGW-w64, runs both suites under Wine,
# and checks that the Windows and the Linux converter write the same bytes:
# every file of tests/data/ and the bundled sample, converted by both with
# two machines, must give identical command files, line maps, tool-path CSVs,
# reports and exit statuses.
#
#   scripts/test-windows.sh
#
# Environment: BUILD_DIR (default build-windows; the Linux converter of the
# comparison is built in BUILD_DIR/linux, Wine's prefix is BUILD_DIR/wineprefix),
# JOBS (default: number of processors). Needs no display: Wine runs with
# DISPLAY unset and creates no window.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

# wine64 runs 64-bit programs; no 32-bit (i386) packages are needed.
scripts/install-deps.sh wine wine64 g++-mingw-w64-x86-64 mingw-w64 googletest

build=${BUILD_DIR:-build-windows}
case $build in
/*) ;;
*) build=$repo/$build ;;
esac
jobs=${JOBS:-$(nproc)}

echo "== cross-building in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" > /dev/null
cmake --build "$build" -j"$jobs" --target tolvane-convert engine_tests cli_tests

echo "== building the Linux converter in $build/linux"
cmake -S . -B "$build/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_BUILD_GUI=OFF \
  -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=OFF > /dev/null
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

if [ "$status" -eq 0 ]; then echo "== Windows: all passed"; else echo "== Windows: FAILED"; fi
exit $status

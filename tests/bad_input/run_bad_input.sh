#!/bin/sh
# Builds the converter and the window tests in an optimised build and runs
# the bad-input suites, printing the time of each case (the figures of the
# "Bad input" section of docs/robustness.md).
#
#   tests/bad_input/run_bad_input.sh            # BUILD_DIR defaults to build-bad-input
#   BUILD_DIR=build-rel JOBS=2 tests/bad_input/run_bad_input.sh
#
# Run as root to include the cases that need mounts (tmpfs, read-only bind)
# and another user (nobody); without them those cases are skipped.
set -eu

here=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-build-bad-input}
jobs=${JOBS:-2}
case $build in
/*) ;;
*) build=$here/$build ;;
esac

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target tolvane-convert cli_tests ui_tests -j "$jobs"

status=0
echo "== converter"
"$build/tests/cli_tests" --gtest_filter='Table/BadInput.*:Table/UnwritableResult.*' || status=1
echo "== window"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/tests/ui_tests" \
    --gtest_filter='Table/WindowBad*:Table/WindowVanished*:Table/WindowUnwritable*:Table/WindowUnsaved*' ||
    status=1
exit $status

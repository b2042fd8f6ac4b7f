#!/usr/bin/env bash
# Cross-builds Qt 6 (qtbase: Core, Gui, Widgets, OpenGL, OpenGLWidgets, Test)
# for 64-bit Windows with MinGW-w64, from the source of Debian's own
# qt6-base package, the very Qt the Linux build uses. Prints the folder of the
# installed Qt on its last line.
#
#   scripts/build-qt-windows.sh
#
# The build takes about 35 minutes on two cores, so its result is kept in
# TOLVANE_CACHE (default /var/cache/tolvane-qt-windows), keyed by the source
# package's version and this script's options: a later run with the same key
# only prints the folder. A missing, incomplete or stale cache is built again
# from source.
#
# The source comes from a deb-src entry derived from this machine's own apt
# sources (a private apt list folder: the system's sources stay as they are).
#
# Environment: TOLVANE_CACHE, JOBS (default: number of processors),
# QT_WINDOWS_FORCE=1 (build even when the cache matches).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
# shellcheck source=scripts/lib/debian-root.sh
. scripts/lib/debian-root.sh

cache=${TOLVANE_QT_CACHE:-/var/cache/tolvane-qt-windows}
jobs=${JOBS:-$(nproc)}

scripts/install-deps.sh g++-mingw-w64-x86-64 mingw-w64 qt6-base-dev-tools dpkg-dev perl

# What Qt is built with. Changing a line here changes the cache key, so the
# next run builds again.
qt_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DFEATURE_network=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_vulkan=OFF
  -DFEATURE_opengl_desktop=ON
  -DFEATURE_system_zlib=OFF
  -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF
  -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_png=OFF
  -DFEATURE_jpeg=OFF
  -DFEATURE_gif=OFF
  # The Direct2D platform plugin is never loaded, but switching it off
  # (FEATURE_direct2d) also leaves the DirectWrite font databases out of Gui
  # while the windows platform plugin still links to them: it stays.
  # Debian's source leaves out the Wacom header wintab.h; the Windows
  # platform plugin does not compile without it.
  -DFEATURE_tabletevent=OFF
)

# The deb-src lines: this machine's binary entries for Debian 12 and its
# updates and security suites, as source entries.
deb_src_lines() {
  suite_entries | sed 's|^|deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] |'
}

work=$(mktemp -d /var/tmp/tolvane-qt-windows.XXXXXX)
trap 'rm -rf --one-file-system "$work"' EXIT
mkdir -p "$work/lists/partial"
deb_src_lines >"$work/sources.list"
[ -s "$work/sources.list" ] || die "no Debian 12 entry in this machine's apt sources to derive a deb-src entry from"
apt_opts=(-o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=-"
          -o "Dir::State::Lists=$work/lists" -o "APT::Get::List-Cleanup=0")
echo "== package lists for the Qt source"
apt-get "${apt_opts[@]}" update -qq
version=$(apt-cache "${apt_opts[@]}" showsrc qt6-base | awk '/^Version:/ { print $2 }' | sort -V | tail -n 1)
[ -n "$version" ] || die "the apt sources offer no qt6-base source package"

key="qt6-base $version | $(printf '%s ' "${qt_options[@]}") | $(sha256sum cmake/qt-mingw-w64-x86_64.cmake | cut -c1-16) | 1"
prefix=$cache/qt6-$version
prefix=${prefix//+/_}
# One build at a time: a second run waits for the first and then finds the
# cache filled.
mkdir -p "$cache"
exec 9>"$cache/.lock"
if ! flock -n 9; then
  echo "== another run is building Qt for Windows: waiting for it"
  flock 9
fi
if [ -z "${QT_WINDOWS_FORCE:-}" ] && [ -f "$prefix/.tolvane-key" ] &&
  [ "$(cat "$prefix/.tolvane-key")" = "$key" ] && [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  echo "== Qt for Windows from the cache: $prefix"
  echo "$prefix"
  exit 0
fi

echo "== fetching the source of qt6-base $version"
(cd "$work" && apt-get "${apt_opts[@]}" source -qq "qt6-base=$version" >/dev/null)
src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
[ -n "$src" ] || die "apt-get source qt6-base gave no source folder"

# On failure the log is kept beside the cache (the work folder goes).
failed() {
  cp "$work/$1" "$cache/failed-$1"
  grep -A20 -m3 -e '^FAILED:' -e ': error:' -e ': fatal error:' "$work/$1" >&2 || tail -n 40 "$work/$1" >&2
  die "$2 (the whole log: $cache/failed-$1)"
}

echo "== building Qt $version for Windows ($jobs jobs; about 35 minutes on two cores)"
rm -rf "$prefix.new"
start=$(date +%s)
cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/qt-mingw-w64-x86_64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix.new" "${qt_options[@]}" >"$work/configure.log" 2>&1 ||
  failed configure.log "configuring Qt failed"
cmake --build "$work/build" -j"$jobs" >"$work/build.log" 2>&1 || failed build.log "building Qt failed"
cmake --install "$work/build" >"$work/install.log" 2>&1 || failed install.log "installing Qt failed"
echo "$key" >"$prefix.new/.tolvane-key"
rm -rf "$prefix"
mv "$prefix.new" "$prefix"
# Older builds of another version are of no more use.
find "$cache" -mindepth 1 -maxdepth 1 ! -path "$prefix" ! -name .lock -exec rm -rf {} +
echo "== Qt for Windows built in $(($(date +%s) - start)) s: $prefix"
echo "$prefix"

#!/usr/bin/env bash
# Builds Tolvane's Windows installer, build-windows/Tolvane-<version>-setup.exe,
# with NSIS from the Windows folder that `cmake --install` makes
# (resources/windows/installer.nsi says what it installs where).
#
#   scripts/make-windows-installer.sh [BUILD_DIR]
#
# BUILD_DIR (default build-windows) must hold a Windows build with the window
# (scripts/test-windows.sh makes one). The folder is made again in
# BUILD_DIR/deploy.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

scripts/install-deps.sh nsis

build=${1:-${BUILD_DIR:-build-windows}}
case $build in
/*) ;;
*) build=$repo/$build ;;
esac
[ -f "$build/tolvane.exe" ] || { echo "no $build/tolvane.exe: build the window for Windows first" >&2; exit 1; }

version=$(sed -n 's/^project(Tolvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deploy=$build/deploy
rm -rf "$deploy"
cmake --install "$build" --prefix "$deploy" > /dev/null
scripts/check-windows-dlls.sh "$deploy" > /dev/null

# The lists of what is installed and what the uninstaller removes: exactly
# the folder's files, each subfolder removed once it is empty. ($INSTDIR is
# NSIS' own variable.)
# shellcheck disable=SC2016
lists=$(mktemp -d)
trap 'rm -rf "$lists"' EXIT
(
  cd "$deploy"
  find . -type d | sort | while read -r d; do
    d=${d#./}
    if [ "$d" = "." ]; then out='$INSTDIR'; else out="\$INSTDIR\\${d//\//\\}"; fi
    echo "SetOutPath \"$out\""
    find "./$d" -maxdepth 1 -type f | sort | while read -r f; do
      echo "File \"$deploy/${f#./}\""
    done
  done
) > "$lists/files.nsh"
(
  cd "$deploy"
  find . -type f | sort | while read -r f; do
    f=${f#./}
    echo "Delete \"\$INSTDIR\\${f//\//\\}\""
  done
  find . -mindepth 1 -type d | sort -r | while read -r d; do
    d=${d#./}
    echo "RMDir \"\$INSTDIR\\${d//\//\\}\""
  done
) > "$lists/unfiles.nsh"
# shellcheck disable=SC2016
echo 'SetOutPath "$INSTDIR"' >> "$lists/files.nsh"
size_kb=$(du -sk "$deploy" | cut -f1)

out=$build/Tolvane-$version-setup.exe
makensis -V2 -NOCD \
  -DVERSION="$version" -DDEPLOY="$deploy" -DOUTFILE="$out" \
  -DICON="$repo/resources/icons/tolvane.ico" \
  -DFILES="$lists/files.nsh" -DUNFILES="$lists/unfiles.nsh" -DSIZE_KB="$size_kb" \
  resources/windows/installer.nsi
echo "== $out: $(du -h "$out" | cut -f1) ($(du -sh "$deploy" | cut -f1) installed)"

# Shared by the scripts that run the Windows build under Wine. Source it from
# the repository's top folder, after `repo=$(pwd)`.

# The packages for the window under Wine on Xvfb, with Mesa's OpenGL.
scripts/install-deps.sh wine wine64 fonts-wine xvfb xauth imagemagick xdotool libgl1-mesa-dri

# The Windows build folder: the first argument, else BUILD_DIR, else
# build-windows; relative to the repository.
windows_build_folder() {
  local b=${1:-${BUILD_DIR:-build-windows}}
  case $b in
  /*) ;;
  *) b=$repo/$b ;;
  esac
  echo "$b"
}

# Wine with its own prefix, quiet, asking for neither Mono nor Gecko, and
# without the caller's display or search path; no Wine server left running.
use_wine_prefix() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY WINEPATH
  wineserver -k 2> /dev/null || true
}

# Makes the prefix's Windows folder. Once in a while a first wineboot on
# this machine leaves it without its system DLLs ("could not load
# kernel32.dll" from the next program): then it is made again, once.
init_wine_prefix() {
  local try
  for try in 1 2; do
    wine wineboot --init > /dev/null 2>&1 || true
    wineserver -w
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && return 0
    echo "== the Wine prefix has no kernel32.dll: made again" >&2
    wineserver -k 2> /dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
  done
  echo "could not make the Wine prefix $WINEPREFIX" >&2
  return 1
}

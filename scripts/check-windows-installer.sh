#!/usr/bin/env bash
# Tries Tolvane's Windows installer under Wine, in a fresh prefix, as a user
# would get it:
# - a silent install (/S) puts the programs into Program Files\Tolvane, with
#   the uninstaller, the Start menu entry, the "Open with" entries and the
#   Apps & features entry;
# - the installed tolvane-convert.exe converts the bundled sample to the
#   bytes of tests/data/expected/plate.Cbr (what Linux writes);
# - the installed window starts with the sample (a screenshot of the X
#   server is left in BUILD_DIR/installed-window.png), with its folder
#   unwritable as Program Files is for a user: the settings it saves (the
#   About box's tick, clicked, and the list of recent files) land in
#   %APPDATA%\Tolvane\Tolvane.ini, a copy of the shipped file;
# - a silent uninstall leaves nothing in Program Files\Tolvane and no
#   registry entry, and keeps the user's %APPDATA%\Tolvane.
#
#   scripts/check-windows-installer.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

# shellcheck source=scripts/lib/wine.sh
. scripts/lib/wine.sh

build=$(windows_build_folder "${1:-}")
version=$(sed -n 's/^project(Tolvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=$build/Tolvane-$version-setup.exe
[ -f "$setup" ] || { echo "no $setup: scripts/make-windows-installer.sh makes it" >&2; exit 1; }

use_wine_prefix "$build/wineprefix-installer"
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
trap 'wineserver -k 2> /dev/null || true' EXIT
echo "== a fresh Wine prefix"
init_wine_prefix

status=0
fail() {
  echo "  FAILED: $*" >&2
  status=1
}

echo "== silent install"
wine "$(winepath -w "$setup")" /S
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Tolvane"
for f in tolvane.exe tolvane-convert.exe uninstall.exe Tolvane.ini qt.conf Qt6Core.dll \
  platforms/qwindows.dll translations/qtbase_de.qm samples/plate.nc; do
  [ -f "$installed/$f" ] || fail "Program Files\\Tolvane\\$f is missing"
done
[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tolvane.lnk" ] ||
  fail "no Start menu entry"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane'
entry=$(wine reg query "$key" 2> /dev/null | tr -d '\r')
for value in "DisplayName.*Tolvane" "DisplayVersion.*$version" "Publisher.*Tolvane developers" \
  'UninstallString.*uninstall.exe' 'EstimatedSize.*0x'; do
  grep -q "$value" <<< "$entry" || fail "Apps & features entry without $value"
done
for ext in .nc .ngc .iso .tap .gcode; do
  wine reg query "HKLM\\Software\\Classes\\$ext\\OpenWithProgids" /v Tolvane.GCode > /dev/null 2>&1 ||
    fail "no Open with entry for $ext"
done
grep -E '^ *(DisplayName|DisplayVersion|Publisher|UninstallString|EstimatedSize) ' <<< "$entry" |
  sed 's/ *REG_[A-Z]* */: /; s/^ */  /'

echo "== the installed converter"
out=$(mktemp -d)
trap 'wineserver -k 2> /dev/null || true; rm -rf "$out"' EXIT
wine "C:\\Program Files\\Tolvane\\tolvane-convert.exe" -q -o "$(winepath -w "$out/plate.Cbr")" \
  "C:\\Program Files\\Tolvane\\samples\\plate.nc" || fail "tolvane-convert.exe failed"
if cmp -s "$out/plate.Cbr" tests/data/expected/plate.Cbr; then
  echo "  plate.nc: the same $(wc -c < "$out/plate.Cbr") bytes as on Linux"
else
  fail "the installed converter's plate.Cbr differs from tests/data/expected/plate.Cbr"
fi

echo "== the installed window, its folder unwritable"
# A user may not write into Program Files; Wine, which has no access
# rights, is stopped by a read-only bind mount in a mount namespace of this
# run. Its own Wine server and X server start inside.
wineserver -k 2> /dev/null || true
wineserver -w 2> /dev/null || true
shot=$build/installed-window.png
cat > "$out/window.sh" << 'EOF'
mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" || exit 3
exec xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
  LIBGL_ALWAYS_SOFTWARE=1 wine "C:\\Program Files\\Tolvane\\tolvane.exe" \
    "C:\\Program Files\\Tolvane\\samples\\plate.nc" &
  sleep 20
  # The About box of the first start: tick "Ne plus afficher" (a setting
  # saved at once), then OK; the window opens the sample.
  id=$(xdotool search --onlyvisible --class tolvane | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + 14)) $((Y + 417)) click 1
  sleep 2
  xdotool mousemove $((X + 284)) $((Y + 416)) click 1
  sleep 8
  import -window root "$1"
  wineserver -k
  wait
  exit 0' sh "$2"
EOF
unshare -m --propagation private sh "$out/window.sh" "$installed" "$shot" ||
  fail "the window could not be run (status $?)"
[ -s "$shot" ] && echo "  screenshot: $shot"
user_ini=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/Tolvane/Tolvane.ini' | head -n 1)
if [ -z "$user_ini" ]; then
  fail "no %APPDATA%\\Tolvane\\Tolvane.ini after the window opened a program"
else
  grep -q '^Affiche=1' "$user_ini" || fail "the About box's tick is not in $user_ini"
  grep -qi 'plate.nc' "$user_ini" || fail "$user_ini does not name the program opened"
  diff <(grep -v -e '^Affiche=' -e '^\[Session\]' -e '^Fichier' -e '^Dossier' -e '^Fenetre' "$user_ini" | tr -d '\r') \
    <(grep -v -e '^Affiche=' resources/Tolvane.ini | tr -d '\r') > /dev/null ||
    fail "$user_ini is not the shipped file with the saved settings"
  echo "  saved: ${user_ini#"$WINEPREFIX/drive_c/"}"
fi

echo "== silent uninstall"
wine "C:\\Program Files\\Tolvane\\uninstall.exe" /S
wineserver -w
# The uninstaller copies itself aside and runs from there: wait for it.
for _ in $(seq 1 30); do
  [ -e "$installed" ] || break
  [ -z "$(ls -A "$installed" 2> /dev/null)" ] && break
  sleep 1
done
if [ -e "$installed" ] && [ -n "$(ls -A "$installed")" ]; then
  fail "left in Program Files\\Tolvane: $(cd "$installed" && find . -type f | head -n 5 | tr '\n' ' ')"
fi
wine reg query "$key" > /dev/null 2>&1 && fail "the Apps & features entry is still there"
[ -e "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tolvane.lnk" ] &&
  fail "the Start menu entry is still there"
[ -z "$user_ini" ] || [ -f "$user_ini" ] || fail "the user's settings were removed"

if [ "$status" -eq 0 ]; then echo "== installer: all passed"; else echo "== installer: FAILED"; fi
exit $status

#!/usr/bin/env bash
# Takes the screenshots of docs/windows.md: the Windows build of Tolvane
# (BUILD_DIR/deploy, as the installer installs it) under Wine, in a Wine
# desktop of its own on an X server without a screen (Xvfb), driven by key
# presses (xdotool):
#   docs/windows-main.png     the main window with the sample and its commands
#   docs/windows-preview.png  the 3D preview (Mesa's software OpenGL)
#   docs/windows-report.png   a report box
#   docs/windows-config-de.png the configuration dialog in German
#
#   scripts/windows-screenshots.sh [BUILD_DIR]
#
# BUILD_DIR (default build-windows) must hold a Windows build with the window
# (scripts/test-windows.sh); its deploy folder is made again.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

# shellcheck source=scripts/lib/wine.sh
. scripts/lib/wine.sh

build=$(windows_build_folder "${1:-}")
[ -f "$build/tolvane.exe" ] || { echo "no $build/tolvane.exe: build the window for Windows first" >&2; exit 1; }
rm -rf "$build/deploy"
cmake --install "$build" --prefix "$build/deploy" > /dev/null

use_wine_prefix "$build/wineprefix-shots"
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || init_wine_prefix
app=$WINEPREFIX/drive_c/Tolvane
rm -rf "$app"
cp -r "$build/deploy" "$app"
# No About box at start.
sed -i 's/^Affiche=0/Affiche=1/' "$app/Tolvane.ini"
# A program with words the machine cannot do, for a report box.
printf '%s\r\n' '%' '(RAPPORT.NC - two words Tolvane reports)' 'G21 G90' 'G0 Z5' 'G0 X10 Y10' \
  'M8' 'G1 Z-1 F300' 'G1 X30 A90 F600' 'G0 Z5' 'M30' '%' > "$app/samples/rapport.nc"

shots=$(mktemp -d)
trap 'rm -rf "$shots"; wineserver -k 2> /dev/null || true' EXIT
cat > "$shots/take.sh" << 'EOF'
# Runs inside xvfb-run: $1 the folder for the pictures, $2 the settings file.
set -u
out=$1
ini=$2
desktop() { xdotool search --name 'Wine desktop' | head -n 1; }
start() {
  LIBGL_ALWAYS_SOFTWARE=1 wine explorer /desktop=Tolvane,1024x720 'C:\Tolvane\tolvane.exe' "$1" &
  sleep "${2:-20}"
  xdotool windowfocus "$(desktop)" 2> /dev/null
  sleep 1
}
shot() { import -window "$(desktop)" "$out/$1"; }
stop() { wineserver -k; wait; sleep 1; }

start 'C:\Tolvane\samples\plate.nc'
shot main.png
xdotool key ctrl+p
sleep 15
shot preview.png
stop

start 'C:\Tolvane\samples\rapport.nc'
shot report.png
stop

sed -i 's/^current=0/current=1/' "$ini"
start 'C:\Tolvane\samples\plate.nc'
xdotool key ctrl+comma
sleep 6
shot config-de.png
stop
EOF
xvfb-run -a -s "-screen 0 1100x800x24" sh "$shots/take.sh" "$shots" "$app/Tolvane.ini"

# Small PNGs: 256 colours are plenty for a dialog; the preview keeps more.
for name in main report config-de; do
  convert "$shots/$name.png" -strip +dither -colors 256 "docs/windows-$name.png"
done
convert "$shots/preview.png" -strip "docs/windows-preview.png"
ls -l docs/windows-*.png

#!/usr/bin/env bash
# Checks the Debian package the way a user meets it: builds the .deb, installs
# it with apt-get into a fresh Debian 12 system made by debootstrap (nothing
# but the package's declared dependencies), converts the bundled sample there
# and compares the result with the build's own converter, starts the window
# off-screen for a few seconds, and then, as an ordinary user, ticks "Ne plus
# afficher" in the About box under Xvfb: that must create the user's own
# settings file with the change, leave /usr/bin/Tolvane.ini as shipped, and
# make `tolvane-convert --show-settings-path` name the user's file.
#
#   scripts/check-package.sh [BUILD_DIR]      (default build-pkg; needs root)
#
# Each run starts from a pristine copy of a cached base system; see
# scripts/lib/debian-root.sh for the cache, the mirror and the work folder.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/lib/debian-root.sh
. scripts/lib/debian-root.sh
build=${1:-build-pkg}
require_root
scripts/install-deps.sh debootstrap

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target tolvane tolvane-convert
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/tolvane_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb -f "$deb" Depends

make_work_folder
root=$WORK/root
fresh_root "$root"
cp "$deb" "$root/tmp/tolvane.deb"
cp resources/samples/plate.nc "$root/tmp/plate.nc"
cp scripts/lib/tick-about-box.sh "$root/tmp/tick-about-box.sh"

in_root "$root" /bin/sh -c \
  'apt-get update -qq && apt-get install -y -qq --no-install-recommends /tmp/tolvane.deb >/dev/null'
in_root "$root" /bin/sh -c 'cd /tmp && tolvane-convert -q plate.nc -o plate.Cbr'
"$build/tolvane-convert" -q resources/samples/plate.nc -o "$build/plate-check.Cbr" \
  --settings resources/Tolvane.ini
cmp "$root/tmp/plate.Cbr" "$build/plate-check.Cbr"
echo "installed converter: same command file as the build's"
for f in /usr/bin/tolvane /usr/bin/tolvane-convert /usr/bin/Tolvane.ini \
  /usr/share/applications/tolvane.desktop /usr/share/man/man1/tolvane-convert.1 \
  /usr/share/icons/hicolor/64x64/apps/tolvane.png; do
  ls "$root$f"* >/dev/null 2>&1 || die "missing after install: $f"
done
cmp "$root/usr/bin/Tolvane.ini" resources/Tolvane.ini || die "/usr/bin/Tolvane.ini is not the shipped file"
# The window stays open until closed; it must still be running after 3 s.
status=0
in_root "$root" /usr/bin/env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp \
  timeout 3 tolvane /tmp/plate.nc >/dev/null 2>&1 || status=$?
[ "$status" -eq 124 ] || die "the installed window did not stay up (exit $status)"
echo "installed window: starts and stays up"

# ---- the settings of an ordinary user
# The X server and the tool that clicks are test equipment, installed only
# now: the checks above ran with the package's dependencies alone.
in_root "$root" /bin/sh -c 'apt-get install -y -qq --no-install-recommends xvfb xauth xdotool >/dev/null
  useradd --create-home --shell /bin/bash ann'
as_ann() {
  in_root "$root" /usr/sbin/runuser --login ann --command "$1"
}
user_file=/home/ann/.config/tolvane/Tolvane.ini
shown=$(as_ann "tolvane-convert --show-settings-path")
[ "$shown" = /usr/bin/Tolvane.ini ] || die "before any change the converter reads '$shown'"
as_ann "xvfb-run -a -s '-screen 0 1280x1024x24' sh /tmp/tick-about-box.sh $user_file"
[ -f "$root$user_file" ] || die "ticking the About box made no $user_file"
sed 's/^Affiche=0$/Affiche=1/' resources/Tolvane.ini | cmp - "$root$user_file" ||
  die "$user_file is not the shipped file with Affiche=1"
cmp "$root/usr/bin/Tolvane.ini" resources/Tolvane.ini || die "/usr/bin/Tolvane.ini was changed"
[ "$(stat -c %a "$root/home/ann/.config/tolvane")" = 700 ] ||
  die "the user's settings folder is not private (mode 0700)"
shown=$(as_ann "tolvane-convert --show-settings-path")
[ "$shown" = "$user_file" ] || die "after the change the converter reads '$shown'"
echo "ordinary user: the About box's tick made $user_file (shipped file + Affiche=1);"
echo "  /usr/bin/Tolvane.ini untouched; tolvane-convert --show-settings-path names the user's file"

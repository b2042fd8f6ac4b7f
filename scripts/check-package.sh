#!/usr/bin/env bash
# Checks the Debian package the way a user meets it: builds the .deb, installs
# it with apt-get into a fresh Debian 12 system made by debootstrap (nothing
# but the package's declared dependencies), converts the bundled sample there
# and compares the result with the build's own converter, and starts the
# window off-screen for a few seconds.
#
#   scripts/check-package.sh [BUILD_DIR]      (default build-pkg; needs root)
#
# Environment: ROOTFS (default /var/tmp/tolvane-deb12, kept between runs so
# that debootstrap runs once), MIRROR (default http://deb.debian.org/debian).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-pkg}
rootfs=${ROOTFS:-/var/tmp/tolvane-deb12}
mirror=${MIRROR:-http://deb.debian.org/debian}
if [ "$(id -u)" -ne 0 ]; then
  echo "$0: debootstrap and chroot need root" >&2
  exit 2
fi
scripts/install-deps.sh debootstrap

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target tolvane tolvane-convert
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/tolvane_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb -f "$deb" Depends

if [ ! -x "$rootfs/usr/bin/apt-get" ]; then
  debootstrap --variant=minbase bookworm "$rootfs" "$mirror"
fi
cp /etc/resolv.conf "$rootfs/etc/resolv.conf"
cp "$deb" "$rootfs/tmp/tolvane.deb"
cp resources/samples/plate.nc "$rootfs/tmp/plate.nc"
mount -t proc proc "$rootfs/proc"
trap 'umount "$rootfs/proc"' EXIT

chroot "$rootfs" env DEBIAN_FRONTEND=noninteractive bash -c \
  'dpkg --purge tolvane >/dev/null 2>&1 || true; apt-get update -qq && apt-get install -y -qq --no-install-recommends /tmp/tolvane.deb >/dev/null'
chroot "$rootfs" bash -c 'cd /tmp && rm -f plate.Cbr && tolvane-convert -q plate.nc -o plate.Cbr'
"$build/tolvane-convert" -q resources/samples/plate.nc -o "$build/plate-check.Cbr" \
  --settings resources/Tolvane.ini
cmp "$rootfs/tmp/plate.Cbr" "$build/plate-check.Cbr"
echo "installed converter: same command file as the build's"
for f in /usr/bin/tolvane /usr/bin/tolvane-convert /usr/bin/Tolvane.ini \
  /usr/share/applications/tolvane.desktop /usr/share/man/man1/tolvane-convert.1 \
  /usr/share/icons/hicolor/64x64/apps/tolvane.png; do
  ls "$rootfs$f"* >/dev/null 2>&1 || { echo "missing after install: $f" >&2; exit 1; }
done
# The window stays open until closed; it must still be running after 3 s.
status=0
chroot "$rootfs" env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp \
  timeout 3 tolvane /tmp/plate.nc >/dev/null 2>&1 || status=$?
if [ "$status" -ne 124 ]; then
  echo "the installed window did not stay up (exit $status)" >&2
  exit 1
fi
echo "installed window: starts and stays up"

#!/usr/bin/env bash
# Checks the README's set-up the way a new user meets it: in a fresh Debian 12
# system (debootstrap --variant=minbase, plus git and sudo), an ordinary user
# clones the repository at HEAD and runs the README's two commands,
# scripts/run.sh (without a display it must write the sample's command file)
# and scripts/test.sh (every test must pass). Any error fails the check.
#
#   scripts/check-fresh-build.sh            (needs root)
#
# Exactly HEAD's committed tree is cloned (from a git bundle), not the
# working tree. The base system is cached between runs; see
# scripts/lib/debian-root.sh for the cache, the mirror and the work folder.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/lib/debian-root.sh
. scripts/lib/debian-root.sh
require_root
host_packages git debootstrap

start=$(date +%s)
phase_start=$start
timings=()
phase() {
  local now
  now=$(date +%s)
  timings+=("$(printf '%-34s %5d s' "$1" $((now - phase_start)))")
  phase_start=$now
}

head=$(git rev-parse HEAD)
make_work_folder
root=$WORK/root
fresh_root "$root" "git sudo"
phase "base system"

# A new user with sudo rights, as the Debian installer makes the first user.
# HEAD with its branch, so that the clone is on that branch as a clone of
# the project would be.
branch=$(git symbolic-ref -q --short HEAD || true)
git bundle create -q "$root/tmp/tolvane.bundle" HEAD ${branch:+"$branch"}
chmod 0644 "$root/tmp/tolvane.bundle"
in_root "$root" /bin/sh -c '
  useradd --create-home --shell /bin/bash ann
  echo "ann ALL=(ALL) NOPASSWD: ALL" >/etc/sudoers.d/ann
  chmod 0440 /etc/sudoers.d/ann'

# Runs a command line as that user, in a login shell of hers.
as_user() {
  in_root "$root" /usr/sbin/runuser --login ann --command "$1"
}

as_user "git clone -q /tmp/tolvane.bundle tolvane && cd tolvane &&
         test \"\$(git rev-parse HEAD)\" = $head && git status --porcelain | wc -l | grep -qx 0"
phase "clone"

echo "== scripts/run.sh"
as_user "cd tolvane && scripts/run.sh" | tee "$WORK/run.log"
grep -qx "Command file written to /home/ann/tolvane/build/plate.Cbr" "$WORK/run.log" ||
  die "scripts/run.sh did not say where the command file went"
cmp "$root/home/ann/tolvane/build/plate.Cbr" "$root/home/ann/tolvane/tests/data/expected/plate.Cbr" ||
  die "the sample's command file differs from tests/data/expected/plate.Cbr"
echo "the sample's command file is the expected one"
phase "scripts/run.sh (install, build)"

echo "== scripts/test.sh"
status=0
as_user "cd tolvane && scripts/test.sh" 2>&1 | tee "$WORK/test.log" || status=$?
[ "$status" -eq 0 ] || die "scripts/test.sh failed (exit $status)"
grep -q "100% tests passed" "$WORK/test.log" || die "scripts/test.sh did not pass every test"
phase "scripts/test.sh"

echo "fresh clone of $head: scripts/run.sh and scripts/test.sh pass"
printf '  %s\n' "${timings[@]}"
echo "  total $(($(date +%s) - start)) s"

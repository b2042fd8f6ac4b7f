#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 60) from a seed corpus: the test programs for the conversion, the shipped
# settings file for the settings reader. Exits non-zero when a target finds a
# crash, a sanitizer report, a leak or a time-out; the input that caused it is
# left in the artifacts folder printed at the end.
#
#   tests/fuzz/run_fuzzers.sh [SECONDS]
#
# Environment: BUILD_DIR (default build-fuzz), CC/CXX (default clang-14),
# FUZZ_JOBS (2 runs both targets at once, default 1), FUZZ_OUT (corpora and
# findings, default BUILD_DIR/fuzz-out), TMPDIR (default /dev/shm).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi
# clang and its sanitizer and libFuzzer runtimes come from Debian.
scripts/install-deps.sh clang-14 libclang-rt-14-dev
build=${BUILD_DIR:-build-fuzz}
out=${FUZZ_OUT:-$build/fuzz-out}
jobs=${FUZZ_JOBS:-1}
# The settings target saves a file per input; on a RAM disk the flush to disk
# costs nothing.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

CC=${CC:-clang-14} CXX=${CXX:-clang++-14} \
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOLVANE_FUZZ=ON -DTOLVANE_BUILD_GUI=OFF -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_conversion fuzz_settings

# Seeds: copied so that the fuzzer's additions never land in the repository.
mkdir -p "$out"
seed_programs=$out/seed-conversion
seed_settings=$out/seed-settings
rm -rf "$seed_programs" "$seed_settings"
mkdir -p "$seed_programs" "$seed_settings"
find tests/data/corpus -type f ! -name '.*' | while read -r f; do
  # The conversion target reads the machine from the first six bytes; a
  # header of 'G' picks an ordinary machine and leaves the program readable.
  { printf 'GGGGG\n'; cat "$f"; } >"$seed_programs/$(basename "$f")"
done
cp resources/Tolvane.ini "$seed_settings/Tolvane.ini"
if [ -d tests/data/fuzz-regressions/conversion ]; then
  cp tests/data/fuzz-regressions/conversion/* "$seed_programs/" 2>/dev/null || true
fi
if [ -d tests/data/fuzz-regressions/settings ]; then
  cp tests/data/fuzz-regressions/settings/* "$seed_settings/" 2>/dev/null || true
fi

status=0
run() {
  local name=$1 seeds=$2 dict=$3
  local corpus=$out/corpus-$name artifacts=$out/artifacts-$name/
  mkdir -p "$corpus" "$artifacts"
  echo "== $name: ${seconds}s"
  # -timeout: one input may take at most 30 s (a hang, not a big job: 35 KB
  # of staircases make 2.5 million command lines, 6.5 s under the
  # sanitizers on an idle machine and over 10 s beside another build);
  # -rss_limit_mb: 2 GB.
  if ! "$build/tests/fuzz/$name" "$corpus" "$seeds" -max_total_time="$seconds" \
    -dict="$dict" -max_len=1048576 -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts" >"$out/$name.log" 2>&1; then
    echo "!! $name found a fault; see $out/$name.log and $artifacts" >&2
    tail -n 60 "$out/$name.log" >&2
    return 1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|cov: ' "$out/$name.log" | tail -3
}

if [ "$jobs" -gt 1 ]; then
  run fuzz_conversion "$seed_programs" tests/fuzz/gcode.dict &
  conv=$!
  run fuzz_settings "$seed_settings" tests/fuzz/settings.dict || status=1
  wait "$conv" || status=1
else
  run fuzz_conversion "$seed_programs" tests/fuzz/gcode.dict || status=1
  run fuzz_settings "$seed_settings" tests/fuzz/settings.dict || status=1
fi
exit $status

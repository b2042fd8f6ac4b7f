#!/usr/bin/env bash
# Times tolvane-convert against LinuxCNC's rs274 interpreter (rs274 -g, which
# reads the whole program and prints its canonical machining calls) on the
# same two generated million-line programs, interleaved run by run, and
# prints the medians and the peak memory of each.
#
# Usage: bench/run_bench.sh BUILD_DIR [RUNS]
#   BUILD_DIR  a configured and built tree (tolvane-convert, bench/gen_programs);
#              this script builds nothing. Use a Release build.
#   RUNS       runs per program and tool (default 5)
# Environment:
#   BENCH_PROGRAMS  folder of the generated programs (default BUILD_DIR/bench-programs);
#                   they are generated there when missing.
#   BENCH_LINES     lines per generated program (default 1000000)
#   BENCH_BASELINE  another build folder (say, of the commit before a change):
#                   its tolvane-convert runs interleaved with the two others
#                   and gets rows of its own, for a before/after comparison
#                   on the same machine at the same time.
#
# Needs the Debian packages linuxcnc-uspace (rs274) and time (/usr/bin/time).
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
build=$(cd "$1" && pwd)
runs=${2:-5}
convert=$build/tolvane-convert
generator=$build/bench/gen_programs
baseline=
if [ -n "${BENCH_BASELINE:-}" ]; then
  baseline=$(cd "$BENCH_BASELINE" && pwd)/tolvane-convert
fi
for exe in "$convert" "$generator" ${baseline:+"$baseline"}; do
  if [ ! -x "$exe" ]; then
    echo "run_bench.sh: $exe is missing: build the tolvane-convert and gen_programs targets" >&2
    exit 1
  fi
done
if ! command -v rs274 > /dev/null; then
  echo "run_bench.sh: rs274 not found: apt-get install linuxcnc-uspace" >&2
  exit 1
fi
if [ ! -x /usr/bin/time ]; then
  echo "run_bench.sh: /usr/bin/time not found: apt-get install time" >&2
  exit 1
fi

programs=${BENCH_PROGRAMS:-$build/bench-programs}
lines=${BENCH_LINES:-1000000}
mkdir -p "$programs"
names=(bench_2p5d bench_3d_raster)
for name in "${names[@]}"; do
  if [ ! -s "$programs/$name.nc" ]; then
    "$generator" "$programs" "$lines"
    break
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: > "$work/defaults.ini"  # built-in machine settings: 40 steps/mm, 50 and 30 mm/s

# One timed run: appends "elapsed cpu maxrss_kb" to $work/<tool>.<name>.
timed() {
  local tool=$1 name=$2 input=$programs/$2.nc
  local status=0
  case $tool in
    tolvane)
      /usr/bin/time -f '%e %U %S %M' -o "$work/t" \
        "$convert" --settings "$work/defaults.ini" -q -o "$work/out.Cbr" "$input" || status=$?
      ;;
    baseline)
      /usr/bin/time -f '%e %U %S %M' -o "$work/t" \
        "$baseline" --settings "$work/defaults.ini" -q -o "$work/base.Cbr" "$input" || status=$?
      ;;
    rs274)
      /usr/bin/time -f '%e %U %S %M' -o "$work/t" \
        rs274 -g "$input" "$work/out.canon" > /dev/null 2> "$work/rs274.err" || status=$?
      ;;
  esac
  if [ "$status" -ne 0 ]; then
    echo "run_bench.sh: $tool failed on $input (status $status)" >&2
    [ "$tool" = rs274 ] && head -5 "$work/rs274.err" >&2
    exit 1
  fi
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/t" >> "$work/$tool.$name"
}

median() {  # column of $work/<file>
  awk -v c="$2" '{ print $c }' "$work/$1" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
maximum() {
  awk -v c="$2" '$c > m { m = $c } END { print m }' "$work/$1"
}

echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"\
     "$(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo) RAM"
echo "Load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Runs per program and tool: $runs (interleaved)"
echo

for name in "${names[@]}"; do
  for ((run = 1; run <= runs; run++)); do
    # Alternate which tool goes first, so that neither always finds the
    # program in a warmer cache.
    if ((run % 2)); then
      timed tolvane "$name"; [ -z "$baseline" ] || timed baseline "$name"; timed rs274 "$name"
    else
      timed rs274 "$name"; [ -z "$baseline" ] || timed baseline "$name"; timed tolvane "$name"
    fi
  done
  "$convert" --settings "$work/defaults.ini" -q -o "$work/out.Cbr" "$programs/$name.nc"
  echo "$name.nc: $(wc -l < "$programs/$name.nc") source lines," \
       "$(wc -l < "$work/out.Cbr") command lines, $(wc -l < "$work/out.canon") rs274 calls"
done
echo
printf '%-20s %12s %12s %9s %12s %12s %9s %14s %14s\n' program \
  "tolvane s" "rs274 s" speedup "tolvane cpu" "rs274 cpu" "cpu ratio" "tolvane MB" "rs274 MB"
for name in "${names[@]}"; do
  te=$(median "tolvane.$name" 1); re=$(median "rs274.$name" 1)
  tc=$(median "tolvane.$name" 2); rc=$(median "rs274.$name" 2)
  tm=$(maximum "tolvane.$name" 3); rm=$(maximum "rs274.$name" 3)
  awk -v n="$name" -v te="$te" -v re="$re" -v tc="$tc" -v rc="$rc" -v tm="$tm" -v rm="$rm" 'BEGIN {
    printf "%-20s %12.2f %12.2f %8.1fx %12.2f %12.2f %8.1fx %14.0f %14.0f\n",
      n, te, re, (te > 0 ? re / te : 0), tc, rc, (tc > 0 ? rc / tc : 0), tm / 1024, rm / 1024 }'
  if [ -n "$baseline" ]; then
    te=$(median "baseline.$name" 1); tc=$(median "baseline.$name" 2); tm=$(maximum "baseline.$name" 3)
    awk -v n="$name (baseline)" -v te="$te" -v re="$re" -v tc="$tc" -v rc="$rc" -v tm="$tm" -v rm="$rm" 'BEGIN {
      printf "%-20s %12.2f %12.2f %8.1fx %12.2f %12.2f %8.1fx %14.0f %14.0f\n",
        n, te, re, (te > 0 ? re / te : 0), tc, rc, (tc > 0 ? rc / tc : 0), tm / 1024, rm / 1024 }'
  fi
done
echo
echo "Times are medians of the elapsed (wall) time and of the CPU time (user + system);"
echo "memory is the largest maximum resident set size of the runs."

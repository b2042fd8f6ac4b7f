#!/usr/bin/env bash
# Times two tolvane-convert builds (for example before and after a change) on
# the generated million-line programs, interleaved run by run, and prints the
# medians of the elapsed and CPU (user + system) times of each.
#
# Usage: bench/compare_builds.sh OLD_CONVERTER NEW_CONVERTER PROGRAM_FOLDER [RUNS]
#   PROGRAM_FOLDER  holds bench_2p5d.nc and bench_3d_raster.nc
#                   (bench/gen_programs PROGRAM_FOLDER writes them)
#   RUNS            runs per program and build (default 5)
# Environment:
#   NAMES  the programs to time (default "bench_2p5d bench_3d_raster")
#
# Needs /usr/bin/time (Debian package time). Both builds run with the built-in
# machine settings and write their command file to a temporary folder.
set -euo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
old=$1
new=$2
programs=$3
runs=${4:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: > "$work/defaults.ini"

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for name in ${NAMES:-bench_2p5d bench_3d_raster}; do
  for ((run = 1; run <= runs; run++)); do
    # Alternate which build goes first, so that neither always finds the
    # program in a warmer cache.
    if ((run % 2)); then order="old new"; else order="new old"; fi
    for which in $order; do
      exe=$old
      [ "$which" = new ] && exe=$new
      /usr/bin/time -f '%e %U %S' -o "$work/t" "$exe" --settings "$work/defaults.ini" -q \
        -o "$work/out.Cbr" "$programs/$name.nc"
      awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/t" >> "$work/$which.$name"
    done
  done
  for which in old new; do
    printf '%-16s %-4s elapsed %s s, cpu %s s (median of %d)\n' "$name" "$which" \
      "$(awk '{ print $1 }' "$work/$which.$name" | median)" \
      "$(awk '{ print $2 }' "$work/$which.$name" | median)" "$runs"
  done
done
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

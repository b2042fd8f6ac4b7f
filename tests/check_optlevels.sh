#!/usr/bin/env bash
# Builds tolvane-convert at several optimisation levels and checks that every
# program gives byte-identical results with each build: the command file, the
# line map and the tool-path CSV, with the built-in machine settings and with
# a machine whose settings take other arithmetic paths (3 mm screw, 400 steps
# per turn, fine arc precision). The controller must receive the same steps
# whatever the compiler did with the floating-point code.
#
# Usage: tests/check_optlevels.sh [PROGRAM_FOLDER...]
#   PROGRAM_FOLDER  folders searched for programs (default tests/data/corpus
#                   and resources/samples); every file but *.md is converted.
# Environment:
#   OPT_LEVELS   compiler flags of the builds, separated by ';'
#                (default "-O0;-O2")
#   BUILD_ROOT   where the build folders go (default build-optlevels in the
#                repository)
#
# Not part of ctest: it configures and builds its own trees.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
IFS=';' read -r -a levels <<< "${OPT_LEVELS:--O0;-O2}"
root=${BUILD_ROOT:-$repo/build-optlevels}
if [ $# -gt 0 ]; then
  folders=("$@")
else
  folders=("$repo/tests/data/corpus" "$repo/resources/samples")
fi

binaries=()
for level in "${levels[@]}"; do
  dir=$root/opt$(echo "$level" | tr -c 'A-Za-z0-9=_\n-' '_')
  echo "== building with $level in $dir"
  cmake -S "$repo" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="$level" \
    -DTOLVANE_BUILD_GUI=OFF -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=OFF > /dev/null
  cmake --build "$dir" --target tolvane-convert > /dev/null
  binaries+=("$dir/tolvane-convert")
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: > "$work/default.ini"
printf '[Machine]\nPas de vis X=3\nPas par tour Y=400\nPas de vis Z=2.5\nPrecision=0.05\nVitesse maxi=42.5\n' \
  > "$work/other.ini"

programs=()
while IFS= read -r -d '' f; do
  programs+=("$f")
done < <(find "${folders[@]}" -type f ! -name '*.md' -print0 | sort -z)
echo "== ${#programs[@]} programs, ${#binaries[@]} builds, 2 machines"

same=0
differ=0
for program in "${programs[@]}"; do
  for machine in default other; do
    for ((b = 0; b < ${#binaries[@]}; b++)); do
      status=0
      "${binaries[$b]}" --settings "$work/$machine.ini" -q -o "$work/$b.Cbr" \
        --line-map "$work/$b.map" --path "$work/$b.csv" "$program" || status=$?
      echo "$status" > "$work/$b.status"
    done
    ok=1
    for ((b = 1; b < ${#binaries[@]}; b++)); do
      for ext in status Cbr map csv; do
        if ! cmp -s "$work/0.$ext" "$work/$b.$ext"; then
          ok=0
          echo "DIFFERENT: $program ($machine machine): .$ext of ${levels[0]} and ${levels[$b]}"
          cmp "$work/0.$ext" "$work/$b.$ext" | head -1 || true
        fi
      done
    done
    if [ "$ok" = 1 ]; then same=$((same + 1)); else differ=$((differ + 1)); fi
  done
done

echo "== $same conversions identical, $differ different (${levels[*]})"
[ "$differ" -eq 0 ]

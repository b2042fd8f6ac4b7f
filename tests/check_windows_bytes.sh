#!/usr/bin/env bash
# Converts every file of tests/data/ (the real programs, and whatever else
# lies there) and the bundled sample with the Linux and the Windows converter,
# with the built-in machine and with one whose settings take other arithmetic
# paths, and compares the command file, the line map, the tool-path CSV, the
# reports on standard error and the exit status byte for byte. A command file
# is the same whichever system wrote it, or the machine moves differently.
#
# Usage: tests/check_windows_bytes.sh LINUX_CONVERTER WINDOWS_CONVERTER [FOLDER...]
#   The Windows converter runs under Wine (WINEPREFIX and the like taken from
#   the environment), which sees this machine's files as drive Z:.
#   FOLDER: where the programs are (default tests/data and resources/samples).
set -euo pipefail

if [ $# -lt 2 ]; then
  sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
linux=$1
windows=$2
shift 2
if [ $# -gt 0 ]; then
  folders=("$@")
else
  folders=("$repo/tests/data" "$repo/resources/samples")
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: > "$work/default.ini"
printf '[Machine]\r\nPas de vis X=3\r\nPas par tour Y=400\r\nPas de vis Z=2.5\r\nPrecision=0.05\r\nVitesse maxi=42.5\r\n' \
  > "$work/other.ini"

programs=()
while IFS= read -r -d '' f; do
  programs+=("$f")
done < <(find "${folders[@]}" -type f ! -name '*.md' ! -name '.gitattributes' -print0 | sort -z)

# Runs one converter: $1 linux|windows, $2 machine, $3 program.
convert() {
  local side=$1 machine=$2 program=$3 out=$work/$1
  local status=0
  if [ "$side" = linux ]; then
    "$linux" --settings "$work/$machine.ini" -o "$out.Cbr" --line-map "$out.map" \
      --path "$out.csv" "$program" 2> "$out.err" || status=$?
  else
    wine "$windows" --settings "Z:$work/$machine.ini" -o "Z:$out.Cbr" --line-map "Z:$out.map" \
      --path "Z:$out.csv" "Z:$program" 2> "$out.err" || status=$?
    # The reports name the program as it was given: without the drive letter
    # they must read as the Linux ones.
    sed -i "s|^Z:$program:|$program:|" "$out.err"
  fi
  echo "$status" > "$out.status"
}

same=0
differ=0
for program in "${programs[@]}"; do
  for machine in default other; do
    rm -f "$work"/linux.* "$work"/windows.*
    convert linux "$machine" "$program"
    convert windows "$machine" "$program"
    ok=1
    for ext in status Cbr map csv err; do
      if [ ! -e "$work/linux.$ext" ] && [ ! -e "$work/windows.$ext" ]; then
        continue
      fi
      if ! cmp -s "$work/linux.$ext" "$work/windows.$ext"; then
        ok=0
        echo "DIFFERENT: ${program#"$repo"/} ($machine machine): .$ext"
        cmp "$work/linux.$ext" "$work/windows.$ext" 2>&1 | head -1 || true
      fi
    done
    if [ "$ok" = 1 ]; then same=$((same + 1)); else differ=$((differ + 1)); fi
  done
done

echo "== ${#programs[@]} programs, 2 machines: $same conversions identical, $differ different"
[ "$differ" -eq 0 ] && [ "$same" -gt 0 ]

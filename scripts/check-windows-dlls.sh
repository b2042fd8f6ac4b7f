#!/usr/bin/env bash
# Proves that a Windows folder runs on a machine with nothing else installed:
# lists every DLL each .exe and .dll in it (plugins in its subfolders too)
# imports, and fails when one is neither a DLL that comes with Windows nor in
# the folder (a plugin's imports are looked for beside the executables).
#
#   scripts/check-windows-dlls.sh build-windows/deploy
set -euo pipefail
folder=${1:?usage: check-windows-dlls.sh FOLDER}
[ -d "$folder" ] || { echo "no folder $folder" >&2; exit 2; }

# DLLs of Windows 10 itself (and the API sets it resolves).
system_dll() {
  case ${1,,} in
    api-ms-win-*.dll | ext-ms-win-*.dll) return 0 ;;
    advapi32.dll | authz.dll | bcrypt.dll | comctl32.dll | comdlg32.dll | crypt32.dll | d3d9.dll | \
      d3d11.dll | d3d12.dll | dwmapi.dll | dwrite.dll | dxgi.dll | gdi32.dll | glu32.dll | imm32.dll | \
      kernel32.dll | mpr.dll | msvcrt.dll | netapi32.dll | ntdll.dll | ole32.dll | oleaut32.dll | \
      opengl32.dll | psapi.dll | rpcrt4.dll | setupapi.dll | shcore.dll | shell32.dll | shlwapi.dll | \
      user32.dll | userenv.dll | usp10.dll | uxtheme.dll | version.dll | winmm.dll | winspool.drv | \
      ws2_32.dll | wtsapi32.dll) return 0 ;;
  esac
  return 1
}

declare -A present
while IFS= read -r -d '' f; do
  present[$(basename "${f,,}")]=1
done < <(find "$folder" -maxdepth 1 -type f -iname '*.dll' -print0)

status=0
count=0
while IFS= read -r -d '' binary; do
  count=$((count + 1))
  dlls=$(x86_64-w64-mingw32-objdump -p "$binary" | awk '/DLL Name:/ { print $3 }' | sort -fu)
  echo "${binary#"$folder"/}: $(echo "$dlls" | tr '\n' ' ')"
  for dll in $dlls; do
    system_dll "$dll" && continue
    [ -n "${present[${dll,,}]:-}" ] && continue
    echo "  MISSING: $dll is neither Windows' own nor in $folder" >&2
    status=1
  done
done < <(find "$folder" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 | sort -z)

[ "$count" -gt 0 ] || { echo "no .exe or .dll in $folder" >&2; exit 1; }
if [ "$status" -eq 0 ]; then
  echo "== every DLL of the $count programs and libraries is Windows' own or in the folder"
fi
exit $status

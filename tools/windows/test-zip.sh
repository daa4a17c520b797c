#!/usr/bin/env bash
# Packs each Windows program into the zip a user downloads
# (quillfen-VERSION-win64.zip in build-win64/, -win32.zip in build-win32/,
# with CPack) and checks it as that user gets it: unzipped, it holds the
# program and README.txt with Windows line breaks and nothing else, the
# program needs no DLL beyond Windows' own, and under Wine it converts the
# example export byte for byte as the Linux build does.
#
#   tools/windows/test-zip.sh LINUX_QUILLFEN
#
# Run after tools/test-windows has built both programs.
set -euo pipefail
cd "$(dirname "$0")/../.."
linux=$(realpath "$1")
version=$(sed -nE 's/^project\(quillfen VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[[ -n "$version" ]] || { echo "test-zip: no version in CMakeLists.txt" >&2; exit 1; }
# shellcheck source=/dev/null
. tools/windows/wine-env.sh "${WINEPREFIX:-build-win64/wineprefix}"
# shellcheck source=tests/wine/checks.sh
. tests/wine/checks.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$linux" examples/container.reg "$work/expected.000" >/dev/null

for preset in win64 win32; do
  build=build-$preset
  zip=$build/quillfen-$version-$preset.zip
  rm -f "$zip"
  (cd "$build" && cpack -G ZIP) >"$work/cpack-$preset.log" 2>&1 || cat "$work/cpack-$preset.log"
  check "$preset: $zip built" yes "$([[ -f "$zip" ]] && echo yes || echo no)"
  [[ -f "$zip" ]] || continue
  check "$preset: files in the zip" "README.txt
quillfen.exe" "$(unzip -Z1 "$zip" | LC_ALL=C sort)"

  unpacked=$work/$preset
  unzip -q "$zip" -d "$unpacked"
  readme=$unpacked/README.txt
  check "$preset: README.txt starts with a UTF-8 byte-order mark" "efbbbf" "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')"
  check "$preset: README.txt lines without CR LF" 0 "$(tail -c +4 "$readme" | grep -c $'[^\r]$\|^$' || true)"
  check "$preset: README.txt is README.md" "" "$(tail -c +4 "$readme" | tr -d '\r' | cmp - README.md 2>&1)"
  case $preset in
    win64) want="PE32+ executable (GUI) x86-64" objdump=x86_64-w64-mingw32-objdump ;;
    win32) want="PE32 executable (GUI) Intel 80386" objdump=i686-w64-mingw32-objdump ;;
  esac
  type=$(file -b "$unpacked/quillfen.exe")
  check "$preset: quillfen.exe is a $want program" yes "$([[ "$type" == "$want"* ]] && echo yes || echo "no: $type")"
  # The runtime of mingw-w64 comes as lib*.dll; Windows' own DLLs do not.
  check "$preset: DLLs beyond Windows' own" "" \
    "$("$objdump" -p "$unpacked/quillfen.exe" | awk '/DLL Name:/ { print $3 }' | grep -i '^lib' || true)"

  out=$work/out-$preset.000
  status=0
  env -u DISPLAY wine "$unpacked/quillfen.exe" "$(winpath "$PWD/examples/container.reg")" \
    "$(winpath "$out")" </dev/null || status=$?
  check "$preset: the unzipped program's exit status" 0 "$status"
  check "$preset: the unzipped program's container" "" "$(diff -r "$work/expected.000" "$out" 2>&1)"
done

echo "zip: $passed passed, $failed failed"
((failed == 0))

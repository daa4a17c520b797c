#!/usr/bin/env bash
# Checks Quillfen against the registry editor itself (Wine's 64-bit regedit):
#  - containers converted back with --to-reg are byte for byte what regedit
#    exports for their keys: a typical one, one under Wow6432Node, one with a
#    Cyrillic name, one with a 60,000-byte value;
#  - an export of all of HKEY_LOCAL_MACHINE\SOFTWARE that holds four
#    containers is listed, chosen from and converted whole, by the Linux
#    program and by the Windows one, and a damaged value leaves nothing.
#
#   tests/wine/regedit-tests.sh BUILD_DIR LINUX_QUILLFEN
#
# Uses WINEPREFIX, or a prefix in BUILD_DIR. Prints "N passed, N failed".
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "$1" && pwd)
linux=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
exe=$build/quillfen.exe
work=$build/regedit-tests
rm -rf "$work" && mkdir -p "$work"
# shellcheck source=/dev/null
. "$here/../../tools/windows/wine-env.sh" "${WINEPREFIX:-$build/wineprefix}" || exit 1
# Wine reads its command line in the locale's character set: Cyrillic key
# names need UTF-8. No display: the Windows program's boxes return at once.
export LC_ALL=C.UTF-8
unset DISPLAY

# shellcheck source=tests/wine/checks.sh
. "$here/checks.sh"
# Debian's `wine` starts the 32-bit regedit, which sees SOFTWARE through
# Wow6432Node; the 64-bit one sees the keys as written.
wine64() { timeout -k 10 120 /usr/lib/wine/wine64 "$@" </dev/null; }
# The registry editor exits 0 whatever happens: what counts is what it wrote.
regedit_import() { wine64 regedit /S "$(winpath "$1")" 2>"$work/regedit.err"; }
regedit_export() {  # FILE KEY
  rm -f "$1"
  wine64 regedit /E "$(winpath "$1")" "$2" 2>"$work/regedit.err"
  [[ -s "$1" ]] || { echo "regedit wrote no $1: $(cat "$work/regedit.err")"; return 1; }
}
forget_keys() {
  for key in 'HKEY_LOCAL_MACHINE\SOFTWARE\Crypto Pro' 'HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Crypto Pro' \
             'HKEY_LOCAL_MACHINE\SOFTWARE\Quillfen Test'; do
    wine64 reg delete "$key" /f >/dev/null 2>&1
  done
}
# Deterministic bytes: COUNT SEED.
bytes() { LC_ALL=C awk -v n="$1" -v s="$2" 'BEGIN { srand(s); for (i = 0; i < n; i++) printf "%c", int(rand() * 256) }'; }
make_container() {  # DIRECTORY SEED NAME...
  local dir=$1 seed=$2
  shift 2
  mkdir -p "$dir"
  for name in "$@"; do
    seed=$((seed + 1))
    bytes $((16 + seed * 7 % 100)) "$seed" >"$dir/$name"
  done
}
usual=(header.key masks.key masks2.key name.key primary.key primary2.key)

wineserver -p
forget_keys

# --- Back to the registry, byte for byte -----------------------------------
# Each case: SID, view, name, and the values' files.
declare -a cases=(
  "S-1-5-21-1001||Container 1|typical"
  "S-1-5-21-1002|wow64|Container W|typical"
  "S-1-5-21-1003||Контейнер 1 - копия|typical"
  "S-1-5-21-1004||big|big"
)
n=0
for case_line in "${cases[@]}"; do
  IFS='|' read -r sid view name kind <<<"$case_line"
  n=$((n + 1))
  dir=$work/back$n/source.000
  if [[ $kind == big ]]; then
    mkdir -p "$dir"
    bytes 60000 7 >"$dir/primary.key"
    bytes 56 8 >"$dir/masks.key"
  else
    make_container "$dir" $((n * 10)) "${usual[@]}"
  fi
  wow=()
  prefix='HKEY_LOCAL_MACHINE\SOFTWARE\'
  [[ $view == wow64 ]] && wow=(--wow64) && prefix+='Wow6432Node\'
  key="${prefix}Crypto Pro\\Settings\\Users\\$sid\\Keys\\$name"
  "$linux" --to-reg "--user=$sid" "${wow[@]}" "--name=$name" "$dir" "$work/back$n/import.reg" >/dev/null
  regedit_import "$work/back$n/import.reg"
  if ! regedit_export "$work/back$n/regedit.reg" "$key"; then
    check "$name: regedit exported the key" "yes" "no"
    continue
  fi
  wine64 reg delete "$key" /f >/dev/null 2>&1
  # The registry editor's export, converted and written back, by either program.
  "$linux" "--container=$name" "$work/back$n/regedit.reg" "$work/back$n/linux.000" >/dev/null
  check "$name: the registry editor's export holds the container" "" \
    "$(diff -r "$dir" "$work/back$n/linux.000" 2>&1)"
  "$linux" --to-reg "--user=$sid" "${wow[@]}" "--name=$name" "$work/back$n/linux.000" \
    "$work/back$n/linux.reg" >/dev/null
  check "$name: Linux --to-reg is the registry editor's export" "" \
    "$(cmp "$work/back$n/regedit.reg" "$work/back$n/linux.reg" 2>&1)"
  wine "$exe" --to-reg "--user=$sid" "${wow[@]}" "--name=$name" "$(winpath "$work/back$n/linux.000")" \
    "$(winpath "$work/back$n/windows.reg")" </dev/null
  check "$name: Windows --to-reg is the registry editor's export" "" \
    "$(cmp "$work/back$n/regedit.reg" "$work/back$n/windows.reg" 2>&1)"
done

# --- Four containers in all of SOFTWARE ------------------------------------
declare -a names=(
  "perfilev_007730699137_12.12.19_11.50.30"
  "perfilev_007730699137_12.12.19_11.50.30 - копия"
  "le-abc.def"
  "Ключ ООО Ромашка 2024"
)
declare -a sids=(S-1-5-21-1001 S-1-5-21-1001 S-1-5-21-1002 S-1-5-21-1002)
declare -a views=("" "" "" wow64)
declare -a dirs=(perfilev.000 perfilev.001 leabcdef.000 2024.000)
make_container "$work/four/1" 100 "${usual[@]}"
make_container "$work/four/2" 200 "${usual[@]}"
make_container "$work/four/3" 300 header.key name.key primary.key
make_container "$work/four/4" 400 header.key masks.key name.key primary.key
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillfen Test\\Other]\r\n"Name"="x"\r\n\r\n' |
  iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$work/four/other.reg"
regedit_import "$work/four/other.reg"
expected_list=""
for i in 0 1 2 3; do
  wow=()
  [[ ${views[i]} == wow64 ]] && wow=(--wow64)
  "$linux" --to-reg "--user=${sids[i]}" "${wow[@]}" "--name=${names[i]}" "$work/four/$((i + 1))" \
    "$work/four/import$i.reg" >/dev/null
  regedit_import "$work/four/import$i.reg"
  count=$(find "$work/four/$((i + 1))" -type f | wc -l)
  # Their bytes hold no certificate: "—" for its name and its last day.
  line=$(printf '%s\t%s\t%s\t%s\t—\t—' "${names[i]}" "${sids[i]}" "$count" "${dirs[i]}")
  [[ $i == 2 ]] && line+=$'\t''нет: masks.key'
  expected_list+=$line$'\n'
done
software=$work/four/software.reg
if regedit_export "$software" 'HKEY_LOCAL_MACHINE\SOFTWARE'; then
  check "SOFTWARE: list" "Velmora - Quillfen"$'\n'"${expected_list%$'\n'}" "$("$linux" --list "$software")"
  "$linux" --all "$software" "$work/four/linux" >/dev/null
  wine "$exe" --all "$(winpath "$software")" "$(winpath "$work/four/windows")" </dev/null
  for i in 0 1 2 3; do
    check "SOFTWARE: --all, ${names[i]}" "" "$(diff -r "$work/four/$((i + 1))" "$work/four/linux/${dirs[i]}" 2>&1)"
    "$linux" "--container=${names[i]}" "$software" "$work/four/named$i" >/dev/null
    check "SOFTWARE: --container, ${names[i]}" "" "$(diff -r "$work/four/$((i + 1))" "$work/four/named$i" 2>&1)"
    wine "$exe" "--container=${names[i]}" "$(winpath "$software")" "$(winpath "$work/four/wnamed$i")" </dev/null
    check "SOFTWARE: Windows --container, ${names[i]}" "" \
      "$(diff -r "$work/four/$((i + 1))" "$work/four/wnamed$i" 2>&1)"
  done
  check "SOFTWARE: Windows --all" "" "$(diff -r "$work/four/linux" "$work/four/windows" 2>&1)"
  # A damaged value in the third container: nothing of the run stays.
  iconv -f UTF-16LE -t UTF-8 "$software" | sed '1s/^\xEF\xBB\xBF//' |
    awk '/Keys\\le-abc.def\]/ { third = 1 } third && /^"header.key"=hex:/ { sub(/hex:../, "hex:000"); third = 0 } { print }' \
      >"$work/four/damaged.reg"
  "$linux" --all "$work/four/damaged.reg" "$work/four/damaged" >/dev/null 2>&1
  check "damaged: Linux exit status" 1 "$?"
  check "damaged: Linux leaves nothing" "no" "$([[ -e $work/four/damaged ]] && echo yes || echo no)"
  wine "$exe" --all "$(winpath "$work/four/damaged.reg")" "$(winpath "$work/four/wdamaged")" </dev/null
  check "damaged: Windows exit status" 1 "$?"
  check "damaged: Windows leaves nothing" "no" "$([[ -e $work/four/wdamaged ]] && echo yes || echo no)"
else
  check "SOFTWARE: regedit exported it" "yes" "no"
fi

forget_keys
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
echo "regedit tests: $passed passed, $failed failed"
((failed == 0))

#!/usr/bin/env bash
# End-to-end check of the Windows test tooling under Wine + Xvfb, for
# x86_64 and i686: message boxes are read exactly (caption, icon kind,
# UTF-16 Cyrillic text, CR LF), OK is pressed, the program's exit code
# arrives; the reader times out when there is no box; without a display
# MessageBoxW fails at once; static PCRE2 with JIT works (if built).
#
#   tests/wine/check-box.sh WORK_DIR
#
# WORK_DIR receives the built programs and the Wine prefix. Set
# QUILLFEN_WIN_DEPS to the cache of tools/windows/build-pcre2.sh to include
# the PCRE2 checks. Prints "N passed, N failed"; exits 1 on any failure.
set -uo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ $# -ne 1 ]; then echo "usage: $0 WORK_DIR" >&2; exit 2; fi
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
        bash "$HERE/check-box.sh" "$@" </dev/null
fi
mkdir -p "$1"
WORK=$(cd "$1" && pwd)

bash "$HERE/build-probes.sh" "$WORK/bin" || { echo "0 passed, 1 failed"; exit 1; }
. "$HERE/../../tools/windows/wine-env.sh" "$WORK/wineprefix" || { echo "0 passed, 1 failed"; exit 1; }

passed=0
failed=0
check() {   # check NAME EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then
        echo "PASS: $1"
        passed=$((passed + 1))
    else
        echo "FAIL: $1"
        echo "--- expected"; printf '%s\n' "$2"
        echo "--- actual";   printf '%s\n' "$3"
        failed=$((failed + 1))
    fi
}

expected_info=$(printf '%s\n' \
    'caption=Velmora - Quillfen' \
    'icon=information' \
    'text=C:\\x\r\n\r\nКаталог-контейнер создан успешно! ^_^v' \
    'reader_status=0' \
    'program_status=7')
expected_critical=$(printf '%s\n' \
    'caption=Velmora - Quillfen' \
    'icon=critical' \
    'text=Ошибка: файл не найден\r\nZ:\\tmp\\a.reg' \
    'reader_status=0' \
    'program_status=7')
expected_pcre2=$(printf '%s\r\n' 'jit_compile=0' 'match=0,36 group1=1,18 group2=19,35'; echo 'status=0')

for arch in x86_64 i686; do
    bin=$WORK/bin/$arch
    start=$(date +%s%N)
    out=$(bash "$HERE/read-box.sh" -p "$WINEPREFIX" -t 20 \
        "$bin/dialog_reader.exe" "$bin/probe_box.exe" 2>"$WORK/read-box-$arch.err")
    check "$arch: information box read and closed" "$expected_info" "$out"
    out=$(bash "$HERE/read-box.sh" -p "$WINEPREFIX" -t 20 \
        "$bin/dialog_reader.exe" "$bin/probe_box.exe" critical 2>>"$WORK/read-box-$arch.err")
    check "$arch: critical box read and closed" "$expected_critical" "$out"
    echo "($arch: two boxes in $(( ($(date +%s%N) - start) / 1000000 )) ms)"

    out=$(wine "$bin/dialog_reader.exe" 2 </dev/null 2>/dev/null; echo "status=$?")
    check "$arch: reader times out without a box" "status=1" "$out"

    out=$(env -u DISPLAY wine "$bin/probe_box.exe" </dev/null 2>/dev/null; echo "status=$?")
    check "$arch: no display -> MessageBoxW fails at once (100)" "status=100" "$out"

    if [ -f "$bin/pcre2_jit_probe.exe" ]; then
        out=$(wine "$bin/pcre2_jit_probe.exe" </dev/null 2>/dev/null; echo "status=$?")
        check "$arch: static PCRE2-16 with JIT" "$expected_pcre2" "$out"
    fi
done
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

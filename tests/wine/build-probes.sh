#!/usr/bin/env bash
# Build the message-box check programs for Windows with mingw-w64
# (win32 thread model), for both architectures:
#   tests/wine/build-probes.sh OUT_DIR
# -> OUT_DIR/{x86_64,i686}/{probe_box.exe,dialog_reader.exe,pcre2_jit_probe.exe*}
# (* only when QUILLFEN_WIN_DEPS points at a cache filled by
#  tools/windows/build-pcre2.sh, i.e. $QUILLFEN_WIN_DEPS/ARCH/lib/libpcre2-16.a)
set -euo pipefail
if [ $# -ne 1 ]; then echo "usage: $0 OUT_DIR" >&2; exit 2; fi
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
OUT=$1
COMMON=(-std=c++20 -O2 -Wall -Wextra -Werror -DUNICODE -D_UNICODE -municode
        -static -static-libgcc -static-libstdc++)
for arch in x86_64 i686; do
    cxx=$arch-w64-mingw32-g++-win32
    mkdir -p "$OUT/$arch"
    "$cxx" "${COMMON[@]}" -mwindows -o "$OUT/$arch/probe_box.exe" "$HERE/probe_box.cpp"
    "$cxx" "${COMMON[@]}" -mconsole -o "$OUT/$arch/dialog_reader.exe" \
        "$HERE/dialog_reader.cpp" -lgdi32
    deps=${QUILLFEN_WIN_DEPS:-}
    if [ -n "$deps" ] && [ -f "$deps/$arch/lib/libpcre2-16.a" ]; then
        "$cxx" "${COMMON[@]}" -mconsole -DPCRE2_STATIC -DPCRE2_CODE_UNIT_WIDTH=16 \
            -I"$deps/$arch/include" -o "$OUT/$arch/pcre2_jit_probe.exe" \
            "$HERE/pcre2_jit_probe.cpp" -L"$deps/$arch/lib" -lpcre2-16
    fi
    echo "build-probes.sh: built $OUT/$arch"
done

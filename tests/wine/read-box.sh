#!/usr/bin/env bash
# Run a Windows GUI program under Wine on a virtual X display, read the
# message box it shows with dialog_reader.exe (which then presses OK),
# and report what was seen:
#
#   tests/wine/read-box.sh [-p WINEPREFIX_DIR] [-t TIMEOUT_S] \
#       DIALOG_READER_EXE PROGRAM_EXE [PROGRAM_ARGS...]
#
# Prints the reader's lines (caption=, icon=, text=) followed by
#   reader_status=N
#   program_status=N      (exit code of PROGRAM_EXE; Wine keeps the low byte)
# Exits 0 when both the reader and the program ran to an end (whatever
# their codes), 1 if the program had to be killed, 2 on usage errors.
# Without a DISPLAY it re-runs itself under `xvfb-run -a` (24-bit screen).
set -uo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PREFIX_DIR=${WINEPREFIX:-$PWD/wineprefix}
TIMEOUT=20
ORIG_ARGS=("$@")
while getopts "p:t:" opt; do
    case $opt in
        p) PREFIX_DIR=$OPTARG ;;
        t) TIMEOUT=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
if [ $# -lt 2 ]; then
    echo "usage: $0 [-p PREFIX] [-t TIMEOUT] DIALOG_READER_EXE PROGRAM_EXE [ARGS...]" >&2
    exit 2
fi

if [ -z "${DISPLAY:-}" ]; then
    # Depth 24: dialog_reader compares icon pixels; xvfb-run's default
    # screen is 8-bit.
    exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
        bash "$HERE/read-box.sh" "${ORIG_ARGS[@]}" </dev/null
fi

READER=$1; shift
PROGRAM=$1; shift

# shellcheck source=/dev/null
. "$HERE/../../tools/windows/wine-env.sh" "$PREFIX_DIR" || exit 1

wine "$PROGRAM" "$@" </dev/null &
prog_pid=$!

wine "$READER" "$TIMEOUT" </dev/null
reader_status=$?

# The program should end once its box is closed; give it a moment.
killed=0
for _ in $(seq 1 100); do
    kill -0 "$prog_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$prog_pid" 2>/dev/null; then
    echo "read-box.sh: program still running, killing it" >&2
    kill "$prog_pid" 2>/dev/null
    killed=1
fi
wait "$prog_pid"
program_status=$?

echo "reader_status=$reader_status"
echo "program_status=$program_status"
# Stop this prefix's Wine processes before the X server goes away.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
exit "$killed"

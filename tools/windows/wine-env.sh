# shellcheck shell=bash
# Source this file to get a quiet, non-interactive Wine environment:
#
#   . tools/windows/wine-env.sh build-win64/wineprefix
#
# Exports WINEPREFIX (made absolute), WINEDEBUG, WINEDLLOVERRIDES; on first
# use creates the prefix with `wineboot -i` and turns off Wine's crash
# dialog (a crash then ends the program instead of waiting for a click,
# which under Xvfb would hang forever). Returns non-zero on failure.
# Needs tools/windows/install-deps.sh (wine + wine32:i386) first: a prefix
# created without wine32 cannot run 32-bit programs.
#
# Also defines two functions for running many programs (e.g. ctest):
#   quillfen_wine_start  keep wineserver and Wine's background processes
#                        running (Debian's wineserver wrapper passes -p0, so
#                        by default everything is torn down and restarted for
#                        each program: ~1.5 s each instead of ~0.1 s).
#   quillfen_wine_stop   end them (wineserver -k) and wait until gone.
# Start them this way only (stdio on /dev/null): background processes
# started by a test under ctest keep ctest's output pipe open, and a
# persistent server then makes ctest wait forever.

_qf_wine_env() {
    if [ $# -lt 1 ] || [ -z "$1" ]; then
        echo "wine-env.sh: usage: . wine-env.sh PREFIX_DIR" >&2
        return 2
    fi
    mkdir -p "$1" || return 1
    WINEPREFIX=$(cd "$1" && pwd) || return 1
    export WINEPREFIX
    export WINEDEBUG=-all
    # No Mono/Gecko install prompts, no desktop menu entries.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

    if [ -f "$WINEPREFIX/.quillfen-ready" ]; then
        return 0
    fi
    if [ ! -x /usr/lib/wine/wine ] || [ ! -x /usr/lib/wine/wine64 ]; then
        echo "wine-env.sh: wine32:i386 and wine64 must be installed first" \
             "(tools/windows/install-deps.sh)" >&2
        return 1
    fi
    echo "wine-env.sh: creating Wine prefix $WINEPREFIX" >&2
    # No display is needed for this; keep wineboot off any X server.
    env -u DISPLAY wineboot -i </dev/null >/dev/null 2>&1 || {
        echo "wine-env.sh: wineboot -i failed" >&2; return 1; }
    wineserver -w || return 1
    env -u DISPLAY wine reg add 'HKCU\Software\Wine\WineDbg' \
        /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 || {
        echo "wine-env.sh: setting ShowCrashDialog failed" >&2; return 1; }
    wineserver -w || return 1
    touch "$WINEPREFIX/.quillfen-ready"
}

quillfen_wine_start() {
    wineserver -p || return 1
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1
}

quillfen_wine_stop() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    return 0
}

if ! (return 0 2>/dev/null); then
    echo "wine-env.sh: source this file: . tools/windows/wine-env.sh PREFIX_DIR" >&2
    exit 2
fi
_qf_wine_env "$@"
_qf_wine_env_rc=$?
unset -f _qf_wine_env
return "$_qf_wine_env_rc"

# shellcheck shell=bash
# Source this file for what the build-*.sh scripts here and in tools/windows/
# share:
#
#   library_build_start TARGET CACHE_DIR
#       Checks the script's arguments (a wrong call exits with status 2) and
#       sets ARCH=TARGET, CACHE_DIR (made when missing, made absolute),
#       PREFIX=CACHE_DIR/TARGET and, for Windows, HOST (the mingw-w64
#       triplet) and TOOLCHAIN (the CMake toolchain file of the target).
#       TARGET is x86_64 or i686 for the Windows program, cross-built with
#       mingw-w64, or, where the script sets LIBRARY_TARGETS to name it too,
#       linux-x86_64 for the program of the Linux packages, built with the
#       machine's own gcc as position-independent code, which a PIE program
#       can link.
#   library_built STAMP FILE...
#       True, with a line saying so, when STAMP and each FILE of PREFIX are
#       there: the library of this version is built already.
#   library_done STAMP WHAT FILE...
#       After an install: fails when a FILE is missing in PREFIX, else
#       touches STAMP and says that WHAT is installed.
#   autotools_build PACKAGE VERSION NAME [CONFIGURE_OPTION...] -- [SUBDIR...]
#       Configures Debian's source of PACKAGE outside its tree (which the
#       targets of one CACHE_DIR share) as a static library for the target,
#       and builds and installs the SUBDIRs in order, or everything.

LIBRARY_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/libraries/debian-source.sh
. "$LIBRARY_TOOLS/debian-source.sh"

library_build_start() {
    local targets=${LIBRARY_TARGETS:-x86_64 i686}
    if [ $# -ne 2 ]; then
        echo "usage: $0 ${targets// /|} CACHE_DIR" >&2
        exit 2
    fi
    ARCH=$1
    case " $targets " in
        *" $ARCH "*) ;;
        *) echo "$0: bad TARGET '$ARCH' (${targets// /, })" >&2; exit 2;;
    esac
    case "$ARCH" in
        x86_64|i686)
            HOST=$ARCH-w64-mingw32
            # shellcheck disable=SC2034  # for the CMake builds that source this
            TOOLCHAIN=$LIBRARY_TOOLS/../../cmake/toolchains/mingw-w64-$ARCH.cmake
            ;;
        linux-x86_64)
            if [ "$(uname -m)" != x86_64 ]; then
                echo "$0: linux-x86_64 is built on an x86_64 machine only" >&2
                exit 2
            fi
            HOST=
            ;;
    esac
    mkdir -p "$2"
    CACHE_DIR=$(cd "$2" && pwd)
    PREFIX=$CACHE_DIR/$ARCH
}

library_built() {
    local stamp=$1 f
    shift
    [ -f "$stamp" ] || return 1
    for f in "$@"; do
        [ -f "$PREFIX/$f" ] || return 1
    done
    echo "${0##*/}: $ARCH already built in $PREFIX"
}

library_done() {
    local stamp=$1 what=$2 f
    shift 2
    for f in "$@"; do
        if [ ! -f "$PREFIX/$f" ]; then
            echo "${0##*/}: $PREFIX/$f missing after install" >&2
            exit 1
        fi
    done
    touch "$stamp"
    echo "${0##*/}: installed $what ($ARCH) into $PREFIX"
}

autotools_build() {
    local package=$1 version=$2 name=$3
    shift 3
    local options=() subdirs=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    subdirs=("$@")
    [ ${#subdirs[@]} -gt 0 ] || subdirs=(.)

    local target=()
    if [ -n "$HOST" ]; then
        # The -win32 compilers, as in cmake/toolchains: native Win32 threads.
        target=(--host="$HOST" CC="$HOST-gcc-win32" AR="$HOST-ar" RANLIB="$HOST-ranlib")
    else
        target=(CC=gcc --with-pic)
    fi
    debian_source "$package" "$version" "$CACHE_DIR"
    local build_dir=$CACHE_DIR/build-$name-$ARCH
    rm -rf "$build_dir"
    mkdir -p "$build_dir"
    (cd "$build_dir" &&
        "$DEBIAN_SOURCE_DIR/configure" --prefix="$PREFIX" "${target[@]}" \
            --enable-static --disable-shared --disable-doc \
            --disable-silent-rules "${options[@]}")
    local d
    for d in "${subdirs[@]}"; do
        make -C "$build_dir/$d" -j "$(nproc)"
    done
    for d in "${subdirs[@]}"; do
        make -C "$build_dir/$d" install
    done
    rm -rf "$build_dir"
}

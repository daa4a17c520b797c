# shellcheck shell=bash
# Source this file, with HERE set to its directory, for what the build-*.sh
# scripts share:
#
#   library_build_start ARCH CACHE_DIR
#       Checks the script's arguments (ARCH: x86_64 | i686; a wrong call
#       exits with status 2) and sets ARCH, CACHE_DIR (made when missing,
#       made absolute), PREFIX=CACHE_DIR/ARCH, HOST (the mingw-w64 triplet)
#       and TOOLCHAIN (the CMake toolchain file of ARCH).
#   library_built STAMP FILE...
#       True, with a line saying so, when STAMP and each FILE of PREFIX are
#       there: the library of this version is built already.
#   library_done STAMP WHAT FILE...
#       After an install: fails when a FILE is missing in PREFIX, else
#       touches STAMP and says that WHAT is installed.
#   autotools_build PACKAGE VERSION NAME [CONFIGURE_OPTION...] -- [SUBDIR...]
#       Configures Debian's source of PACKAGE outside its tree (which both
#       architectures share) as a static library for HOST, and builds and
#       installs the SUBDIRs in order, or everything.

# shellcheck source=tools/windows/debian-source.sh
. "$HERE/debian-source.sh"

library_build_start() {
    if [ $# -ne 2 ]; then
        echo "usage: $0 x86_64|i686 CACHE_DIR" >&2
        exit 2
    fi
    ARCH=$1
    case "$ARCH" in x86_64|i686) ;; *) echo "$0: bad ARCH '$ARCH'" >&2; exit 2;; esac
    mkdir -p "$2"
    CACHE_DIR=$(cd "$2" && pwd)
    PREFIX=$CACHE_DIR/$ARCH
    HOST=$ARCH-w64-mingw32
    # shellcheck disable=SC2034  # for the CMake builds that source this
    TOOLCHAIN=$HERE/../../cmake/toolchains/mingw-w64-$ARCH.cmake
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

    debian_source "$package" "$version" "$CACHE_DIR"
    local build_dir=$CACHE_DIR/build-$name-$ARCH
    rm -rf "$build_dir"
    mkdir -p "$build_dir"
    # The -win32 compilers, as in cmake/toolchains: native Win32 threads.
    (cd "$build_dir" &&
        "$DEBIAN_SOURCE_DIR/configure" --host="$HOST" --prefix="$PREFIX" \
            CC="$HOST-gcc-win32" AR="$HOST-ar" RANLIB="$HOST-ranlib" \
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

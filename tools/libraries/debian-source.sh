# shellcheck shell=bash
# Source this file (library-build.sh does) for debian_source, which the
# build-*.sh scripts share:
#
#   debian_source PACKAGE VERSION CACHE_DIR
#
# Unpacks Debian's source package PACKAGE at exactly VERSION, with Debian's
# patches applied (apt-get source runs dpkg-source -x), into
# CACHE_DIR/src/PACKAGE-UPSTREAM_VERSION, once: an unpacked tree is used as
# it is. Sets DEBIAN_SOURCE_DIR to that directory. Needs the deb-src entry
# and dpkg-dev that tools/libraries/enable-deb-src.sh installs (as root).

debian_source() {
    if [ $# -ne 3 ]; then
        echo "debian_source: usage: debian_source PACKAGE VERSION CACHE_DIR" >&2
        return 2
    fi
    local package=$1 version=$2 parent=$3/src
    local upstream=${version#*:}
    upstream=${upstream%-*}
    DEBIAN_SOURCE_DIR=$parent/$package-$upstream
    # Only a finished unpacking is renamed into place, so a tree with
    # Debian's directory in it is whole.
    if [ -f "$DEBIAN_SOURCE_DIR/debian/changelog" ]; then
        return 0
    fi
    # Not grep -q: it would stop reading, and under pipefail the writer's
    # SIGPIPE would count as "not found".
    if ! apt-cache showsrc "$package" 2>/dev/null | grep -x "Version: $version" >/dev/null; then
        echo "debian_source: no source of $package $version;" \
             "run tools/libraries/enable-deb-src.sh first" >&2
        return 1
    fi
    local work=$parent/.unpack-$package
    rm -rf "$work" && mkdir -p "$work" || return 1
    (cd "$work" && apt-get source -q "$package=$version") || return 1
    if [ ! -f "$work/$package-$upstream/debian/changelog" ]; then
        echo "debian_source: apt-get source gave no $package-$upstream" >&2
        return 1
    fi
    rm -rf "$DEBIAN_SOURCE_DIR" &&
        mv "$work/$package-$upstream" "$DEBIAN_SOURCE_DIR" &&
        rm -rf "$work"
}

#!/usr/bin/env bash
# Installs everything needed to cross-compile Quillfen for Windows with
# mingw-w64 and to run the result under Wine (headless, via Xvfb).
# Debian 12 (bookworm), run as root. Idempotent and non-interactive.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps.sh: must run as root" >&2
    exit 1
fi

# wine32 lives in the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "install-deps.sh: adding i386 architecture"
    dpkg --add-architecture i386
fi

# Source packages, which the build-*.sh scripts build the libraries from:
# the deb-src entry, dpkg-dev, bzip2, gcc and make.
bash "$(dirname "${BASH_SOURCE[0]}")/../libraries/enable-deb-src.sh"

PKGS=(
    g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-win32
    g++-mingw-w64-i686 g++-mingw-w64-i686-win32
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    cmake ninja-build pkg-config
    # The ASN.1 module is compiled into a table on the build machine.
    libtasn1-bin
    wine wine64 wine32:i386
    xvfb xauth
    googletest
)

missing=()
for p in "${PKGS[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

# Refresh the lists whenever something needs installing: the i386
# architecture may be new.
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps.sh: installing: ${missing[*]}"
    apt-get install -y --no-install-recommends "${missing[@]}"
else
    echo "install-deps.sh: all packages already installed"
fi

# Report the win32-thread-model compilers the toolchain files use.
for c in x86_64-w64-mingw32-g++-win32 i686-w64-mingw32-g++-win32 \
         x86_64-w64-mingw32-gcc-win32 i686-w64-mingw32-gcc-win32 \
         x86_64-w64-mingw32-windres i686-w64-mingw32-windres wine wineserver \
         wineboot xvfb-run xauth; do
    command -v "$c" >/dev/null || { echo "install-deps.sh: missing $c" >&2; exit 1; }
done
# Debian 12 puts no wine64 in PATH: /usr/bin/wine starts the 32-bit loader
# /usr/lib/wine/wine, which hands 64-bit programs to /usr/lib/wine/wine64.
for f in /usr/lib/wine/wine /usr/lib/wine/wine64; do
    [ -x "$f" ] || { echo "install-deps.sh: missing $f" >&2; exit 1; }
done
echo "install-deps.sh: OK"

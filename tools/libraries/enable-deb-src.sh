#!/usr/bin/env bash
# Lets apt fetch Debian 12's source packages, from which the libraries the
# programs contain are built (tools/libraries/build-*.sh, and the Windows
# ones in tools/windows/): adds a deb-src twin of the binary Debian source
# list in a file of its own, installs dpkg-dev (apt-get source unpacks with
# dpkg-source) and what the autotools builds need (bzip2 for the sources'
# archives, gcc and make), and refreshes apt's lists once after the entry is
# new. Debian 12 (bookworm), as root; idempotent and non-interactive.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

if [ "$(id -u)" -ne 0 ]; then
    echo "enable-deb-src.sh: must run as root" >&2
    exit 1
fi

SRC_LIST=/etc/apt/sources.list.d/quillfen-deb-src.sources
if [ ! -f "$SRC_LIST" ]; then
    cat > "$SRC_LIST" <<'EOS'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOS
fi

PKGS=(dpkg-dev bzip2 gcc make)
missing=()
for p in "${PKGS[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

# The lists are refreshed once after the entry is new, and whenever
# something is installed.
apt_stamp=/var/lib/apt/lists/.quillfen-updated
if [ ${#missing[@]} -gt 0 ] || [ ! -f "$apt_stamp" ] || [ "$SRC_LIST" -nt "$apt_stamp" ]; then
    apt-get update
    touch "$apt_stamp"
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "enable-deb-src.sh: installing: ${missing[*]}"
    apt-get install -y --no-install-recommends "${missing[@]}"
fi

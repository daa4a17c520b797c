#!/usr/bin/env bash
# Installs the .deb into a Debian 11 root and runs the program there: an
# older glibc (2.31, which still keeps the thread functions in libpthread)
# and older libraries than the build's (libgcrypt 1.8.7, which the program
# must not need), the oldest Debian that apt's archive here still carries. dpkg checks that the Depends are met by them, and the
# program must do there what the Release build does here. The root is made
# once with debootstrap into .cache/debian11 and kept.
#
#   tools/package/run-on-debian11.sh DEB REFERENCE_QUILLFEN
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=tools/package/common.sh
. tools/package/common.sh

deb=$(realpath "$1")
reference=$(realpath "$2")
root=$PWD/.cache/debian11

if [[ ! -f "$root/.quillfen-ready" ]]; then
  tools/setup debootstrap
  # The Debian archive apt uses here, which also serves Debian 11.
  mirror=$(apt-cache policy | awk '$3 == "bookworm/main" && $4 == "amd64" { print $2; exit }')
  [[ -n "$mirror" ]] || fail "apt's sources name no Debian archive to take Debian 11 from"
  echo "-- making a Debian 11 root in $root (debootstrap, about a minute)"
  rm -rf "$root"
  mkdir -p "$(dirname "$root")"
  debootstrap --variant=minbase --include=libhivex0,libpcre2-16-0,libgcrypt20,libtasn1-6 \
    bullseye "$root" "$mirror" >"$root.log" 2>&1 ||
    fail "debootstrap could not make the Debian 11 root; its log: $root.log"
  touch "$root/.quillfen-ready"
fi

in_root() { chroot "$root" "$@"; }
run_in_root() {  # DIR COMMAND...
  local dir=${1#"$root"}
  shift
  chroot "$root" /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$dir" "$@"
}

glibc=$(in_root dpkg-query -W -f='${Version}' libc6)
echo "-- Debian 11 root: libc6 $glibc"
dpkg --compare-versions "$glibc" lt 2.32 || fail "the root's glibc is $glibc, not older than the build's"
gcrypt=$(in_root dpkg-query -W -f='${Version}' libgcrypt20)
echo "-- Debian 11 root: libgcrypt20 $gcrypt"
dpkg --compare-versions "$gcrypt" lt 1.9 ||
  fail "the root's libgcrypt is $gcrypt, which has what the program needs: the root tests nothing"
# The Release build, linked against Debian 12's glibc and libstdc++, does
# not start there: the root is as old as it should be.
cp "$reference" "$root/tmp/quillfen-release"
if in_root /tmp/quillfen-release --version >/dev/null 2>"$root/tmp/release.err"; then
  fail "the Release build started in the Debian 11 root; the root tests nothing"
fi
grep -q "version \`GLIBC_2.3[2-9]' not found" "$root/tmp/release.err" ||
  fail "the Release build failed in the root for another reason: $(cat "$root/tmp/release.err")"

in_root dpkg --purge quillfen >/dev/null 2>&1 || true
cp "$deb" "$root/tmp/quillfen.deb"
in_root dpkg -i /tmp/quillfen.deb >"$root/tmp/dpkg.log" 2>&1 ||
  fail "dpkg could not install the package on Debian 11: $(cat "$root/tmp/dpkg.log")"
# The licence refers to the LGPL's text of base-files, which Debian 11
# has as well.
cmp -s "$root/usr/share/doc/quillfen/copyright" doc/copyright ||
  fail "the package's /usr/share/doc/quillfen/copyright on Debian 11 differs from doc/copyright"
cmp -s "$root/usr/share/common-licenses/LGPL-2.1" LICENSES/LGPL-2.1.txt ||
  fail "Debian 11's /usr/share/common-licenses/LGPL-2.1 differs from LICENSES/LGPL-2.1.txt"
compare_with_reference /usr/bin/quillfen "$reference" "$root/tmp/runs" run_in_root
in_root dpkg --purge quillfen >/dev/null || fail "dpkg could not remove the package on Debian 11"
[[ ! -e "$root/usr/bin/quillfen" ]] || fail "/usr/bin/quillfen is still in the Debian 11 root after removal"
rm -rf "$root/tmp/runs" "$root/tmp/quillfen.deb" "$root/tmp/quillfen-release"
echo "Debian 11: installed, converted, read and exported as the Release build does, removed"

#!/usr/bin/env bash
# Checks the RPM package as an RPM distribution would see it: its name, its
# metadata and its files with their modes and owners, that its Requires are
# the sonames and glibc versions the baseline systems provide, and that the
# program taken out of it converts the example export as the Release build
# does.
#
#   tools/package/check-rpm.sh RPM REFERENCE_QUILLFEN
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=tools/package/common.sh
. tools/package/common.sh

rpm_file=$1
reference=$(realpath "$2")
readonly expected_rpm=quillfen-1.0.3-1.x86_64.rpm
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[[ "$(basename "$rpm_file")" == "$expected_rpm" ]] ||
  fail "the RPM is named $(basename "$rpm_file"), expected $expected_rpm"

echo "-- RPM metadata (rpm -qip)"
field() { rpm -qp --qf "%{$1}" "$rpm_file"; }
for pair in NAME=quillfen VERSION=1.0.3 RELEASE=1 ARCH=x86_64 GROUP=Applications/System \
  VENDOR=Velmora PREFIXES="(none)" PAYLOADCOMPRESSOR=xz; do
  value=$(field "${pair%%=*}")
  [[ "$value" == "${pair#*=}" ]] || fail "the RPM's ${pair%%=*} is '$value', expected '${pair#*=}'"
done
info=$(rpm -qip "$rpm_file")
grep -qxF "Summary     : move CryptoPro key containers, show what they hold, export keys to PEM and PFX" \
  <<<"$info" || fail "the RPM's summary is not the program's:
$info"
# Quillfen's own licence, and those of the libraries the program contains
# (libgcrypt with a few files under BSD terms, libgpg-error, libstdc++ and
# libgcc).
grep -qxF "License     : MIT AND LGPL-2.1-or-later AND BSD-3-Clause AND GPL-3.0-or-later WITH GCC-exception-3.1" \
  <<<"$info" || fail "the RPM's License does not name MIT and the licences of the libraries in the program:
$info"
description=$(field DESCRIPTION)
[[ "$description" == "Quillfen reads CryptoPro key containers from a Windows registry export"* &&
  "$description" == *"shows what a container"*"exports its private key"*"as a PEM file for OpenSSL;"*"as a PFX file"* &&
  "$description" == *"readable by their owner only." ]] || fail "the RPM's description is not the program's:
$description"

echo "-- RPM files (rpm -qlvp)"
files=$(rpm -qlvp "$rpm_file" | awk '{ print $1, $3, $4, $NF }')
expected_files="-rwxr-xr-x root root /usr/bin/quillfen
drwxr-xr-x root root /usr/share/doc/quillfen
-rw-r--r-- root root /usr/share/doc/quillfen/README.md
drwxr-xr-x root root /usr/share/licenses/quillfen
-rw-r--r-- root root /usr/share/licenses/quillfen/LGPL-2.1.txt
-rw-r--r-- root root /usr/share/licenses/quillfen/LICENSE
-rw-r--r-- root root /usr/share/man/man1/quillfen.1.gz"
[[ "$files" == "$expected_files" ]] || fail "the RPM holds (mode owner group path):
$files
expected:
$expected_files"
documentation=$(rpm -qdp "$rpm_file")
[[ "$documentation" == "/usr/share/doc/quillfen/README.md
/usr/share/man/man1/quillfen.1.gz" ]] || fail "the RPM marks as documentation: $documentation"
licences=$(rpm -qLp "$rpm_file")
[[ "$licences" == "/usr/share/licenses/quillfen/LGPL-2.1.txt
/usr/share/licenses/quillfen/LICENSE" ]] || fail "the RPM marks as %license: $licences"

echo "-- RPM Requires (rpm -qRp)"
requires=$(rpm -qRp "$rpm_file")
echo "$requires" | sed 's/^/   /'
while read -r requirement; do
  case "$requirement" in
    rpmlib\(*) continue ;;
  esac
  [[ "$requirement" =~ ^([^()]+)\(([^()]*)\)\(64bit\)$ ]] ||
    fail "the RPM requires '$requirement', which is no shared library's soname"
  soname=${BASH_REMATCH[1]}
  version=${BASH_REMATCH[2]}
  [[ -n "${debian_package_of[$soname]:-}" ]] ||
    fail "the RPM requires $soname, which is not among the libraries known on every baseline system"
  if [[ "$version" == GLIBC_* ]]; then
    version_at_most "${version#GLIBC_}" "$glibc_baseline" ||
      fail "the RPM requires $requirement, above glibc $glibc_baseline"
  fi
done <<<"$requires"
rpm2cpio "$rpm_file" | (mkdir "$work/root" && cd "$work/root" && cpio -idm --quiet)
program=$work/root/usr/bin/quillfen
while read -r library; do
  grep -qxF "$library()(64bit)" <<<"$requires" ||
    fail "the program links $library, but the RPM does not require it"
done < <(needed_libraries "$program")
check_baseline "$program"

echo "-- the program taken out of the RPM (rpm2cpio | cpio)"
zcat "$work/root/usr/share/man/man1/quillfen.1.gz" | cmp -s - doc/quillfen.1 ||
  fail "the RPM's manual page differs from doc/quillfen.1"
cmp -s "$work/root/usr/share/doc/quillfen/README.md" README.md || fail "the RPM's README differs from README.md"
cmp -s "$work/root/usr/share/licenses/quillfen/LICENSE" LICENSE || fail "the RPM's LICENSE differs from LICENSE"
cmp -s "$work/root/usr/share/licenses/quillfen/LGPL-2.1.txt" LICENSES/LGPL-2.1.txt ||
  fail "the RPM's LGPL-2.1.txt differs from LICENSES/LGPL-2.1.txt"
compare_with_reference "$program" "$reference" "$work/runs"
echo "RPM: all checks passed"

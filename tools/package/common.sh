# shellcheck shell=bash
# Sourced by the package checks: what the Linux packages may ask of the
# systems they install on (Astra Linux SE 1.7 = Debian 10, RED OS 7.3,
# Rocky Linux 8 and CentOS 8, ALT p10, Debian, Ubuntu), and the checks of a
# program against it.

# No glibc symbol version above that of Debian 10 and RHEL 8.
readonly glibc_baseline=2.28

# The shared libraries the program may link, each by its soname, and the
# Debian package that holds it. Every one has this soname on each system
# above; a library that is not here fails the check until it is added with
# its package. libgcrypt is not among them: the systems' 1.8 lacks what the
# program needs, and the program contains its own.
declare -A debian_package_of=(
  [libc.so.6]=libc6
  [libpthread.so.0]=libc6
  [ld-linux-x86-64.so.2]=libc6
  [libpcre2-16.so.0]=libpcre2-16-0
  [libhivex.so.0]=libhivex0
  [libtasn1.so.6]=libtasn1-6
)
# The version of each package in Debian 10, which Astra Linux SE 1.7
# follows: the .deb may ask for no more.
declare -A debian10_version_of=(
  [libc6]=2.28
  [libpcre2-16-0]=10.32
  [libhivex0]=1.3.18
  [libtasn1-6]=4.13
)

fail() {
  echo "test-package: FAILED: $*" >&2
  exit 1
}

version_at_most() {  # VERSION LIMIT
  [[ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -n 1)" == "$2" ]]
}

# The sonames a program links, one a line.
needed_libraries() {  # PROGRAM
  objdump -p "$1" | awk '$1 == "NEEDED" { print $2 }'
}

# The highest version of each kind (GLIBC, GLIBCXX, CXXABI, GCC) that the
# program's dynamic symbols ask for, one "KIND_VERSION" a line.
highest_symbol_versions() {  # PROGRAM
  objdump -T "$1" | grep -oE '\b(GLIBC|GLIBCXX|CXXABI|GCC)_[0-9][0-9.]*' | sort -u -V |
    awk -F_ '{ highest[$1] = $0 } END { for (kind in highest) print highest[kind] }' | sort
}

# Fails unless the program runs on the baseline: glibc symbols no newer
# than it, nothing asked of the system's libstdc++ or libgcc, and only the
# libraries above.
check_baseline() {  # PROGRAM
  local program=$1 versions glibc library
  versions=$(highest_symbol_versions "$program")
  glibc=$(grep '^GLIBC_' <<<"$versions" || true)
  [[ -n "$glibc" ]] || fail "$program asks for no GLIBC_ version at all: objdump -T shows nothing to check"
  version_at_most "${glibc#GLIBC_}" "$glibc_baseline" ||
    fail "$program needs $glibc, above the baseline glibc $glibc_baseline:
$(objdump -T "$program" | grep -E "\(?GLIBC_[0-9.]+\)?" | grep -vE "GLIBC_(2\.[0-9]|2\.1[0-9]|2\.2[0-8])(\.[0-9]+)?\b")
Give each symbol its 2.28 stand-in in host/glibc_baseline_posix.cpp."
  if grep -qvE '^GLIBC_' <<<"$versions"; then
    fail "$program asks the system's C++ runtime for $(grep -vE '^GLIBC_' <<<"$versions" | tr '\n' ' ')(libstdc++ and libgcc belong inside it)"
  fi
  while read -r library; do
    [[ -n "${debian_package_of[$library]:-}" ]] ||
      fail "$program links $library, which is not among the libraries known on every baseline system (tools/package/common.sh)"
  done < <(needed_libraries "$program")
}

# Runs a command in a directory: how compare_with_reference starts a
# program unless it is told another way.
run_in() {  # DIR COMMAND...
  (cd "$1" && shift && exec "$@")
}

# The runs compare_with_reference makes, each "STATUS ARGUMENTS": the status
# both programs must end with, and the arguments (split at spaces) in a
# directory holding the example export, the known-answer containers
# (tests/data/known-answers/), a PFX file of one of them in the provider's
# layout, their password files and a directory with a subdirectory. A run that fails where it should succeed fails for both
# programs alike on a system that lacks what the run needs, so each status is
# fixed here.
readonly -a reference_cases=(
  # Conversions, a listing, a refusal and a failure that unwinds through
  # the program (an exception), and a container back to a .reg file.
  "0 container.reg out.000"
  "1 container.reg out.000"
  "0 --list container.reg"
  "1 --to-reg --user=S-1-5-21-1001 holds-a-directory.000"
  "0 --to-reg --user=S-1-5-21-1001 out.000"
  # What the containers hold: every reading feature on every known-answer
  # container, GOST R 34.10-2001 and 2012 with 256 and 512 bits.
  "0 --info kat2001.000"
  "0 --info kat256.000"
  "0 --info kat512.000"
  "0 --list kat512.000"
  "0 --cert kat256.000 certificates"
  "0 --export-key --password-file=kat2001.pass kat2001.000 keys-2001"
  "0 --export-key --password-file=kat256.pass kat256.000 keys-256"
  "0 --export-key kat512.000 keys-512"
  "1 --export-key --password-file=kat2001.pass kat256.000 keys-wrong"
  # PFX files: each known-answer container into one, the new password from
  # a file (their bytes differ from run to run, salts and IVs being random:
  # what they hold is compared by reading them back), each read back as a
  # source, and a file in the provider's own layout read and written again.
  "0 --export-pfx --password-file=kat2001.pass --pfx-password-file=kat2001.pass kat2001.000 pfx"
  "0 --export-pfx --password-file=kat256.pass --pfx-password-file=kat256.pass kat256.000 pfx"
  "0 --export-pfx --pfx-password-file=kat256.pass kat512.000 pfx"
  "0 --export-key --password-file=kat2001.pass pfx/kat2001.000.pfx from-pfx"
  "0 --export-key --password-file=kat256.pass pfx/kat256.000.pfx from-pfx"
  "0 --info --password-file=kat256.pass pfx/kat512.000.pfx"
  "0 --export-pfx --password-file=cp80.pass --pfx-password-file=kat256.pass kat256.cp80.pfx pfx-cp80"
  "0 --export-key --password-file=kat256.pass pfx-cp80/kat256cp.000.pfx from-pfx"
  "1 --cert --password-file=kat256.pass kat256.cp80.pfx wrong-password"
  "1 --list kat256.cp80.pfx"
)

# Runs a packaged program and the Release build side by side, each in a
# directory of its own, through reference_cases. Fails unless statuses,
# messages and every file written, with its mode, are the same. The packaged
# program is started by RUNNER (a function taking a directory and a
# command), by default run_in.
compare_with_reference() {  # PROGRAM REFERENCE WORK_DIR [RUNNER]
  local program=$1 reference=$2 work=$3 runner=${4:-run_in}
  local side dir status index stream name expected
  local -a arguments
  for side in program reference; do
    dir=$work/$side
    rm -rf "$dir" && mkdir -p "$dir/holds-a-directory.000/sub"
    cp examples/container.reg "$dir/"
    cp -r tests/data/known-answers/*.000 tests/data/known-answers/pfx/kat256.cp80.pfx "$dir/"
    printf 'Kat-2001\n' >"$dir/kat2001.pass"
    printf 'Kat-256\n' >"$dir/kat256.pass"
    printf 'Cp80-256\n' >"$dir/cp80.pass"
    for index in "${!reference_cases[@]}"; do
      read -r -a arguments <<<"${reference_cases[$index]#* }"
      status=0
      if [[ $side == program ]]; then
        "$runner" "$dir" "$program" "${arguments[@]}" >"$work/$side.$index.out" \
          2>"$work/$side.$index.err" || status=$?
      else
        run_in "$dir" "$reference" "${arguments[@]}" >"$work/$side.$index.out" \
          2>"$work/$side.$index.err" || status=$?
      fi
      echo "$status" >"$work/$side.$index.status"
    done
  done
  for index in "${!reference_cases[@]}"; do
    name="quillfen ${reference_cases[$index]#* }"
    expected=${reference_cases[$index]%% *}
    for side in reference program; do
      [[ "$(cat "$work/$side.$index.status")" == "$expected" ]] ||
        fail "$name: the $side ended with status $(cat "$work/$side.$index.status"), expected $expected:
$(cat "$work/$side.$index.err")"
    done
    for stream in out err; do
      cmp -s "$work/program.$index.$stream" "$work/reference.$index.$stream" ||
        fail "$name: the packaged program's $stream differs from the Release build's:
$(cat "$work/program.$index.$stream")
--- the Release build's:
$(cat "$work/reference.$index.$stream")"
    done
  done
  # A PFX file's salts and IVs are new each time: the runs that read them
  # back compare what they hold, and the listing below their names and modes.
  diff -r --exclude='*.pfx' "$work/program" "$work/reference" >&2 ||
    fail "the packaged program wrote other files or bytes than the Release build"
  diff <(cd "$work/program" && find . -printf '%p %m\n' | LC_ALL=C sort) \
    <(cd "$work/reference" && find . -printf '%p %m\n' | LC_ALL=C sort) >&2 ||
    fail "the packaged program gave its files other modes than the Release build"
}

# shellcheck shell=bash
# Sourced by the Wine test scripts: counts checks and names Linux paths the
# way Wine's drive Z: shows them.
passed=0
failed=0
check() {  # NAME EXPECTED ACTUAL
  if [[ "$2" == "$3" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL: %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
  fi
}
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

#!/usr/bin/env bash
# Runs a cross-built quillfen.exe under Wine as a user would: conversions of
# the example exports compared byte for byte with the Linux build's, exit
# statuses, and every kind of message read back from the real message box.
#
#   tests/wine/run-program-tests.sh BUILD_DIR LINUX_QUILLFEN
#
# Uses WINEPREFIX, or a prefix in BUILD_DIR. Prints
# "N passed, N failed" and exits 1 on any failure.
set -uo pipefail
if [[ -z "${DISPLAY:-}" ]]; then
  # One virtual display for all the boxes, 24-bit for the reader's icon check.
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$@" </dev/null
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "$1" && pwd)
linux_quillfen=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
exe=$build/quillfen.exe
reader=$build/dialog_reader.exe
work=$build/program-tests
rm -rf "$work" && mkdir -p "$work"
# shellcheck source=/dev/null
. "$here/../../tools/windows/wine-env.sh" "${WINEPREFIX:-$build/wineprefix}" || exit 1

# shellcheck source=tests/wine/checks.sh
. "$here/checks.sh"
# A text as the dialog reader prints it: backslashes doubled.
shown() { printf '%s' "${1//\\/\\\\}"; }

example=$here/../../examples/container.reg
iconv -f UTF-16LE -t UTF-8 "$example" | sed '1s/^\xEF\xBB\xBF//' >"$work/utf8.reg"
tr -d '\r' <"$work/utf8.reg" >"$work/lf.reg"
printf 'REGEDIT4\r\n' >"$work/regedit4.reg"
tail -n +2 "$work/utf8.reg" | iconv -f UTF-8 -t CP1251 >>"$work/regedit4.reg"

# Without a display every message box returns at once, so these runs only
# convert and exit.
"$linux_quillfen" "$example" "$work/expected" >/dev/null
for export in "$example" "$work/utf8.reg" "$work/lf.reg" "$work/regedit4.reg"; do
  name=$(basename "$export" .reg)
  env -u DISPLAY wine "$exe" "$(winpath "$export")" "$(winpath "$work/out-$name")" </dev/null
  check "$name: exit status" 0 "$?"
  check "$name: container" "" "$(diff -r "$work/expected" "$work/out-$name" 2>&1)"
done
# The known-answer containers' keys, as the Linux build writes them and as
# OpenSSL reads them: the password from a file, there being no terminal.
known=$here/../data/known-answers
for kat in kat2001:Kat-2001 kat256:Kat-256 kat512:; do
  name=${kat%%:*}
  printf '%s\r\n' "${kat#*:}" >"$work/$name.password"
  "$linux_quillfen" --export-key --password-file="$work/$name.password" "$known/$name.000" \
    "$work/keys-linux" >/dev/null
  env -u DISPLAY wine "$exe" --export-key --password-file="$(winpath "$work/$name.password")" \
    "$(winpath "$known/$name.000")" "$(winpath "$work/keys")" </dev/null
  check "$name: key exported" 0 "$?"
  for file in "$name.000.key.pem" "$name.000.cert.pem"; do
    check "$name: $file as on Linux" "" "$(cmp "$work/keys-linux/$file" "$work/keys/$file" 2>&1)"
  done
  check "$name: OpenSSL's public key" "$(cat "$known/$name.pub.pem")" \
    "$(openssl pkey -engine gost -in "$work/keys/$name.000.key.pem" -pubout 2>/dev/null)"
done
# Standard input, redirected by the caller, is there for a program without a
# console too.
env -u DISPLAY wine "$exe" --export-key --password-file=- "$(winpath "$known/kat256.000")" \
  "$(winpath "$work/keys-piped")" <"$work/kat256.password"
check "password from standard input" 0 "$?"
check "its key as the file's" "" \
  "$(cmp "$work/keys/kat256.000.key.pem" "$work/keys-piped/kat256.000.key.pem" 2>&1)"
# PFX files: each container's written by the Windows program (the new
# password piped in), opened by OpenSSL into the key the Linux build writes
# and read back by the Linux build; the independent writer's PFX of each
# kind read by the Windows program as the Linux build reads it.
printf 'Новый\r\n' >"$work/new.password"
for name in kat2001 kat256 kat512; do
  env -u DISPLAY wine "$exe" --export-pfx --password-file="$(winpath "$work/$name.password")" \
    --pfx-password-file=- "$(winpath "$known/$name.000")" "$(winpath "$work/pfx")" \
    <"$work/new.password"
  check "$name: PFX written" 0 "$?"
  check "$name: OpenSSL opens the PFX into the key" "$(cat "$work/keys-linux/$name.000.key.pem")" \
    "$(openssl pkcs12 -engine gost -nodes -nocerts -passin pass:Новый -in "$work/pfx/$name.000.pfx" 2>/dev/null |
      sed -n '/BEGIN PRIVATE KEY/,/END PRIVATE KEY/p')"
  "$linux_quillfen" --export-key --password-file="$work/new.password" "$work/pfx/$name.000.pfx" \
    "$work/from-pfx-linux" >/dev/null
  check "$name: the Linux build reads it" "" \
    "$(cmp "$work/keys-linux/$name.000.key.pem" \
      "$work/from-pfx-linux/$(printf '%.8s' "${name}000").000.key.pem" 2>&1)"
done
printf 'Пароль-256\r\n' >"$work/std256.password"
printf 'Cp80-256\r\n' >"$work/cp80-256.password"
for pfx in kat256.std:std256 kat256.cp80:cp80-256 kat256.cp80-des3:cp80-256; do
  file=${pfx%%:*}
  password=$work/${pfx#*:}.password
  env -u DISPLAY wine "$exe" --export-key --password-file="$(winpath "$password")" \
    "$(winpath "$known/pfx/$file.pfx")" "$(winpath "$work/from-pfx-$file")" </dev/null
  check "$file.pfx: read" 0 "$?"
  short=$(printf '%s' "$file" | tr -cd 'a-z0-9' | cut -c1-8)
  check "$file.pfx: its key as the container's" "" \
    "$(cmp "$work/keys-linux/kat256.000.key.pem" "$work/from-pfx-$file/$short.000.key.pem" 2>&1)"
done
for args in "" "a b c" "/?"; do
  # shellcheck disable=SC2086
  env -u DISPLAY wine "$exe" $args </dev/null
  status=$?
  case "$args" in "/?") want=0 ;; *) want=2 ;; esac
  check "usage for '$args': exit status" "$want" "$status"
done

# Every kind of message, from the real box under a virtual display.
hklm='[HKEY_LOCAL_MACHINE\SOFTWARE\Crypto Pro\Settings\Users\S-1\Keys'
printf 'REGEDIT4\r\n%s\\K]\r\n"a.key"=hex:01\r\n"con.key"=hex:02\r\n' "$hklm" >"$work/device.reg"
printf 'REGEDIT4\r\n%s\\K]\r\n"a.key"=dword:00000001\r\n' "$hklm" >"$work/nothex.reg"
printf 'regf and the rest of a hive' >"$work/SOFTWARE"
printf 'REGEDIT4\r\n%s\\K]\r\n"a.key"=hex:1\r\n' "$hklm" >"$work/baditem.reg"
printf 'REGEDIT4\r\n%s\\]\r\n' "$hklm" >"$work/noname.reg"
printf 'REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n' >"$work/nocontainer.reg"
printf 'REGEDIT4\r\n"a.key"=hex:01\r\n' >"$work/nokeys.reg"
printf 'plain text\r\n' >"$work/plain.txt"
printf '\r\n' >"$work/empty.password"
mkdir -p "$work/exists"
# Containers for the listings: a name with a tab, one under Wow6432Node, one
# that cannot be read; 45 for the cut at 40; "Main" of two users.
wow='[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Crypto Pro\Settings\Users\S-1\Keys'
printf 'REGEDIT4\r\n%s\\K\t1]\r\n"name.key"=hex:01\r\n%s\\Bad]\r\n"a.key"=hex:1\r\n%s\\K2]\r\n"name.key"=hex:02\r\n"masks.key"=hex:03\r\n' \
  "$hklm" "$hklm" "$wow" >"$work/list.reg"
{
  printf 'REGEDIT4\r\n'
  for i in $(seq 1 45); do printf '%s\\K%d]\r\n"name.key"=hex:01\r\n' "$hklm" "$i"; done
} >"$work/many.reg"
printf 'REGEDIT4\r\n%s\\Main]\r\n"a.key"=hex:01\r\n%s\\main]\r\n"b.key"=hex:02\r\n' \
  "$hklm" "${hklm/S-1/S-2}" >"$work/mains.reg"

src() { winpath "$work/$1"; }
indent='\r\n               quillfen[.EXE] '
usage="Velmora - Quillfen 1.00.0003\\r\\nCopyright © 2026 Velmora\\r\\n\\r\\nИспользование: quillfen[.EXE] FileName [Path]\
${indent}--container=NAME FileName [Path]${indent}--all FileName [Directory]${indent}--list FileName\
${indent}--info [--container=NAME] FileName${indent}--cert [--container=NAME | --all] FileName [Directory]\
${indent}--export-key [--container=NAME | --all] [--password-file=FILE] FileName [Directory]\
${indent}--export-pfx [--container=NAME | --all] [--password-file=FILE] [--pfx-password-file=FILE] FileName [Directory]\
${indent}--to-reg --user=SID [--wow64] [--name=NAME] Directory [FileName]${indent}--help | --version\
\\r\\n\\r\\nFileName: файл реестра (.reg) или файл куста реестра (SOFTWARE); с параметрами —\
\\r\\n          и каталог-контейнер, а с --info, --cert, --export-key и --export-pfx —\
\\r\\n          и файл PFX.\
\\r\\n  --container=NAME  контейнер NAME, а не первый в файле\
\\r\\n  --all             все контейнеры, каждый в свой каталог внутри Directory\
\\r\\n  --list            список контейнеров файла\
\\r\\n  --info            что в контейнерах: ключ, сертификат, файлы\
\\r\\n  --cert            сертификаты контейнеров в файлы NAME.cer в Directory\
\\r\\n  --export-key      закрытый ключ и сертификат в файлы PEM для OpenSSL\
\\r\\n  --export-pfx      закрытый ключ и сертификат в файлы PFX (PKCS #12)\
\\r\\n  --password-file   пароль из первой строки файла («-» — стандартный ввод)\
\\r\\n  --pfx-password-file\
\\r\\n                    пароль новых файлов PFX, так же\
\\r\\n  --to-reg          каталог-контейнер обратно в файл реестра\
\\r\\n  --user=SID        пользователь, в разделе которого контейнер\
\\r\\n  --wow64           раздел Wow6432Node (32-битное хранилище)\
\\r\\n  --native          64-битное хранилище, не Wow6432Node\
\\r\\n  --name=NAME       имя контейнера в реестре\
\\r\\n  -h, --help        эта справка\
\\r\\n  --version         версия программы"
box() {  # NAME STATUS ICON TEXT ARGS...
  local name=$1 status=$2 icon=$3 text=$4
  shift 4
  local want got
  want=$(printf 'caption=Velmora - Quillfen\nicon=%s\ntext=%s\nreader_status=0\nprogram_status=%s' \
    "$icon" "$text" "$status")
  got=$(bash "$here/read-box.sh" -p "$WINEPREFIX" -t 30 "$reader" "$exe" "$@" 2>/dev/null)
  # Wine on a busy machine has once shown no box within 30 s for a run that
  # passes on every other try: a box that never came is looked for once
  # more. A wrong box, or a program that hangs twice, still fails.
  if [[ "$got" == *$'reader_status=1\nprogram_status=143' ]]; then
    got=$(bash "$here/read-box.sh" -p "$WINEPREFIX" -t 60 "$reader" "$exe" "$@" 2>/dev/null)
  fi
  check "$name" "$want" "$got"
}
run_boxes() {
  box "usage" 2 information "$usage"
  box "help" 0 information "$usage" /HELP
  box "success" 0 information "$(shown "$(src boxed)")\r\n\r\nКаталог-контейнер создан успешно! ^_^v" \
    "$(winpath "$example")" "$(src boxed)"
  box "target exists" 1 critical "$(shown "$(src exists)")\r\n\r\nФайл или каталог уже существует." \
    "$(winpath "$example")" "$(src exists)"
  box "read failure" 1 critical \
    "$(shown "$(src none.reg)")\r\n\r\nНе удалось прочитать файл.\r\n\r\nОшибка 2: $WINE_FILE_NOT_FOUND" \
    "$(src none.reg)" "$(src o1)"
  box "not a registry file" 1 critical "$(shown "$(src plain.txt)")\r\n\r\nФайл не является файлом реестра." \
    "$(src plain.txt)" "$(src o2)"
  box "no keys" 1 critical "$(shown "$(src nokeys.reg)")\r\n\r\nВ файле реестра не найдено разделов." \
    "$(src nokeys.reg)" "$(src o3)"
  box "no container" 1 critical \
    "$(shown "$(src nocontainer.reg)")\r\n\r\nВ файле реестра не найден раздел с контейнером." \
    "$(src nocontainer.reg)" "$(src o4)"
  box "no container name" 1 critical \
    "$(shown "$(src noname.reg)")\r\n\r\nНе удалось определить имя контейнера." "$(src noname.reg)" "$(src o5)"
  box "not hex" 1 critical "$(shown "$(src nothex.reg)")\r\n\r\nВ файле реестра обнаружено неверное значение (данные не являются двоичными или записаны с ошибкой)." \
    "$(src nothex.reg)" "$(src o6)"
  box "bad item" 1 critical "$(shown "$(src baditem.reg)")\r\n\r\nВ файле реестра обнаружено неверное значение «a.key» (данные не являются двоичными или записаны с ошибкой)." \
    "$(src baditem.reg)" "$(src o7)"
  box "directory" 1 critical "$(shown "$(src plain.txt)\\sub")\r\n\r\nНе удалось создать каталог контейнера." \
    "$(src device.reg)" "$(src plain.txt)\\sub"
  box "device name" 1 critical \
    "$(shown "$(src o8)\\con.key")\r\n\r\nНе удалось записать файл в каталог контейнера.\r\n\r\nОшибка 123: The name is reserved for a Windows device" \
    "$(src device.reg)" "$(src o8)"
  box "hive file" 1 critical \
    "$(shown "$(src SOFTWARE)")\r\n\r\nФайлы кустов реестра эта программа читает только в Linux; здесь экспортируйте раздел редактором реестра." \
    "$(src SOFTWARE)" "$(src o9)"
  box "install" 1 critical \
    "Установка в хранилище ключей есть только в Linux: в Windows хранилище ключей — это реестр." \
    --install "$(winpath "$example")"
  local user=' — пользователь S-1, 64-битное хранилище — значений: '
  box "list for people" 0 information \
    "«K\\\\t1»${user}1 — каталог k1.000 — сертификат нет — нет: header.key, masks.key, primary.key\r\n«Bad»${user}0 — каталог bad.000 — ошибка: В файле реестра обнаружено неверное значение «a.key» (данные не являются двоичными или записаны с ошибкой).\r\n«K2» — пользователь S-1, 32-битное хранилище (Wow6432Node) — значений: 2 — каталог k2.000 — сертификат нет — нет: header.key, primary.key" \
    --list "$(src list.reg)"
  local listed="" converted=""
  for i in $(seq 1 40); do
    listed+="«K$i»${user}1 — каталог k$i.000 — сертификат нет — нет: header.key, masks.key, primary.key\r\n"
    converted+="«K$i» → $(shown "$(src o10)\\k$i.000")\r\n"
  done
  box "list cut at forty" 0 information "${listed}… и ещё 5" --list "$(src many.reg)"
  box "all cut at forty" 0 information \
    "$(shown "$(src o10)")\r\n\r\n${converted}… и ещё 5\r\n\r\nКаталоги-контейнеры созданы успешно! ^_^v" \
    --all "$(src many.reg)" "$(src o10)"
  box "several of a name" 1 critical \
    "$(shown "$(src mains.reg)")\r\n\r\nВ файле реестра несколько разделов с контейнером «MAIN»: выберите один параметрами «--user», «--wow64» или «--native».\r\n\r\n«Main» — пользователь S-1, 64-битное хранилище\r\n«main» — пользователь S-2, 64-битное хранилище" \
    --container=MAIN "$(src mains.reg)" "$(src o11)"
  box "key exported" 0 information \
    "$(shown "$(src keys2)")\r\n\r\n«kat512» → kat512.000.key.pem, kat512.000.cert.pem\r\n\r\nКлючи выгружены успешно! ^_^v\r\nФайлы .key.pem не зашифрованы: храните их так же бережно, как сам контейнер." \
    --export-key "$(winpath "$known/kat512.000")" "$(src keys2)"
  box "wrong password" 1 critical \
    "$(shown "$(winpath "$known/kat256.000")")\r\n\r\nНеверный пароль контейнера «kat256»." \
    --export-key --password-file="$(src kat2001.password)" "$(winpath "$known/kat256.000")" "$(src o12)"
  box "no password to be had" 1 critical \
    "$(shown "$(winpath "$known/kat256.000")")\r\n\r\nКонтейнер «kat256» защищён паролем, а спросить его негде: укажите файл с паролем параметром «--password-file=FILE» (или «-» для стандартного ввода)." \
    --export-key "$(winpath "$known/kat256.000")" "$(src o13)"
  box "PFX written" 0 information \
    "$(shown "$(src pfx2)")\r\n\r\n«kat512» → kat512.000.pfx\r\n\r\nФайл PFX создан успешно! ^_^v\r\nПароль файлов .pfx пуст: храните их так же бережно, как сам контейнер." \
    --export-pfx --pfx-password-file="$(src empty.password)" "$(winpath "$known/kat512.000")" "$(src pfx2)"
  box "no PFX password to be had" 1 critical \
    "$(shown "$(winpath "$known/kat512.000")")\r\n\r\nПароль для файлов PFX спросить негде: укажите файл с паролем параметром «--pfx-password-file=FILE» (или «-» для стандартного ввода)." \
    --export-pfx "$(winpath "$known/kat512.000")" "$(src o14)"
  box "a PFX for another option" 1 critical \
    "$(shown "$(winpath "$known/pfx/kat256.std.pfx")")\r\n\r\nЭто файл PFX: его читают только параметры «--info», «--cert», «--export-key» и «--export-pfx»." \
    --list "$(winpath "$known/pfx/kat256.std.pfx")"
  box "wrong PFX password" 1 critical \
    "$(shown "$(winpath "$known/pfx/kat256.std.pfx")")\r\n\r\nНеверный пароль файла PFX «kat256.std.pfx»." \
    --cert --password-file="$(src kat2001.password)" "$(winpath "$known/pfx/kat256.std.pfx")" "$(src o15)"
  box "a root has no name" 2 critical \
    "Z:\\\\\r\n\r\nУ корневого каталога нет имени: для «--to-reg» нужны параметр «--name=NAME» и FileName.\r\n\r\n$usage" \
    --to-reg --user=S-1 'Z:\'
}
WINE_FILE_NOT_FOUND=${WINE_FILE_NOT_FOUND:-File not found}
# Wine's processes from the runs without a display would keep showing
# boxes nowhere.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
run_boxes
check "nothing left behind by failures" "o10" "$(ls "$work" | grep -E '^o[0-9]' || true)"
check "key files in the box's run" "kat512.000.cert.pem kat512.000.key.pem" "$(ls "$work/keys2" | xargs)"
check "the PFX of the box's run" "kat512.000.pfx" "$(ls "$work/pfx2" | xargs)"
check "forty-five converted" 45 "$(ls "$work/o10" | wc -l)"

echo "program tests: $passed passed, $failed failed"
((failed == 0))

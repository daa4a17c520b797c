#pragma once

namespace quillfen {

// Today's four lines, then the calls with options and the options.
inline constexpr char16_t kUsage[] =
    u"Velmora - Quillfen 1.00.0003\r\nCopyright © 2026 Velmora\r\n\r\n"
    u"Использование: quillfen[.EXE] FileName [Path]\r\n"
    u"               quillfen[.EXE] --container=NAME FileName [Path]\r\n"
    u"               quillfen[.EXE] --all FileName [Directory]\r\n"
    u"               quillfen[.EXE] --list FileName\r\n"
    u"               quillfen[.EXE] --info [--container=NAME] FileName\r\n"
    u"               quillfen[.EXE] --cert [--container=NAME | --all] FileName [Directory]\r\n"
    u"               quillfen[.EXE] --export-key [--container=NAME | --all] "
    u"[--password-file=FILE] FileName [Directory]\r\n"
    u"               quillfen[.EXE] --export-pfx [--container=NAME | --all] "
    u"[--password-file=FILE] [--pfx-password-file=FILE] FileName [Directory]\r\n"
#ifndef _WIN32
    u"               quillfen[.EXE] --install[=USER] [--keys-dir=DIR] [--container=NAME | --all] "
    u"FileName\r\n"
#endif
    u"               quillfen[.EXE] --to-reg --user=SID [--wow64] [--name=NAME] Directory "
    u"[FileName]\r\n"
    u"               quillfen[.EXE] --help | --version\r\n\r\n"
    u"FileName: файл реестра (.reg) или файл куста реестра (SOFTWARE); с параметрами —\r\n"
    u"          и каталог-контейнер, а с --info, --cert, --export-key и --export-pfx —\r\n"
    u"          и файл PFX.\r\n"
    u"  --container=NAME  контейнер NAME, а не первый в файле\r\n"
    u"  --all             все контейнеры, каждый в свой каталог внутри Directory\r\n"
    u"  --list            список контейнеров файла\r\n"
    u"  --info            что в контейнерах: ключ, сертификат, файлы\r\n"
    u"  --cert            сертификаты контейнеров в файлы NAME.cer в Directory\r\n"
    u"  --export-key      закрытый ключ и сертификат в файлы PEM для OpenSSL\r\n"
    u"  --export-pfx      закрытый ключ и сертификат в файлы PFX (PKCS #12)\r\n"
    u"  --password-file   пароль из первой строки файла («-» — стандартный ввод)\r\n"
    u"  --pfx-password-file\r\n"
    u"                    пароль новых файлов PFX, так же\r\n"
#ifndef _WIN32
    u"  --install[=USER]  в хранилище ключей пользователя USER\r\n"
    u"  --keys-dir=DIR    хранилище ключей (по умолчанию /var/opt/cprocsp/keys)\r\n"
#endif
    u"  --to-reg          каталог-контейнер обратно в файл реестра\r\n"
    u"  --user=SID        пользователь, в разделе которого контейнер\r\n"
    u"  --wow64           раздел Wow6432Node (32-битное хранилище)\r\n"
    u"  --native          64-битное хранилище, не Wow6432Node\r\n"
    u"  --name=NAME       имя контейнера в реестре\r\n"
    u"  -h, --help        эта справка\r\n"
    u"  --version         версия программы";

}  // namespace quillfen

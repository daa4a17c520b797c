#include "app/usage_text.h"

#include "app/format_version.h"

namespace quillfen {

std::u16string UsageText(std::u16string_view executableName) {
  const std::u16string program = std::u16string(executableName) + u"[.EXE] ";
  const std::u16string indent(15, u' ');  // under the program's name in the first line
  std::u16string text = GetAboutText() + u"\r\n\r\nИспользование: " + program + u"FileName [Path]";
  for (const char16_t* call : {
           u"--container=NAME FileName [Path]",
           u"--all FileName [Directory]",
           u"--list FileName",
           u"--info [--container=NAME] FileName",
           u"--cert [--container=NAME | --all] FileName [Directory]",
           u"--export-key [--container=NAME | --all] [--password-file=FILE] FileName [Directory]",
           u"--export-pfx [--container=NAME | --all] [--password-file=FILE] "
           u"[--pfx-password-file=FILE] FileName [Directory]",
#ifndef _WIN32
           u"--install[=USER] [--keys-dir=DIR] [--container=NAME | --all] FileName",
#endif
           u"--to-reg --user=SID [--wow64] [--name=NAME] Directory [FileName]",
           u"--help | --version",
       }) {
    text += u"\r\n" + indent + program + call;
  }
  text +=
      u"\r\n\r\n"
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
  return text;
}

}  // namespace quillfen

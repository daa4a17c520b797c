#include <vector>

#include "app/mod_main.h"
#include "host/argument_list.h"
#include "host/platform.h"
#include "host/unicode.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::u16string> arguments;
  for (int i = 1; argv != nullptr && i < count; ++i) {
    arguments.emplace_back(argv[i], argv[i] + wcslen(argv[i]));
  }
  ::LocalFree(argv);
  quillfen::ArgumentList::Global() = quillfen::ArgumentList(std::move(arguments));
  return quillfen::Main();
}
#else
int main(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(quillfen::FromUtf8(argv[i]));
  quillfen::ArgumentList::Global() = quillfen::ArgumentList(std::move(arguments));
  if (argc > 0) quillfen::SetProgramPath(quillfen::FromUtf8(argv[0]));
  return quillfen::Main();
}
#endif

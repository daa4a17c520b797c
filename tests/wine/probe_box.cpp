// Tiny GUI program for the message-box reading check under Wine/Xvfb.
// Shows one message box and exits with 7 if it was closed with OK.
//   probe_box.exe            -> information box (the default check)
//   probe_box.exe critical   -> error box, other text (icon check)
// Build: <triple>-g++-win32 -std=c++20 -municode -mwindows -static
#include <windows.h>
#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR cmdLine, int)
{
    const bool critical = cmdLine && std::wcsstr(cmdLine, L"critical") != nullptr;
    int rc;
    if (critical) {
        rc = MessageBoxW(nullptr, L"Ошибка: файл не найден\r\nZ:\\tmp\\a.reg",
                         L"Velmora - Quillfen", MB_OK | MB_ICONERROR);
    } else {
        rc = MessageBoxW(nullptr,
                         L"C:\\x\r\n\r\nКаталог-контейнер создан успешно! ^_^v",
                         L"Velmora - Quillfen", MB_OK | MB_ICONINFORMATION);
    }
    if (rc == IDOK)
        return 7;
    return rc < 0 ? 100 : 100 + rc;   // -1 (no display) -> 100
}

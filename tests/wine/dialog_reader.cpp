// dialog_reader: finds a message box (top-level dialog of class #32770),
// prints what it shows, presses OK and exits 0.
//
//   dialog_reader.exe TIMEOUT_SECONDS [WINDOWS_PID]
//
// Output (UTF-8, one field per line, LF line ends):
//   caption=<window caption>
//   icon=information|critical|warning|question|none|unknown
//   text=<message text>
// In caption and text a backslash is written as \\, CR as \r, LF as \n.
// Diagnostics (which controls/methods were used) go to stderr.
//
// Exit status: 0 read and closed; 1 no dialog within the timeout;
// 2 usage error; 3 the dialog did not close after OK was pressed.
//
// Where things are: on Windows the message text is the static control
// 0xFFFF and the icon the static control 0x14; Wine 8 uses 0xFFFF for the
// text but 0x440 (stc1) for the icon. The icon kind is found by comparing
// the STM_GETICON handle with LoadIcon(NULL, IDI_*) (system icons are
// shared between processes on Windows); under Wine icon handles are
// per-process, so there the icon control's pixels are read back from the
// screen and compared with the system icons drawn by this process.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
  DWORD pid = 0;  // 0: any process
  HWND found = nullptr;
};

BOOL CALLBACK findDialog(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  wchar_t cls[32] = {};
  if (!GetClassNameW(hwnd, cls, 32) || std::wcscmp(cls, L"#32770") != 0) return TRUE;
  if (!IsWindowVisible(hwnd)) return TRUE;  // still being set up (text is set before showing)
  if (s->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid) return TRUE;
  }
  s->found = hwnd;
  return FALSE;
}

std::wstring windowText(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  std::wstring t(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(hwnd, t.data(), n + 1);
  t.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return t;
}

std::string toUtf8Escaped(const std::wstring& w) {
  std::wstring e;
  for (wchar_t c : w) {
    if (c == L'\\')
      e += L"\\\\";
    else if (c == L'\r')
      e += L"\\r";
    else if (c == L'\n')
      e += L"\\n";
    else
      e += c;
  }
  if (e.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, e.data(), static_cast<int>(e.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, e.data(), static_cast<int>(e.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

bool isStatic(HWND h) {
  wchar_t cls[16] = {};
  GetClassNameW(h, cls, 16);
  return _wcsicmp(cls, L"Static") == 0;
}

bool isIconStatic(HWND h) {
  return isStatic(h) && (GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

struct ChildSearch {
  bool wantIcon;
  HWND found = nullptr;
};

BOOL CALLBACK findChild(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<ChildSearch*>(lp);
  if (s->wantIcon ? isIconStatic(h)
                  : (isStatic(h) && !isIconStatic(h) && GetWindowTextLengthW(h) > 0)) {
    s->found = h;
    return FALSE;
  }
  return TRUE;
}

HWND textControl(HWND dlg) {
  HWND h = GetDlgItem(dlg, 0xFFFF);
  if (h) return h;
  ChildSearch s{false};
  EnumChildWindows(dlg, findChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND iconControl(HWND dlg) {
  for (int id : {0x14, 0x440}) {
    HWND h = GetDlgItem(dlg, id);
    if (h && isIconStatic(h)) return h;
  }
  ChildSearch s{true};
  EnumChildWindows(dlg, findChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

struct Kind {
  const char* name;
  LPCWSTR id;
};
const Kind kKinds[] = {
    {"information", IDI_INFORMATION},
    {"critical", IDI_ERROR},
    {"warning", IDI_WARNING},
    {"question", IDI_QUESTION},
};

// 32-bit top-down DIB of w x h pixels (BGRA), selected into a memory DC.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  std::uint32_t* px = nullptr;
  int w = 0, h = 0;
  Canvas(HDC ref, int w_, int h_) : w(w_), h(h_) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc = CreateCompatibleDC(ref);
    bmp = CreateDIBSection(ref, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    px = static_cast<std::uint32_t*>(bits);
    if (dc && bmp) old = SelectObject(dc, bmp);
  }
  ~Canvas() {
    if (old) SelectObject(dc, old);
    if (bmp) DeleteObject(bmp);
    if (dc) DeleteDC(dc);
  }
  bool ok() const { return dc && bmp && px; }
  void fill(std::uint32_t v) {
    for (int i = 0; i < w * h; ++i) px[i] = v;
  }
};

int channelDiff(std::uint32_t a, std::uint32_t b) {
  int d = 0;
  for (int s = 0; s < 24; s += 8)
    d += std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF));
  return d;
}

// Reads the icon control's pixels from the screen and returns the best
// matching system icon, or "unknown". Mean per-pixel difference (sum of
// the three channels) over the icon's opaque pixels must be small.
const char* kindByPixels(HWND icon) {
  RECT rc;
  if (!GetClientRect(icon, &rc)) return "unknown";
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (w <= 0 || h <= 0 || w > 256 || h > 256) return "unknown";
  POINT org{0, 0};
  ClientToScreen(icon, &org);

  HDC screen = GetDC(nullptr);
  Canvas shot(screen, w, h);
  const char* best = "unknown";
  if (shot.ok() && BitBlt(shot.dc, 0, 0, w, h, screen, org.x, org.y, SRCCOPY)) {
    GdiFlush();
    double bestScore = 1e9;
    for (const Kind& k : kKinds) {
      HICON hi = LoadIconW(nullptr, k.id);
      Canvas black(screen, w, h), white(screen, w, h);
      if (!hi || !black.ok() || !white.ok()) continue;
      black.fill(0x000000);
      white.fill(0xFFFFFF);
      DrawIconEx(black.dc, 0, 0, hi, w, h, 0, nullptr, DI_NORMAL);
      DrawIconEx(white.dc, 0, 0, hi, w, h, 0, nullptr, DI_NORMAL);
      GdiFlush();
      long long sum = 0, n = 0;
      for (int i = 0; i < w * h; ++i) {
        if (channelDiff(black.px[i], white.px[i]) != 0) continue;  // not opaque
        sum += channelDiff(black.px[i], shot.px[i]);
        ++n;
      }
      if (n < (w * h) / 8) continue;
      double score = static_cast<double>(sum) / static_cast<double>(n);
      std::fprintf(stderr, "dialog_reader: pixel score %s=%.2f (%lld px)\n", k.name, score, n);
      if (score < bestScore) {
        bestScore = score;
        best = k.name;
      }
    }
    if (bestScore > 8.0) best = "unknown";
  }
  ReleaseDC(nullptr, screen);
  return best;
}

const char* iconKind(HWND dlg) {
  HWND icon = iconControl(dlg);
  if (!icon) return "none";
  std::fprintf(stderr, "dialog_reader: icon control id=0x%x\n", GetDlgCtrlID(icon));
  HICON hi = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
  if (!hi) return "none";
  for (const Kind& k : kKinds) {
    if (LoadIconW(nullptr, k.id) == hi) {
      std::fprintf(stderr, "dialog_reader: icon kind by handle\n");
      return k.name;
    }
  }
  // Wine: handles differ between processes. The dialog may not be
  // painted yet: retry for a short while.
  const char* kind = "unknown";
  for (int i = 0; i < 30; ++i) {
    kind = kindByPixels(icon);
    if (std::strcmp(kind, "unknown") != 0) {
      std::fprintf(stderr, "dialog_reader: icon kind by pixels\n");
      break;
    }
    Sleep(100);
  }
  return kind;
}

void writeLine(const char* key, const std::string& value) {
  std::fputs(key, stdout);
  std::fputc('=', stdout);
  std::fwrite(value.data(), 1, value.size(), stdout);
  std::fputc('\n', stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: dialog_reader TIMEOUT_SECONDS [WINDOWS_PID]\n", stderr);
    return 2;
  }
  _setmode(_fileno(stdout), _O_BINARY);  // LF line ends, raw UTF-8
  const double timeout = _wtof(argv[1]);
  Search s;
  if (argc == 3) s.pid = static_cast<DWORD>(_wtol(argv[2]));
  if (timeout <= 0) {
    std::fputs("dialog_reader: bad timeout\n", stderr);
    return 2;
  }

  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout * 1000.0);
  while (!s.found) {
    EnumWindows(findDialog, reinterpret_cast<LPARAM>(&s));
    if (s.found) break;
    if (GetTickCount64() >= deadline) {
      std::fputs("dialog_reader: timeout, no message box found\n", stderr);
      return 1;
    }
    Sleep(100);
  }
  HWND dlg = s.found;
  Sleep(200);  // let the box finish its first paint

  const std::wstring caption = windowText(dlg);
  HWND text = textControl(dlg);
  const std::wstring body = text ? windowText(text) : std::wstring();
  const char* kind = iconKind(dlg);

  writeLine("caption", toUtf8Escaped(caption));
  writeLine("icon", kind);
  writeLine("text", toUtf8Escaped(body));
  std::fflush(stdout);

  // Press OK.
  HWND ok = GetDlgItem(dlg, IDOK);
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
  for (int i = 0; i < 100 && IsWindow(dlg); ++i) Sleep(50);
  if (IsWindow(dlg)) {
    std::fputs("dialog_reader: message box did not close after OK\n", stderr);
    return 3;
  }
  return 0;
}

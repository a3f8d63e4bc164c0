#include "ui/dpi.hpp"

namespace setup::ui {
namespace {

// Newer user32 entry points are looked up, so the program still starts on older systems.
template <class Fn>
Fn User32Entry(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

int DpiOf(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Entry<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && hwnd) {
        if (const UINT dpi = getDpiForWindow(hwnd)) return static_cast<int>(dpi);
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

RECT WindowRectForClient(const RECT& client, DWORD style, DWORD exStyle, int dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Entry<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT r = client;
    if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        r = client;
        ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    }
    return r;
}

}  // namespace setup::ui

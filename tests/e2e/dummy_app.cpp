// A small window for the driver's self-test: labels (one inside a frame), buttons with access
// keys, a disabled button, a progress bar, a message box, and a dialog-style message pump.
#include <windows.h>
#include <commctrl.h>

#include "dummy_app_ids.hpp"

namespace {

namespace d = e2e::dummy;

int g_exitCode = d::kExitByClose;
HWND g_lastFocus = nullptr;

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
           int id) {
    return ::CreateWindowExW(0, cls, text, WS_CHILD | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                             nullptr);
}

void CreateControls(HWND hwnd) {
    const HWND frame = Child(hwnd, L"STATIC", L"", WS_VISIBLE | SS_ETCHEDFRAME | WS_CLIPCHILDREN, 10, 10, 180,
                             60, d::kFrame);
    Child(frame, L"STATIC", d::kFramedLabelText, WS_VISIBLE, 10, 20, 150, 20, d::kFramedLabel);
    Child(hwnd, L"STATIC", d::kLabelText, WS_VISIBLE, 210, 20, 180, 20, d::kLabel);
    Child(hwnd, L"STATIC", L"hidden", 0, 210, 50, 180, 20, d::kHiddenLabel);
    const HWND go = Child(hwnd, L"BUTTON", L"&Go", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 170, 100,
                          30, d::kGo);
    const HWND off = Child(hwnd, L"BUTTON", L"&Off", WS_VISIBLE | WS_TABSTOP, 150, 170, 100, 30, d::kOff);
    ::EnableWindow(off, FALSE);
    Child(hwnd, L"BUTTON", L"E&xit", WS_VISIBLE | WS_TABSTOP, 290, 170, 100, 30, d::kExit);
    const HWND bar = Child(hwnd, PROGRESS_CLASSW, L"", WS_VISIBLE, 10, 100, 380, 24, d::kProgress);
    ::SendMessageW(bar, PBM_SETRANGE32, d::kProgressLow, d::kProgressHigh);
    ::SendMessageW(bar, PBM_SETPOS, d::kProgressPos, 0);
    g_lastFocus = go;
}

void End(HWND hwnd, int code) {
    g_exitCode = code;
    ::DestroyWindow(hwnd);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        CreateControls(hwnd);
        return 0;
    case WM_ACTIVATE:
        // Keep the focus on a control across activation, as a dialog does.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            if (focus && ::IsChild(hwnd, focus)) g_lastFocus = focus;
        } else if (g_lastFocus) {
            ::SetFocus(g_lastFocus);
        }
        return 0;
    case WM_SETFOCUS:
        if (g_lastFocus) ::SetFocus(g_lastFocus);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case d::kGo:
            ::MessageBoxW(hwnd, d::kMessageText, d::kMessageTitle, MB_OK);
            End(hwnd, d::kExitAfterGo);
            return 0;
        case d::kWarn:
            ::MessageBoxW(hwnd, d::kMessageText, d::kMessageTitle, MB_OKCANCEL | MB_ICONWARNING);
            return 0;
        case d::kExit:
            End(hwnd, d::kExitByExit);
            return 0;
        case IDCANCEL:
            End(hwnd, d::kExitByCancel);
            return 0;
        }
        break;
    case WM_DESTROY:
        ::PostQuitMessage(g_exitCode);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = d::kClass;
    if (!::RegisterClassExW(&wc)) return 1;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT rc{d::kClientLeft, d::kClientTop, d::kClientLeft + d::kClientWidth, d::kClientTop + d::kClientHeight};
    ::AdjustWindowRectEx(&rc, style, FALSE, 0);
    const HWND hwnd = ::CreateWindowExW(0, d::kClass, d::kCaption, style, rc.left, rc.top, rc.right - rc.left,
                                        rc.bottom - rc.top, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ::ShowWindow(hwnd, show);
    ::UpdateWindow(hwnd);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(hwnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

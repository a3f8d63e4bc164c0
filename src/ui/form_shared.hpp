#pragma once
// What the form runtime's files share; nothing outside ui/form*.cpp includes this.
#include <windows.h>

#include "ui/form_design.hpp"

namespace setup::ui::form {

inline constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
inline constexpr DWORD kExStyle = 0;
inline constexpr wchar_t kFrameClass[] = L"setup.Frame";
inline constexpr COLORREF kWhite = RGB(255, 255, 255);

inline HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

inline RECT TwipsRect(const ControlDesign& c, int dpi) {
    const int x = TwipsToPixels(c.left, dpi);
    const int y = TwipsToPixels(c.top, dpi);
    return {x, y, x + TwipsToPixels(c.width, dpi), y + TwipsToPixels(c.height, dpi)};
}

// The frame's window procedure (form_painting.cpp): a borderless container that asks its
// form for its colours and its labels'.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace setup::ui::form

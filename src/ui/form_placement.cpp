// Sizes, fonts, icons and the window's place, at the window's DPI.
#include "ui/dpi.hpp"
#include "ui/form.hpp"
#include "ui/form_shared.hpp"
#include "ui/resource_ids.h"

namespace setup::ui {

HFONT Form::FontFor(const Font& font) const {
    for (const auto& [f, handle] : fonts_)
        if (f == font) return handle.get();
    return nullptr;
}

void Form::ApplyFonts() {
    std::vector<std::pair<Font, UniqueFont>> fonts;
    auto addFont = [&](const Font& f) {
        for (const auto& entry : fonts)
            if (entry.first == f) return;
        LOGFONTW lf{};
        lf.lfHeight = PointsToFontHeight(f.points, dpi_);
        lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
        lf.lfCharSet = GB2312_CHARSET;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
        wcscpy_s(lf.lfFaceName, L"宋体");
        fonts.emplace_back(f, UniqueFont(::CreateFontIndirectW(&lf)));
    };
    addFont(kDefaultFont);
    for (const auto& c : children_) addFont(c.design->font);
    fonts_.swap(fonts);  // the old fonts go only after every control has the new ones

    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(kDefaultFont)), FALSE);
    for (const auto& c : children_)
        ::SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.design->font)), FALSE);
}

// The title bar's and the task switcher's icons, drawn from the 48-pixel image at this DPI
// rather than stretched from the class's.
void Form::ApplyIcons() {
    auto icon = [&](int size) {
        return UniqueIcon(static_cast<HICON>(
            ::LoadImageW(form::Instance(), MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    };
    UniqueIcon big = icon(::MulDiv(32, dpi_, 96));
    UniqueIcon small = icon(::MulDiv(16, dpi_, 96));
    if (big) {
        ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
        bigIcon_ = std::move(big);
    }
    if (small) {
        ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
        smallIcon_ = std::move(small);
    }
}

void Form::ApplyLayout(const POINT* windowOrigin) {
    ApplyFonts();
    for (const auto& c : children_) {
        const RECT r = form::TwipsRect(*c.design, dpi_);
        ::MoveWindow(c.hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    }
    ApplyIcons();
    PlaceWindow(windowOrigin);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::PlaceWindow(const POINT* windowOrigin) {
    const int width = TwipsToPixels(design_.clientWidth, dpi_);
    const int height = TwipsToPixels(design_.clientHeight, dpi_);
    RECT client{0, 0, width, height};
    if (design_.startUp == StartUp::Manual) {
        client.left = TwipsToPixels(design_.left, dpi_);
        client.top = TwipsToPixels(design_.top, dpi_);
        client.right = client.left + width;
        client.bottom = client.top + height;
    }
    RECT frame = WindowRectForClient(client, form::kStyle, form::kExStyle, dpi_);
    int x = frame.left;
    int y = frame.top;
    const int w = frame.right - frame.left;
    const int h = frame.bottom - frame.top;
    if (windowOrigin) {
        x = windowOrigin->x;
        y = windowOrigin->y;
    } else if (design_.startUp == StartUp::CentreScreen) {
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
        x = mi.rcMonitor.left + ((mi.rcMonitor.right - mi.rcMonitor.left) - w) / 2;
        y = mi.rcMonitor.top + ((mi.rcMonitor.bottom - mi.rcMonitor.top) - h) / 2;
    }
    ::SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame the system really draws may differ from the one computed for this DPI (a
    // title bar still at the old DPI, say); the client area is what the design fixes.
    RECT got{};
    ::GetClientRect(hwnd_, &got);
    const int dw = width - got.right;
    const int dh = height - got.bottom;
    if (dw != 0 || dh != 0) {
        if (design_.startUp == StartUp::Manual && !windowOrigin) {
            // Keep the client area's top-left corner where the design puts it.
            POINT corner{0, 0};
            ::ClientToScreen(hwnd_, &corner);
            x += client.left - corner.x;
            y += client.top - corner.y;
        }
        ::SetWindowPos(hwnd_, nullptr, x, y, w + dw, h + dh, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace setup::ui

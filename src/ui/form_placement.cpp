// Sizes, fonts, icons and the window's place, at the window's DPI and the user's text size.
#include "ui/dpi.hpp"
#include "ui/form.hpp"
#include "ui/form_shared.hpp"
#include "ui/resource_ids.h"
#include "ui/screen_area.hpp"

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
        lf.lfHeight = PointsToFontHeight(f.points, layoutDpi_);
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
    placing_ = true;
    // A WM_DPICHANGED while the window is being placed (its frame reached another monitor,
    // say) has changed dpi_: lay it out again at the final DPI. A system that kept changing
    // its mind is not followed for ever.
    for (int pass = 0; pass < 3; ++pass) {
        const int dpi = dpi_;
        layoutDpi_ = ChooseLayoutDpi();
        ApplyFonts();
        for (const auto& c : children_) {
            const RECT r = form::TwipsRect(*c.design, layoutDpi_);
            ::MoveWindow(c.hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        }
        ApplyIcons();
        PlaceWindow(windowOrigin);
        if (dpi_ == dpi) break;
    }
    placing_ = false;
    // The controls were moved without repainting: each is drawn again at its new size and font.
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

// The system draws the frame at the window's DPI; the client area holds the design.
RECT Form::Frame() const {
    const RECT client{0, 0, TwipsToPixels(design_.clientWidth, layoutDpi_),
                      TwipsToPixels(design_.clientHeight, layoutDpi_)};
    return WindowRectForClient(client, form::kStyle, form::kExStyle, dpi_);
}

int Form::ChooseLayoutDpi() const {
    const RECT frame = WindowRectForClient({0, 0, 0, 0}, form::kStyle, form::kExStyle, dpi_);
    const RECT work = desktop_.PrimaryMonitor().work;
    return LayoutDpi(dpi_, desktop_.TextScalePercent(), {design_.clientWidth, design_.clientHeight},
                     {frame.right - frame.left, frame.bottom - frame.top},
                     {work.right - work.left, work.bottom - work.top});
}

// The text size changed while the window is open (Windows then tells every window that a
// setting changed).
void Form::FollowTextScale() {
    if (!placing_ && hwnd_ && ChooseLayoutDpi() != layoutDpi_) ApplyLayout(nullptr);
}

// At the designed place when the window fits its monitor's work area, else moved just enough
// to lie inside it; where the system suggested a place (a DPI change), there.
RECT Form::PlacedRect(const RECT& frame, const POINT* windowOrigin) const {
    const int w = frame.right - frame.left;
    const int h = frame.bottom - frame.top;
    if (windowOrigin) return {windowOrigin->x, windowOrigin->y, windowOrigin->x + w, windowOrigin->y + h};
    const MonitorArea screen = desktop_.PrimaryMonitor();
    const ScreenRect monitor{screen.monitor.left, screen.monitor.top, screen.monitor.right, screen.monitor.bottom};
    const ScreenRect work{screen.work.left, screen.work.top, screen.work.right, screen.work.bottom};
    ScreenRect placed;
    if (design_.startUp == StartUp::Manual) {
        // The design gives the client area's top-left corner on the screen.
        const int x = monitor.left + TwipsToPixels(design_.left, dpi_);
        const int y = monitor.top + TwipsToPixels(design_.top, dpi_);
        placed = KeepInside({x + frame.left, y + frame.top, x + frame.right, y + frame.bottom}, work);
    } else {
        placed = CentredOn(monitor, work, w, h);
    }
    return {placed.left, placed.top, placed.right, placed.bottom};
}

void Form::MoveTo(const RECT& window) {
    ::SetWindowPos(hwnd_, nullptr, window.left, window.top, window.right - window.left, window.bottom - window.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::PlaceWindow(const POINT* windowOrigin) {
    const int dpi = dpi_;
    MoveTo(PlacedRect(Frame(), windowOrigin));
    if (dpi_ != dpi) return;  // moved onto another DPI: the next pass places it
    // The frame the system really draws may differ from the one computed for this DPI (a
    // title bar still at the old DPI, say); the client area is what the design fixes.
    const int width = TwipsToPixels(design_.clientWidth, layoutDpi_);
    const int height = TwipsToPixels(design_.clientHeight, layoutDpi_);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (client.right == width && client.bottom == height) return;
    RECT window{};
    ::GetWindowRect(hwnd_, &window);
    POINT corner{0, 0};
    ::ClientToScreen(hwnd_, &corner);
    const RECT frame{window.left - corner.x, window.top - corner.y, width + (window.right - corner.x - client.right),
                     height + (window.bottom - corner.y - client.bottom)};
    MoveTo(PlacedRect(frame, windowOrigin));
}

}  // namespace setup::ui

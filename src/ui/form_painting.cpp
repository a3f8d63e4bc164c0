// The picture, the lines and the colours of a form and its frames.
#include <algorithm>

#include "ui/colour_contrast.hpp"
#include "ui/form.hpp"
#include "ui/form_shared.hpp"
#include "ui/pictures.hpp"

namespace setup::ui {

namespace form {

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CTLCOLORSTATIC:
            return ::SendMessageW(::GetParent(hwnd), msg, wp, lp);
        case WM_ERASEBKGND: {
            // The form answers for the frame as for its labels, with a brush it keeps.
            const auto brush = reinterpret_cast<HBRUSH>(
                ::SendMessageW(::GetParent(hwnd), WM_CTLCOLORSTATIC, wp, reinterpret_cast<LPARAM>(hwnd)));
            RECT r;
            ::GetClientRect(hwnd, &r);
            ::FillRect(reinterpret_cast<HDC>(wp), &r, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        default:
            return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace form

namespace {

Rgb ToRgb(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

}  // namespace

// The design's white carries only a dark text. Under high contrast, or a scheme whose text
// is light, the labels and the frame take the system's own colour pairs instead, and the
// pictures, which would stand out of the scheme, go.
void Form::FollowSystemColours() {
    systemColours_ = desktop_.HighContrast() || !Readable(ToRgb(::GetSysColor(COLOR_BTNTEXT)), ToRgb(form::kWhite));
}

void Form::OnSystemColoursChanged(UINT msg, WPARAM wp, LPARAM lp) {
    FollowSystemColours();
    // The common controls learn of new colours only from their top-level window.
    if (msg == WM_SYSCOLORCHANGE) {
        for (const auto& c : children_) ::SendMessageW(c.hwnd, msg, wp, lp);
    }
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

LRESULT Form::ControlColours(HDC dc, HWND control) {
    const Child* c = FindChild(control);
    const bool white = c && c->design->back == Colour::White;
    if (systemColours_) {
        // The window's pair where the design has white, the face's elsewhere.
        const int back = white ? COLOR_WINDOW : COLOR_BTNFACE;
        ::SetTextColor(dc, ::GetSysColor(white ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
        ::SetBkColor(dc, ::GetSysColor(back));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(back));
    }
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    if (white) {
        ::SetBkColor(dc, form::kWhite);
        return reinterpret_cast<LRESULT>(whiteBrush_.get());
    }
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void Form::Paint() {
    PaintDc dc(hwnd_);
    if (!dc) return;
    if (HBITMAP picture = systemColours_ ? nullptr : PictureBitmap(design_.picture)) {
        const SIZE size = PictureSize(design_.picture);
        if (UniqueMemoryDc memory{::CreateCompatibleDC(dc.get())}) {
            SelectedObject selected(memory.get(), picture);
            // The picture keeps its designed size in twips, so it scales with the layout.
            const int w = ::MulDiv(size.cx, layoutDpi_, 96);
            const int h = ::MulDiv(size.cy, layoutDpi_, 96);
            if (w == size.cx && h == size.cy) {
                ::BitBlt(dc.get(), 0, 0, w, h, memory.get(), 0, 0, SRCCOPY);
            } else {
                ::SetStretchBltMode(dc.get(), HALFTONE);
                ::SetBrushOrgEx(dc.get(), 0, 0, nullptr);
                ::StretchBlt(dc.get(), 0, 0, w, h, memory.get(), 0, 0, size.cx, size.cy, SRCCOPY);
            }
        }
    }
    for (const auto& c : design_.controls) {
        if (c.kind != ControlKind::Line || !c.visible) continue;
        // On the face colour, in the colour of the text the system draws there.
        const COLORREF colour = systemColours_            ? ::GetSysColor(COLOR_BTNTEXT)
                                : c.back == Colour::White ? form::kWhite
                                                          : ::GetSysColor(COLOR_BTNFACE);
        UniquePen pen(::CreatePen(PS_SOLID, std::max(1, ::MulDiv(1, layoutDpi_, 96)), colour));
        SelectedObject selected(dc.get(), pen.get());
        ::MoveToEx(dc.get(), TwipsToPixels(c.left, layoutDpi_), TwipsToPixels(c.top, layoutDpi_), nullptr);
        ::LineTo(dc.get(), TwipsToPixels(c.width, layoutDpi_), TwipsToPixels(c.height, layoutDpi_));
    }
}

}  // namespace setup::ui

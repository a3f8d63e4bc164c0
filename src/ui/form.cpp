#include "ui/form.hpp"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

#include "ui/application.hpp"
#include "ui/dpi.hpp"
#include "ui/identity.h"
#include "ui/pictures.hpp"

namespace setup::ui {
namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = 0;
constexpr wchar_t kFrameClass[] = L"setup.Frame";
constexpr COLORREF kWhite = RGB(255, 255, 255);

std::vector<Form*>& AllForms() {
    static std::vector<Form*> forms;
    return forms;
}
int& LoadedForms() {
    static int count = 0;
    return count;
}

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

// A frame is a borderless container; its labels ask their colours of the window.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CTLCOLORSTATIC:
            return ::SendMessageW(::GetParent(hwnd), msg, wp, lp);
        case WM_ERASEBKGND: {
            RECT r;
            ::GetClientRect(hwnd, &r);
            const auto colour = static_cast<COLORREF>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            UniqueBrush brush(::CreateSolidBrush(colour));
            ::FillRect(reinterpret_cast<HDC>(wp), &r, brush.get());
            return 1;
        }
        default:
            return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void RegisterClasses(const wchar_t* formClass) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!::GetClassInfoExW(Instance(), kFrameClass, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = FrameProc;
        wc.hInstance = Instance();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kFrameClass;
        ::RegisterClassExW(&wc);
    }
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(Instance(), formClass, &wc)) return;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    // The form's own procedure is attached once the window belongs to its object.
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ::LoadIconW(Instance(), MAKEINTRESOURCEW(IDI_SETUP));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = formClass;
    ::RegisterClassExW(&wc);
}

RECT TwipsRect(const ControlDesign& c, int dpi) {
    const int x = TwipsToPixels(c.left, dpi);
    const int y = TwipsToPixels(c.top, dpi);
    return {x, y, x + TwipsToPixels(c.width, dpi), y + TwipsToPixels(c.height, dpi)};
}

wchar_t AccessKey(const std::wstring& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == L'&') {
            if (caption[i + 1] != L'&') return static_cast<wchar_t>(std::towupper(caption[i + 1]));
            ++i;
        }
    }
    return 0;
}

}  // namespace

Form::Form(const FormDesign& design) : design_(design) { AllForms().push_back(this); }

Form::~Form() {
    Unload();
    auto& all = AllForms();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

Form* Form::FromWindow(HWND hwnd) {
    if (!hwnd) return nullptr;
    for (Form* f : AllForms())
        if (f->hwnd_ == hwnd) return f;
    return nullptr;
}

int Form::LoadedCount() { return LoadedForms(); }

void Form::Load() {
    if (hwnd_) return;
    RegisterClasses(design_.windowClass);
    HWND hwnd = ::CreateWindowExW(kFormExStyle, design_.windowClass, design_.caption, kFormStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, Instance(), nullptr);
    if (!hwnd) {
        ReportUnexpectedFailure();
        return;
    }
    hwnd_ = hwnd;
    ++LoadedForms();
    ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::WindowProc));
    whiteBrush_.reset(::CreateSolidBrush(kWhite));
    dpi_ = DpiOf(hwnd_);
    CreateControls();
    ApplyLayout(nullptr);
    // Access keys stay underlined, as designed, not only after Alt is pressed.
    ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);

    OnLoad();
    if (!hwnd_) return;  // the load handler may have ended the window

    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    const auto stops = TabStops();
    if (!stops.empty()) ::SetFocus(stops.front()->hwnd);
    ::UpdateWindow(hwnd_);
}

void Form::Unload() {
    if (!hwnd_) return;
    HWND hwnd = hwnd_;
    Detach();
    ::DestroyWindow(hwnd);
}

void Form::Detach() {
    if (!hwnd_) return;
    hwnd_ = nullptr;
    --LoadedForms();
    children_.clear();
    savedFocus_ = nullptr;
}

void Form::CreateControls() {
    std::vector<const ControlDesign*> order;
    for (const auto& c : design_.controls) order.push_back(&c);
    // Creation order is the tab order; lines are painted, not created.
    std::stable_sort(order.begin(), order.end(),
                     [](const ControlDesign* a, const ControlDesign* b) { return a->tabIndex < b->tabIndex; });
    for (const ControlDesign* c : order) {
        if (c->kind == ControlKind::Line) continue;
        HWND parent = hwnd_;
        if (c->container != 0) {
            if (const Child* frame = FindChild(c->container)) parent = frame->hwnd;
        }
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (c->visible ? WS_VISIBLE : 0);
        const wchar_t* cls = L"STATIC";
        switch (c->kind) {
            case ControlKind::Label: style |= SS_LEFT | SS_NOPREFIX; break;
            case ControlKind::Button:
                cls = L"BUTTON";
                style |= BS_PUSHBUTTON | WS_TABSTOP;
                break;
            case ControlKind::Frame:
                cls = kFrameClass;
                style |= WS_CLIPCHILDREN;
                break;
            case ControlKind::ProgressBar: cls = PROGRESS_CLASSW; break;
            case ControlKind::Line: break;
        }
        HWND child = ::CreateWindowExW(0, cls, c->caption ? c->caption : L"", style, 0, 0, 0, 0, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c->id)), Instance(), nullptr);
        if (!child) continue;
        if (c->kind == ControlKind::Frame)
            ::SetWindowLongPtrW(child, GWLP_USERDATA, c->back == Colour::White ? kWhite : ::GetSysColor(COLOR_BTNFACE));
        if (c->kind == ControlKind::ProgressBar) {
            ::SendMessageW(child, PBM_SETRANGE32, static_cast<WPARAM>(c->minimum), c->maximum);
            ::SendMessageW(child, PBM_SETPOS, static_cast<WPARAM>(c->minimum), 0);
        }
        children_.push_back({c, child});
    }
}

HFONT Form::FontFor(const Font& font) const {
    for (const auto& [f, handle] : fonts_)
        if (f == font) return handle.get();
    return nullptr;
}

void Form::ApplyLayout(const POINT* windowOrigin) {
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
    for (const auto& c : children_) {
        const RECT r = TwipsRect(*c.design, dpi_);
        ::MoveWindow(c.hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        ::SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.design->font)), FALSE);
    }
    // The title bar's and the task switcher's icons, drawn from the 48-pixel image at this
    // DPI rather than stretched from the class's.
    auto icon = [&](int size) {
        return UniqueIcon(static_cast<HICON>(
            ::LoadImageW(Instance(), MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
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
    RECT frame = WindowRectForClient(client, kFormStyle, kFormExStyle, dpi_);
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

void Form::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd_, &ps);
    if (!dc) return;
    if (HBITMAP picture = PictureBitmap(design_.picture)) {
        const SIZE size = PictureSize(design_.picture);
        if (HDC memory = ::CreateCompatibleDC(dc)) {
            HGDIOBJ old = ::SelectObject(memory, picture);
            // The picture keeps its designed size in twips, so it scales with the DPI.
            const int w = ::MulDiv(size.cx, dpi_, 96);
            const int h = ::MulDiv(size.cy, dpi_, 96);
            if (w == size.cx && h == size.cy) {
                ::BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
            } else {
                ::SetStretchBltMode(dc, HALFTONE);
                ::SetBrushOrgEx(dc, 0, 0, nullptr);
                ::StretchBlt(dc, 0, 0, w, h, memory, 0, 0, size.cx, size.cy, SRCCOPY);
            }
            ::SelectObject(memory, old);
            ::DeleteDC(memory);
        }
    }
    for (const auto& c : design_.controls) {
        if (c.kind != ControlKind::Line || !c.visible) continue;
        UniquePen pen(::CreatePen(PS_SOLID, std::max(1, ::MulDiv(1, dpi_, 96)),
                                  c.back == Colour::White ? kWhite : ::GetSysColor(COLOR_BTNFACE)));
        HGDIOBJ old = ::SelectObject(dc, pen.get());
        ::MoveToEx(dc, TwipsToPixels(c.left, dpi_), TwipsToPixels(c.top, dpi_), nullptr);
        ::LineTo(dc, TwipsToPixels(c.width, dpi_), TwipsToPixels(c.height, dpi_));
        ::SelectObject(dc, old);
    }
    ::EndPaint(hwnd_, &ps);
}

const Form::Child* Form::FindChild(HWND hwnd) const {
    for (const auto& c : children_)
        if (c.hwnd == hwnd) return &c;
    return nullptr;
}

const Form::Child* Form::FindChild(int id) const {
    for (const auto& c : children_)
        if (c.design->id == id) return &c;
    return nullptr;
}

HWND Form::Control(int id) const {
    const Child* c = FindChild(id);
    return c ? c->hwnd : nullptr;
}

void Form::SetCaption(const std::wstring& text) {
    if (hwnd_) ::SetWindowTextW(hwnd_, text.c_str());
}

void Form::SetText(int id, const std::wstring& text) {
    if (HWND c = Control(id)) ::SetWindowTextW(c, text.c_str());
}

void Form::SetVisible(int id, bool visible) {
    if (HWND c = Control(id)) ::ShowWindow(c, visible ? SW_SHOWNA : SW_HIDE);
}

void Form::SetEnabled(int id, bool enabled) {
    HWND c = Control(id);
    if (!c) return;
    if (!enabled && ::GetFocus() == c) MoveFocus(false);
    ::EnableWindow(c, enabled ? TRUE : FALSE);
}

void Form::Focus(int id) {
    if (HWND c = Control(id)) ::SetFocus(c);
}

void Form::ShowMessage(const std::wstring& text, const std::wstring& title) {
    HWND owner = hwnd_ && ::IsWindowVisible(hwnd_) ? hwnd_ : nullptr;
    ::MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK);
}

std::vector<const Form::Child*> Form::TabStops() const {
    std::vector<const Child*> stops;
    for (const auto& c : children_) {
        if (c.design->kind == ControlKind::Button && ::IsWindowVisible(c.hwnd) && ::IsWindowEnabled(c.hwnd))
            stops.push_back(&c);
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const Child* a, const Child* b) { return a->design->tabIndex < b->design->tabIndex; });
    return stops;
}

void Form::MoveFocus(bool backwards) {
    const auto stops = TabStops();
    if (stops.empty()) return;
    HWND focus = ::GetFocus();
    std::size_t at = stops.size();
    for (std::size_t i = 0; i < stops.size(); ++i)
        if (stops[i]->hwnd == focus) at = i;
    std::size_t next = 0;
    if (at == stops.size()) next = backwards ? stops.size() - 1 : 0;
    else if (backwards) next = (at + stops.size() - 1) % stops.size();
    else next = (at + 1) % stops.size();
    if (stops[next]->hwnd != focus) ::SetFocus(stops[next]->hwnd);
}

void Form::PressButton(const Child& button) {
    if (!::IsWindowVisible(button.hwnd) || !::IsWindowEnabled(button.hwnd)) return;
    ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(button.design->id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button.hwnd));
}

bool Form::TranslateKey(const MSG& msg) {
    switch (msg.message) {
        case WM_KEYDOWN:
            if (msg.wParam == VK_TAB) {
                MoveFocus(::GetKeyState(VK_SHIFT) < 0);
                return true;
            }
            if (msg.wParam == VK_RETURN) {
                const Child* focused = FindChild(::GetFocus());
                if (focused && focused->design->kind == ControlKind::Button) PressButton(*focused);
                return true;
            }
            return msg.wParam == VK_ESCAPE;
        case WM_CHAR:
            return msg.wParam == L'\r' || msg.wParam == L'\t' || msg.wParam == 0x1B;
        case WM_SYSCHAR: {
            const auto key = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(msg.wParam)));
            for (const auto& c : children_) {
                if (c.design->kind == ControlKind::Button && c.design->caption && AccessKey(c.design->caption) == key) {
                    if (::IsWindowVisible(c.hwnd) && ::IsWindowEnabled(c.hwnd)) {
                        ::SetFocus(c.hwnd);
                        PressButton(c);
                    }
                    return true;
                }
            }
            return false;
        }
        default:
            return false;
    }
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form* self = FromWindow(hwnd);
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        ReportUnexpectedFailure();
        return 0;
    }
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_;
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED) {
                const Child* c = FindChild(reinterpret_cast<HWND>(lp));
                // A disabled button can still be sent a click; it must do nothing.
                if (c && c->design->kind == ControlKind::Button && ::IsWindowEnabled(c->hwnd))
                    OnClick(c->design->id);
            }
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_CTLCOLORSTATIC: {
            const Child* c = FindChild(reinterpret_cast<HWND>(lp));
            HDC dc = reinterpret_cast<HDC>(wp);
            ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
            if (c && c->design->back == Colour::White) {
                ::SetBkColor(dc, kWhite);
                return reinterpret_cast<LRESULT>(whiteBrush_.get());
            }
            ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && FindChild(focus)) savedFocus_ = focus;
            } else if (savedFocus_ && ::IsWindowEnabled(savedFocus_)) {
                ::SetFocus(savedFocus_);
            } else {
                MoveFocus(false);
            }
            return 0;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wp);
            const auto* suggested = reinterpret_cast<const RECT*>(lp);
            const POINT origin{suggested->left, suggested->top};
            ApplyLayout(&origin);
            return 0;
        }
        case WM_NCDESTROY:
            if (hwnd_ == hwnd) Detach();
            return ::DefWindowProcW(hwnd, msg, wp, lp);
        default:
            return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace setup::ui

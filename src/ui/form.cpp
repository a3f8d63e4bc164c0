#include "ui/form.hpp"

#include <commctrl.h>

#include <algorithm>

#include "ui/application.hpp"
#include "ui/form_shared.hpp"
#include "ui/resource_ids.h"

namespace setup::ui {
namespace {

using form::Instance;

int& LoadedForms() {
    static int count = 0;
    return count;
}

// The classes this runtime registered: only their windows carry a Form in their user data.
std::vector<ATOM>& FormClasses() {
    static std::vector<ATOM> atoms;
    return atoms;
}

void RegisterFrameClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(Instance(), form::kFrameClass, &wc)) return;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = form::FrameProc;
    wc.hInstance = Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = form::kFrameClass;
    ::RegisterClassExW(&wc);
}

void RegisterFormClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(Instance(), name, &wc)) return;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ::LoadIconW(Instance(), MAKEINTRESOURCEW(IDI_SETUP));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    if (const ATOM atom = ::RegisterClassExW(&wc)) FormClasses().push_back(atom);
}

}  // namespace

Form::Form(const FormDesign& design, const Desktop& desktop) : design_(design), desktop_(desktop) {}

Form::~Form() { Unload(); }

Form* Form::FromWindow(HWND hwnd) {
    if (!hwnd) return nullptr;
    const auto atom = static_cast<ATOM>(::GetClassLongPtrW(hwnd, GCW_ATOM));
    const auto& ours = FormClasses();
    if (atom == 0 || std::find(ours.begin(), ours.end(), atom) == ours.end()) return nullptr;
    return reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

int Form::LoadedCount() { return LoadedForms(); }

void Form::Load() {
    if (hwnd_) return;
    RegisterFrameClass();
    RegisterFormClass(design_.windowClass, &Form::WindowProc);
    // Born on its monitor at that monitor's DPI, at its final size and place, so the system
    // has no DPI change to correct once it is shown.
    dpi_ = desktop_.PrimaryMonitor().dpi;
    layoutDpi_ = ChooseLayoutDpi();
    const RECT at = PlacedRect(Frame(), nullptr);
    placing_ = true;
    // The window belongs to this object from its first message on (WM_NCCREATE).
    if (!::CreateWindowExW(form::kExStyle, design_.windowClass, design_.caption, form::kStyle, at.left, at.top,
                           at.right - at.left, at.bottom - at.top, nullptr, nullptr, Instance(), this)) {
        ReportUnexpectedFailure();
        return;
    }
    whiteBrush_.reset(::CreateSolidBrush(form::kWhite));
    FollowSystemColours();
    CreateControls();
    // Presented as a dialog, a window has its body read when it opens, not only its title.
    desktop_.ScreenReaderAnnotations().SetDialogRole(hwnd_, true);
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

void Form::Attach(HWND hwnd) {
    hwnd_ = hwnd;
    ++LoadedForms();
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    taskbar_.Attach(hwnd);
}

void Form::Detach() {
    if (!hwnd_) return;
    taskbar_.Detach();
    for (HWND control : liveRegions_) desktop_.ScreenReaderAnnotations().SetLiveRegion(control, false);
    liveRegions_.clear();
    desktop_.ScreenReaderAnnotations().SetDialogRole(hwnd_, false);
    // Messages still on their way to the dying window find no object.
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    --LoadedForms();
    children_.clear();
    savedFocus_ = nullptr;
}

void Form::ShowMessage(const std::wstring& text, const std::wstring& title) {
    HWND owner = hwnd_ && ::IsWindowVisible(hwnd_) ? hwnd_ : nullptr;
    // The box disables its owner, which takes the focus away from the button that had it;
    // it goes back there once the box is answered.
    HWND focus = ::GetFocus();
    if (focus && FindChild(focus)) savedFocus_ = focus;
    else focus = nullptr;
    ::MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK);
    if (focus && hwnd_ && FindChild(focus) && ::IsWindowVisible(focus) && ::IsWindowEnabled(focus)) ::SetFocus(focus);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
        if (auto* self = static_cast<Form*>(create->lpCreateParams)) self->Attach(hwnd);
    }
    auto* self = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    // Nothing may unwind through the system's frames that called this.
    try {
        return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        ReportUnexpectedFailure();
    }
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_;
    if (msg != 0 && msg == TaskbarButton::CreatedMessage()) {
        taskbar_.OnCreated();
        return 0;
    }
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED) {
                const Child* c = FindChild(reinterpret_cast<HWND>(lp));
                // A disabled button can still be sent a click; it must do nothing.
                if (c && c->design->kind == ControlKind::Button && ::IsWindowEnabled(c->hwnd)) OnClick(c->design->id);
            }
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_QUERYENDSESSION:
            return OnQueryEndSession((static_cast<DWORD>(lp) & ENDSESSION_CRITICAL) != 0) ? TRUE : FALSE;
        case WM_ENDSESSION:
            if (wp) OnEndSession();
            return 0;
        case WM_CTLCOLORSTATIC:
            return ControlColours(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wp) != WA_INACTIVE);
            return 0;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
        case WM_THEMECHANGED:
            if (msg == WM_SETTINGCHANGE) FollowTextScale();
            OnSystemColoursChanged(msg, wp, lp);
            return ::DefWindowProcW(hwnd, msg, wp, lp);
        case WM_DPICHANGED: {
            if (HIWORD(wp) == 0) return 0;
            dpi_ = HIWORD(wp);
            // The window being placed is laid out again at this DPI where the design puts it.
            if (placing_) return 0;
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

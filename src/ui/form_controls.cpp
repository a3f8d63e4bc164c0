// The controls of a form: created from the design in tab order, found by id or handle, and
// the few properties the windows change at run time.
#include "ui/form.hpp"

#include <commctrl.h>

#include <algorithm>

#include "ui/form_shared.hpp"

namespace setup::ui {

using form::Instance;

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
            case ControlKind::Label:
                style |= SS_LEFT | SS_NOPREFIX;
                break;
            case ControlKind::Button:
                cls = L"BUTTON";
                style |= BS_PUSHBUTTON | WS_TABSTOP;
                break;
            case ControlKind::Frame:
                cls = form::kFrameClass;
                style |= WS_CLIPCHILDREN;
                break;
            case ControlKind::ProgressBar:
                cls = PROGRESS_CLASSW;
                break;
            case ControlKind::Line:
                break;
        }
        HWND child = ::CreateWindowExW(0, cls, c->caption ? c->caption : L"", style, 0, 0, 0, 0, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c->id)), Instance(), nullptr);
        if (!child) continue;
        if (c->kind == ControlKind::ProgressBar) {
            ::SendMessageW(child, PBM_SETRANGE32, static_cast<WPARAM>(c->minimum), c->maximum);
            ::SendMessageW(child, PBM_SETPOS, static_cast<WPARAM>(c->minimum), 0);
        }
        children_.push_back({c, child});
    }
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
    HWND c = Control(id);
    if (!c) return;
    ::SetWindowTextW(c, text.c_str());
    Announce(id);
}

void Form::MakeLiveRegion(int id) {
    HWND c = Control(id);
    if (!c || std::find(liveRegions_.begin(), liveRegions_.end(), c) != liveRegions_.end()) return;
    liveRegions_.push_back(c);
    desktop_.ScreenReaderAnnotations().SetLiveRegion(c, true);
}

void Form::Announce(int id) {
    HWND c = Control(id);
    if (c && std::find(liveRegions_.begin(), liveRegions_.end(), c) != liveRegions_.end())
        desktop_.ScreenReaderAnnotations().LiveRegionChanged(c);
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

}  // namespace setup::ui

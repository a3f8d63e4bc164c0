// The buttons' tab order, Enter, Escape and access keys, and the focus across activations.
#include <algorithm>
#include <cwctype>

#include "ui/form.hpp"

namespace setup::ui {
namespace {

constexpr LPARAM kKeyWasDown = LPARAM{1} << 30;

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
    ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(button.design->id, BN_CLICKED), reinterpret_cast<LPARAM>(button.hwnd));
}

// The focus goes back where the user left it when the window is active again (after a
// message box, say).
void Form::OnActivate(bool active) {
    if (!active) {
        HWND focus = ::GetFocus();
        if (focus && FindChild(focus)) savedFocus_ = focus;
    } else if (savedFocus_ && ::IsWindowEnabled(savedFocus_)) {
        ::SetFocus(savedFocus_);
    } else {
        MoveFocus(false);
    }
}

bool Form::TranslateKey(const MSG& msg) {
    switch (msg.message) {
        case WM_KEYDOWN:
            // A key held down on one window's button repeats into the next window's: only
            // the first press of Enter or Space counts.
            if ((msg.wParam == VK_RETURN || msg.wParam == VK_SPACE) && (msg.lParam & kKeyWasDown)) return true;
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
                    // As in a dialog, the key presses the button and leaves the focus where it
                    // is; a press the window ignores (Install during a copy) changes nothing.
                    PressButton(c);
                    return true;
                }
            }
            return false;
        }
        default:
            return false;
    }
}

}  // namespace setup::ui

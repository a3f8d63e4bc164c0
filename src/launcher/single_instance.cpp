#include "launcher/single_instance.hpp"

#include <windows.h>

#include <string_view>

#include "platform/identity.h"
#include "ui/control_ids.hpp"

namespace setup {
namespace {

constexpr wchar_t kMutexName[] = L"Local\\" SETUP_COMPANY_NAME L"." SETUP_PRODUCT_NAME L".setup";

BOOL CALLBACK FindSetupWindow(HWND hwnd, LPARAM param) {
    if (!::IsWindowVisible(hwnd)) return TRUE;
    wchar_t name[64] = {};
    const int n = ::GetClassNameW(hwnd, name, 64);
    const std::wstring_view cls(name, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (cls != ids::kDefaultClass && cls != ids::kSetupClass && cls != ids::kSetupEndClass) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

}  // namespace

bool SingleInstance::Claim() {
    mutex_.reset(::CreateMutexW(nullptr, FALSE, kMutexName));
    if (!mutex_) return true;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return true;
    mutex_.reset();
    return false;
}

void ActivateRunningInstance() {
    HWND window = nullptr;
    // The first instance may not have shown its first window yet: give it a moment.
    for (int attempt = 0; attempt < 20 && !window; ++attempt) {
        ::EnumWindows(FindSetupWindow, reinterpret_cast<LPARAM>(&window));
        if (!window) ::Sleep(50);
    }
    if (!window) return;
    if (::IsIconic(window)) ::ShowWindowAsync(window, SW_RESTORE);
    // A message box of the running setup is what the user must answer first.
    HWND popup = ::GetLastActivePopup(window);
    ::SetForegroundWindow(popup && ::IsWindowVisible(popup) ? popup : window);
}

}  // namespace setup

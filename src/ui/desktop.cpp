#include "ui/desktop.hpp"

#include "platform/unique_handle.hpp"
#include "ui/dpi.hpp"

namespace setup::ui {
namespace {

// Windows 8.1 and later give each monitor its own DPI; before that every monitor has the
// system's.
int MonitorDpi(HMONITOR monitor) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const UniqueModule shcore(::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    static const auto getDpiForMonitor = shcore ? reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(
                                                      ::GetProcAddress(shcore.get(), "GetDpiForMonitor")))
                                                : nullptr;
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    UINT x = 0;
    UINT y = 0;
    if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && y > 0)
        return static_cast<int>(y);
    return DpiOf(nullptr);
}

class SystemDesktopImpl final : public Desktop {
public:
    MonitorArea PrimaryMonitor() const override {
        HMONITOR monitor = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        MonitorArea area{};
        if (monitor && ::GetMonitorInfoW(monitor, &info)) {
            area.monitor = info.rcMonitor;
            area.work = info.rcWork;
        } else {
            area.monitor = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
            area.work = area.monitor;
        }
        area.dpi = MonitorDpi(monitor);
        return area;
    }

    bool HighContrast() const override {
        HIGHCONTRASTW hc{};
        hc.cbSize = sizeof hc;
        return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
    }

    std::unique_ptr<TaskbarList> ConnectTaskbar() const override { return ConnectShellTaskbar(); }

    // Read afresh each time: the user may change it while a window is open.
    int TextScalePercent() const override {
        DWORD percent = 0;
        DWORD size = sizeof percent;
        if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Accessibility", L"TextScaleFactor",
                           RRF_RT_REG_DWORD, nullptr, &percent, &size) != ERROR_SUCCESS)
            return 100;
        return static_cast<int>(percent);
    }

    Annotations& ScreenReaderAnnotations() const override { return SystemAnnotations(); }
};

}  // namespace

const Desktop& SystemDesktop() {
    static const SystemDesktopImpl desktop;
    return desktop;
}

}  // namespace setup::ui

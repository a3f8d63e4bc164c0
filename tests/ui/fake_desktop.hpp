#pragma once
// A desktop of the test's choosing for in-process windows: any monitor and DPI, high contrast
// switched at will, a taskbar that records the calls made on it, and a screen reader.
#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ui/desktop.hpp"

namespace setup::test {

struct TaskbarCall {
    HWND hwnd;
    bool isState;  // SetProgressState, else SetProgressValue
    TBPFLAG state;
    ULONGLONG done, total;
    friend bool operator==(const TaskbarCall& a, const TaskbarCall& b) {
        return a.hwnd == b.hwnd && a.isState == b.isState &&
               (a.isState ? a.state == b.state : a.done == b.done && a.total == b.total);
    }
};

inline TaskbarCall State(HWND hwnd, TBPFLAG state) { return {hwnd, true, state, 0, 0}; }
inline TaskbarCall Value(HWND hwnd, ULONGLONG done, ULONGLONG total) {
    return {hwnd, false, TBPF_NOPROGRESS, done, total};
}

inline void PrintTo(const TaskbarCall& c, std::ostream* os) {
    if (c.isState) *os << "State(" << c.state << ")";
    else *os << "Value(" << c.done << "/" << c.total << ")";
}

class RecordingTaskbarList final : public ui::TaskbarList {
public:
    explicit RecordingTaskbarList(std::shared_ptr<std::vector<TaskbarCall>> calls) : calls_(std::move(calls)) {}
    void SetProgressState(HWND hwnd, TBPFLAG state) override { calls_->push_back(State(hwnd, state)); }
    void SetProgressValue(HWND hwnd, ULONGLONG done, ULONGLONG total) override {
        calls_->push_back(Value(hwnd, done, total));
    }

private:
    std::shared_ptr<std::vector<TaskbarCall>> calls_;
};

// What a screen reader would find (the dialogs, the live regions) and what it heard from them.
struct ScreenReader final : ui::Annotations {
    std::set<HWND> dialogs, liveRegions;
    std::vector<std::wstring> heard;
    void SetDialogRole(HWND w, bool on) override { on ? (void)dialogs.insert(w) : (void)dialogs.erase(w); }
    void SetLiveRegion(HWND c, bool on) override { on ? (void)liveRegions.insert(c) : (void)liveRegions.erase(c); }
    void LiveRegionChanged(HWND c) override {
        if (!liveRegions.contains(c)) return;  // a reader ignores other controls' events
        wchar_t text[256] = {};
        ::GetWindowTextW(c, text, 256);
        heard.emplace_back(text);
    }
};

class FakeDesktop final : public ui::Desktop {
public:
    ui::MonitorArea monitor{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}, 96};
    bool highContrast = false;
    bool taskbarPresent = true;
    mutable int connects = 0;
    std::shared_ptr<std::vector<TaskbarCall>> calls = std::make_shared<std::vector<TaskbarCall>>();
    mutable ScreenReader reader;

    ui::MonitorArea PrimaryMonitor() const override { return monitor; }
    bool HighContrast() const override { return highContrast; }
    std::unique_ptr<ui::TaskbarList> ConnectTaskbar() const override {
        ++connects;
        if (!taskbarPresent) return nullptr;
        return std::make_unique<RecordingTaskbarList>(calls);
    }
    int TextScalePercent() const override { return 100; }
    ui::Annotations& ScreenReaderAnnotations() const override { return reader; }
};

}  // namespace setup::test

#pragma once
// A desktop of the test's choosing for in-process windows: any monitor and DPI, high contrast
// switched at will, a taskbar that records the calls made on it, and what a screen reader
// would find and hear.
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

// The windows presented as dialogs, the live regions, and the texts a screen reader heard
// from them.
struct ScreenReader {
    std::set<HWND> dialogs;
    std::set<HWND> liveRegions;
    std::vector<std::wstring> heard;
};

class RecordingAnnotations final : public ui::Annotations {
public:
    explicit RecordingAnnotations(std::shared_ptr<ScreenReader> reader) : reader_(std::move(reader)) {}
    void SetDialogRole(HWND window, bool on) override { Mark(reader_->dialogs, window, on); }
    void SetLiveRegion(HWND control, bool on) override { Mark(reader_->liveRegions, control, on); }
    void LiveRegionChanged(HWND control) override {
        if (!reader_->liveRegions.contains(control)) return;  // a reader ignores other controls' events
        wchar_t text[256] = {};
        ::GetWindowTextW(control, text, 256);
        reader_->heard.emplace_back(text);
    }

private:
    static void Mark(std::set<HWND>& set, HWND hwnd, bool on) {
        if (on) set.insert(hwnd);
        else set.erase(hwnd);
    }
    std::shared_ptr<ScreenReader> reader_;
};

class FakeDesktop final : public ui::Desktop {
public:
    ui::MonitorArea monitor{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}, 96};
    bool highContrast = false;
    bool taskbarPresent = true;
    mutable int connects = 0;
    std::shared_ptr<std::vector<TaskbarCall>> calls = std::make_shared<std::vector<TaskbarCall>>();
    std::shared_ptr<ScreenReader> reader = std::make_shared<ScreenReader>();

    ui::MonitorArea PrimaryMonitor() const override { return monitor; }
    bool HighContrast() const override { return highContrast; }
    std::unique_ptr<ui::TaskbarList> ConnectTaskbar() const override {
        ++connects;
        if (!taskbarPresent) return nullptr;
        return std::make_unique<RecordingTaskbarList>(calls);
    }
    int TextScalePercent() const override { return 100; }
    std::unique_ptr<ui::Annotations> ConnectAnnotations() const override {
        return std::make_unique<RecordingAnnotations>(reader);
    }
};

}  // namespace setup::test

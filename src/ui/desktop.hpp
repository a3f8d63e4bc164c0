#pragma once
// What the windows ask of the system around them: the monitor they open on, whether high
// contrast is on, and the taskbar. A seam: tests give other monitors and force the switch.
#include <windows.h>

#include <memory>

#include "ui/taskbar_button.hpp"

namespace setup::ui {

struct MonitorArea {
    RECT monitor;  // screen pixels
    RECT work;     // the monitor less the taskbar and docked bars
    int dpi;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // The monitor the windows open on: the primary one, whose top-left corner is the
    // screen's origin that the Launcher's designed place counts from.
    virtual MonitorArea PrimaryMonitor() const = 0;
    virtual bool HighContrast() const = 0;
    virtual std::unique_ptr<TaskbarList> ConnectTaskbar() const = 0;
};

const Desktop& SystemDesktop();

}  // namespace setup::ui

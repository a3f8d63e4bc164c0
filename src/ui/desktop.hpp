#pragma once
// What the windows ask of the system around them: the monitor they open on, whether high
// contrast is on, the user's text size, the taskbar and the screen readers' annotations. A
// seam: tests give other monitors, force the switch and hear what a screen reader would.
#include <windows.h>

#include <memory>

#include "ui/annotations.hpp"
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
    // The text size the user chose (Settings, Accessibility, Text size), in percent.
    virtual int TextScalePercent() const = 0;
    virtual Annotations& ScreenReaderAnnotations() const = 0;
};

const Desktop& SystemDesktop();

}  // namespace setup::ui

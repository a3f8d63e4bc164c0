#pragma once
// A desktop of the test's choosing for in-process windows: any monitor and DPI, and high
// contrast switched at will.
#include <windows.h>

#include "ui/desktop.hpp"

namespace setup::test {

class FakeDesktop final : public ui::Desktop {
public:
    ui::MonitorArea monitor{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}, 96};
    bool highContrast = false;

    ui::MonitorArea PrimaryMonitor() const override { return monitor; }
    bool HighContrast() const override { return highContrast; }
};

}  // namespace setup::test

#pragma once
// A desktop of the test's choosing for in-process windows: any monitor and DPI.
#include <windows.h>

#include "ui/desktop.hpp"

namespace setup::test {

class FakeDesktop final : public ui::Desktop {
public:
    ui::MonitorArea monitor{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}, 96};

    ui::MonitorArea PrimaryMonitor() const override { return monitor; }
};

}  // namespace setup::test

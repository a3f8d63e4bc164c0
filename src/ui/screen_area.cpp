#include "ui/screen_area.hpp"

#include <algorithm>

#include "ui/form_design.hpp"

namespace setup::ui {
namespace {

// The new start of a span [start, start + length) moved into [from, to).
int KeepSpanInside(int start, int length, int from, int to) {
    if (start + length > to) start = to - length;
    if (start < from) start = from;
    return start;
}

}  // namespace

ScreenRect KeepInside(ScreenRect window, const ScreenRect& area) {
    const int width = window.Width();
    const int height = window.Height();
    window.left = KeepSpanInside(window.left, width, area.left, area.right);
    window.top = KeepSpanInside(window.top, height, area.top, area.bottom);
    window.right = window.left + width;
    window.bottom = window.top + height;
    return window;
}

ScreenRect CentredOn(const ScreenRect& screen, const ScreenRect& area, int width, int height) {
    const int left = screen.left + (screen.Width() - width) / 2;
    const int top = screen.top + (screen.Height() - height) / 2;
    return KeepInside({left, top, left + width, top + height}, area);
}

int LayoutDpi(int monitorDpi, int textScalePercent, Extent clientTwips, Extent framePixels, Extent work) {
    const int percent = std::clamp(textScalePercent, 100, 225);
    const auto fits = [&](int dpi) {
        return TwipsToPixels(clientTwips.width, dpi) + framePixels.width <= work.width &&
               TwipsToPixels(clientTwips.height, dpi) + framePixels.height <= work.height;
    };
    int dpi = monitorDpi * percent / 100;
    while (dpi > monitorDpi && !fits(dpi)) --dpi;
    return dpi;
}

}  // namespace setup::ui

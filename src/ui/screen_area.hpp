#pragma once
// Where a window goes on its monitor and how large it may grow there, in screen pixels.
// Platform-free.

namespace setup::ui {

struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Moves `window` just enough to lie wholly inside `area`, each axis on its own. A window
// larger than the area keeps its top-left corner inside, so its title bar stays in reach.
ScreenRect KeepInside(ScreenRect window, const ScreenRect& area);

// A window of this size centred on `screen`, then kept inside `area` (the screen less its
// taskbar).
ScreenRect CentredOn(const ScreenRect& screen, const ScreenRect& area, int width, int height);

struct Extent {
    int width = 0, height = 0;
};

// The DPI a design is laid out at: the monitor's, enlarged by the user's text size (taken
// within 100 to 225 %), so that the fonts and the controls holding them grow together; then
// lowered as far as needed for the client area and its frame to fit the work area, but never
// below the monitor's own.
int LayoutDpi(int monitorDpi, int textScalePercent, Extent clientTwips, Extent framePixels, Extent work);

}  // namespace setup::ui

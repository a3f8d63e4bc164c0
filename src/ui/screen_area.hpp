#pragma once
// Where a window goes on its monitor, in screen pixels. Platform-free.

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

}  // namespace setup::ui

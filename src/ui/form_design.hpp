#pragma once
// The static design of a window as data: the same rows the layout tables give, in twips.
#include <span>

namespace setup::ui {

enum class ControlKind { Label, Button, Frame, Line, ProgressBar };
enum class Colour { SystemFace, White };
enum class StartUp { Manual, CentreScreen };
enum class Picture { None, Banner, Side };

struct Font {
    int points = 9;
    bool bold = false;
    friend bool operator==(const Font&, const Font&) = default;
};

inline constexpr Font kDefaultFont{};

struct ControlDesign {
    const wchar_t* name;
    ControlKind kind;
    int id;
    int container;           // 0: the window itself, else the id of a frame
    const wchar_t* caption;  // nullptr: none
    // Twips from the container's inside; a line gives its end points (x1, y1, x2, y2).
    int left, top, width, height;
    int tabIndex;  // -1 for lines, which take no part in the tab order
    bool visible;
    Font font;
    Colour back;           // a line's own colour
    int minimum, maximum;  // progress bars only
};

struct FormDesign {
    const wchar_t* name;
    const wchar_t* windowClass;
    const wchar_t* caption;
    int clientWidth, clientHeight;  // twips
    StartUp startUp;
    int left, top;  // twips, client origin on the screen, for a manual start-up
    Picture picture;
    std::span<const ControlDesign> controls;
};

inline constexpr int kTwipsPerInch = 1440;

// Rounds to the nearest pixel, as the reference rendering (15 twips a pixel at 96 DPI) does.
constexpr int TwipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + kTwipsPerInch / 2) / kTwipsPerInch
                                        : -((-scaled + kTwipsPerInch / 2) / kTwipsPerInch));
}

// Font height in pixels for a size in points (negative: character height, as LOGFONT wants).
constexpr int PointsToFontHeight(int points, int dpi) {
    return -static_cast<int>((static_cast<long long>(points) * dpi + 36) / 72);
}

}  // namespace setup::ui

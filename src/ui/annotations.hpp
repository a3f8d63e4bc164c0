#pragma once
// What a screen reader learns of a window beyond its controls: that the window is a dialog,
// whose body it reads when the window opens, and which label speaks up when its text
// changes. A seam: Wine's accessibility library does not report these back.
#include <windows.h>

namespace setup::ui {

class Annotations {
public:
    virtual ~Annotations() = default;
    // The window's client object takes the dialog role, or gives it back.
    virtual void SetDialogRole(HWND window, bool dialog) = 0;
    // The control becomes a polite live region, or stops being one.
    virtual void SetLiveRegion(HWND control, bool live) = 0;
    // The live region's text is to be heard (it changed, or the moment calls for it again).
    virtual void LiveRegionChanged(HWND control) = 0;
};

// The system's annotation service, reached afresh at each call; where COM does not run, the
// calls do nothing.
Annotations& SystemAnnotations();

}  // namespace setup::ui

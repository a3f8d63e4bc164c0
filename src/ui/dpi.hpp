#pragma once
#include <windows.h>

namespace setup::ui {

// The window's DPI, or the system's where the platform predates per-window DPI.
int DpiOf(HWND hwnd);
// The window rectangle for a client rectangle, at a DPI.
RECT WindowRectForClient(const RECT& client, DWORD style, DWORD exStyle, int dpi);

}  // namespace setup::ui

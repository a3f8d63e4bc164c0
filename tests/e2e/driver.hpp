#pragma once
// Drives a program's windows from a separate process, the way a user would: find its
// top-level windows, read texts, press buttons and keys, answer message boxes.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/unique_handle.hpp"

namespace e2e {

inline constexpr DWORD kDefaultTimeoutMs = 10000;
inline constexpr wchar_t kMessageBoxClass[] = L"#32770";

class Window;
class MessageBoxView;

// Pixels of a screen area or bitmap, top-down, each 0x00RRGGBB.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> bgr;
    std::uint32_t At(int x, int y) const { return bgr[static_cast<size_t>(y) * width + x]; }
};
std::optional<Pixels> CaptureScreen(const RECT& area);
std::optional<Pixels> ReadPixels(HDC dc, HBITMAP bitmap, int width, int height);

// A started program; killed when this object dies, so a failing test leaves nothing behind.
class Process {
public:
    Process() = default;
    Process(Process&& other) noexcept
        : process_(std::move(other.process_)), id_(std::exchange(other.id_, 0)) {}
    // The program this object held so far is killed, not orphaned.
    Process& operator=(Process&& other) noexcept {
        if (this != &other) {
            Kill();
            process_ = std::move(other.process_);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~Process() { Kill(); }

    // Starts `exePath` with no arguments. The working directory defaults to the program's
    // folder; `showCommand` goes to STARTUPINFO.wShowWindow.
    bool Start(const std::wstring& exePath, const std::wstring& workDir = {},
               WORD showCommand = SW_SHOWNORMAL);
    std::optional<DWORD> WaitExit(DWORD timeoutMs);
    bool IsRunning() const;
    void Kill();
    DWORD Id() const { return id_; }

    // Visible top-level windows of this process.
    std::optional<Window> FindTopWindow(const wchar_t* windowClass) const;
    std::optional<Window> WaitForWindow(const wchar_t* windowClass,
                                        DWORD timeoutMs = kDefaultTimeoutMs) const;
    // True once no visible window of that class is left (or the process has ended).
    bool WaitForWindowGone(const wchar_t* windowClass, DWORD timeoutMs = kDefaultTimeoutMs) const;
    std::optional<MessageBoxView> WaitForMessageBox(DWORD timeoutMs = kDefaultTimeoutMs) const;

private:
    setup::UniqueHandleK process_;
    DWORD id_ = 0;
};

// A view of another process's top-level window; it owns nothing.
class Window {
public:
    explicit Window(HWND hwnd) : hwnd_(hwnd) {}

    HWND Handle() const { return hwnd_; }
    bool Exists() const { return ::IsWindow(hwnd_) != FALSE; }
    std::wstring Caption() const;
    SIZE ClientSizePx() const;
    POINT ClientOriginOnScreen() const;
    bool IsVisible() const;

    // Any descendant with this ID, also inside frames and other containers.
    HWND Control(int id) const;
    std::wstring Text(int id) const;
    bool IsControlVisible(int id) const;
    bool IsControlEnabled(int id) const;

    bool Click(int id) const;
    // Alt+letter, delivered as the program's message loop sees a real key press.
    bool PressAccessKey(wchar_t letter) const;
    // repeated: the key-down is an auto-repeat of a key held since before (a held key's
    // repeats reach whichever window has the focus by then).
    bool PressKey(UINT vk, bool repeated = false) const;
    // The control that has the keyboard focus in this window's thread, if it has an ID.
    std::optional<int> FocusedControlId() const;
    bool Close() const;

    std::optional<std::pair<int, int>> ProgressRange(int id) const;
    std::optional<int> ProgressPosition(int id) const;

    // The window's screen area as a 24-bit bottom-up BMP file.
    bool Screenshot(const std::wstring& path) const;

protected:
    HWND FocusTarget() const;
    HWND hwnd_;
};

class MessageBoxView : public Window {
public:
    using Window::Window;
    static constexpr int kTextId = 0xFFFF;

    std::wstring Title() const { return Caption(); }
    std::wstring Text() const { return Window::Text(kTextId); }
    bool PressOk() const { return Click(IDOK); }

    // What the box offers, read from its controls: the IDs of its visible buttons in the
    // order they stand, and whether a visible icon control holds an icon.
    std::vector<int> ButtonIds() const;
    bool ShowsIcon() const;
    LONG Style() const { return ::GetWindowLongW(hwnd_, GWL_STYLE); }
    HWND Owner() const { return ::GetWindow(hwnd_, GW_OWNER); }
};

// Polls `condition` every 20 ms until it holds or the time is up.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() >= end) return false;
        ::Sleep(20);
    }
}

// A build path as Wine sees it: /x/y becomes Z:\x\y; a Windows path only gets backslashes.
std::wstring WindowsPath(const std::string& path);

}  // namespace e2e

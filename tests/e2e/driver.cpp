#include "driver.hpp"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace e2e {
namespace {

// A hung program fails the test instead of hanging it.
constexpr UINT kSendTimeoutMs = 5000;

std::optional<LRESULT> SendWithTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return std::nullopt;
    return static_cast<LRESULT>(result);
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    const int n = ::GetClassNameW(hwnd, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

struct TopWindowSearch {
    DWORD processId;
    const wchar_t* windowClass;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TopWindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->processId || !::IsWindowVisible(hwnd) || ClassOf(hwnd) != search->windowClass)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

struct ControlSearch {
    WORD id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    // Dialog templates hold 16-bit IDs; a message box's text (0xFFFF) may read back as -1.
    if (static_cast<WORD>(::GetDlgCtrlID(hwnd)) != search->id) return TRUE;
    search->found = hwnd;
    return FALSE;
}

// lParam of a key message: repeat count 1, the scan code, and the given flag bits.
LPARAM KeyData(UINT vk, DWORD flags) {
    const UINT scan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    return static_cast<LPARAM>(1u | (scan & 0xFFu) << 16 | flags);
}

constexpr DWORD kAltDown = 1u << 29;
constexpr DWORD kWasDown = 1u << 30;
constexpr DWORD kReleasing = 1u << 31;

bool WriteBmp(const std::wstring& path, int width, int height, const std::vector<BYTE>& pixels) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;

    setup::UniqueFile out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    DWORD written = 0;
    return ::WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
           ::WriteFile(out.get(), &info, sizeof info, &written, nullptr) &&
           ::WriteFile(out.get(), pixels.data(), info.biSizeImage, &written, nullptr) &&
           written == info.biSizeImage;
}

struct ScreenDc {
    HDC dc = ::GetDC(nullptr);
    ~ScreenDc() {
        if (dc) ::ReleaseDC(nullptr, dc);
    }
};

struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC compatible) : dc(::CreateCompatibleDC(compatible)) {}
    ~MemoryDc() {
        if (dc) ::DeleteDC(dc);
    }
};

}  // namespace

bool Process::Start(const std::wstring& exePath, const std::wstring& workDir, WORD showCommand) {
    Kill();
    std::wstring folder = workDir;
    if (folder.empty()) {
        const auto slash = exePath.find_last_of(L"\\/");
        if (slash != std::wstring::npos) folder = exePath.substr(0, slash);
    }
    // CreateProcessW may write into the command line buffer.
    std::wstring commandLine = L"\"" + exePath + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showCommand;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    id_ = info.dwProcessId;
    return true;
}

std::optional<DWORD> Process::WaitExit(DWORD timeoutMs) {
    if (!process_ || ::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
}

bool Process::IsRunning() const {
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void Process::Kill() {
    if (IsRunning()) {
        ::TerminateProcess(process_.get(), 0xDEAD);
        ::WaitForSingleObject(process_.get(), kSendTimeoutMs);
    }
}

std::optional<Window> Process::FindTopWindow(const wchar_t* windowClass) const {
    TopWindowSearch search{id_, windowClass, nullptr};
    if (id_ == 0) return std::nullopt;
    ::EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return std::nullopt;
    return Window(search.found);
}

std::optional<Window> Process::WaitForWindow(const wchar_t* windowClass, DWORD timeoutMs) const {
    std::optional<Window> found;
    WaitUntil([&] { return (found = FindTopWindow(windowClass)).has_value() || !IsRunning(); },
              timeoutMs);
    return found;
}

bool Process::WaitForWindowGone(const wchar_t* windowClass, DWORD timeoutMs) const {
    return WaitUntil([&] { return !IsRunning() || !FindTopWindow(windowClass); }, timeoutMs);
}

std::optional<MessageBoxView> Process::WaitForMessageBox(DWORD timeoutMs) const {
    const auto window = WaitForWindow(kMessageBoxClass, timeoutMs);
    if (!window) return std::nullopt;
    return MessageBoxView(window->Handle());
}

std::wstring Window::Caption() const {
    // GetWindowTextW reads another process's caption without a message round trip.
    wchar_t buffer[1024] = {};
    const int n = ::GetWindowTextW(hwnd_, buffer, 1024);
    return std::wstring(buffer, n > 0 ? n : 0);
}

SIZE Window::ClientSizePx() const {
    RECT rc{};
    ::GetClientRect(hwnd_, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

POINT Window::ClientOriginOnScreen() const {
    POINT origin{0, 0};
    ::ClientToScreen(hwnd_, &origin);
    return origin;
}

bool Window::IsVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }

HWND Window::Control(int id) const {
    ControlSearch search{static_cast<WORD>(id), nullptr};
    ::EnumChildWindows(hwnd_, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring Window::Text(int id) const {
    const HWND control = Control(id);
    if (!control) return {};
    const auto length = SendWithTimeout(control, WM_GETTEXTLENGTH, 0, 0);
    if (!length || *length <= 0) return {};
    std::wstring text(static_cast<size_t>(*length) + 1, L'\0');
    const auto copied = SendWithTimeout(control, WM_GETTEXT, text.size(),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied ? static_cast<size_t>(*copied) : 0);
    return text;
}

bool Window::IsControlVisible(int id) const {
    const HWND control = Control(id);
    return control && ::IsWindowVisible(control);
}

bool Window::IsControlEnabled(int id) const {
    const HWND control = Control(id);
    return control && ::IsWindowEnabled(control);
}

bool Window::Click(int id) const {
    const HWND control = Control(id);
    return control && ::PostMessageW(control, BM_CLICK, 0, 0);
}

HWND Window::FocusTarget() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(hwnd_, nullptr);
    if (::GetGUIThreadInfo(thread, &info) && info.hwndFocus &&
        (info.hwndFocus == hwnd_ || ::IsChild(hwnd_, info.hwndFocus)))
        return info.hwndFocus;
    return hwnd_;
}

bool Window::PressAccessKey(wchar_t letter) const {
    // WM_SYSCHAR alone: the program's TranslateMessage would turn a posted WM_SYSKEYDOWN of
    // the letter into a second WM_SYSCHAR, and a lone Alt down/up would open the menu loop.
    const UINT vk = static_cast<UINT>(::VkKeyScanW(letter) & 0xFF);
    const auto lower = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(letter)));
    return ::PostMessageW(FocusTarget(), WM_SYSCHAR, lower, KeyData(vk, kAltDown));
}

bool Window::PressKey(UINT vk, bool repeated) const {
    // The program's own TranslateMessage makes any WM_CHAR, as for a real key press.
    const HWND target = FocusTarget();
    return ::PostMessageW(target, WM_KEYDOWN, vk, KeyData(vk, repeated ? kWasDown : 0)) &&
           ::PostMessageW(target, WM_KEYUP, vk, KeyData(vk, kWasDown | kReleasing));
}

std::optional<int> Window::FocusedControlId() const {
    const HWND focus = FocusTarget();
    if (focus == hwnd_) return std::nullopt;
    return ::GetDlgCtrlID(focus);
}

bool Window::Close() const { return ::PostMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::optional<std::pair<int, int>> Window::ProgressRange(int id) const {
    // The PBRANGE form would need a pointer into the other process; ask for each end instead.
    const HWND bar = Control(id);
    if (!bar) return std::nullopt;
    const auto low = SendWithTimeout(bar, PBM_GETRANGE, TRUE, 0);
    const auto high = SendWithTimeout(bar, PBM_GETRANGE, FALSE, 0);
    if (!low || !high) return std::nullopt;
    return std::pair{static_cast<int>(*low), static_cast<int>(*high)};
}

std::optional<int> Window::ProgressPosition(int id) const {
    const HWND bar = Control(id);
    if (!bar) return std::nullopt;
    const auto pos = SendWithTimeout(bar, PBM_GETPOS, 0, 0);
    if (!pos) return std::nullopt;
    return static_cast<int>(*pos);
}

namespace {

struct BoxControls {
    std::vector<std::pair<LONG, int>> buttons;  // left edge, ID
    bool icon = false;
};

BOOL CALLBACK CollectBoxControl(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<BoxControls*>(param);
    if (!::IsWindowVisible(hwnd)) return TRUE;
    const std::wstring cls = ClassOf(hwnd);
    const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        RECT rc{};
        ::GetWindowRect(hwnd, &rc);
        found->buttons.emplace_back(rc.left, static_cast<WORD>(::GetDlgCtrlID(hwnd)));
    } else if (_wcsicmp(cls.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        // A box without an icon may still keep an empty icon control in its template.
        const auto icon = SendWithTimeout(hwnd, STM_GETICON, 0, 0);
        if (icon && *icon != 0) found->icon = true;
    }
    return TRUE;
}

BoxControls ReadBoxControls(HWND box) {
    BoxControls found;
    ::EnumChildWindows(box, CollectBoxControl, reinterpret_cast<LPARAM>(&found));
    std::sort(found.buttons.begin(), found.buttons.end());
    return found;
}

}  // namespace

std::vector<int> MessageBoxView::ButtonIds() const {
    std::vector<int> ids;
    for (const auto& [left, id] : ReadBoxControls(hwnd_).buttons) ids.push_back(id);
    return ids;
}

bool MessageBoxView::ShowsIcon() const { return ReadBoxControls(hwnd_).icon; }

std::optional<Pixels> CaptureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return std::nullopt;
    ScreenDc screen;
    if (!screen.dc) return std::nullopt;
    MemoryDc memory(screen.dc);
    setup::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.dc, width, height));
    if (!memory.dc || !bitmap) return std::nullopt;
    const HGDIOBJ old = ::SelectObject(memory.dc, bitmap.get());
    const BOOL copied =
        ::BitBlt(memory.dc, 0, 0, width, height, screen.dc, area.left, area.top, SRCCOPY | CAPTUREBLT);
    ::SelectObject(memory.dc, old);
    if (!copied) return std::nullopt;
    return ReadPixels(memory.dc, bitmap.get(), width, height);
}

std::optional<Pixels> ReadPixels(HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    Pixels p{width, height, std::vector<std::uint32_t>(static_cast<size_t>(width) * height)};
    if (::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), p.bgr.data(), &info, DIB_RGB_COLORS) != height)
        return std::nullopt;
    for (auto& v : p.bgr) v &= 0xFFFFFF;
    return p;
}

bool Window::Screenshot(const std::wstring& path) const {
    // Paint anything pending first, so the picture is the window as the user sees it.
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rc{};
    if (!::GetWindowRect(hwnd_, &rc)) return false;
    const auto shot = CaptureScreen(rc);
    if (!shot) return false;
    // Bottom-up 24-bit rows, as BMP files hold them.
    const size_t stride = (static_cast<size_t>(shot->width) * 3 + 3) & ~size_t{3};
    std::vector<BYTE> pixels(stride * static_cast<size_t>(shot->height));
    for (int y = 0; y < shot->height; ++y) {
        BYTE* row = pixels.data() + stride * static_cast<size_t>(shot->height - 1 - y);
        for (int x = 0; x < shot->width; ++x) {
            const std::uint32_t v = shot->At(x, y);
            row[x * 3] = static_cast<BYTE>(v);
            row[x * 3 + 1] = static_cast<BYTE>(v >> 8);
            row[x * 3 + 2] = static_cast<BYTE>(v >> 16);
        }
    }
    return WriteBmp(path, shot->width, shot->height, pixels);
}

std::wstring WindowsPath(const std::string& path) {
    std::wstring wide(path.size(), L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()),
                                        wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n : 0);
    for (auto& c : wide)
        if (c == L'/') c = L'\\';
    if (!wide.empty() && wide[0] == L'\\') wide.insert(0, L"Z:");
    return wide;
}

}  // namespace e2e

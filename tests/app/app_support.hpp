#pragma once
// Shared set-up for the end-to-end tests of setup.exe: a medium holding the freshly built
// program and the stand-in full installer, and a clean product key.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "driver.hpp"
#include "fixture.hpp"

namespace app {

inline constexpr wchar_t kMarkerKey[] = L"SOFTWARE\\corvanthyle\\Tessovarine\\ZRV\\7B";
inline constexpr wchar_t kNotice[] = L"温馨提示";
inline constexpr wchar_t kFailure[] = L"失败!";
inline constexpr wchar_t kAppTitle[] = L"Tessovarine";
inline constexpr DWORD kExitWait = 15000;
inline constexpr DWORD kCopyWait = 60000;

// Lets everyone read the key (made if missing) but no one write it, so a write there fails.
::testing::AssertionResult MakeKeyReadOnly(const std::wstring& key);

// Prints the differences, so a failure says what is wrong.
::testing::AssertionResult SameTree(const std::wstring& expected, const std::wstring& actual);

// How many times slower than this machine the programs run: SETUP_TEST_SLOWDOWN, which the test
// script gives where qemu emulates the 32-bit programs, else 1. What a test expects of how
// promptly the program answers, and how long a copy must last for a test to act during it,
// are stretched by it.
int Slowdown();

// The freshly built setup.exe, or the copy SETUP_TEST_SETUP_EXE names (a Unix path): a signed one.
std::wstring SetupExe();
std::wstring StandinExe();
// Text in code page 936, as setup.ini holds it.
std::string Cp936(const std::wstring& text);
// Lines joined with CR LF, each terminated.
std::string IniLines(std::initializer_list<std::wstring> lines);

// The screen's DPI, and a design's twips in pixels at a DPI.
int ScreenDpi();
inline int Px(int twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }

// What a static label shows for its text in 宋体 at the given size and colours: the drawing a
// static control does, done here with the font the design asks for.
e2e::Pixels RenderLabelText(const std::wstring& text, int width, int height, int points, bool bold, int dpi,
                            COLORREF back, COLORREF fore);

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Starts setup.exe from the medium and waits for the Launcher window.
    e2e::Window StartLauncher();

    e2e::Medium medium_{L"app medium"};
    e2e::Process process_;
};

}  // namespace app

// Walks setup.exe on a medium through every window as a user would, pressing the buttons and
// saving a screenshot of each window: walk_sample MEDIUM_SETUP_EXE SHOT_FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;

// The console takes UTF-8 bytes as they are; the C runtime would drop Chinese text.
std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

int Fail(const char* what) {
    std::fprintf(stderr, "walk: %s\n", what);
    return 1;
}

bool Shot(const e2e::Window& w, const std::wstring& folder, const wchar_t* name) {
    ::Sleep(300);  // let the window finish painting
    const std::wstring path = folder + L"\\" + name + L".bmp";
    const bool ok = w.Screenshot(path);
    std::printf("walk: %s %s\n", ok ? "saved" : "could not save", Utf8(path).c_str());
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return Fail("usage: walk_sample SETUP_EXE SHOT_FOLDER");
    const std::wstring folder = argv[2];
    e2e::Process process;
    if (!process.Start(argv[1])) return Fail("setup.exe did not start");

    auto launcher = process.WaitForWindow(ids::kDefaultClass);
    if (!launcher) return Fail("no Launcher window");
    std::printf("walk: Launcher window \"%s\"\n", Utf8(launcher->Caption()).c_str());
    Shot(*launcher, folder, L"1-launcher");
    launcher->Click(ids::kDefaultBtnNext);

    auto wizard = process.WaitForWindow(ids::kSetupClass);
    if (!wizard) return Fail("no Wizard window (is \"setup\" 1 in the product key?)");
    std::printf("walk: Wizard window \"%s\"\n", Utf8(wizard->Caption()).c_str());
    Shot(*wizard, folder, L"2-wizard");
    wizard->Click(ids::kSetupBtnNext);

    auto done = process.WaitForWindow(ids::kSetupEndClass, 120000);
    if (!done) {
        if (auto box = process.WaitForMessageBox(1000)) {
            Shot(*box, folder, L"3-failure");
            std::printf("walk: message \"%s\"\n", Utf8(box->Text()).c_str());
        }
        return Fail("no Completion window");
    }
    std::printf("walk: Completion window \"%s\"\n", Utf8(done->Caption()).c_str());
    Shot(*done, folder, L"3-completion");
    done->Click(ids::kSetupEndBtnEnd);
    if (!process.WaitExit(15000)) return Fail("setup.exe did not end after Finish");
    std::printf("walk: setup.exe ended\n");
    return 0;
}

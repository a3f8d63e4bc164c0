// Stands in for the product's full installer: records how it was started, beside itself, and
// ends at once.
#include <windows.h>

#include <string>

#include "platform/unique_handle.hpp"
#include "standin_report.hpp"

namespace {

std::string Utf8(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string bytes(n > 0 ? n : 0, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                          nullptr);
    return bytes;
}

std::wstring OwnFolder() {
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring CurrentDirectory() {
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(path.size()), path.data());
    path.resize(n < path.size() ? n : 0);
    return path;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    namespace keys = e2e::standin;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);

    std::string report;
    report += std::string(keys::kCommandLine) + "=" + Utf8(::GetCommandLineW()) + "\r\n";
    report += std::string(keys::kShowWindow) + "=" + std::to_string(startup.wShowWindow) + "\r\n";
    report += std::string(keys::kUseShowWindow) + "=" +
              ((startup.dwFlags & STARTF_USESHOWWINDOW) ? "1" : "0") + "\r\n";
    report += std::string(keys::kCurrentDirectory) + "=" + Utf8(CurrentDirectory()) + "\r\n";

    // Written under another name and renamed, so a waiting test never reads half a report.
    const std::wstring folder = OwnFolder();
    const std::wstring partial = folder + L"\\started.tmp";
    const std::wstring complete = folder + L"\\" + keys::kReportFile;
    {
        setup::UniqueFile file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !::WriteFile(file.get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr))
            return 2;
    }
    return ::MoveFileExW(partial.c_str(), complete.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}

#include "platform/shell.hpp"

#include <windows.h>
#include <shellapi.h>

namespace setup {

bool StartProgram(const std::wstring& path, int showCommand) {
    const auto slash = path.find_last_of(L'\\');
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpParameters = nullptr;
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = showCommand;
    return ::ShellExecuteExW(&info) != FALSE;
}

}  // namespace setup

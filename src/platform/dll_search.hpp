#pragma once
// Keeps DLLs planted beside the program (on a medium, in a download folder) from ever running.
#include <windows.h>

#include <span>
#include <vector>

#include "platform/unique_handle.hpp"

namespace setup {

// DLLs that the Windows functions this program calls load on demand and that Windows does
// not protect as KnownDLLs; comctl32 v6 is bound by the manifest instead. msimg32: uxtheme
// delay-loads it when drawing, and Wine resolves delay-loads through the unrestricted search.
inline constexpr const wchar_t* kSystemDlls[] = {
    L"uxtheme.dll",   L"dwmapi.dll",  L"version.dll", L"windowscodecs.dll", L"propsys.dll", L"msimg32.dll",
    L"cryptbase.dll", L"sspicli.dll", L"userenv.dll", L"profapi.dll",       L"apphelp.dll",
};

// Modules loaded from the system folder, held for as long as this object lives.
class SystemDlls {
public:
    enum class Search {
        Restricted,  // SetDefaultDllDirectories is in force
        FullPath,    // Windows 7 without KB2533623: load by the system folder's full path
    };
    SystemDlls() = default;
    SystemDlls(std::span<const wchar_t* const> names, Search search);
    size_t Count() const { return modules_.size(); }

private:
    std::vector<UniqueModule> modules_;
};

// Limits the DLL search to the system folder, then loads kSystemDlls from there before any
// Windows function can pull them in through the old search order. Call it first in the
// entry point and keep the result for the life of the process.
SystemDlls HardenDllSearch();

}  // namespace setup

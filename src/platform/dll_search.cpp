#include "platform/dll_search.hpp"

#include <string>

namespace setup {

SystemDlls::SystemDlls(std::span<const wchar_t* const> names, Search search) {
    std::wstring folder;
    if (search == Search::FullPath) {
        wchar_t buffer[MAX_PATH];
        const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        folder.assign(buffer, n);
    }
    for (const wchar_t* name : names) {
        // A missing DLL (an older Windows) is no error; it just can't be planted for us.
        HMODULE module = nullptr;
        if (search == Search::Restricted) {
            module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        } else {
            // The DLL's own imports are then searched from its folder first.
            module = ::LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        }
        if (module) modules_.emplace_back(module);
    }
}

SystemDlls HardenDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = kernel32 ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                           ::GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                                     : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return SystemDlls(kSystemDlls, SystemDlls::Search::Restricted);
    // Takes the current folder out of the search; the application folder stays in it.
    ::SetDllDirectoryW(L"");
    return SystemDlls(kSystemDlls, SystemDlls::Search::FullPath);
}

}  // namespace setup

#pragma once
// What a planted DLL or program does when it runs: leaves "<its file name>.mark" in the
// folder named by SETUP_TEST_MARKS (beside itself when unset), holding its own path and the
// path of the program it ran in. kernel32 only, so it is safe inside DllMain.
#include <windows.h>

namespace hardening {

inline constexpr wchar_t kMarksVariable[] = L"SETUP_TEST_MARKS";
inline constexpr wchar_t kMarkSuffix[] = L".mark";

inline void LeaveMark(HMODULE self) {
    wchar_t own[MAX_PATH] = {};
    const DWORD ownLength = ::GetModuleFileNameW(self, own, MAX_PATH);
    wchar_t host[MAX_PATH] = {};
    const DWORD hostLength = ::GetModuleFileNameW(nullptr, host, MAX_PATH);
    if (ownLength == 0 || ownLength >= MAX_PATH) return;
    const wchar_t* name = own;
    for (const wchar_t* p = own; *p; ++p)
        if (*p == L'\\') name = p + 1;

    wchar_t mark[2 * MAX_PATH + 16] = {};
    const DWORD folderLength = ::GetEnvironmentVariableW(kMarksVariable, mark, MAX_PATH);
    if (folderLength == 0 || folderLength >= MAX_PATH) {
        ::lstrcpynW(mark, own, MAX_PATH);
    } else {
        ::lstrcatW(mark, L"\\");
        ::lstrcatW(mark, name);
    }
    ::lstrcatW(mark, kMarkSuffix);

    HANDLE file = ::CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, own, ownLength * sizeof(wchar_t), &written, nullptr);
    ::WriteFile(file, L" in ", 4 * sizeof(wchar_t), &written, nullptr);
    ::WriteFile(file, host, hostLength * sizeof(wchar_t), &written, nullptr);
    ::CloseHandle(file);
}

}  // namespace hardening

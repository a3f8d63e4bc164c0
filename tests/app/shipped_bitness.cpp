// The first Wine test of the 32-bit suite: it fails unless the suite's programs, and the
// setup.exe it starts, really run as 32-bit processes, so an x86-64 road can't pass for it.
#include <windows.h>

#include <cstdio>
#include <string>

// argv[1]: setup.exe's Unix path.
int main(int argc, char** argv) {
    if (argc != 2) return 2;
    BOOL self = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &self) || !self) {
        std::puts("the test program does not run as a 32-bit process");
        return 1;
    }
    std::wstring line = L"\"Z:";
    for (const char* c = argv[1]; *c; ++c) line += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    line += L'"';
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION child{};
    // Suspended: nothing of it runs, so it shows no window and leaves nothing behind.
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &start,
                          &child)) {
        std::printf("setup.exe could not be started (error %lu)\n", ::GetLastError());
        return 1;
    }
    BOOL setup = FALSE;
    const BOOL asked = ::IsWow64Process(child.hProcess, &setup);
    ::TerminateProcess(child.hProcess, 0);
    ::WaitForSingleObject(child.hProcess, 5000);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    if (!asked || !setup) {
        std::puts("setup.exe does not run as a 32-bit process");
        return 1;
    }
    std::puts("the test programs and setup.exe run as 32-bit processes");
    return 0;
}

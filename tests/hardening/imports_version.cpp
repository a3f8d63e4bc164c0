// Imports version.dll, which is no KnownDLL: the import check must reject it.
#include <windows.h>
#include <winver.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return static_cast<int>(::GetFileVersionInfoSizeW(L"kernel32.dll", nullptr));
}

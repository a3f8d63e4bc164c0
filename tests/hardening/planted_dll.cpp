// A stand-in for a Windows DLL planted beside setup.exe: it only leaves its mark when loaded.
#include "mark.hpp"

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) hardening::LeaveMark(self);
    return TRUE;
}

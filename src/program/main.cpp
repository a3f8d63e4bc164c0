// The entry point: harden the process, claim the session's one setup, run the windows.
#include <windows.h>
#include <objbase.h>

#include "launcher/single_instance.hpp"
#include "platform/dll_search.hpp"
#include "platform/redirection_trust.hpp"
#include "program/program_windows.hpp"
#include "ui/application.hpp"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before any window or COM call; destroyed after the windows, at process exit.
    static const setup::SystemDlls systemDlls = setup::HardenDllSearch();
    // Elevated, the program writes where ordinary users may plant links; where the system can't
    // refuse them for it, the copier refuses them itself.
    setup::EnforceRedirectionTrust();
    setup::SingleInstance instance;
    if (!instance.Claim()) {
        setup::ActivateRunningInstance();
        return 0;
    }
    ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    // A drive without its disc fails the call rather than raising the system's "no disk" box
    // over the copy.
    ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS);
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    try {
        static setup::ProgramWindows windows;
        windows.Start();
        setup::ui::RunMessageLoop();
        windows.End();
    } catch (...) {
        setup::ui::ReportUnexpectedFailure();
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    return 0;
}

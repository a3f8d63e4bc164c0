#include <windows.h>
#include <objbase.h>

#include "launcher/launcher_window.hpp"
#include "launcher/single_instance.hpp"
#include "platform/dll_search.hpp"
#include "ui/application.hpp"
#include "wizard/completion_window.hpp"
#include "wizard/wizard_window.hpp"

namespace {

// The three windows: one object each for the life of the program, one loaded at a time.
class Program final : public setup::Navigator {
public:
    void Start() { launcher_.Load(); }

    void ShowLauncher() override { Switch(launcher_); }
    void ShowWizard() override { Switch(wizard_); }
    void ShowCompletion() override { Switch(completion_); }

private:
    void Switch(setup::ui::Form& next) {
        launcher_.Unload();
        wizard_.Unload();
        completion_.Unload();
        next.Load();
    }

    setup::LauncherWindow launcher_{*this};
    setup::WizardWindow wizard_{*this};
    setup::CompletionWindow completion_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before any window or COM call; destroyed after the windows, at process exit.
    static const setup::SystemDlls systemDlls = setup::HardenDllSearch();
    setup::SingleInstance instance;
    if (!instance.Claim()) {
        setup::ActivateRunningInstance();
        return 0;
    }
    ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    try {
        static Program program;
        program.Start();
        setup::ui::RunMessageLoop();
    } catch (...) {
        setup::ui::ReportUnexpectedFailure();
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    return 0;
}

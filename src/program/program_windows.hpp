#pragma once
// The program's three windows: one object each for the life of the program, one loaded at a
// time. Every hand-over unloads the current window before the next one loads.
#include "launcher/launcher_window.hpp"
#include "ui/navigator.hpp"
#include "wizard/completion_window.hpp"
#include "wizard/wizard_window.hpp"

namespace setup {

class ProgramWindows final : public ui::Navigator {
public:
    void Start() { launcher_.Load(); }
    // A window a quit message left on the screen goes while COM still runs: its taskbar
    // button is cleared through COM.
    void End() {
        launcher_.Unload();
        wizard_.Unload();
        completion_.Unload();
    }

    void ShowLauncher() override { Switch(launcher_); }
    void ShowWizard() override { Switch(wizard_); }
    void ShowCompletion() override { Switch(completion_); }

private:
    void Switch(ui::Form& next) {
        launcher_.Unload();
        wizard_.Unload();
        completion_.Unload();
        next.Load();
    }

    LauncherWindow launcher_{*this};
    WizardWindow wizard_{*this};
    CompletionWindow completion_;
};

}  // namespace setup

#pragma once
// The program's three windows: one object each for the life of the program, one in use at a
// time. Every hand-over shows the next window before the current one goes: the program is
// never without a window, so the system never gives the activation to another program, and
// the next window opens in front, with the focus.
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
        ui::Form* const all[] = {&launcher_, &wizard_, &completion_};
        // The window that goes takes no input while the next one loads (its load may show a
        // message box).
        for (ui::Form* form : all)
            if (form != &next && form->Loaded()) ::EnableWindow(form->Handle(), FALSE);
        next.Load();
        for (ui::Form* form : all)
            if (form != &next) form->Unload();
    }

    LauncherWindow launcher_{*this};
    WizardWindow wizard_{*this};
    CompletionWindow completion_;
};

}  // namespace setup

#include "wizard/wizard_window.hpp"

#include "platform/identity.h"
#include "platform/program_folder.hpp"
#include "platform/session_hold.hpp"
#include "ui/application.hpp"
#include "ui/control_ids.hpp"
#include "ui/designs.hpp"
#include "ui/notices.hpp"
#include "wizard/installation.hpp"
#include "wizard/progress_bar_sink.hpp"
#include "wizard/registry_product_store.hpp"
#include "copier/win32_file_system.hpp"

namespace setup {

WizardWindow::WizardWindow(ui::Navigator& navigator, const ui::Desktop& desktop)
    : ui::Form(ui::WizardDesign(), desktop), navigator_(navigator) {}

void WizardWindow::OnLoad() {
    copying_ = false;
    stopRequested_ = false;
    if (!ReadProductInfo(lines_)) {
        ShowMessage(ui::kBrokenMedium, ui::kNoticeTitle);
        Unload();
        return;
    }
    const std::wstring& name = lines_[kProductName];
    SetText(ids::kSetupLbInit, L"安装向导准备开始 " + name + L" 安装。");
    SetCaption(name + L" 安装");
    // The status label tells a screen reader's user that the copy started and how it ended.
    MakeLiveRegion(ids::kSetupLbSetup);
}

void WizardWindow::OnClick(int id) {
    switch (id) {
        case ids::kSetupBtnNext:
            if (!copying_) Install();
            break;
        case ids::kSetupBtnPre:
            if (!copying_) navigator_.ShowLauncher();
            break;
        case ids::kSetupBtnExit:
            OnClose();
            break;
        default:
            break;
    }
}

void WizardWindow::OnClose() {
    // The window stays until the copy has returned; the install handler then unloads it.
    if (copying_) stopRequested_ = true;
    else Unload();
}

// A session that ended inside a copy would leave the file in flight partial, later files old
// and nothing recorded, with nobody told: it waits while the copy runs, unless it must end.
bool WizardWindow::OnQueryEndSession(bool critical) { return critical || !copying_; }

// Ending anyway: the copy stops and records nothing. The process may end as soon as this
// returns, so the files in flight are cancelled here and waited for, a few seconds at most:
// their temporaries go with them.
void WizardWindow::OnEndSession() {
    if (!copying_) return;
    stopRequested_ = true;
    filesInFlight_.HaltAndWait(kSessionEndWait);
}

// Titled with the application's name, as the version record gives it. The taskbar button
// turns red with it, where the copy stopped.
void WizardWindow::ShowFailure() {
    Taskbar().ShowError();
    Announce(ids::kSetupLbSetup);
    ShowMessage(L"失败!", SETUP_PRODUCT_NAME);
}

std::wstring WizardWindow::Heading() const { return L"正在安装 " + lines_[kProductName]; }

void WizardWindow::ShowCopying() {
    const std::wstring& name = lines_[kProductName];
    SetVisible(ids::kSetupPbSetup, true);
    SetVisible(ids::kSetupLbPb, true);
    SetText(ids::kSetupLbMsg, L"请稍候，安装向导正在安装 " + name + L"。可能需要几分钟。");
    SetText(ids::kSetupLbInit, L"");
    SetText(ids::kSetupLbSetup, Heading());
}

void WizardWindow::Install() {
    RegistryProductStore store;
    const auto plan = PlanInstallation(store, lines_, ProgramFolder());
    if (!plan) {
        ShowFailure();
        return;
    }
    ShowCopying();

    // Nothing is disabled: the buttons stay as the user left them, focus included, and the
    // click handler ignores Install and Back until the copy has returned.
    copying_ = true;
    stopRequested_ = false;
    const InstallOutcome outcome = [&] {
        // Held for the copy and its record only: not while "失败!" or the next window waits.
        const SessionHold hold(Handle(), Heading() + L"，请稍候。");
        Win32FileSystem files;
        ProgressBarWindow bar(Control(ids::kSetupPbSetup));
        ProgressBarSink progress(bar, &Taskbar(), ui::PumpMessages, stopRequested_);
        return CarryOutInstallation(*plan, lines_, store, files, progress, &filesInFlight_);
    }();
    copying_ = false;

    switch (outcome) {
        case InstallOutcome::Installed:
            Announce(ids::kSetupLbSetup);
            navigator_.ShowCompletion();
            break;
        case InstallOutcome::Stopped:
            Unload();
            break;
        case InstallOutcome::CopyFailed:
        case InstallOutcome::NotRecorded:
            ShowFailure();
            break;
    }
}

}  // namespace setup

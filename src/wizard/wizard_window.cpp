#include "wizard/wizard_window.hpp"

#include "platform/program_folder.hpp"
#include "registry/reg.hpp"
#include "ui/application.hpp"
#include "ui/control_ids.hpp"
#include "ui/designs.hpp"
#include "ui/identity.h"
#include "ui/notices.hpp"
#include "wizard/install_plan.hpp"
#include "wizard/progress_bar_sink.hpp"
#include "wizard/tree_copier.hpp"
#include "wizard/win32_file_system.hpp"

namespace setup {
namespace {

constexpr wchar_t kMarkerKey[] = L"SOFTWARE\\corvanthyle\\Tessovarine\\ZRV\\7B";

}  // namespace

WizardWindow::WizardWindow(Navigator& navigator) : ui::Form(ui::WizardDesign()), navigator_(navigator) {}

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
    markerKey_ = kMarkerKey;
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

// Titled with the application's name, as the version record gives it.
void WizardWindow::ShowFailure() { ShowMessage(L"失败!", SETUP_PRODUCT_NAME); }

void WizardWindow::Install() {
    const auto destination = DestinationFolder(reg::GetProductValue(L"InstallPath"));
    if (!destination || !IsUsableDestination(*destination)) {
        ShowFailure();
        return;
    }
    const std::wstring source =
        SourceFolder(ProgramFolder(), reg::GetProductValue(L"version"), lines_[kContentVersion]);

    const std::wstring& name = lines_[kProductName];
    SetVisible(ids::kSetupPbSetup, true);
    SetVisible(ids::kSetupLbPb, true);
    SetText(ids::kSetupLbMsg, L"请稍候，安装向导正在安装 " + name + L"。可能需要几分钟。");
    SetText(ids::kSetupLbInit, L"");
    SetText(ids::kSetupLbSetup, L"正在安装 " + name);

    copying_ = true;
    stopRequested_ = false;
    SetEnabled(ids::kSetupBtnNext, false);
    SetEnabled(ids::kSetupBtnPre, false);
    Win32FileSystem files;
    ProgressBarSink progress(Control(ids::kSetupPbSetup), ui::PumpWaitingMessages, stopRequested_);
    // Literal roots: every name of the tree arrives as it is on the medium, whatever its
    // trailing dots or blanks and however long its path.
    const CopyOutcome outcome =
        CopyFolder(files, progress, LiteralFolderPath(source), LiteralFolderPath(*destination));
    copying_ = false;

    if (outcome == CopyOutcome::Stopped) {
        Unload();
        return;
    }
    SetEnabled(ids::kSetupBtnNext, true);
    SetEnabled(ids::kSetupBtnPre, true);
    Focus(ids::kSetupBtnNext);
    if (outcome == CopyOutcome::Failed) {
        ShowFailure();
        return;
    }
    // The version is recorded only once the marker is: a version without its content
    // marker would tell the next run the content is in place.
    const std::wstring& marker = lines_[kContentMarker];
    if (!reg::SetRegString(markerKey_, marker, marker) ||
        !reg::SetRegString(reg::kProductKey, L"version", lines_[kContentVersion])) {
        ShowFailure();
        return;
    }
    navigator_.ShowCompletion();
}

}  // namespace setup

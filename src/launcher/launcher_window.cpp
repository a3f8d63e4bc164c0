#include "launcher/launcher_window.hpp"

#include <windows.h>
#include <commctrl.h>

#include "platform/program_folder.hpp"
#include "platform/shell.hpp"
#include "registry/reg.hpp"
#include "ui/control_ids.hpp"
#include "ui/designs.hpp"
#include "ui/notices.hpp"

namespace setup {
namespace {

using ui::kBrokenMedium;
using ui::kNoticeTitle;

constexpr wchar_t kInstallerMissing[] = L"未能找到安装文件！";
constexpr wchar_t kInstallerNotStarted[] = L"无法启动安装程序！";
constexpr wchar_t kFullInstaller[] = L"\\zrv\\init\\setup.exe";
// Started from a mapped drive that the elevated program doesn't see, with no mapping of the
// user's that leads back to the share.
constexpr wchar_t kDriveUnreachable[] = L"无法访问安装程序所在的驱动器。请从网络路径（\\\\服务器\\共享）或本地副本运行安装程序！";

}  // namespace

LauncherWindow::LauncherWindow(ui::Navigator& navigator) : ui::Form(ui::LauncherDesign()), navigator_(navigator) {}

void LauncherWindow::OnLoad() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);

    if (!FoundProgramFolder().reachable) {
        ShowMessage(kDriveUnreachable, kNoticeTitle);
        Unload();
        return;
    }

    if (!VisibleEntryExists(ProductInfoPath()) || !ReadProductInfo(lines_)) {
        ShowMessage(kBrokenMedium, kNoticeTitle);
        return;
    }
    SetCaption(lines_[kProductName]);
    SetText(ids::kDefaultLbTitle, L"欢迎使用 " + lines_[kProductName]);
}

void LauncherWindow::OnClick(int id) {
    if (id == ids::kDefaultBtnNext) Next();
    else if (id == ids::kDefaultBtnExit) Unload();
}

void LauncherWindow::Next() {
    if (reg::GetProductValue(L"setup") == L"1") {
        navigator_.ShowWizard();
        return;
    }
    const std::wstring installer = ProgramFolder() + kFullInstaller;
    if (NormalFileExists(installer)) {
        if (!StartProgram(installer, SW_SHOWMINIMIZED)) ShowMessage(kInstallerNotStarted, kNoticeTitle);
    } else {
        ShowMessage(kInstallerMissing, kNoticeTitle);
    }
    Unload();
}

}  // namespace setup

#include "wizard/completion_window.hpp"

#include "ui/control_ids.hpp"
#include "ui/designs.hpp"

namespace setup {

CompletionWindow::CompletionWindow() : ui::Form(ui::CompletionDesign()) {}

void CompletionWindow::OnLoad() {
    // The installation has succeeded by now: a medium gone unreadable only costs the name.
    ReadProductInfo(lines_);
    SetCaption(lines_[kProductName] + L" 安装");
    SetText(ids::kSetupEndLbMsg, L"正在完成 " + lines_[kProductName] + L" 安装向导");
}

void CompletionWindow::OnClick(int id) {
    if (id == ids::kSetupEndBtnEnd) Unload();
}

}  // namespace setup

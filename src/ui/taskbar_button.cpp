#include "ui/taskbar_button.hpp"

#include "platform/com_ptr.hpp"

namespace setup::ui {
namespace {

class ShellTaskbarList final : public TaskbarList {
public:
    explicit ShellTaskbarList(ComPtr<ITaskbarList3> list) : list_(std::move(list)) {}
    void SetProgressState(HWND hwnd, TBPFLAG state) override { list_->SetProgressState(hwnd, state); }
    void SetProgressValue(HWND hwnd, ULONGLONG done, ULONGLONG total) override {
        list_->SetProgressValue(hwnd, done, total);
    }

private:
    ComPtr<ITaskbarList3> list_;
};

}  // namespace

std::unique_ptr<TaskbarList> ConnectShellTaskbar() {
    ComPtr<ITaskbarList3> list;
    if (FAILED(
            ::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, list.put_void())) ||
        !list || FAILED(list->HrInit())) {
        return nullptr;
    }
    return std::make_unique<ShellTaskbarList>(std::move(list));
}

UINT TaskbarButton::CreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarButtonCreated");
    return message;
}

void TaskbarButton::Attach(HWND hwnd) {
    hwnd_ = hwnd;
    if (const UINT message = CreatedMessage()) ::ChangeWindowMessageFilterEx(hwnd, message, MSGFLT_ALLOW, nullptr);
}

void TaskbarButton::OnCreated() {
    if (!hwnd_) return;
    // A new button (Explorer restarted, say) may come with a new shell: connect again.
    list_ = connect_ ? connect_() : nullptr;
    if (!list_ || state_ == TBPF_NOPROGRESS) return;
    list_->SetProgressState(hwnd_, state_);
    list_->SetProgressValue(hwnd_, done_, total_);
}

void TaskbarButton::Detach() {
    if (list_ && hwnd_ && state_ != TBPF_NOPROGRESS) list_->SetProgressState(hwnd_, TBPF_NOPROGRESS);
    list_.reset();
    hwnd_ = nullptr;
    state_ = TBPF_NOPROGRESS;
    done_ = total_ = 0;
}

void TaskbarButton::SetState(TBPFLAG state) {
    if (state == state_) return;
    state_ = state;
    if (list_) list_->SetProgressState(hwnd_, state);
}

void TaskbarButton::ShowProgress(ULONGLONG done, ULONGLONG total) {
    SetState(TBPF_NORMAL);
    done_ = done;
    total_ = total;
    if (list_) list_->SetProgressValue(hwnd_, done, total);
}

void TaskbarButton::ShowError() { SetState(TBPF_ERROR); }

void TaskbarButton::ShowNone() { SetState(TBPF_NOPROGRESS); }

}  // namespace setup::ui

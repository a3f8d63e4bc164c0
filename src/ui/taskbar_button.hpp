#pragma once
// Progress on a window's taskbar button, as users expect of an installer.
#include <windows.h>
#include <shobjidl.h>

#include <functional>
#include <memory>

namespace setup::ui {

// The calls made on the shell's ITaskbarList3: a seam, since Wine only stubs the interface.
class TaskbarList {
public:
    virtual ~TaskbarList() = default;
    virtual void SetProgressState(HWND hwnd, TBPFLAG state) = 0;
    virtual void SetProgressValue(HWND hwnd, ULONGLONG done, ULONGLONG total) = 0;
};

// The shell's own list, ready for use; nullptr where the shell has none (COM not started,
// no Explorer, an older Windows).
std::unique_ptr<TaskbarList> ConnectShellTaskbar();

// What a window shows on its button.
class TaskbarProgress {
public:
    virtual ~TaskbarProgress() = default;
    virtual void ShowProgress(ULONGLONG done, ULONGLONG total) = 0;
    virtual void ShowError() = 0;
    virtual void ShowNone() = 0;
};

// A window's button. The shell says when the button exists (TaskbarButtonCreated, again after
// Explorer restarts); until then the state is only kept, and shown once it does.
class TaskbarButton final : public TaskbarProgress {
public:
    using Connect = std::function<std::unique_ptr<TaskbarList>()>;
    explicit TaskbarButton(Connect connect) : connect_(std::move(connect)) {}

    static UINT CreatedMessage();
    // The window is new: it runs elevated, and the shell's message would not reach it unless
    // let through.
    void Attach(HWND hwnd);
    // The shell's message arrived.
    void OnCreated();
    // The window goes: its button shows no progress, and the list is let go.
    void Detach();

    void ShowProgress(ULONGLONG done, ULONGLONG total) override;
    void ShowError() override;
    void ShowNone() override;

private:
    void SetState(TBPFLAG state);

    Connect connect_;
    HWND hwnd_ = nullptr;
    std::unique_ptr<TaskbarList> list_;
    TBPFLAG state_ = TBPF_NOPROGRESS;
    ULONGLONG done_ = 0;
    ULONGLONG total_ = 0;
};

}  // namespace setup::ui

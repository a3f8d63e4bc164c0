#include "ui/application.hpp"

#include <windows.h>

#include "ui/form.hpp"
#include "ui/notices.hpp"

namespace setup::ui {
namespace {

void Dispatch(MSG& msg) {
    if (msg.hwnd) {
        if (Form* form = Form::FromWindow(::GetAncestor(msg.hwnd, GA_ROOT))) {
            if (form->TranslateKey(msg)) return;
        }
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

}  // namespace

int RunMessageLoop() {
    MSG msg;
    while (Form::LoadedCount() > 0) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) break;
        Dispatch(msg);
    }
    return 0;
}

void PumpWaitingMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

void PumpMessages(std::chrono::milliseconds wait) {
    PumpWaitingMessages();
    if (wait.count() <= 0) return;
    if (::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait.count()), QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0)
        PumpWaitingMessages();
}

void ReportUnexpectedFailure() {
    ::MessageBoxW(nullptr, kBrokenMedium, kNoticeTitle, MB_OK | MB_TASKMODAL);
    ::ExitProcess(1);
}

}  // namespace setup::ui

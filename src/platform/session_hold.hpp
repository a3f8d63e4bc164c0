#pragma once
// While an installation copies: the session's end waits, with a reason the system shows the
// user, and the machine does not fall asleep. Both are given back when this goes.
#include <windows.h>

#include <string>

namespace setup {

class SessionHold {
public:
    SessionHold(HWND window, const std::wstring& reason);
    ~SessionHold();
    SessionHold(const SessionHold&) = delete;
    SessionHold& operator=(const SessionHold&) = delete;

private:
    HWND window_;
    bool reasonGiven_;
    EXECUTION_STATE previous_;
};

}  // namespace setup

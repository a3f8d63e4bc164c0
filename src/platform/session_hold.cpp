#include "platform/session_hold.hpp"

namespace setup {

SessionHold::SessionHold(HWND window, const std::wstring& reason)
    : window_(window),
      reasonGiven_(window && ::ShutdownBlockReasonCreate(window, reason.c_str()) != FALSE),
      previous_(::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED)) {}

SessionHold::~SessionHold() {
    // 0: the call failed and nothing was changed.
    if (previous_ != 0) ::SetThreadExecutionState(previous_ | ES_CONTINUOUS);
    if (reasonGiven_ && ::IsWindow(window_)) ::ShutdownBlockReasonDestroy(window_);
}

}  // namespace setup

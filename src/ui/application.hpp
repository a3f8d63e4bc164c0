#pragma once
#include <chrono>

namespace setup::ui {

// Runs the program's windows until none is loaded.
int RunMessageLoop();
// Handles the messages that are waiting, then returns: repaints, clicks and keys stay live
// while a long handler runs.
void PumpWaitingMessages();
// The same, then sleeps until more messages come or `wait` has passed, and handles those: a
// thread waiting on others sleeps, yet answers its windows at once.
void PumpMessages(std::chrono::milliseconds wait);
// The last resort for a failure no handler expected: tell the user and end cleanly.
[[noreturn]] void ReportUnexpectedFailure();

}  // namespace setup::ui

#pragma once
// The system's own guard against links planted for an elevated program: with the redirection
// trust mitigation on, no junction made by a user who is not an administrator is followed
// anywhere in the process (Windows 10 21H2 and Windows 11).
#include <windows.h>

namespace setup {

// SetProcessMitigationPolicy's signature, the policy given as its number.
using SetMitigationFunction = BOOL(WINAPI*)(int policy, PVOID buffer, SIZE_T length);

// Turns the guard on through set, or kernel32's own where set is nullptr. False where the system
// has no such call or refuses the policy (an older Windows); the copier's own rule about links
// holds then alone.
bool EnforceRedirectionTrust(SetMitigationFunction set = nullptr);

}  // namespace setup

#pragma once
#include <string>

namespace setup {

// Starts a program by its full path, with no arguments, without waiting for it. The shell
// starts it, so a program that asks for elevation still starts. False when it could not be
// started or the user declined the elevation.
bool StartProgram(const std::wstring& path, int showCommand);

}  // namespace setup

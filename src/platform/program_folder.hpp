#pragma once
#include <string>

namespace setup {

// The folder that holds the running program: no trailing backslash, except at a drive root.
std::wstring ProgramFolder();

// Attributes of a path, or nothing when it does not exist.
bool PathAttributes(const std::wstring& path, unsigned long& attributes);

// A file or folder of that name that is neither hidden nor system.
bool VisibleEntryExists(const std::wstring& path);
// A normal entry: present and neither hidden, system nor a folder.
bool NormalFileExists(const std::wstring& path);

}  // namespace setup

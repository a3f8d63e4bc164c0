#pragma once
#include <windows.h>

#include <string>

namespace setup {

// The folder that holds the running program: no trailing backslash, except at a drive root.
// Started from a mapped drive that this process can't see (elevated, the mapping is the user
// session's), the share the user maps that letter to.
std::wstring ProgramFolder();

struct ProgramFolderFinding {
    std::wstring folder;
    // False: the folder's drive is gone for this process and no mapping of the user's leads
    // back to it.
    bool reachable;
};
using DriveTypeQuery = UINT(WINAPI*)(LPCWSTR root);
ProgramFolderFinding FindProgramFolder(const std::wstring& reported, DriveTypeQuery driveType = ::GetDriveTypeW);
// What the program found at its start, once for its whole life.
const ProgramFolderFinding& FoundProgramFolder();

// Attributes of a path, or nothing when it does not exist.
bool PathAttributes(const std::wstring& path, unsigned long& attributes);

// A file or folder of that name that is neither hidden nor system.
bool VisibleEntryExists(const std::wstring& path);
// A normal entry: present and neither hidden, system nor a folder.
bool NormalFileExists(const std::wstring& path);

}  // namespace setup

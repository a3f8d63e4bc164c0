#pragma once
// Files opened, made and renamed relative to a folder's handle rather than by path, so that no
// component of a path is resolved again, and no link in it followed, after the folder was
// opened. Win32 has no such calls; these are the system's own (ntdll), looked up at run time.
#include <windows.h>

#include <string_view>

#include "platform/unique_handle.hpp"

namespace setup {

// NtCreateFile's dispositions and options that the callers use.
namespace relative {
inline constexpr ULONG kOpen = 1;    // FILE_OPEN
inline constexpr ULONG kCreate = 2;  // FILE_CREATE: fails when any entry answers to the name
inline constexpr ULONG kDirectory = 0x1;          // FILE_DIRECTORY_FILE
inline constexpr ULONG kSequentialOnly = 0x4;     // FILE_SEQUENTIAL_ONLY
inline constexpr ULONG kNonDirectory = 0x40;      // FILE_NON_DIRECTORY_FILE
inline constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT: the link itself
}  // namespace relative

// The entry `name` of the folder, opened or made (see relative::) with these rights and
// sharing, for synchronous use. On failure the handle is empty and the Win32 error is the
// thread's last error.
UniqueFile OpenRelative(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG disposition,
                        ULONG options, ULONG attributes = FILE_ATTRIBUTE_NORMAL);

// Gives the open file the name `name` in the folder (a handle, not a path), in one step; with
// replace, an entry of that name is replaced. FALSE with the Win32 error as last error.
BOOL RenameRelative(HANDLE file, HANDLE folder, std::wstring_view name, bool replace);

// The name the system has for the open handle, from the root of its object namespace
// ("\Device\HarddiskVolume2\...", under Wine "\??\C:\..."); empty when it can't tell. Unlike
// GetFinalPathNameByHandleW under Wine, it knows paths of any length.
std::wstring SystemPathOf(HANDLE handle);

}  // namespace setup

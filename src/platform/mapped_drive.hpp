#pragma once
// A program started from a mapped network drive and then elevated: the elevated process does
// not see the drive letters of the user's session. Platform-free.
#include <optional>
#include <string>
#include <string_view>

namespace setup {

// The drive letter a folder starts with ("Z:\..." gives 'Z'), upper-cased; 0 for any other form.
wchar_t DriveLetter(std::wstring_view folder);

// The folder with its drive replaced by the share the letter maps to ("Z:\sub" with
// "\\server\share" gives "\\server\share\sub"; "Z:\" gives "\\server\share"). Nothing when the
// folder has no drive letter or the mapping names no "\\server\share".
std::optional<std::wstring> FolderOnShare(std::wstring_view folder, std::wstring_view remotePath);

}  // namespace setup

#pragma once
// Where the wizard copies from and to, worked out from the registry and the medium.
#include <optional>
#include <string>
#include <string_view>

namespace setup {

// The recorded installation folder, stored with one delimiter before and after it: both are
// dropped whatever they are, then surrounding blanks, and "\coon\" is appended. Nothing when
// the value is too short to hold the two delimiters.
std::optional<std::wstring> DestinationFolder(std::wstring_view installPath);

// Whether a destination names a folder by itself: a drive and a path from its root ("C:\x",
// "C:/x"), a share ("\\server\share\x"), or a drive root behind "\\?\". A relative path would
// depend on the current folder of whoever started the program; characters no file name can
// hold, or a stream name after ':', never name a folder.
bool IsUsableDestination(std::wstring_view destination);

// The class tree when the recorded version equals the medium's exactly, else the upgrade tree.
std::wstring SourceFolder(std::wstring_view programFolder, std::wstring_view recordedVersion,
                          std::wstring_view mediumVersion);

}  // namespace setup

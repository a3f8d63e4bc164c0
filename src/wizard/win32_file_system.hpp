#pragma once
// The copier's file system on Win32: wide entry points, one owned handle per listing.
#include <windows.h>  // before the copier's header, which drops its Yield() macro

#include <string>

#include "wizard/tree_copier.hpp"

namespace setup {

// The folder as a path that Win32 passes on literally ("\\?\" and absolute), for the roots of
// a copy: names below it then keep trailing dots and blanks, and paths may pass MAX_PATH
// whatever the system's long-path setting. The folder itself is normalised first as Win32
// would ("." and "..", doubled or forward separators). Unchanged if it is literal already, a
// device path, or can't be resolved.
std::wstring LiteralFolderPath(const std::wstring& folder);

class Win32FileSystem final : public FileSystem {
public:
    bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) override;
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override;
    bool ClearAttributes(const std::wstring& path) override;
    bool CreateFolder(const std::wstring& path) override;
    bool Copy(const std::wstring& from, const std::wstring& to, bool replace, YieldHook& hook) override;
};

}  // namespace setup

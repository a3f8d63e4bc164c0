#pragma once
// The copier's file system on Win32: wide entry points, one owned handle per listing.
#include <windows.h>  // before the copier's header, which drops its Yield() macro

#include "wizard/tree_copier.hpp"

namespace setup {

class Win32FileSystem final : public FileSystem {
public:
    bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) override;
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override;
    bool ClearAttributes(const std::wstring& path) override;
    bool CreateFolder(const std::wstring& path) override;
    bool Copy(const std::wstring& from, const std::wstring& to, YieldHook& hook) override;
};

}  // namespace setup

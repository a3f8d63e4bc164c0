#pragma once
// The copier's road to the disk. Platform-free: the Win32 file system implements it, and the
// tests an in-memory one that can fail any operation.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace setup {

enum class CopyOutcome { Copied, Failed, Stopped };

// File attribute bits, with the platform's values.
namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kHidden = 0x2;
inline constexpr std::uint32_t kSystem = 0x4;
inline constexpr std::uint32_t kDirectory = 0x10;
}  // namespace attr

class FolderVisitor {
public:
    virtual void Entry(std::wstring_view name, bool isFolder) = 0;

protected:
    ~FolderVisitor() = default;
};

// What a copy of one long file asks of its caller between chunks.
class CopyPacing {
public:
    // Lets the window run; false once the user has asked to stop.
    virtual bool YieldToWindow() = 0;

protected:
    ~CopyPacing() = default;
};

// Paths use "\" as the only separator. A folder path may come with or without its final
// separator; the file system takes both.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The folder as this file system wants the roots of a copy, with its final separator.
    virtual std::wstring Root(const std::wstring& folder) { return folder; }
    // Every entry of the folder, "." and ".." possibly among them. False when it can't be listed.
    virtual bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) = 0;
    virtual std::optional<std::uint32_t> Attributes(const std::wstring& path) = 0;
    virtual bool ClearAttributes(const std::wstring& path) = 0;
    virtual bool CreateFolder(const std::wstring& path) = 0;  // one level
    // With replace, an existing file is replaced; without, a taken name fails the copy.
    // Stopped when pacing said stop inside the file: nothing of it is left.
    virtual CopyOutcome Copy(const std::wstring& from, const std::wstring& to, bool replace, CopyPacing& pacing) = 0;
};

}  // namespace setup

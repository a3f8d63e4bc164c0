#pragma once
// A fresh folder under the temporary folder for a Wine test, removed with everything in it.
// Wine reuses process ids, so a name is made unique by more than the id.
#include <windows.h>

#include <string>

#include "platform/unique_handle.hpp"

namespace setup::test {

inline void RemoveTree(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryW(path.c_str());
}

class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& stem) {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + stem + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                std::to_wstring(::GetTickCount64());
        RemoveTree(path_);
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace setup::test

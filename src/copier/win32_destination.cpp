// What the copy writes, on Win32: through folders held open, each opened relative to its
// parent's handle. A name is never resolved by path below the destination once the copy has
// held it, so a folder swapped for a link meanwhile is not followed.
#include <memory>
#include <string>

#include "copier/win32_file_system.hpp"
#include "platform/relative_file.hpp"
#include "platform/unique_handle.hpp"

namespace setup {
namespace {

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A held folder can't be renamed or removed by anyone while the copy holds it.
constexpr ULONG kShareHeld = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
// Small files, most of a tree, are read in one go from the stack; a larger one in chunks this
// large, between which a stop is heard.
constexpr DWORD kSmallChunk = 64 * 1024;
constexpr DWORD kChunk = 1024 * 1024;
// The attributes a copy carries over, as the platform's copy does.
constexpr DWORD kCarried = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

class Win32HeldFolder final : public HeldFolder {
public:
    Win32HeldFolder(UniqueFile handle, std::wstring systemPath)
        : handle(std::move(handle)), systemPath(std::move(systemPath)) {}
    UniqueFile handle;
    // What the system calls the folder: whatever opens through it is checked against it.
    std::wstring systemPath;
};

Win32HeldFolder& Of(HeldFolder& folder) { return static_cast<Win32HeldFolder&>(folder); }

std::wstring Below(const std::wstring& folder, std::wstring_view name) {
    std::wstring path = folder;
    if (path.empty() || path.back() != L'\\') path += L'\\';
    path += name;
    return path;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// Two names of one entry, the system's for an open handle and one made of its parent's and its
// own: Wine's names of open files lose each name's trailing dots and blanks, Windows keeps them.
bool SamePath(std::wstring_view a, std::wstring_view b) {
    auto next = [](std::wstring_view& path) {
        const std::size_t cut = path.find(L'\\');
        std::wstring_view name = path.substr(0, cut);
        path = cut == std::wstring_view::npos ? std::wstring_view() : path.substr(cut + 1);
        while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.remove_suffix(1);
        return name;
    };
    while (!a.empty() || !b.empty())
        if (!SameName(next(a), next(b))) return false;
    return true;
}

// Whether what was opened under name in the folder is that entry itself. On Windows an entry
// opened as a reparse point is the link itself, which its tag tells; Wine follows links all the
// same, and the path the system then has for the handle is another one. An entry reached
// through its short alias has its own long name there too.
// path, if given, gets the system's name for it.
bool IsEntryItself(HANDLE opened, const Win32HeldFolder& folder, std::wstring_view name, DWORD* attributes = nullptr,
                   std::wstring* path = nullptr) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(opened, FileAttributeTagInfo, &tag, sizeof tag)) return false;
    if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkTag(tag.ReparseTag)) return false;
    if (attributes) *attributes = tag.FileAttributes;
    std::wstring named = SystemPathOf(opened);
    if (named.empty() || !SamePath(named, Below(folder.systemPath, name))) return false;
    if (path) *path = std::move(named);
    return true;
}

bool Dispose(HANDLE file) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    if (::SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose)) return true;
    // Windows deletes no read-only file.
    FILE_BASIC_INFO normal{};
    normal.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &normal, sizeof normal) &&
           ::SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
}

class Win32WrittenFile final : public WrittenFile {
public:
    Win32WrittenFile(UniqueFile file, HANDLE folder) : file_(std::move(file)), folder_(folder) {}
    ~Win32WrittenFile() override {
        if (!done_) Dispose(file_.get());
    }
    Win32WrittenFile(const Win32WrittenFile&) = delete;
    Win32WrittenFile& operator=(const Win32WrittenFile&) = delete;

    HANDLE Handle() const { return file_.get(); }

    CopyOutcome RenameTo(std::wstring_view name, bool replace, CopyPacing& pacing) override {
        // Within one folder this is the file system's own rename, one step whatever happens.
        for (int tried = 1;; ++tried) {
            if (RenameRelative(file_.get(), folder_, name, replace)) {
                done_ = true;
                return CopyOutcome::Copied;
            }
            // A scanner or the product itself holding the old file for a moment.
            if (!IsPassingLock(::GetLastError()) || tried == Win32FileSystem::kCopyTries) return CopyOutcome::Failed;
            if (!pacing.Pause(std::chrono::milliseconds(Win32FileSystem::kRetryWaits[tried - 1])))
                return CopyOutcome::Stopped;
        }
    }
    void Keep() override { done_ = true; }
    bool Flush() override { return ::FlushFileBuffers(file_.get()) != FALSE; }

private:
    UniqueFile file_;
    HANDLE folder_;  // the held folder's: it outlives the file
    bool done_ = false;
};

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(file, data, size, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

std::unique_ptr<HeldFolder> Win32FileSystem::Hold(const std::wstring& path, bool create) {
    std::wstring folder = NativePath(path);
    while (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
    const auto cut = folder.find_last_of(L'\\');
    if (cut == std::wstring::npos) return nullptr;
    std::wstring parentPath = folder.substr(0, cut + 1);
    // "\\?\C:\" is a volume's root only with its separator; any other folder goes without.
    if (parentPath.size() > 1 && parentPath[parentPath.size() - 2] != L':') parentPath.pop_back();
    // Above the destination, paths are resolved as the platform does: the installation folder
    // may well be reached through a link of the machine's own.
    UniqueFile parent(::CreateFileW(parentPath.c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parent) return nullptr;
    std::wstring systemPath = SystemPathOf(parent.get());
    if (systemPath.empty()) return nullptr;
    Win32HeldFolder held(std::move(parent), std::move(systemPath));
    return HoldIn(held, std::wstring_view(folder).substr(cut + 1), create);
}

std::unique_ptr<HeldFolder> Win32FileSystem::HoldIn(HeldFolder& parentFolder, std::wstring_view name, bool create) {
    Win32HeldFolder& parent = Of(parentFolder);
    UniqueFile folder = OpenRelative(parent.handle.get(), name, kFolderAccess, kShareHeld,
                                     create ? relative::kCreate : relative::kOpen,
                                     relative::kDirectory | relative::kOpenReparsePoint);
    if (!folder) return nullptr;
    // A folder made now is the one named so in its parent; one that was there must show that it
    // is, under the name the system has for it, which is what is opened through it shows.
    if (create) return std::make_unique<Win32HeldFolder>(std::move(folder), Below(parent.systemPath, name));
    DWORD attributes = 0;
    std::wstring systemPath;
    if (!IsEntryItself(folder.get(), parent, name, &attributes, &systemPath) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    return std::make_unique<Win32HeldFolder>(std::move(folder), std::move(systemPath));
}

Written Win32FileSystem::TryCopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name,
                                     bool dropReadOnly, CopyPacing& pacing, DWORD& error) {
    // What failed is told before the file written so far goes, which may set the error again.
    auto failed = [&] {
        error = ::GetLastError();
        return Written{CopyOutcome::Failed, nullptr};
    };
    const UniqueFile source(::CreateFileW(NativePath(from).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FILE_BASIC_INFO basic{};
    if (!source || !::GetFileInformationByHandleEx(source.get(), FileBasicInfo, &basic, sizeof basic))
        return failed();
    const HANDLE held = Of(folder).handle.get();
    // New under its name whatever stood there: a link is never opened, let alone written through.
    UniqueFile target = OpenRelative(held, name, GENERIC_WRITE | DELETE, 0, relative::kCreate,
                                     relative::kNonDirectory | relative::kSequentialOnly);
    if (!target) return failed();
    auto file = std::make_unique<Win32WrittenFile>(std::move(target), held);
    char small[kSmallChunk];
    std::unique_ptr<char[]> large;
    char* buffer = small;
    DWORD chunk = kSmallChunk;
    for (bool first = true;; first = false) {
        DWORD read = 0;
        if (!read_(source.get(), buffer, chunk, &read, nullptr)) return failed();
        if (read == 0) break;
        if (!WriteAll(file->Handle(), buffer, read)) return failed();
        if (first && read == chunk) {
            // A long file: its room is asked for at once, as the platform's copy does, and the
            // rest read in larger chunks.
            FILE_STANDARD_INFO size{};
            if (::GetFileInformationByHandleEx(source.get(), FileStandardInfo, &size, sizeof size)) {
                FILE_ALLOCATION_INFO room{size.EndOfFile};
                ::SetFileInformationByHandle(file->Handle(), FileAllocationInfo, &room, sizeof room);
            }
            large = std::make_unique<char[]>(kChunk);
            buffer = large.get();
            chunk = kChunk;
        }
        if (!pacing.KeepGoing()) return {CopyOutcome::Stopped, nullptr};
    }
    FILE_BASIC_INFO written{};
    written.LastWriteTime = basic.LastWriteTime;
    written.FileAttributes = basic.FileAttributes & kCarried & ~(dropReadOnly ? FILE_ATTRIBUTE_READONLY : 0u);
    if (written.FileAttributes == 0) written.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(file->Handle(), FileBasicInfo, &written, sizeof written)) return failed();
    return {CopyOutcome::Copied, std::move(file)};
}

Written Win32FileSystem::CopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name,
                                  bool dropReadOnly, CopyPacing& pacing) {
    for (int tried = 1;; ++tried) {
        DWORD error = ERROR_SUCCESS;
        Written written = TryCopyInto(from, folder, name, dropReadOnly, pacing, error);
        if (written.outcome != CopyOutcome::Failed) return written;
        // A scanner or the indexer holding the source, or the name a failed try left while a
        // scanner still had it open.
        if (!IsPassingLock(error) || tried == kCopyTries) return written;
        if (!pacing.Pause(std::chrono::milliseconds(kRetryWaits[tried - 1]))) return {CopyOutcome::Stopped, nullptr};
    }
}

bool Win32FileSystem::ClearAttributesIn(HeldFolder& folder, std::wstring_view name) {
    Win32HeldFolder& held = Of(folder);
    const UniqueFile file = OpenRelative(held.handle.get(), name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                         kShareAll, relative::kOpen, relative::kNonDirectory | relative::kOpenReparsePoint);
    if (!file || !IsEntryItself(file.get(), held, name)) return false;
    FILE_BASIC_INFO normal{};
    normal.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file.get(), FileBasicInfo, &normal, sizeof normal) != FALSE;
}

bool Win32FileSystem::RemoveIn(HeldFolder& folder, std::wstring_view name) {
    Win32HeldFolder& held = Of(folder);
    const UniqueFile file =
        OpenRelative(held.handle.get(), name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll,
                     relative::kOpen, relative::kNonDirectory | relative::kOpenReparsePoint);
    if (!file) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return IsEntryItself(file.get(), held, name) && Dispose(file.get());
}

}  // namespace setup

#include "fixture.hpp"

#include <cstdlib>
#include <map>

#include "driver.hpp"
#include "platform/unique_handle.hpp"
#include "standin_report.hpp"

namespace e2e {
namespace {

constexpr REGSAM kView = KEY_WOW64_32KEY;

setup::UniqueKey OpenKey(const std::wstring& key, REGSAM access) {
    setup::UniqueKey handle;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, access | kView, handle.put()) != ERROR_SUCCESS)
        handle.reset();
    return handle;
}

setup::UniqueKey CreateKey(const std::wstring& key) {
    setup::UniqueKey handle;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE | kView, nullptr, handle.put(), nullptr) != ERROR_SUCCESS)
        handle.reset();
    return handle;
}

std::wstring Widen(std::string_view utf8) {
    std::wstring wide(utf8.size(), L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                        wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n : 0);
    return wide;
}

std::wstring Parent(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

struct Entry {
    bool folder;
};

// Relative path -> kind, for every entry below `root`.
void ListTree(const std::wstring& root, const std::wstring& relative,
              std::map<std::wstring, Entry>& entries) {
    WIN32_FIND_DATAW data{};
    const std::wstring base = relative.empty() ? root : root + L"\\" + relative;
    setup::UniqueFind find(::FindFirstFileW((base + L"\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring child = relative.empty() ? name : relative + L"\\" + name;
        const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries[child] = Entry{folder};
        if (folder) ListTree(root, child, entries);
    } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

bool SetRegString(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    const auto handle = CreateKey(key);
    return handle && ::RegSetValueExW(handle.get(), name.c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
                         ERROR_SUCCESS;
}

bool SetRegDword(const std::wstring& key, const std::wstring& name, DWORD value) {
    const auto handle = CreateKey(key);
    return handle && ::RegSetValueExW(handle.get(), name.c_str(), 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
}

bool DeleteRegValue(const std::wstring& key, const std::wstring& name) {
    const auto handle = OpenKey(key, KEY_SET_VALUE);
    if (!handle) return true;
    const LSTATUS status = ::RegDeleteValueW(handle.get(), name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegTree(const std::wstring& key) {
    const auto slash = key.find_last_of(L'\\');
    const std::wstring parentPath = slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
    const std::wstring leaf = key.substr(slash == std::wstring::npos ? 0 : slash + 1);
    const auto parent = OpenKey(parentPath, KEY_ALL_ACCESS);
    if (!parent) return true;
    const LSTATUS status = ::RegDeleteTreeW(parent.get(), leaf.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::optional<std::wstring> ReadRegString(const std::wstring& key, const std::wstring& name) {
    const auto handle = OpenKey(key, KEY_QUERY_VALUE);
    DWORD type = 0;
    DWORD size = 0;
    if (!handle || ::RegQueryValueExW(handle.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(handle.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                           &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

std::optional<DWORD> ReadRegDword(const std::wstring& key, const std::wstring& name) {
    const auto handle = OpenKey(key, KEY_QUERY_VALUE);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!handle ||
        ::RegQueryValueExW(handle.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    // Sharing deletion too: a file just renamed into place (the stand-in's report) is still
    // open for deletion by the process that renamed it.
    setup::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        return std::nullopt;
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes) {
    const std::wstring parent = Parent(path);
    if (!parent.empty() && !MakeFolders(parent)) return false;
    setup::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool MakeFolders(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::wstring parent = Parent(path);
    // Stop at a drive root ("C:"), which always exists.
    if (parent.size() > 2 && !MakeFolders(parent)) return false;
    return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    std::map<std::wstring, Entry> entries;
    ListTree(from, L"", entries);
    if (!MakeFolders(to)) return false;
    // The map's order puts every folder before its contents.
    for (const auto& [relative, entry] : entries) {
        const std::wstring target = to + L"\\" + relative;
        const bool ok = entry.folder ? MakeFolders(target)
                                     : ::CopyFileW((from + L"\\" + relative).c_str(), target.c_str(), FALSE) != 0;
        if (!ok) return false;
    }
    return true;
}

bool RemoveTree(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    // What a link leads to is not this tree's.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(path);
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ::DeleteFileW(path.c_str()) != 0;
    bool ok = true;
    WIN32_FIND_DATAW data{};
    {
        setup::UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") ok = RemoveTree(path + L"\\" + name) && ok;
            } while (::FindNextFileW(find.get(), &data));
        }
    }
    return ::RemoveDirectoryW(path.c_str()) && ok;
}

std::vector<std::wstring> CompareTrees(const std::wstring& first, const std::wstring& second) {
    std::map<std::wstring, Entry> a;
    std::map<std::wstring, Entry> b;
    ListTree(first, L"", a);
    ListTree(second, L"", b);
    std::vector<std::wstring> differences;
    for (const auto& [relative, entry] : a) {
        const auto other = b.find(relative);
        if (other == b.end()) {
            differences.push_back(L"only in first: " + relative);
        } else if (entry.folder != other->second.folder) {
            differences.push_back(L"file and folder: " + relative);
        } else if (!entry.folder) {
            const auto x = ReadFileBytes(first + L"\\" + relative);
            const auto y = ReadFileBytes(second + L"\\" + relative);
            if (!x || !y || *x != *y) differences.push_back(L"differs: " + relative);
        }
    }
    for (const auto& [relative, entry] : b)
        if (!a.count(relative)) differences.push_back(L"only in second: " + relative);
    return differences;
}

namespace {

// The host's path of a Windows one, as Wine maps it.
std::wstring HostPath(const std::wstring& path) {
    using ToHost = char*(CDECL*)(LPCWSTR);
    const auto toHost = reinterpret_cast<ToHost>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* host = toHost ? toHost(path.c_str()) : nullptr;
    if (!host) return {};
    const std::string bytes(host);
    ::HeapFree(::GetProcessHeap(), 0, host);
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

// Starts a host program (Wine starts ELF programs as they are). Wine gives no handle to wait
// on for one, so the caller waits for what it does.
bool RunOnHost(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    std::wstring command = L"\"" + program + L"\"";
    for (const std::wstring& argument : arguments) {
        if (argument.empty()) return false;
        command += L" \"" + argument + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return false;
    if (process.hProcess) ::CloseHandle(process.hProcess);
    if (process.hThread) ::CloseHandle(process.hThread);
    return true;
}

}  // namespace

bool MakeLink(const std::wstring& link, const std::wstring& target) {
    if (!RunOnHost(L"Z:\\bin\\ln", {L"-s", HostPath(target), HostPath(link)})) return false;
    return WaitUntil([&] { return ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
}

bool RemoveLink(const std::wstring& link) {
    if (!RunOnHost(L"Z:\\bin\\rm", {HostPath(link)})) return false;
    return WaitUntil([&] { return ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000);
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs) {
    return WaitUntil([&] { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
}

TempFolder::TempFolder(const std::wstring& stem) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) return;
    std::wstring base(temp, n);
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100 && !ok_; ++attempt) {
        path_ = base + L"\\" + stem + L" " + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter);
        ok_ = ::CreateDirectoryW(path_.c_str(), nullptr) != 0;
    }
}

TempFolder::~TempFolder() {
    if (ok_) RemoveTree(path_);
}

std::wstring Medium::FullInstallerReport() const {
    return Parent(FullInstaller()) + L"\\" + standin::kReportFile;
}

bool Medium::PlaceSetup(const std::wstring& setupExe) const {
    return ::CopyFileW(setupExe.c_str(), SetupExe().c_str(), FALSE) != 0;
}

bool Medium::PlaceFullInstaller(const std::wstring& standinExe) const {
    return MakeFolders(Parent(FullInstaller())) &&
           ::CopyFileW(standinExe.c_str(), FullInstaller().c_str(), FALSE) != 0;
}

std::optional<StandinReport> ReadStandinReport(const std::wstring& path) {
    const auto bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    StandinReport report;
    size_t start = 0;
    while (start < bytes->size()) {
        size_t end = bytes->find("\r\n", start);
        if (end == std::string::npos) end = bytes->size();
        const std::string_view line(bytes->data() + start, end - start);
        start = end + 2;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const auto key = line.substr(0, equals);
        const auto value = line.substr(equals + 1);
        if (key == standin::kCommandLine) report.commandLine = Widen(value);
        else if (key == standin::kShowWindow) report.showWindow = std::atoi(std::string(value).c_str());
        else if (key == standin::kUseShowWindow) report.useShowWindow = value == "1";
        else if (key == standin::kCurrentDirectory) report.currentDirectory = Widen(value);
    }
    return report;
}

bool CommandLineHasArguments(std::wstring_view commandLine) {
    // The program name ends at the closing quote if quoted, else at the first blank or tab.
    size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const auto close = commandLine.find(L'"', 1);
        i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
    }
    return commandLine.find_first_not_of(L" \t", i) != std::wstring_view::npos;
}

}  // namespace e2e

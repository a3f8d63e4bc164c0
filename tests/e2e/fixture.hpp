#pragma once
// Test set-up around the program: product key values, a throw-away medium folder, tree
// comparison, and the stand-in full installer's report.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\corvanthyle\\Tessovarine";

// Keys are paths under HKEY_LOCAL_MACHINE, always in the 32-bit view the program uses.
bool SetRegString(const std::wstring& key, const std::wstring& name, const std::wstring& value);
bool SetRegDword(const std::wstring& key, const std::wstring& name, DWORD value);
// True also when there was nothing to delete.
bool DeleteRegValue(const std::wstring& key, const std::wstring& name);
bool DeleteRegTree(const std::wstring& key);
// Only REG_SZ values; anything else reads as nothing.
std::optional<std::wstring> ReadRegString(const std::wstring& key, const std::wstring& name);
std::optional<DWORD> ReadRegDword(const std::wstring& key, const std::wstring& name);

std::optional<std::string> ReadFileBytes(const std::wstring& path);
// Creates missing parent folders.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);
bool MakeFolders(const std::wstring& path);
bool CopyTree(const std::wstring& from, const std::wstring& to);
// Clears read-only and hidden attributes on the way, so any tree the program made goes.
bool RemoveTree(const std::wstring& path);
// One line per difference ("only in first: a\b", "differs: c"); empty when the trees hold
// the same folders and byte-identical files.
std::vector<std::wstring> CompareTrees(const std::wstring& first, const std::wstring& second);
bool WaitForFile(const std::wstring& path, DWORD timeoutMs);

// A symbolic link at link that leads to target, made as a user of the machine would plant one:
// Wine's CreateSymbolicLinkW makes nothing, so the host's own ln makes it. Wine 8 shows one to a
// folder as a reparse point, one to a file as that file. Removed with RemoveLink; RemoveTree
// leaves the first kind alone.
bool MakeLink(const std::wstring& link, const std::wstring& target);
bool RemoveLink(const std::wstring& link);

// A fresh folder under the temp folder, whose name holds a blank; removed with its contents.
// Declare it before any Process that uses it, so the process dies first.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& stem = L"e2e medium");
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    bool Ok() const { return ok_; }
    const std::wstring& Path() const { return path_; }
    // `relative` uses backslashes and no leading one.
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
    bool ok_ = false;
};

// A distribution medium: setup.exe and setup.ini at its root, content under zrv\.
class Medium : public TempFolder {
public:
    using TempFolder::TempFolder;

    std::wstring SetupExe() const { return *this / L"setup.exe"; }
    std::wstring FullInstaller() const { return *this / L"zrv\\init\\setup.exe"; }
    std::wstring FullInstallerReport() const;

    bool PlaceSetup(const std::wstring& setupExe) const;
    bool PlaceFullInstaller(const std::wstring& standinExe) const;
    bool WriteSetupIni(std::string_view bytes) const { return WriteFileBytes(*this / L"setup.ini", bytes); }
    bool WriteFile(const std::wstring& relative, std::string_view bytes) const {
        return WriteFileBytes(*this / relative, bytes);
    }
    bool MakeFolder(const std::wstring& relative) const { return MakeFolders(*this / relative); }
};

struct StandinReport {
    std::wstring commandLine;
    int showWindow = -1;
    bool useShowWindow = false;
    std::wstring currentDirectory;
};
std::optional<StandinReport> ReadStandinReport(const std::wstring& path);
// Whether a command line holds anything after the program's own name.
bool CommandLineHasArguments(std::wstring_view commandLine);

}  // namespace e2e

#include "planted_support.hpp"

#include "driver.hpp"
#include "mark.hpp"
#include "platform/unique_handle.hpp"

namespace hardening {

std::wstring PlantedDllFolder() { return e2e::WindowsPath(HARDENING_PLANTED_DIR); }
std::wstring ControlVersionDll() { return e2e::WindowsPath(HARDENING_VERSION_DLL); }
std::wstring UnhardenedSetupExe() { return e2e::WindowsPath(HARDENING_UNHARDENED_EXE); }
std::wstring DecoyExe() { return e2e::WindowsPath(HARDENING_DECOY_EXE); }

namespace {

std::vector<std::wstring> FileNames(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    setup::UniqueFind find(::FindFirstFileW(pattern.c_str(), &data));
    if (!find) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
    return names;
}

}  // namespace

bool PlantDlls(const std::wstring& folder) {
    const auto names = FileNames(PlantedDllFolder() + L"\\*.dll");
    if (names.empty() || !e2e::MakeFolders(folder)) return false;
    for (const auto& name : names) {
        const std::wstring from = PlantedDllFolder() + L"\\" + name;
        const std::wstring to = folder + L"\\" + name;
        if (!::CopyFileW(from.c_str(), to.c_str(), FALSE)) return false;
    }
    return true;
}

std::vector<std::wstring> WordPrefixPrograms(const std::wstring& path) {
    std::vector<std::wstring> programs;
    for (size_t blank = path.find(L' '); blank != std::wstring::npos; blank = path.find(L' ', blank + 1))
        programs.push_back(path.substr(0, blank) + L".exe");
    return programs;
}

Marks::Marks() {
    if (Ok()) ::SetEnvironmentVariableW(kMarksVariable, folder_.Path().c_str());
}

Marks::~Marks() { ::SetEnvironmentVariableW(kMarksVariable, nullptr); }

std::vector<std::wstring> Marks::List() const {
    std::vector<std::wstring> marks;
    for (const auto& name : FileNames(folder_ / L"*")) {
        const auto bytes = e2e::ReadFileBytes(folder_ / name);
        std::wstring text;
        if (bytes) text.assign(reinterpret_cast<const wchar_t*>(bytes->data()), bytes->size() / sizeof(wchar_t));
        marks.push_back(name + L": " + text);
    }
    return marks;
}

bool Marks::Has(const std::wstring& name) const {
    return ::GetFileAttributesW((folder_ / (name + kMarkSuffix)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

::testing::AssertionResult Marks::None() const {
    const auto marks = List();
    if (marks.empty()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "planted code ran:\n";
    for (const auto& mark : marks) failure << testing::PrintToString(mark) << "\n";
    return failure;
}

}  // namespace hardening

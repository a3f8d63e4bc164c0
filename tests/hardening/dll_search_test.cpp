#include <gtest/gtest.h>

#include <string>

#include "driver.hpp"
#include "fixture.hpp"
#include "platform/dll_search.hpp"
#include "platform/redirection_trust.hpp"

namespace {

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
    return std::wstring(buffer, n < MAX_PATH ? n : 0);
}

bool InSystemFolder(const std::wstring& name) {
    return ::GetFileAttributesW((SystemFolder() + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folder a loaded module came from; empty when it is not loaded.
std::wstring LoadedFrom(const wchar_t* name) {
    HMODULE module = ::GetModuleHandleW(name);
    if (!module) return {};
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH);
    const std::wstring full(path, n < MAX_PATH ? n : 0);
    return full.substr(0, full.find_last_of(L'\\'));
}

::testing::AssertionResult LoadedFromSystemFolder(const wchar_t* name) {
    const std::wstring folder = LoadedFrom(name);
    const std::string printed = testing::PrintToString(std::wstring(name));
    if (folder.empty()) return ::testing::AssertionFailure() << printed << " is not loaded";
    if (::CompareStringOrdinal(folder.c_str(), -1, SystemFolder().c_str(), -1, TRUE) != CSTR_EQUAL)
        return ::testing::AssertionFailure() << printed << " came from " << testing::PrintToString(folder);
    return ::testing::AssertionSuccess();
}

// Both ways of loading take the DLLs from the system folder, and the object owns them: they go
// when it goes. Names nothing else in this process loads, so each case starts unloaded.
TEST(SystemDlls, LoadFromTheSystemFolderAndHoldThemForTheirLifetime) {
    using Search = setup::SystemDlls::Search;
    const struct {
        Search search;
        const wchar_t* names[2];
    } cases[] = {{Search::Restricted, {L"wtsapi32.dll", L"shfolder.dll"}},
                 {Search::FullPath, {L"dwmapi.dll", L"userenv.dll"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.search == Search::Restricted ? "restricted search" : "full path");
        for (const wchar_t* name : c.names) ASSERT_FALSE(::GetModuleHandleW(name));
        {
            const setup::SystemDlls dlls(c.names, c.search);
            EXPECT_EQ(dlls.Count(), 2u);
            for (const wchar_t* name : c.names) EXPECT_TRUE(LoadedFromSystemFolder(name));
        }
        for (const wchar_t* name : c.names) EXPECT_FALSE(::GetModuleHandleW(name));
    }
}

TEST(SystemDlls, AMissingDllIsSkipped) {
    const wchar_t* names[] = {L"no-such-library-here.dll"};
    EXPECT_EQ(setup::SystemDlls(names, setup::SystemDlls::Search::Restricted).Count(), 0u);
    EXPECT_EQ(setup::SystemDlls(names, setup::SystemDlls::Search::FullPath).Count(), 0u);
}

// A DLL that lies only in the current folder loads before the hardening call and not after.
TEST(HardenDllSearch, TheCurrentFolderIsNoLongerSearched) {
    e2e::TempFolder folder(L"current folder");
    ASSERT_TRUE(folder.Ok());
    const std::wstring planted = folder / L"planted-only-here.dll";
    const std::wstring standin = e2e::WindowsPath(HARDENING_PLANTED_DIR) + L"\\dwmapi.dll";
    ASSERT_TRUE(::CopyFileW(standin.c_str(), planted.c_str(), FALSE));
    wchar_t previous[MAX_PATH];
    ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.Path().c_str()));

    HMODULE before = ::LoadLibraryW(L"planted-only-here.dll");
    EXPECT_TRUE(before);
    if (before) ::FreeLibrary(before);
    ASSERT_FALSE(::GetModuleHandleW(L"planted-only-here.dll"));

    const auto dlls = setup::HardenDllSearch();
    HMODULE after = ::LoadLibraryW(L"planted-only-here.dll");
    EXPECT_FALSE(after);
    if (after) ::FreeLibrary(after);
    ::SetCurrentDirectoryW(previous);
}

// What the entry point does: afterwards every listed DLL the system has is loaded from the
// system folder. Wine lacks some (cryptbase, profapi), so those present are checked, and the
// four that every Windows and Wine have are required.
TEST(HardenDllSearch, LoadsTheListedDllsFromTheSystemFolder) {
    const auto dlls = setup::HardenDllSearch();
    size_t present = 0;
    for (const wchar_t* name : setup::kSystemDlls) {
        if (!InSystemFolder(name)) continue;
        ++present;
        EXPECT_TRUE(LoadedFromSystemFolder(name));
    }
    EXPECT_EQ(dlls.Count(), present);
    for (const wchar_t* name : {L"uxtheme.dll", L"dwmapi.dll", L"version.dll", L"windowscodecs.dll"})
        EXPECT_TRUE(LoadedFromSystemFolder(name));
}

// Wine has the call but no such policy: what the system is asked is seen through the seam.
int askedPolicy = -1;
DWORD askedFlags = 0;
BOOL WINAPI RecordMitigation(int policy, PVOID buffer, SIZE_T length) {
    askedPolicy = policy;
    askedFlags = length == sizeof(DWORD) ? *static_cast<DWORD*>(buffer) : 0;
    return TRUE;
}

TEST(RedirectionTrust, AsksForTheEnforcedPolicyAndShrugsOffASystemWithout) {
    EXPECT_TRUE(setup::EnforceRedirectionTrust(RecordMitigation));
    EXPECT_EQ(askedPolicy, 16) << "ProcessRedirectionTrustPolicy";
    EXPECT_EQ(askedFlags, 1u) << "EnforceRedirectionTrust, not audit";
    (void)setup::EnforceRedirectionTrust();  // whatever Wine answers, nothing breaks
}

}  // namespace

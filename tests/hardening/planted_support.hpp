#pragma once
// Shared by the planted-code tests: where the stand-ins are, planting them, and reading marks.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "fixture.hpp"

namespace hardening {

std::wstring PlantedDllFolder();
std::wstring ControlVersionDll();
std::wstring UnhardenedSetupExe();
std::wstring DecoyExe();

// Copies every stand-in DLL into `folder`; false if there were none or a copy failed.
bool PlantDlls(const std::wstring& folder);
// "<prefix>.exe" for each place a blank cuts `path` short: what an unquoted command line
// holding `path` would run first.
std::vector<std::wstring> WordPrefixPrograms(const std::wstring& path);

// A folder for marks, named to everything started from this process through SETUP_TEST_MARKS.
class Marks {
public:
    Marks();
    ~Marks();
    bool Ok() const { return folder_.Ok(); }
    // One entry per mark: "<name>: <what ran> in <which program>".
    std::vector<std::wstring> List() const;
    bool Has(const std::wstring& name) const;
    ::testing::AssertionResult None() const;

private:
    e2e::TempFolder folder_{L"marks"};
};

}  // namespace hardening

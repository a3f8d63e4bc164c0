#include <gtest/gtest.h>

#include "app_support.hpp"

#include "ui/control_ids.hpp"

namespace app {

std::wstring SetupExe() { return e2e::WindowsPath(APP_SETUP_EXE); }
std::wstring StandinExe() { return e2e::WindowsPath(APP_STANDIN_EXE); }

std::string Cp936(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string IniLines(std::initializer_list<std::wstring> lines) {
    std::string out;
    for (const auto& line : lines) out += Cp936(line) + "\r\n";
    return out;
}

void AppTest::SetUp() {
    ASSERT_TRUE(medium_.Ok());
    ASSERT_TRUE(medium_.PlaceSetup(SetupExe()));
    ASSERT_TRUE(medium_.PlaceFullInstaller(StandinExe()));
    ASSERT_TRUE(medium_.WriteSetupIni(IniLines({L"泰索瓦林课堂", L"", L"2.1", L"TVC-2.1", L""})));
    e2e::DeleteRegTree(e2e::kProductKey);
}

void AppTest::TearDown() {
    process_.Kill();
    e2e::DeleteRegTree(e2e::kProductKey);
}

e2e::Window AppTest::StartLauncher() {
    EXPECT_TRUE(process_.Start(medium_.SetupExe()));
    auto window = process_.WaitForWindow(setup::ids::kDefaultClass);
    if (!window) {
        ADD_FAILURE() << "the Launcher window did not appear";
        return e2e::Window(nullptr);
    }
    return *window;
}

::testing::AssertionResult MakeKeyReadOnly(const std::wstring& key) {
    if (!e2e::SetRegString(key, L"other", L"x")) return ::testing::AssertionFailure() << "cannot make the key";
    setup::UniqueKey handle;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, WRITE_DAC | KEY_WOW64_32KEY, handle.put()) != ERROR_SUCCESS)
        return ::testing::AssertionFailure() << "cannot open the key's security";
    SECURITY_DESCRIPTOR sd;
    BYTE aclBuffer[256];
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) ||
        !::InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) ||
        !::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return ::testing::AssertionFailure() << "cannot build the access list";
    const bool built = ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | WRITE_DAC | DELETE, everyone) &&
                       ::SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    ::FreeSid(everyone);
    if (!built) return ::testing::AssertionFailure() << "cannot build the access list";
    if (::RegSetKeySecurity(handle.get(), DACL_SECURITY_INFORMATION, &sd) != ERROR_SUCCESS)
        return ::testing::AssertionFailure() << "cannot set the key's security";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameTree(const std::wstring& expected, const std::wstring& actual) {
    const auto differences = e2e::CompareTrees(expected, actual);
    if (differences.empty()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    for (const auto& d : differences) failure << testing::PrintToString(d) << "\n";
    return failure;
}

}  // namespace app

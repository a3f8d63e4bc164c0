#include <gtest/gtest.h>

#include <cstdlib>

#include "app_support.hpp"

#include "ui/control_ids.hpp"

namespace app {

int Slowdown() {
    const char* given = std::getenv("SETUP_TEST_SLOWDOWN");
    const int slowdown = given ? std::atoi(given) : 1;
    return slowdown > 1 ? slowdown : 1;
}

std::wstring SetupExe() {
    const char* other = std::getenv("SETUP_TEST_SETUP_EXE");
    return e2e::WindowsPath(other && *other ? other : APP_SETUP_EXE);
}
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

int ScreenDpi() {
    const setup::WindowDc screen(nullptr);
    return ::GetDeviceCaps(screen.get(), LOGPIXELSY);
}

e2e::Pixels RenderLabelText(const std::wstring& text, int width, int height, int points, bool bold, int dpi,
                            COLORREF back, COLORREF fore) {
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(points, dpi, 72);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = GB2312_CHARSET;
    wcscpy_s(lf.lfFaceName, L"宋体");
    const setup::UniqueFont font(::CreateFontIndirectW(&lf));
    const setup::UniqueBrush brush(::CreateSolidBrush(back));
    setup::UniqueBitmap bitmap;
    setup::UniqueMemoryDc dc;
    {
        const setup::WindowDc screen(nullptr);
        dc.reset(::CreateCompatibleDC(screen.get()));
        bitmap.reset(::CreateCompatibleBitmap(screen.get(), width, height));
    }
    {
        const setup::SelectedObject selectedBitmap(dc.get(), bitmap.get());
        const setup::SelectedObject selectedFont(dc.get(), font.get());
        RECT r{0, 0, width, height};
        ::FillRect(dc.get(), &r, brush.get());
        ::SetTextColor(dc.get(), fore);
        ::SetBkColor(dc.get(), back);
        ::DrawTextW(dc.get(), text.c_str(), -1, &r, DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX);
    }
    return e2e::ReadPixels(dc.get(), bitmap.get(), width, height).value_or(e2e::Pixels{});
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

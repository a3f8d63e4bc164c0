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

::testing::AssertionResult SameTree(const std::wstring& expected, const std::wstring& actual) {
    const auto differences = e2e::CompareTrees(expected, actual);
    if (differences.empty()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    for (const auto& d : differences) failure << testing::PrintToString(d) << "\n";
    return failure;
}

}  // namespace app

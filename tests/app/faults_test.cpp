// Failure handling end to end: every fault ends in a clear message, leaves the window usable
// and the registry as it was, and never brings up a crash dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;
using app::IniLines;
using app::kAppTitle;
using app::kMarkerKey;
using app::kCopyWait;
using app::kExitWait;
using app::kFailure;
using app::SameTree;

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Any value of any type, written as raw data in the program's registry view.
bool SetRawValue(const std::wstring& key, const std::wstring& name, DWORD type, const std::string& data) {
    setup::UniqueKey k;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr,
                          k.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// Every key, value, type and byte below the product key, one line each.
void DumpKey(HKEY parent, const std::wstring& path, const std::wstring& shown, std::vector<std::wstring>& out) {
    setup::UniqueKey key;
    if (::RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, key.put()) != ERROR_SUCCESS) return;
    out.push_back(L"key " + shown);
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (::RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameLength = 16384;
        ::RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        std::wstring line = shown + L" | " + std::wstring(name, nameLength) + L" | " + std::to_wstring(type) + L" |";
        for (const unsigned char c : data) {
            wchar_t hex[4];
            swprintf(hex, 4, L" %02X", c);
            line += hex;
        }
        out.push_back(line);
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name, nameLength);
    }
    for (const auto& sub : subkeys) DumpKey(key.get(), sub, shown + L"\\" + sub, out);
}

std::vector<std::wstring> RegistrySnapshot() {
    std::vector<std::wstring> out;
    DumpKey(HKEY_LOCAL_MACHINE, e2e::kProductKey, L"product", out);
    std::sort(out.begin(), out.end());
    return out;
}

struct TopWindow {
    HWND hwnd;
    DWORD pid;
    std::wstring cls;
    std::wstring title;
};

BOOL CALLBACK CollectTopWindow(HWND hwnd, LPARAM param) {
    if (!::IsWindowVisible(hwnd)) return TRUE;
    TopWindow w{hwnd, 0, {}, {}};
    ::GetWindowThreadProcessId(hwnd, &w.pid);
    wchar_t text[256] = {};
    ::GetClassNameW(hwnd, text, 256);
    w.cls = text;
    text[0] = 0;
    ::GetWindowTextW(hwnd, text, 256);
    w.title = text;
    reinterpret_cast<std::vector<TopWindow>*>(param)->push_back(w);
    return TRUE;
}

std::vector<TopWindow> VisibleTopWindows() {
    std::vector<TopWindow> all;
    ::EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

// Value types the program may meet where it expects a string.
enum class OddType { Dword, Binary, MultiString, Qword };
const OddType kOddTypes[] = {OddType::Dword, OddType::Binary, OddType::MultiString, OddType::Qword};
const char* OddTypeName(OddType t) {
    switch (t) {
        case OddType::Dword: return "REG_DWORD";
        case OddType::Binary: return "REG_BINARY";
        case OddType::MultiString: return "REG_MULTI_SZ";
        case OddType::Qword: return "REG_QWORD";
    }
    return "?";
}
// The text stored as that type: a number for the numeric types, its UTF-16 bytes for binary,
// and one string of a list for REG_MULTI_SZ.
bool SetOddValue(const std::wstring& name, OddType type, const std::wstring& text, DWORD number) {
    switch (type) {
        case OddType::Dword:
            return SetRawValue(e2e::kProductKey, name, REG_DWORD, std::string(reinterpret_cast<char*>(&number), 4));
        case OddType::Binary: return SetRawValue(e2e::kProductKey, name, REG_BINARY, Utf16Bytes(text));
        case OddType::MultiString:
            return SetRawValue(e2e::kProductKey, name, REG_MULTI_SZ, Utf16Bytes(text + L'\0' + L'\0'));
        case OddType::Qword: {
            const ULONGLONG q = number;
            return SetRawValue(e2e::kProductKey, name, REG_QWORD, std::string(reinterpret_cast<const char*>(&q), 8));
        }
    }
    return false;
}

class Faults : public app::AppTest {
public:  // the fault cases below reach the fixture
    using app::AppTest::medium_;

    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(target_.Ok());
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\class\\a.txt", "class a"));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\u.txt", "upgrade u"));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\up\\v.txt", "upgrade v"));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\up\\w.txt", "upgrade w"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        SetInstallFolder(target_.Path());
        // An earlier installation's record, which a failed one must leave exactly as it is.
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.0"));
        ASSERT_TRUE(e2e::SetRegString(kMarkerKey, L"TVC-2.0", L"TVC-2.0"));
        baseline_ = VisibleTopWindows();
    }

    void SetInstallFolder(const std::wstring& folder) {
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + folder + L"\""));
    }
    std::wstring Coon() const { return target_ / L"coon"; }
    std::wstring Tree(const wchar_t* name) const { return medium_ / (std::wstring(L"zrv\\") + name); }

    e2e::Window OpenWizard() {
        auto launcher = StartLauncher();
        EXPECT_TRUE(launcher.Click(ids::kDefaultBtnNext));
        auto w = process_.WaitForWindow(ids::kSetupClass);
        if (!w) {
            ADD_FAILURE() << "the Wizard window did not appear";
            return e2e::Window(nullptr);
        }
        // The Launcher goes just after the Wizard window is shown.
        EXPECT_TRUE(process_.WaitForWindowGone(ids::kDefaultClass));
        return *w;
    }

    // Visible top-level windows that came up since the test began and are not the program's
    // own of the given classes: a crash dialog (winedbg's "Program Error", or the program's
    // last-resort box) would be one.
    std::vector<TopWindow> StrangeWindows(std::initializer_list<const wchar_t*> allowed) const {
        std::vector<TopWindow> strange;
        for (const auto& w : VisibleTopWindows()) {
            const bool old = std::any_of(baseline_.begin(), baseline_.end(),
                                         [&](const TopWindow& b) { return b.hwnd == w.hwnd; });
            const bool ours = w.pid == process_.Id() &&
                              std::any_of(allowed.begin(), allowed.end(), [&](const wchar_t* c) { return w.cls == c; });
            if (!old && !ours) strange.push_back(w);
        }
        return strange;
    }

    void ExpectNoStrangeWindows(std::initializer_list<const wchar_t*> allowed) {
        for (const auto& w : StrangeWindows(allowed)) {
            ADD_FAILURE() << "unexpected window: class " << testing::PrintToString(w.cls) << ", title "
                          << testing::PrintToString(w.title) << ", process " << w.pid
                          << (w.pid == process_.Id() ? " (setup)" : "");
        }
    }

    // The failure box, titled with the application's name, answered; the program lives on.
    void ExpectFailureBox() {
        std::optional<e2e::MessageBoxView> box;
        e2e::WaitUntil(
            [&] {
                if (auto found = process_.FindTopWindow(e2e::kMessageBoxClass)) box.emplace(found->Handle());
                return box || !process_.IsRunning() ||
                       !StrangeWindows({ids::kSetupClass, e2e::kMessageBoxClass}).empty();
            },
            kCopyWait);
        if (!box) {
            ExpectNoStrangeWindows({ids::kSetupClass, ids::kSetupEndClass});
            FAIL() << "no message box; setup " << (process_.IsRunning() ? "still runs" : "has ended");
        }
        EXPECT_EQ(box->Title(), kAppTitle);
        EXPECT_EQ(box->Text(), kFailure);
        ExpectNoStrangeWindows({ids::kSetupClass, e2e::kMessageBoxClass});
        ASSERT_TRUE(box->PressOk());
        ASSERT_TRUE(process_.WaitForWindowGone(e2e::kMessageBoxClass));
        EXPECT_TRUE(process_.IsRunning());
    }

    // Install fails with the message, the registry keeps its earlier record, and the window
    // still answers: its buttons are enabled again.
    void ExpectInstallFails(e2e::Window& w) {
        const auto before = RegistrySnapshot();
        ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
        ExpectFailureBox();
        EXPECT_EQ(RegistrySnapshot(), before);
        EXPECT_TRUE(w.IsVisible());
        EXPECT_TRUE(w.IsControlEnabled(ids::kSetupBtnNext));
        EXPECT_TRUE(w.IsControlEnabled(ids::kSetupBtnPre));
        EXPECT_TRUE(w.IsControlEnabled(ids::kSetupBtnExit));
    }

    // Install runs to the Completion window; Finish ends the program with exit code 0.
    void ExpectInstallCompletes(e2e::Window& w) {
        ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
        auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
        ASSERT_TRUE(done) << "no Completion window";
        EXPECT_TRUE(process_.WaitForWindowGone(ids::kSetupClass));
        ExpectNoStrangeWindows({ids::kSetupEndClass});
        EXPECT_EQ(e2e::ReadRegString(e2e::kProductKey, L"version"), L"2.1");
        EXPECT_EQ(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"), L"TVC-2.1");
        ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
        EXPECT_EQ(process_.WaitExit(kExitWait), 0u);
    }

    void ExitCleanly(e2e::Window& w) {
        ASSERT_TRUE(w.Click(ids::kSetupBtnExit));
        EXPECT_EQ(process_.WaitExit(kExitWait), 0u);
    }

    e2e::TempFolder target_{L"faults target"};
    std::vector<TopWindow> baseline_;
};

// One fault at a time: Install fails, the fault is removed, and Install in the same window
// then copies the whole tree and records the installation.
struct InstallFault {
    const char* name;
    std::function<void(Faults&, setup::UniqueFile&)> arrange;
    std::function<void(Faults&, setup::UniqueFile&)> remove;
};

void PrintTo(const InstallFault& fault, std::ostream* os) { *os << fault.name; }

class InstallFaults : public Faults, public ::testing::WithParamInterface<InstallFault> {};

struct InstallFaultCases {
    static std::wstring Coon(Faults& f) { return f.Coon(); }
    static std::wstring Target(Faults& f) { return f.target_.Path(); }
    static const e2e::Medium& Medium(Faults& f) { return f.medium_; }
    static void SetInstallFolder(Faults& f, const std::wstring& folder) { f.SetInstallFolder(folder); }
    // A folder beside coon that a link planted there leads to, and a copy of it as it was.
    static std::wstring Outside(Faults& f) { return f.target_ / L"outside"; }
    static void MakeOutside(Faults& f) {
        ASSERT_TRUE(e2e::WriteFileBytes(Outside(f) + L"\\v.txt", "outside v"));
        ASSERT_TRUE(e2e::CopyTree(Outside(f), f.target_ / L"outside as it was"));
    }
    // A link at `at` leading to `to`: the copy fails, writes nothing where it leads, and makes
    // nothing at all when the link is in the medium.
    using Where = std::function<std::wstring(Faults&)>;
    static InstallFault LinkRow(const char* name, Where at, Where to) {
        return {name,
                [=](Faults& f, setup::UniqueFile&) {
                    MakeOutside(f);
                    ASSERT_TRUE(e2e::MakeFolders(at(f).substr(0, at(f).rfind(L'\\'))));
                    ASSERT_TRUE(e2e::MakeLink(at(f), to(f)));
                },
                [=](Faults& f, setup::UniqueFile&) {
                    EXPECT_TRUE(e2e::CompareTrees(Outside(f), f.target_ / L"outside as it was").empty());
                    const bool inMedium = at(f).find(Medium(f).Path()) == 0;
                    EXPECT_FALSE(inMedium && PathExists(Coon(f))) << "nothing was made";
                    ASSERT_TRUE(e2e::RemoveLink(at(f)));
                }};
    }

    static std::vector<InstallFault> All() {
        return {
            {"DestinationFileHeldOpen",
             [](Faults& f, setup::UniqueFile& held) {
                 const std::wstring file = Coon(f) + L"\\up\\v.txt";
                 ASSERT_TRUE(e2e::WriteFileBytes(file, "old"));
                 held.reset(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                 ASSERT_TRUE(held);
             },
             [](Faults&, setup::UniqueFile& held) { held.reset(); }},
            {"SourceFileHeldOpen",
             [](Faults& f, setup::UniqueFile& held) {
                 const std::wstring file = Medium(f) / L"zrv\\upgrade\\up\\v.txt";
                 held.reset(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                 ASSERT_TRUE(held);
             },
             [](Faults&, setup::UniqueFile& held) { held.reset(); }},
            {"FolderWhereAFileGoes",
             [](Faults& f, setup::UniqueFile&) { ASSERT_TRUE(e2e::MakeFolders(Coon(f) + L"\\up\\v.txt\\inner")); },
             [](Faults& f, setup::UniqueFile&) { ASSERT_TRUE(e2e::RemoveTree(Coon(f) + L"\\up\\v.txt")); }},
            {"FileWhereAFolderGoes",
             [](Faults& f, setup::UniqueFile&) { ASSERT_TRUE(e2e::WriteFileBytes(Coon(f) + L"\\up", "a file")); },
             [](Faults& f, setup::UniqueFile&) { ASSERT_TRUE(::DeleteFileW((Coon(f) + L"\\up").c_str())); }},
            {"FileWhereTheDestinationGoes",
             [](Faults& f, setup::UniqueFile&) { ASSERT_TRUE(e2e::WriteFileBytes(Coon(f), "a file")); },
             [](Faults& f, setup::UniqueFile&) { ASSERT_TRUE(::DeleteFileW(Coon(f).c_str())); }},
            // The product's folder is the full installer's to make: the wizard doesn't create it.
            {"InstallationFolderMissing",
             [](Faults& f, setup::UniqueFile&) {
                 ASSERT_TRUE(e2e::RemoveTree(Target(f)));
             },
             [](Faults& f, setup::UniqueFile&) { ASSERT_TRUE(e2e::MakeFolders(Target(f))); }},
            {"DriveMissing",
             [](Faults& f, setup::UniqueFile&) {
                 const DWORD drives = ::GetLogicalDrives();
                 wchar_t letter = L'Y';
                 while (letter > L'D' && (drives & (1u << (letter - L'A')))) --letter;
                 ASSERT_FALSE(drives & (1u << (letter - L'A'))) << "no free drive letter";
                 SetInstallFolder(f, std::wstring(1, letter) + L":\\Tessovarine");
             },
             [](Faults& f, setup::UniqueFile&) { SetInstallFolder(f, Target(f)); }},
            // A link that someone who may write in the installation folder planted: the
            // installation runs elevated, and must never write where it leads.
            LinkRow("FolderUnderCoonIsALink", [](Faults& f) { return Coon(f) + L"\\up"; }, Outside),
            LinkRow("CoonIsALink", Coon, Outside),
            // A share can hold a link; a tree copied past one is not the one the publisher made.
            LinkRow("SourceLoop", [](Faults& f) { return Medium(f) / L"zrv\\upgrade\\up\\loop"; },
                    [](Faults& f) { return Medium(f) / L"zrv\\upgrade"; }),
            LinkRow("SourceLinkOutOfTheMedium", [](Faults& f) { return Medium(f) / L"zrv\\upgrade\\elsewhere"; },
                    Outside),
            {"SourceTreeMissing",
             [](Faults& f, setup::UniqueFile&) {
                 ASSERT_TRUE(::MoveFileW((Medium(f) / L"zrv\\upgrade").c_str(), (Medium(f) / L"zrv\\away").c_str()));
             },
             [](Faults& f, setup::UniqueFile&) {
                 ASSERT_TRUE(::MoveFileW((Medium(f) / L"zrv\\away").c_str(), (Medium(f) / L"zrv\\upgrade").c_str()));
             }},
        };
    }
};

TEST_P(InstallFaults, FailWithTheMessageChangeNothingAndInstallWorksOnceRemoved) {
    const InstallFault& fault = GetParam();
    setup::UniqueFile held;
    fault.arrange(*this, held);
    if (HasFatalFailure()) return;
    auto w = OpenWizard();
    ExpectInstallFails(w);
    EXPECT_FALSE(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"));
    fault.remove(*this, held);
    if (HasFatalFailure()) return;
    ExpectInstallCompletes(w);
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    // The earlier record stays beside the new one.
    EXPECT_EQ(e2e::ReadRegString(kMarkerKey, L"TVC-2.0"), L"TVC-2.0");
}

INSTANTIATE_TEST_SUITE_P(Cases, InstallFaults, ::testing::ValuesIn(InstallFaultCases::All()),
                         [](const auto& info) { return std::string(info.param.name); });

// A link at a file's own name is replaced as a file is: what it leads to stays as it was. (Wine
// shows such a link as the file itself; the rename replaces the link all the same.)
TEST_F(Faults, AFileLinkUnderCoonIsReplacedAndWhatItLeadsToKept) {
    const std::wstring secret = target_ / L"secret.txt";
    ASSERT_TRUE(e2e::WriteFileBytes(secret, "secret"));
    ASSERT_TRUE(e2e::MakeFolders(Coon() + L"\\up"));
    ASSERT_TRUE(e2e::MakeLink(Coon() + L"\\up\\v.txt", secret));
    auto w = OpenWizard();
    ExpectInstallCompletes(w);
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    EXPECT_EQ(e2e::ReadFileBytes(secret), "secret");
}

// "InstallPath" holds the folder between two delimiters. Only a folder named in full (drive
// and root, or a share) is installed into; anything else is refused before any copy.
TEST_F(Faults, InstallationFolderForms) {
    const std::wstring t = target_.Path();
    std::wstring slashed = t;
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    const std::wstring longFolder = t + L"\\" + std::wstring(200, L'l') + L"\\" + std::wstring(200, L'm');
    ASSERT_TRUE(::CreateDirectoryW((t + L"\\" + std::wstring(200, L'l')).c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(longFolder.c_str(), nullptr));
    ASSERT_TRUE(e2e::WriteFileBytes(t + L"\\file.txt", "a file"));
    // A drive-root "coon" left by anything earlier would hide one made here.
    e2e::RemoveTree(t.substr(0, 3) + L"coon");
    struct Case {
        std::wstring installPath;
        std::wstring coon;  // empty: refused
    };
    const Case cases[] = {
        {L"\"\"", L""},                          // nothing between the delimiters
        {L"\"    \"", L""},                      // only blanks
        {L"\"x\"", L""},                         // one character, relative
        {L"\"faults rel\"", L""},                // relative to whatever folder is current
        {L"\"\\faults root\"", L""},             // relative to the current drive's root
        {L"\"" + t.substr(0, 2) + L"faults drive\"", L""},  // relative to the drive's current folder
        {L"\"\\\\.\\" + t + L"\"", L""},         // the device namespace
        {L"\"\\\\no-such-server\\share\\Tess\"", L""},  // a share that can't be reached
        {L"\"" + t + L"\\a|b\"", L""},
        {L"\"" + t + L"\\a*b\"", L""},
        {L"\"" + t + L"\\a?b\"", L""},
        {L"\"" + t + L"\\a<b>\"", L""},
        {L"\"" + t + L"\\a:b\"", L""},           // a stream of a
        {L"\"" + t + L"\\file.txt\"", L""},      // a file, not a folder
        {L"\"" + t + L"\\" + std::wstring(40000, L'x') + L"\"", L""},  // far beyond any path
        {L"\"" + t + L"\\\\\\\"", t + L"\\coon"},  // trailing backslashes
        {L"\"" + slashed + L"/\"", t + L"\\coon"},  // forward slashes
        {L"\"\\\\?\\" + t + L"\"", t + L"\\coon"},  // the long-path form
        {L"\"" + longFolder + L"\"", longFolder + L"\\coon"},  // longer than MAX_PATH
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.installPath.size() > 300 ? c.installPath.substr(0, 300) + L"..."
                                                                       : c.installPath));
        if (!c.coon.empty()) e2e::RemoveTree(c.coon);
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", c.installPath));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.0"));
        auto w = OpenWizard();
        if (c.coon.empty()) {
            ExpectInstallFails(w);
            ExitCleanly(w);
        } else {
            ExpectInstallCompletes(w);
            EXPECT_TRUE(SameTree(Tree(L"upgrade"), c.coon));
        }
    }
    // Nothing was made relative to the medium (the current folder) or its drive's root.
    for (const wchar_t* stray : {L"x", L"faults rel", L"faults drive", L"coon"})
        EXPECT_FALSE(PathExists(medium_ / stray)) << testing::PrintToString(std::wstring(stray));
    EXPECT_FALSE(PathExists(t.substr(0, 3) + L"faults root"));
    EXPECT_FALSE(PathExists(t.substr(0, 3) + L"coon"));
    for (const wchar_t* stray : {L"a", L"a|b", L"a*b", L"a?b"})
        EXPECT_FALSE(PathExists(t + L"\\" + stray)) << testing::PrintToString(std::wstring(stray));
}

// "setup" stored as another type reads as text that is never "1": the full installer starts.
TEST_F(Faults, SetupOfAnotherTypeTakesTheFullInstaller) {
    for (const OddType type : kOddTypes) {
        SCOPED_TRACE(OddTypeName(type));
        ::DeleteFileW(medium_.FullInstallerReport().c_str());
        ASSERT_TRUE(SetOddValue(L"setup", type, L"1", 1));
        const auto before = RegistrySnapshot();
        auto w = StartLauncher();
        ASSERT_TRUE(w.Click(ids::kDefaultBtnNext));
        EXPECT_TRUE(e2e::WaitForFile(medium_.FullInstallerReport(), 5000));
        EXPECT_EQ(process_.WaitExit(kExitWait), 0u);
        EXPECT_FALSE(process_.FindTopWindow(ids::kSetupClass));
        EXPECT_EQ(RegistrySnapshot(), before);
    }
    // An expandable string is text like any other: "1" opens the wizard.
    ASSERT_TRUE(SetRawValue(e2e::kProductKey, L"setup", REG_EXPAND_SZ, Utf16Bytes(std::wstring(L"1", 2))));
    auto w = StartLauncher();
    ASSERT_TRUE(w.Click(ids::kDefaultBtnNext));
    EXPECT_TRUE(process_.WaitForWindow(ids::kSetupClass));
}

// "InstallPath" of another type never reads as a folder named in full: refused.
TEST_F(Faults, InstallPathOfAnotherTypeIsRefused) {
    for (const OddType type : kOddTypes) {
        SCOPED_TRACE(OddTypeName(type));
        ASSERT_TRUE(SetOddValue(L"InstallPath", type, L"\"" + target_.Path() + L"\"", 0x12345678));
        auto w = OpenWizard();
        ExpectInstallFails(w);
        ExitCleanly(w);
    }
    EXPECT_FALSE(PathExists(Coon()));
}

// "version" of another type never equals the medium's version: the upgrade tree is copied and
// the version is recorded as a string from then on.
TEST_F(Faults, VersionOfAnotherTypeCountsAsDifferent) {
    for (const OddType type : kOddTypes) {
        SCOPED_TRACE(OddTypeName(type));
        ASSERT_TRUE(e2e::RemoveTree(Coon()));
        ASSERT_TRUE(SetOddValue(L"version", type, L"2.1", 0x21));
        auto w = OpenWizard();
        ExpectInstallCompletes(w);
        EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    }
}

class ProductInfoFaults : public Faults {
protected:
    // The Launcher greets with the name, the Wizard installs to the end, and the record is
    // the one the file's lines give.
    void RunThrough(const std::wstring& name, const std::wstring& version, const std::wstring& marker,
                    const std::optional<std::wstring>& markerData = std::nullopt) {
        auto launcher = StartLauncher();
        EXPECT_EQ(launcher.Caption(), name.substr(0, 1023));
        EXPECT_EQ(launcher.Text(ids::kDefaultLbTitle), L"欢迎使用 " + name);
        ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
        auto w = process_.WaitForWindow(ids::kSetupClass);
        ASSERT_TRUE(w);
        EXPECT_EQ(w->Text(ids::kSetupLbInit), L"安装向导准备开始 " + name + L" 安装。");
        ASSERT_TRUE(w->Click(ids::kSetupBtnNext));
        auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
        ASSERT_TRUE(done) << "no Completion window";
        EXPECT_TRUE(process_.WaitForWindowGone(ids::kSetupClass));
        ExpectNoStrangeWindows({ids::kSetupEndClass});
        EXPECT_EQ(done->Text(ids::kSetupEndLbMsg), L"正在完成 " + name + L" 安装向导");
        EXPECT_EQ(e2e::ReadRegString(e2e::kProductKey, L"version"), version);
        EXPECT_EQ(e2e::ReadRegString(kMarkerKey, marker), markerData.value_or(marker));
        ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
        EXPECT_EQ(process_.WaitExit(kExitWait), 0u);
    }
};

// Saved as Unicode by an editor: the byte-order mark says how to read it.
TEST_F(ProductInfoFaults, AByteOrderMarkSelectsUtf8OrUtf16) {
    const std::wstring name = L"泰索瓦林课堂";
    const std::wstring text = name + L"\r\n\r\n2.1\r\nTVC-2.1\r\n";
    std::string utf8(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                               nullptr, 0, nullptr, nullptr)),
                     '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                          static_cast<int>(utf8.size()), nullptr, nullptr);
    for (const std::string& file : {"\xEF\xBB\xBF" + utf8, "\xFF\xFE" + Utf16Bytes(text)}) {
        SCOPED_TRACE(file[0] == '\xEF' ? "UTF-8" : "UTF-16LE");
        ASSERT_TRUE(e2e::RemoveTree(Coon()));
        ASSERT_TRUE(medium_.WriteSetupIni(file));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.0"));
        RunThrough(name, L"2.1", L"TVC-2.1");
        EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    }
    // Without a mark the bytes stay code page 936, even where they form UTF-8.
    ASSERT_TRUE(medium_.WriteSetupIni(utf8));
    auto launcher = StartLauncher();
    EXPECT_NE(launcher.Caption(), name);
    EXPECT_EQ(launcher.Caption().size(), 9u);  // 18 UTF-8 bytes read as 9 double-byte characters
}

TEST_F(ProductInfoFaults, LongLinesAndLargeFilesAreReadWhole) {
    // A first line of 10,000 characters.
    const std::wstring longName(10000, L'名');
    ASSERT_TRUE(medium_.WriteSetupIni(IniLines({longName, L"", L"2.1", L"TVC-2.1"})));
    {
        SCOPED_TRACE("10,000-character first line");
        RunThrough(longName, L"2.1", L"TVC-2.1");
    }
    // 1 MB in one line, without a line end: lines 3 and 4 are empty, so a blank is recorded.
    const std::wstring hugeName(1u << 20, L'A');
    ASSERT_TRUE(medium_.WriteSetupIni(std::string(1u << 20, 'A')));
    {
        SCOPED_TRACE("1 MB in one line");
        RunThrough(hugeName, L" ", L"", L" ");
    }
    // 1 MB: five lines and then a mass of others, none of which matters.
    std::string big = IniLines({L"名", L"", L"2.1", L"TVC-2.1", L""});
    while (big.size() < (1u << 20)) big += "filler line that nobody reads\r\n";
    ASSERT_TRUE(medium_.WriteSetupIni(big));
    {
        SCOPED_TRACE("1 MB of lines");
        RunThrough(L"名", L"2.1", L"TVC-2.1");
    }
}

// Random bytes with NULs: shown as whatever they decode to, never a crash; the installation
// still runs and records line 3 and line 4 as read.
TEST_F(ProductInfoFaults, BinaryBytesNeverCrash) {
    std::mt19937 random(20261208);
    std::string bytes(1u << 20, '\0');
    for (auto& b : bytes) b = static_cast<char>(random() & 0xFF);
    ASSERT_TRUE(medium_.WriteSetupIni(bytes));
    const auto before = RegistrySnapshot();
    auto launcher = StartLauncher();
    ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
    auto w = process_.WaitForWindow(ids::kSetupClass);
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done) << "no Completion window";
    EXPECT_TRUE(process_.WaitForWindowGone(ids::kSetupClass));
    ExpectNoStrangeWindows({ids::kSetupEndClass});
    // Both values written, as strings: the version and one more marker value.
    EXPECT_TRUE(e2e::ReadRegString(e2e::kProductKey, L"version"));
    const auto after = RegistrySnapshot();
    EXPECT_EQ(after.size(), before.size() + 1);
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_EQ(process_.WaitExit(kExitWait), 0u);
}

// Only one setup runs at a time in a session; a second start hands over to the first.
class SecondInstance : public Faults {
protected:
    void SetUp() override {
        Faults::SetUp();
        ASSERT_TRUE(e2e::RemoveTree(Tree(L"upgrade")));
        for (int i = 0; i < 1500; ++i)
            ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\f" + std::to_wstring(i / 100) + L"\\" +
                                              std::to_wstring(i) + L".txt",
                                          std::to_string(i)));
    }

    // Starts a second setup, which must end at once with code 0 and never show a window.
    void ExpectSecondStartHandsOver() {
        e2e::Process second;
        ASSERT_TRUE(second.Start(medium_.SetupExe()));
        bool showed = false;
        const bool ended = e2e::WaitUntil(
            [&] {
                for (const wchar_t* cls :
                     {ids::kDefaultClass, ids::kSetupClass, ids::kSetupEndClass, e2e::kMessageBoxClass})
                    if (second.FindTopWindow(cls)) showed = true;
                return !second.IsRunning();
            },
            5000);
        EXPECT_TRUE(ended) << "the second setup is still running";
        EXPECT_FALSE(showed) << "the second setup showed a window";
        EXPECT_EQ(second.WaitExit(0), 0u);
    }
};

TEST_F(SecondInstance, DuringACopyEndsAtOnceAndTheFirstCompletes) {
    auto w = OpenWizard();
    ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    ASSERT_TRUE(e2e::WaitUntil([&] { return w.IsControlVisible(ids::kSetupPbSetup); }, 10000));
    ExpectSecondStartHandsOver();
    EXPECT_TRUE(process_.FindTopWindow(ids::kSetupClass)) << "the copy ended before the second start was over";

    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done);
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    // Exactly one record: the first setup's.
    std::vector<std::wstring> expected = {
        L"key product",
        L"key product\\ZRV",
        L"key product\\ZRV\\7B",
    };
    const auto snapshot = RegistrySnapshot();
    EXPECT_EQ(e2e::ReadRegString(e2e::kProductKey, L"version"), L"2.1");
    EXPECT_EQ(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"), L"TVC-2.1");
    EXPECT_EQ(std::count_if(snapshot.begin(), snapshot.end(),
                            [](const std::wstring& line) { return line.find(L"| TVC-2.1 |") != std::wstring::npos; }),
              1);
    EXPECT_EQ(snapshot.size(), 3u + 3u + 2u) << "three keys, setup/InstallPath/version, two markers";
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_EQ(process_.WaitExit(kExitWait), 0u);

    // The claim went with the first process: a new start shows the Launcher.
    auto again = StartLauncher();
    EXPECT_TRUE(again.IsVisible());
    ASSERT_TRUE(again.Click(ids::kDefaultBtnExit));
    EXPECT_EQ(process_.WaitExit(kExitWait), 0u);
}

TEST_F(SecondInstance, BringsTheFirstsMinimizedWindowBack) {
    auto launcher = StartLauncher();
    ::ShowWindowAsync(launcher.Handle(), SW_MINIMIZE);
    ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsIconic(launcher.Handle()) != FALSE; }, 5000));
    ExpectSecondStartHandsOver();
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsIconic(launcher.Handle()); }, 5000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::GetForegroundWindow() == launcher.Handle(); }, 5000));

    // Also from the Wizard window, and while its failure box waits for an answer.
    ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
    auto w = process_.WaitForWindow(ids::kSetupClass);
    ASSERT_TRUE(w);
    ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L""));
    ASSERT_TRUE(w->Click(ids::kSetupBtnNext));
    auto box = process_.WaitForMessageBox();
    ASSERT_TRUE(box);
    ExpectSecondStartHandsOver();
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::GetForegroundWindow() == box->Handle(); }, 5000));
    ASSERT_TRUE(box->PressOk());
    ExitCleanly(*w);
}

}  // namespace

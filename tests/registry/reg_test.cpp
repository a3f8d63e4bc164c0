// The registry store against Wine's real registry, in a scratch key of the 32-bit view.
#include "registry/reg.hpp"

#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/unique_handle.hpp"
#include "registry/value_codec.hpp"

namespace {

using setup::UniqueKey;
using namespace setup::reg;
using Bytes = std::vector<std::uint8_t>;

constexpr wchar_t kVendorKey[] = L"SOFTWARE\\corvanthyle";
constexpr wchar_t kScratchParent[] = L"SOFTWARE\\corvanthyle\\TessovarineTest";
// Query, set, create-subkey, enumerate, notify, create-link and read-control rights.
constexpr REGSAM kReadWriteMask = 0x2003F;

struct RawValue {
    DWORD type;
    Bytes data;
};

UniqueKey OpenRaw(const std::wstring& path, REGSAM access) {
    UniqueKey key;
    ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, key.put());
    return key;
}

bool KeyExists(const std::wstring& path, REGSAM view = KEY_WOW64_32KEY) {
    return static_cast<bool>(OpenRaw(path, KEY_QUERY_VALUE | view));
}

std::optional<RawValue> RawGet(const std::wstring& path, const std::wstring& name, REGSAM view = KEY_WOW64_32KEY) {
    const UniqueKey key = OpenRaw(path, KEY_QUERY_VALUE | view);
    if (!key) return std::nullopt;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    Bytes data(size + 1);
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(size);
    return RawValue{type, data};
}

void RawSet(const std::wstring& path, const std::wstring& name, DWORD type, const Bytes& data) {
    UniqueKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                                nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    static const BYTE none = 0;
    ASSERT_EQ(::RegSetValueExW(key.get(), name.c_str(), 0, type, data.empty() ? &none : data.data(),
                               static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

void DeleteTree(const std::wstring& parent, const std::wstring& child) {
    UniqueKey key = OpenRaw(parent, KEY_ALL_ACCESS | KEY_WOW64_32KEY);
    if (key) ::RegDeleteTreeW(key.get(), child.c_str());
    if (key) ::RegDeleteKeyExW(key.get(), child.c_str(), KEY_WOW64_32KEY, 0);
}

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        leaf_ = std::wstring(info->name(), info->name() + std::strlen(info->name())) + L"." +
                std::to_wstring(::GetCurrentProcessId());
        key_ = std::wstring(kScratchParent) + L"\\" + leaf_;
        DeleteTree(kScratchParent, leaf_);
    }
    void TearDown() override {
        DeleteTree(kScratchParent, leaf_);
        EXPECT_FALSE(KeyExists(key_));
        // These succeed only when nothing else lives there.
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kScratchParent, KEY_WOW64_32KEY, 0);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kVendorKey, KEY_WOW64_32KEY, 0);
    }

    bool Set(long type, const std::wstring& text, const std::wstring& name = L"v") {
        return SetRegValue(HKEY_LOCAL_MACHINE, key_, name, type, text);
    }
    std::wstring Get(const std::wstring& name = L"v") { return GetRegValue(HKEY_LOCAL_MACHINE, key_, name); }
    std::optional<RawValue> Raw(const std::wstring& name = L"v") { return RawGet(key_, name); }

    std::wstring leaf_, key_;
};

void ExpectRaw(const std::optional<RawValue>& raw, DWORD type, const Bytes& data) {
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, type);
    EXPECT_EQ(raw->data, data);
}

TEST_F(RegistryStore, WritesEachTypeAsItsData) {
    EXPECT_FALSE(KeyExists(key_));
    ASSERT_TRUE(Set(kString, L"abc", L"sz"));
    ExpectRaw(Raw(L"sz"), REG_SZ, Bytes{'a', 0, 'b', 0, 'c', 0, 0, 0});
    ASSERT_TRUE(Set(kExpandString, L"%TEMP%", L"expand"));
    ExpectRaw(Raw(L"expand"), REG_EXPAND_SZ, EncodeText(L"%TEMP%"));
    ASSERT_TRUE(Set(kBinary, L"01 FF 0A", L"bin"));
    ExpectRaw(Raw(L"bin"), REG_BINARY, Bytes{1, 255, 10});
    ASSERT_TRUE(Set(kBinary, L"01FF0A", L"bin2"));
    ExpectRaw(Raw(L"bin2"), REG_BINARY, Bytes{1, 240});
    ASSERT_TRUE(Set(kDword, L"1A", L"dw"));
    ExpectRaw(Raw(L"dw"), REG_DWORD, Bytes{26, 0, 0, 0});
    ASSERT_TRUE(Set(kDword, L"0xFFFFFFFF", L"dw2"));
    ExpectRaw(Raw(L"dw2"), REG_DWORD, Bytes{255, 255, 255, 255});
}

TEST_F(RegistryStore, ReadsEachTypeAsText) {
    RawSet(key_, L"sz", REG_SZ, EncodeText(L"C:\\Tessovarine"));
    RawSet(key_, L"expand", REG_EXPAND_SZ, EncodeText(L"%SystemRoot%\\x"));
    RawSet(key_, L"bin", REG_BINARY, Bytes{1, 255, 10});
    RawSet(key_, L"bin0", REG_BINARY, Bytes{});
    RawSet(key_, L"dw26", REG_DWORD, Bytes{26, 0, 0, 0});
    RawSet(key_, L"dw0", REG_DWORD, Bytes{0, 0, 0, 0});
    RawSet(key_, L"dwAll", REG_DWORD, Bytes{255, 255, 255, 255});
    EXPECT_EQ(Get(L"sz"), L"C:\\Tessovarine");
    EXPECT_EQ(Get(L"expand"), L"%SystemRoot%\\x");
    EXPECT_EQ(Get(L"bin"), L"01 FF 0A ");
    EXPECT_EQ(Get(L"bin0"), L"");
    EXPECT_EQ(Get(L"dw26"), L"0x1A");
    EXPECT_EQ(Get(L"dw0"), L"0x0");
    EXPECT_EQ(Get(L"dwAll"), L"0xFFFFFFFF");
}

TEST_F(RegistryStore, TextEndsAtTheFirstNulOrAtTheEndOfTheData) {
    RawSet(key_, L"inner", REG_SZ, Bytes{'a', 0, 'b', 0, 0, 0, 'c', 0, 0, 0});
    RawSet(key_, L"unterminated", REG_SZ, Bytes{'a', 0, 'b', 0});
    EXPECT_EQ(Get(L"inner"), L"ab");
    EXPECT_EQ(Get(L"unterminated"), L"ab");
}

TEST_F(RegistryStore, EmptyTextIsStoredAsABlankOrNothing) {
    ASSERT_TRUE(Set(kString, L"", L"sz"));
    ExpectRaw(Raw(L"sz"), REG_SZ, EncodeText(L" "));
    EXPECT_EQ(Get(L"sz"), L" ");
    ASSERT_TRUE(Set(kExpandString, L"", L"expand"));
    EXPECT_EQ(Get(L"expand"), L" ");
    ASSERT_TRUE(Set(kBinary, L"", L"bin"));
    ExpectRaw(Raw(L"bin"), REG_BINARY, Bytes{});
    EXPECT_EQ(Get(L"bin"), L"");
    ASSERT_TRUE(Set(kDword, L"", L"dw"));
    ExpectRaw(Raw(L"dw"), REG_DWORD, Bytes{0, 0, 0, 0});
    EXPECT_EQ(Get(L"dw"), L"0x0");
}

TEST_F(RegistryStore, WhatReadingYieldsWritesBackTheSameData) {
    Bytes bytes(3000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    RawSet(key_, L"bin", REG_BINARY, bytes);
    RawSet(key_, L"dw", REG_DWORD, Bytes{0x78, 0x56, 0x34, 0x12});
    const std::wstring binText = Get(L"bin");
    EXPECT_EQ(binText.size(), 3 * bytes.size());
    ASSERT_TRUE(Set(kBinary, binText, L"bin"));
    ExpectRaw(Raw(L"bin"), REG_BINARY, bytes);
    const std::wstring dwText = Get(L"dw");
    EXPECT_EQ(dwText, L"0x12345678");
    ASSERT_TRUE(Set(kDword, dwText, L"dw"));
    ExpectRaw(Raw(L"dw"), REG_DWORD, Bytes{0x78, 0x56, 0x34, 0x12});
}

TEST_F(RegistryStore, LongTextsAreReadWhole) {
    // Far past any fixed buffer a reader might use.
    std::wstring text;
    for (int i = 0; i < 5000; ++i) text.push_back(static_cast<wchar_t>(L'a' + i % 26));
    ASSERT_TRUE(Set(kString, text));
    EXPECT_EQ(Get(), text);
    ASSERT_TRUE(Set(kExpandString, text + L"%PATH%"));
    EXPECT_EQ(Get(), text + L"%PATH%");
}

TEST_F(RegistryStore, UnicodeNamesAndTextsSurvive) {
    const std::wstring key = key_ + L"\\泰索瓦林\\安装";
    const std::wstring name = L"内容标记·版本";
    const std::wstring text = L"正在完成 泰索瓦林课堂 安装向导 \U0001F600";
    ASSERT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, key, name, kString, text));
    ExpectRaw(RawGet(key, name), REG_SZ, EncodeText(text));
    EXPECT_EQ(GetRegValue(HKEY_LOCAL_MACHINE, key, name), text);
}

TEST_F(RegistryStore, TheEmptyNameIsTheDefaultValue) {
    ASSERT_TRUE(Set(kString, L"default", L""));
    ExpectRaw(Raw(L""), REG_SZ, EncodeText(L"default"));
    EXPECT_EQ(Get(L""), L"default");
}

TEST_F(RegistryStore, OtherTypesAreRefusedButTheKeyIsCreated) {
    for (const long type : {0L, 5L, 7L, 11L, -1L}) {
        EXPECT_FALSE(Set(type, L"01 02")) << type;
        EXPECT_TRUE(KeyExists(key_)) << type;
        EXPECT_FALSE(Raw().has_value()) << type;
    }
}

TEST_F(RegistryStore, OtherTypesReadAsEmpty) {
    RawSet(key_, L"multi", REG_MULTI_SZ, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
    RawSet(key_, L"qword", REG_QWORD, Bytes{1, 0, 0, 0, 0, 0, 0, 0});
    RawSet(key_, L"none", REG_NONE, Bytes{'a', 0, 0, 0});
    RawSet(key_, L"bigEndian", REG_DWORD_BIG_ENDIAN, Bytes{0, 0, 0, 1});
    for (const wchar_t* name : {L"multi", L"qword", L"none", L"bigEndian"}) EXPECT_EQ(Get(name), L"") << name;
}

TEST_F(RegistryStore, DwordDataOfAnotherLength) {
    RawSet(key_, L"short", REG_DWORD, Bytes{0x34, 0x12});
    RawSet(key_, L"long", REG_DWORD, Bytes{1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Get(L"short"), L"0x1234");
    EXPECT_EQ(Get(L"long"), L"");
}

TEST_F(RegistryStore, TextThatIsNotHexWritesNothing) {
    RawSet(key_, L"bin", REG_BINARY, Bytes{9});
    RawSet(key_, L"dw", REG_DWORD, Bytes{9, 0, 0, 0});
    EXPECT_FALSE(Set(kBinary, L"01 XY", L"bin"));
    EXPECT_FALSE(Set(kDword, L"123456789", L"dw"));
    EXPECT_FALSE(Set(kDword, L"-1", L"dw"));
    ExpectRaw(Raw(L"bin"), REG_BINARY, Bytes{9});
    ExpectRaw(Raw(L"dw"), REG_DWORD, Bytes{9, 0, 0, 0});
    EXPECT_FALSE(Set(kBinary, L"zz", L"fresh"));
    EXPECT_FALSE(Set(kDword, L"zz", L"fresh"));
    EXPECT_FALSE(Raw(L"fresh").has_value());
}

TEST_F(RegistryStore, ReadingNeverCreatesAKey) {
    const std::wstring deeper = key_ + L"\\a\\b";
    EXPECT_EQ(GetRegValue(HKEY_LOCAL_MACHINE, deeper, L"v"), L"");
    EXPECT_EQ(Get(), L"");
    EXPECT_FALSE(KeyExists(key_));
    ASSERT_TRUE(Set(kString, L"x", L"other"));
    EXPECT_EQ(Get(L"missing"), L"");
    EXPECT_EQ(GetRegValue(HKEY_LOCAL_MACHINE, deeper, L"v"), L"");
    EXPECT_FALSE(KeyExists(key_ + L"\\a"));
}

TEST_F(RegistryStore, ReadsAKeyTheReaderMayNotWrite) {
    RawSet(key_, L"v", REG_SZ, EncodeText(L"1"));
    PSECURITY_DESCRIPTOR sd = nullptr;
    // Everyone: read, change the permissions back, delete; no value may be set.
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KRWDSD;;;WD)", SDDL_REVISION_1,
                                                                       &sd, nullptr));
    {
        const UniqueKey key = OpenRaw(key_, WRITE_DAC | KEY_WOW64_32KEY);
        ASSERT_TRUE(key);
        const LSTATUS rc = ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, sd);
        ::LocalFree(sd);
        ASSERT_EQ(rc, ERROR_SUCCESS);
    }
    UniqueKey readWrite;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, kReadWriteMask | KEY_WOW64_32KEY, readWrite.put()),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(Get(), L"1");
    EXPECT_FALSE(Set(kString, L"2"));
    EXPECT_EQ(Get(), L"1");
}

TEST_F(RegistryStore, ValuesLiveInThe32BitView) {
    ASSERT_TRUE(Set(kString, L"32"));
    ExpectRaw(RawGet(key_, L"v", KEY_WOW64_32KEY), REG_SZ, EncodeText(L"32"));
    BOOL wow64 = FALSE;
    ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64));
    if (sizeof(void*) == 4 && !wow64) GTEST_SKIP() << "no 64-bit view in a 32-bit prefix";
    EXPECT_FALSE(KeyExists(key_, KEY_WOW64_64KEY));
    const std::wstring redirected = L"SOFTWARE\\Wow6432Node" + key_.substr(std::wstring(L"SOFTWARE").size());
    ExpectRaw(RawGet(redirected, L"v", KEY_WOW64_64KEY), REG_SZ, EncodeText(L"32"));
    // A value placed in the 64-bit view is not the store's.
    UniqueKey key64;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                nullptr, key64.put(), nullptr),
              ERROR_SUCCESS);
    const Bytes data64 = EncodeText(L"64");
    ASSERT_EQ(::RegSetValueExW(key64.get(), L"only64", 0, REG_SZ, data64.data(), static_cast<DWORD>(data64.size())),
              ERROR_SUCCESS);
    key64.reset();
    EXPECT_EQ(Get(L"only64"), L"");
    UniqueKey parent64 = OpenRaw(kScratchParent, KEY_ALL_ACCESS | KEY_WOW64_64KEY);
    ASSERT_TRUE(parent64);
    ::RegDeleteTreeW(parent64.get(), leaf_.c_str());
    ::RegDeleteKeyExW(parent64.get(), leaf_.c_str(), KEY_WOW64_64KEY, 0);
    parent64.reset();
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kScratchParent, KEY_WOW64_64KEY, 0);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kVendorKey, KEY_WOW64_64KEY, 0);
    EXPECT_FALSE(KeyExists(key_, KEY_WOW64_64KEY));
}

TEST_F(RegistryStore, FailuresAreAFalseResultOrTheEmptyText) {
    const std::wstring tooLong(300, L'k');  // a key name may hold at most 255 characters
    EXPECT_FALSE(SetRegString(key_ + L"\\" + tooLong, L"v", L"x"));
    EXPECT_FALSE(SetRegValue(nullptr, key_, L"v", kString, L"x"));
    EXPECT_EQ(GetRegValue(nullptr, key_, L"v"), L"");
}

TEST_F(RegistryStore, SetRegStringWritesATextUnderTheMachineRoot) {
    EXPECT_TRUE(SetRegString(key_, L"version", L"2.1"));
    ExpectRaw(Raw(L"version"), REG_SZ, EncodeText(L"2.1"));
    EXPECT_TRUE(SetRegString(key_, L"version", L""));
    ExpectRaw(Raw(L"version"), REG_SZ, EncodeText(L" "));
}

TEST_F(RegistryStore, GetProductValueReadsTheProductKey) {
    const bool existed = KeyExists(kProductKey);
    const std::wstring name = L"test." + leaf_;
    RawSet(kProductKey, name, REG_SZ, EncodeText(L"1"));
    EXPECT_EQ(GetProductValue(name), L"1");
    EXPECT_EQ(GetProductValue(name + L".missing"), L"");
    {
        const UniqueKey key = OpenRaw(kProductKey, KEY_SET_VALUE | KEY_WOW64_32KEY);
        ASSERT_TRUE(key);
        EXPECT_EQ(::RegDeleteValueW(key.get(), name.c_str()), ERROR_SUCCESS);
    }
    if (!existed) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY, 0);
}

}  // namespace
